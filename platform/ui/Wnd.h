#pragma once
// Windows of the layer: CWnd, the base of frames, views, dialogs and
// controls, and CDC, the few drawing calls made on windows and bitmaps.
// Each CWnd owns a Qt widget behind a private implementation; the window
// handle (HWND) is the CWnd itself as a CNativeWindow.
#include <memory>
#include <vector>
#include <cstdint>

#include "CmdTarget.h"

class QWidget;
class QPainter;
class QImage;
class CDataExchange;
class CDC;
struct CWndPrivate;

struct CREATESTRUCT {
  DWORD style = 0;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  CString lpszName;
};

// SetWindowPos flags.
constexpr UINT SWP_NOSIZE = 0x1;
constexpr UINT SWP_NOMOVE = 0x2;
constexpr UINT SWP_NOZORDER = 0x4;
constexpr UINT SWP_NOACTIVATE = 0x10;
constexpr UINT SWP_FRAMECHANGED = 0x20;
constexpr UINT SWP_SHOWWINDOW = 0x40;
// OnSize types.
constexpr UINT SIZE_RESTORED = 0;
constexpr UINT SIZE_MINIMIZED = 1;
constexpr UINT SIZE_MAXIMIZED = 2;
// Check states.
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;

class CWnd : public CCmdTarget, public CNativeWindow {
 public:
  CWnd();
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // The handle: this window while it exists, else null.
  HWND GetSafeHwnd() const;
  static CWnd* FromHandle(HWND handle);
  bool HasWindow() const;

  virtual BOOL DestroyWindow();
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  BOOL IsIconic() const;
  BOOL IsZoomed() const;
  void SetWindowText(const char* text);
  void GetWindowText(CString& text) const;
  CString GetWindowText() const;
  virtual void Invalidate(BOOL erase = TRUE);
  virtual void UpdateWindow();
  void GetClientRect(RECT* rect) const;
  void GetWindowRect(RECT* rect) const;
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void MoveWindow(const RECT* rect, BOOL repaint = TRUE);
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
  DWORD GetStyle() const;
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  CWnd* SetFocus();
  CWnd* GetParent() const;
  void ClientToScreen(POINT* point) const;
  void ScreenToClient(POINT* point) const;

  // Timers: OnTimer(id) every `elapseMs` until KillTimer; the same id restarts.
  UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs, void* unused = nullptr);
  BOOL KillTimer(UINT_PTR id);

  // Child controls by id (dialogs).
  CWnd* GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  void SetDlgItemText(int id, const char* text);
  int GetDlgItemText(int id, CString& text) const;
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  // Data exchange with the controls: FALSE when a validation failed.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* pDX);

  int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

  // CNativeWindow: the client area's size; presented frames are shown by
  // windows that draw (views), ignored by the others.
  void GetClientSize(int& width, int& height) const override;
  void PresentFrame(const unsigned char* bgra, int width, int height, int stride) override;

  // Window messages. The defaults do nothing (Default processing).
  virtual int OnCreate(CREATESTRUCT* cs);
  virtual void OnDestroy();
  virtual void OnClose();
  virtual void OnTimer(UINT_PTR id);
  virtual void OnSize(UINT type, int cx, int cy);
  virtual void OnPaint();
  virtual BOOL OnEraseBkgnd(CDC* pDC);
  virtual void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
  virtual void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
  // The window lost the keyboard focus (to `newWindow`, null when unknown).
  virtual void OnKillFocus(CWnd* newWindow);
  virtual void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
  virtual void OnLButtonDown(UINT nFlags, CPoint point);
  virtual void OnLButtonUp(UINT nFlags, CPoint point);
  virtual void OnLButtonDblClk(UINT nFlags, CPoint point);
  virtual void OnRButtonDown(UINT nFlags, CPoint point);
  virtual void OnRButtonUp(UINT nFlags, CPoint point);
  virtual void OnRButtonDblClk(UINT nFlags, CPoint point);
  virtual void OnMButtonDown(UINT nFlags, CPoint point);
  virtual void OnMButtonUp(UINT nFlags, CPoint point);
  virtual void OnMouseMove(UINT nFlags, CPoint point);
  virtual BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint point);
  void Default() {}

  // ---- Layer internals (used by the layer's own sources and tests) ----------
  QWidget* GetWidget() const;
  // Takes the widget; `owned`: deleted with this object.
  void AttachWidget(QWidget* widget, bool owned);
  void DetachWidget();
  void SetDlgCtrlID(int id);
  CWndPrivate* Private() const { return m_private.get(); }

 private:
  std::unique_ptr<CWndPrivate> m_private;
};

void SetCapture(CWnd* window);
void ReleaseCapture();

// Drawing on a window's picture or on a bitmap, with GDI's defaults: a
// white brush, a thin black pen, black text on an opaque white background.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
class CBitmap;

