#pragma once
// The document and the view of a single-document application. The view's
// window keeps one picture of its client area: drawing devices present their
// frames into it and CDC calls of OnDraw draw on it; the screen shows it.
// Invalidate posts one paint message (coalesced); the paint message runs
// OnDraw outside the toolkit's own painting, so OnDraw may pump messages.
#include "Wnd.h"

class CFrameWnd;
class CView;

class CDocument : public CCmdTarget {
 public:
  CDocument() = default;
  ~CDocument() override = default;
  virtual void SetTitle(const char* title);
  const CString& GetTitle() const { return m_strTitle; }
  virtual BOOL OnNewDocument() { return TRUE; }
  void SetPathName(const char* path) { m_strPathName = path ? path : ""; }
  const CString& GetPathName() const { return m_strPathName; }
  CView* GetFirstView() const { return m_pView; }
  void AddView(CView* view) { m_pView = view; }

 private:
  CString m_strTitle;
  CString m_strPathName;
  CView* m_pView = nullptr;
};

class CView : public CWnd {
 public:
  CView();
  ~CView() override;

  // Called before the window exists; FALSE refuses the window.
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
  // Called once after the frame and the view exist.
  virtual void OnInitialUpdate();
  virtual void OnDraw(CDC* pDC) = 0;
  CDocument* GetDocument() const { return m_pDocument; }

  // Creates the window inside `parent`; FALSE when PreCreateWindow refused.
  BOOL Create(CFrameWnd* parent, CDocument* document);

  void Invalidate(BOOL erase = TRUE) override;
  void UpdateWindow() override;
  void OnPaint() override;
  void PresentFrame(const unsigned char* bgra, int width, int height, int stride) override;
  // On an X server the view's client area becomes a native window the
  // drawing device shows its frames on (0 on other platforms). What OnDraw
  // paints with its CDC is shown there until the device's first frame; after
  // it, CDC drawing no longer reaches the screen.
  unsigned long NativeWindowId() override;
  void FramePresentedNatively() override;
  // A copy of the pixels on screen: 32-bit BGRA rows, top first (empty before the first paint).
  void GetPicture(std::vector<unsigned char>& bgra, int& width, int& height) const;
  // True while OnDraw runs (it may pump messages).
  bool IsPainting() const { return m_inPaint; }
  // Paint messages handled so far (OnDraw calls made by the window).
  unsigned long GetPaintCount() const { return m_paintCount; }
  // Frames handed over by a drawing device so far.
  unsigned long GetPresentCount() const { return m_presentCount; }
  // Milliseconds since the system booted (CLOCK_BOOTTIME) when the first frame
  // was presented; 0 before it.
  double GetFirstPresentBootTime() const { return m_firstPresentBootMs; }

 protected:
  CDocument* m_pDocument = nullptr;

 private:
  friend class CViewWidget;
  void RunPendingPaint();
  bool m_paintPending = false;
  bool m_inPaint = false;
  unsigned long m_paintCount = 0;
  unsigned long m_presentCount = 0;
  double m_firstPresentBootMs = 0.0;
  void CountPresent();
};
