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
