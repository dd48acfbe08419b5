#pragma once
// The read-only rich-text control of the information and ephemeris dialogs:
// shows an RTF text (the subset read by RtfReader.h) with a vertical scroll
// bar and no caret, and prints it with one-inch margins. In a dialog it sits
// on a ControlKind::RichEdit control and is bound by DDX_Control.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Dialog.h"

// Formats exchanged with the control's editing operations: the fields and
// values of the rich-edit control they were designed on. Sizes and indents
// are in twips (1/20 point).
constexpr DWORD CFM_BOLD = 0x00000001;
constexpr DWORD CFM_ITALIC = 0x00000002;
constexpr DWORD CFM_UNDERLINE = 0x00000004;
constexpr DWORD CFM_FACE = 0x20000000;
constexpr DWORD CFM_COLOR = 0x40000000;
constexpr DWORD CFM_SIZE = 0x80000000;
constexpr DWORD CFE_BOLD = 0x00000001;
constexpr DWORD CFE_ITALIC = 0x00000002;
constexpr DWORD CFE_UNDERLINE = 0x00000004;
constexpr DWORD CFE_AUTOCOLOR = 0x40000000;
constexpr DWORD PFM_STARTINDENT = 0x00000001;
constexpr DWORD PFM_OFFSET = 0x00000004;
constexpr DWORD PFM_ALIGNMENT = 0x00000008;
constexpr DWORD PFM_NUMBERING = 0x00000020;
constexpr WORD PFA_LEFT = 1;
constexpr WORD PFA_RIGHT = 2;
constexpr WORD PFA_CENTER = 3;
constexpr WORD PFN_BULLET = 1;

// Character format of a selection. Reading clears the mask bits of the
// properties that are not the same over the whole selection; writing sets
// only the properties of the mask.
struct CHARFORMAT {
  UINT cbSize = sizeof(CHARFORMAT);
  DWORD dwMask = 0;
  DWORD dwEffects = 0;
  LONG yHeight = 0;  // twips
  LONG yOffset = 0;
  COLORREF crTextColor = 0;
  BYTE bCharSet = 0;
  BYTE bPitchAndFamily = 0;
  char szFaceName[32] = {};
};

// Paragraph format of the paragraphs of the selection (the same rule for
// the mask as CHARFORMAT).
struct PARAFORMAT {
  UINT cbSize = sizeof(PARAFORMAT);
  DWORD dwMask = 0;
  WORD wNumbering = 0;
  WORD wReserved = 0;
  LONG dxStartIndent = 0;
  LONG dxRightIndent = 0;
  LONG dxOffset = 0;
  WORD wAlignment = 0;
  short cTabCount = 0;
  LONG rgxTabs[32] = {};
};

class CRichTextCtrl : public CWnd {
 public:
  CRichTextCtrl();
  ~CRichTextCtrl() override;

  // A control of its own (outside a dialog template): child of `parent`,
  // geometry in pixels.
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  // Replaces the whole content by the RTF text; an empty text empties it.
  void SetRtf(CString text);
  // Prints the whole content: page size rounded down to whole inches, text
  // inset by one inch on every side, document name "(Untitled)", one page
  // after the other until the text is out. `ask` shows the print dialog
  // (no page range, no selection; when no printer exists it offers a PDF
  // file); Cancel prints nothing. Without `ask` the default printer is used.
  void Print(bool ask);

  // The shown text as UTF-8, paragraphs separated by '\n'.
  std::string GetDocumentText() const;
  // Character count of the shown text (the window text length).
  int GetTextLength() const;
  // Hides the caret (the control never shows one; kept for the callers).
  void HideCaret() {}
  // Vertical scroll position, pixels from the top.
  int GetVerticalScroll() const;
  void SetVerticalScroll(int position);
  // ---- Editing (RichTextEditing.cpp) ----------------------------------------
  // Selection in characters of the shown text; end -1: to the end.
  void SetSel(long start, long end);
  void GetSel(long& start, long& end) const;
  // The content as an RTF text (code page 1252): fonts, colours, sizes,
  // bold, italic, underline, alignment and bullets.
  CString GetRtf() const;
  // Format of the selection's paragraphs (mask alignment and numbering) and
  // its setter (only the fields of the mask).
  void GetParaFormat(PARAFORMAT& format) const;
  void SetParaFormat(const PARAFORMAT& format);
  bool IsParagraphLeft() const;
  bool IsParagraphRight() const;
  bool IsParagraphCenter() const;
  void SetParagraphLeft();
  void SetParagraphRight();
  void SetParagraphCenter();
  bool IsParagraphBulleted() const;
  void ToggleParagraphBullet();
  // Character format of the selection with the given mask, and its setter.
  void GetCharFormat(CHARFORMAT& format, DWORD mask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_COLOR |
                                                     CFM_FACE) const;
  void SetSelectionCharFormat(const CHARFORMAT& format);
  bool IsSelectionBold() const;
  bool IsSelectionItalic() const;
  bool IsSelectionUnderlined() const;
  // Inverts an effect that is the same over the whole selection, else sets
  // it: a partly bold selection becomes wholly bold.
  void ToggleCharEffect(DWORD mask, DWORD effect);
  void ToggleBold() { ToggleCharEffect(CFM_BOLD, CFE_BOLD); }
  void ToggleItalic() { ToggleCharEffect(CFM_ITALIC, CFE_ITALIC); }
  void ToggleUnderline() { ToggleCharEffect(CFM_UNDERLINE, CFE_UNDERLINE); }
  // Whole points.
  int GetSelectionFontSize() const;
  void SetSelectionFontSize(int points);
  // The colour picker started from the selection's colour; OK applies its
  // choice, Cancel makes the current colour explicit.
  void ChooseSelectionColor();
  CString GetSelectionFontName() const;
  // At most 31 characters are kept.
  void SetSelectionFontName(const CString& name);

  // Face names of the control's fonts that are scalable (filled by
  // EnumerateTrueTypeFonts).
  void EnumerateTrueTypeFonts();
  std::vector<CString> m_trueTypeFaceNames;
};

// Binds the dialog's control `id` (a RichEdit control) to `control`.
void DDX_Control(CDataExchange* pDX, int id, CRichTextCtrl& control);

// Puts a registered bitmap into a dialog's picture control (0 or an unknown
// id: no picture). False when the control does not exist.
BOOL AfxSetDlgItemBitmap(CWnd* dialog, int id, UINT bitmapId);

// Replaces the print dialog (tests, unattended runs): return FALSE for
// Cancel, or TRUE with the PDF file to print into (A4, no printer margins).
using PrintDialogHandler = std::function<BOOL(CString& pdfPath)>;
void SetPrintDialogHandler(PrintDialogHandler handler);

// Prints a picture file (BMP, PNG, JPEG) on one page, fitted to the page and
// centred, after the print dialog (a PDF file when no printer exists). FALSE
// when the picture cannot be read or the user cancelled.
BOOL AfxPrintImageFile(CWnd* owner, const char* path);