class CDC {
 public:
  explicit CDC(QPainter* painter = nullptr);
  // Draws on a picture; each call paints and finishes, so the picture may be
  // replaced or presented into between calls.
  explicit CDC(QImage* image);
  // Draws on a bitmap made by CBitmap::CreateBitmap or loaded (a memory device context).
  explicit CDC(CBitmap* bitmap);
  ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  void FillSolidRect(int x, int y, int width, int height, COLORREF color);
  void FillSolidRect(const RECT* rect, COLORREF color);
  COLORREF SetPixel(int x, int y, COLORREF color);
  void SetBrushColor(COLORREF color);
  void SetNullBrush();
  void SetPenColor(COLORREF color, int width = 1);
  void SetNullPen();
  BOOL Rectangle(int left, int top, int right, int bottom);
  BOOL Ellipse(int left, int top, int right, int bottom);
  void MoveTo(int x, int y);
  BOOL LineTo(int x, int y);
  COLORREF SetTextColor(COLORREF color);
  int SetBkMode(int mode);
  // The colour behind opaque text (white at first).
  COLORREF SetBkColor(COLORREF color);
  // Face name, cell height in pixels, weight (400 normal, 700 bold).
  void SelectFont(const char* face, int height, int weight = 400, bool italic = false);
  BOOL TextOut(int x, int y, const char* text);
  // Text at (x, y); ETO_CLIPPED keeps it inside `rect`, ETO_OPAQUE fills
  // `rect` with the background colour first.
  BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text);
  // Centred on one line in the rectangle.
  void DrawCenteredText(const RECT* rect, const char* text);
  SIZE GetTextExtent(const char* text);
  // A picture file (PNG, JPEG, BMP) scaled into the rectangle; FALSE when it
  // cannot be read.
  BOOL DrawImageFile(int x, int y, int width, int height, const char* path);
  // A bitmap at its own size; with a transparent colour its pixels of that
  // colour leave what is below.
  void DrawBitmap(int x, int y, const CBitmap& bitmap);
  void DrawTransparentBitmap(int x, int y, const CBitmap& bitmap, COLORREF transparent);
  // Copies the rectangle (sx, sy, width, height) of a bitmap to (x, y); the
  // source may be the bitmap drawn on (scrolling).
  void BitBlt(int x, int y, int width, int height, const CBitmap& source, int sx, int sy);

 private:
  class Paint;
  QPainter* m_painter = nullptr;
  QImage* m_image = nullptr;
  struct State;
  std::unique_ptr<State> m_state;
};

// ---- Bitmap resources ----------------------------------------------------------
// Pictures are drawn by code at their resource size the first time they are
// loaded (the program ships no binary art).
struct BitmapResource {
  UINT id;
  int width;
  int height;
  void (*paint)(CDC& dc, int width, int height);
};
void AfxRegisterBitmaps(const BitmapResource* table, size_t count);

// Resources are tables registered by the program, not sections of module
// files: the application's module is the one resource module. A resource is
// named by its id (MAKEINTRESOURCE) or by the text "#id".
typedef void* HINSTANCE;
#define MAKEINTRESOURCE(id) (reinterpret_cast<const char*>(static_cast<uintptr_t>(static_cast<uint16_t>(id))))
HINSTANCE AfxGetResourceHandle();
// A bitmap resource as a packed DIB (40-byte header, no palette, 24-bit rows
// from the bottom up, each padded to 4 bytes). FALSE when the module is not
// the application's or no bitmap has that name.
BOOL AfxLoadBitmapResourceDib(HINSTANCE module, const char* name, std::vector<uint8_t>& dib);

struct BITMAP {
  int bmWidth = 0;
  int bmHeight = 0;
  int bmBitsPixel = 24;
};

class CBitmap {
 public:
  CBitmap();
  ~CBitmap();
  BOOL LoadBitmap(UINT resourceId);
  // A blank (black) bitmap to draw on; FALSE for an empty size.
  BOOL CreateBitmap(int width, int height);
  BOOL HasBitmap() const { return m_image != nullptr; }
  BOOL GetBitmap(BITMAP* info) const;
  // Colour of a pixel of the bottom-up bits: row 0 is the picture's bottom row.
  COLORREF GetBitsPixel(int x, int rowFromBottom) const;
  void DeleteObject();
  const QImage* Image() const;
  QImage* MutableImage();

 private:
  std::unique_ptr<QImage> m_image;
};

// A static control of a dialog that its class paints itself: after
// SubclassDlgItem the control's paint message calls OnEraseBkgnd and then
// OnPaint, in which a CPaintDC draws on the control.
class CStatic : public CWnd {
 public:
  // Takes over the dialog's control `id` (same place and size); FALSE when
  // the dialog has no such control.
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
};

class CPaintDC : public CDC {
 public:
  // Valid inside the window's OnPaint; draws nothing elsewhere.
  explicit CPaintDC(CWnd* window);
};

// Image-list flags.
constexpr UINT ILC_MASK = 0x1;
constexpr UINT ILC_COLOR24 = 0x18;

class CImageList {
 public:
  CImageList();
  ~CImageList();
  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  // Slices the bitmap into images of the list's width; pixels of `mask` become transparent.
  int Add(CBitmap* bitmap, COLORREF mask);
  int GetImageCount() const;
  const QImage* GetImage(int index) const;

 private:
  struct Data;
  std::unique_ptr<Data> m_data;
};
