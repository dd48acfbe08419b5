#include "RichTextCtrl.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cmath>

#include "RtfReader.h"
#include "UiPrivate.h"

namespace {

PrintDialogHandler& PrintHandler() {
  static PrintDialogHandler handler;
  return handler;
}

// The designed faces resolve to their metric-compatible free face.
void InstallFaceSubstitutes() {
  static bool done = false;
  if (done) return;
  done = true;
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

// Half an inch, the text's default tab (\deftab720), in the screen's pixels.
// A document laid out for a printer keeps this value: the layout scales tab
// stops to the printer's resolution itself.
qreal TabDistance(const QPaintDevice* device) { return device ? device->logicalDpiX() * 0.5 : 48.0; }

// Where printing to a PDF file is proposed when no printer exists: the
// documents folder when it is there and can be written, else the home folder.
QString ProposedPdfFile() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QFileInfo folder(documents);
  const bool usable = !documents.isEmpty() && folder.isDir() && folder.isWritable();
  return QDir(usable ? documents : QDir::homePath()).filePath(QStringLiteral("Nuvarine2.pdf"));
}

// Sets the printer up: a PDF file given by the handler (tests, unattended
// runs), or the print dialog, which proposes a PDF file when no printer
// exists. False for Cancel, or when nothing can be printed without asking.
bool ChoosePrinter(QPrinter& printer, QWidget* owner, bool ask) {
  if (PrintHandler()) {
    CString path;
    if (!PrintHandler()(path)) return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(ToQ(path.GetString()));
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
    return true;
  }
  const bool noPrinter = QPrinterInfo::availablePrinters().isEmpty();
  if (noPrinter) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    // The dialog offers this file; the user may choose another.
    printer.setOutputFileName(ProposedPdfFile());
  }
  if (!ask) return !noPrinter;  // nowhere to print without asking
  QPrintDialog dialog(&printer, owner);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, noPrinter);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  int result;
  {
    ModalScope modal;
    result = dialog.exec();
  }
  return result == QDialog::Accepted;
}

QTextCharFormat ToQFormat(const RtfDocument& doc, const RtfCharFormat& f) {
  QTextCharFormat q;
  std::string face = doc.FontName(f.font);
  if (face.empty()) face = "MS Sans Serif";
  q.setFontFamilies({QString::fromStdString(face)});
  q.setFontPointSize(f.halfPoints / 2.0);
  q.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
  q.setFontItalic(f.italic);
  q.setFontUnderline(f.underline);
  return q;
}

void FillDocument(QTextDocument* document, const RtfDocument& rtf) {
  document->clear();
  QTextCursor cursor(document);
  RtfCharFormat last;
  last.font = rtf.defaultFont;
  for (size_t i = 0; i < rtf.paragraphs.size(); ++i) {
    const RtfParagraph& p = rtf.paragraphs[i];
    if (i) cursor.insertBlock();
    // An empty line keeps the height of the text around it.
    if (!p.runs.empty()) last = p.runs.front().format;
    cursor.setBlockCharFormat(ToQFormat(rtf, last));
    for (const RtfRun& run : p.runs) {
      cursor.insertText(QString::fromStdString(run.text), ToQFormat(rtf, run.format));
      last = run.format;
    }
  }
}

class RichEditWidget : public QTextEdit {
 public:
  explicit RichEditWidget(QWidget* parent) : QTextEdit(parent) {
    InstallFaceSubstitutes();
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);  // no caret
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
    setTabStopDistance(TabDistance(this));
  }
};

RichEditWidget* EditOf(const CRichTextCtrl* control) { return dynamic_cast<RichEditWidget*>(control->GetWidget()); }

void PrintDocument(const QTextDocument* source, QPrinter& printer) {
  // Page: the printable area rounded down to whole inches; text one inch in.
  const QRect printable = printer.pageLayout().paintRectPixels(printer.resolution());
  const int dpiX = std::max(1, printer.logicalDpiX());
  const int dpiY = std::max(1, printer.logicalDpiY());
  const int inchesWide = printable.width() / dpiX;
  const int inchesHigh = printable.height() / dpiY;
  // A page narrower than three inches still gets one inch of text.
  const qreal textWidth = std::max(1, inchesWide - 2) * dpiX;
  const qreal textHeight = std::max(1, inchesHigh - 2) * dpiY;

  // The clone keeps the screen's tab stops, which its layout scales to the
  // printer: a line shown on one line prints on one line.
  std::unique_ptr<QTextDocument> doc(source->clone());
  doc->documentLayout()->setPaintDevice(&printer);
  doc->setDocumentMargin(0);
  doc->setPageSize(QSizeF(textWidth, textHeight));

  QPainter painter;
  if (!painter.begin(&printer)) return;
  const int pages = std::max(1, doc->pageCount());
  for (int page = 0; page < pages; ++page) {
    if (page) printer.newPage();
    painter.save();
    painter.translate(dpiX, dpiY - page * textHeight);
    const QRectF clip(0, page * textHeight, textWidth, textHeight);
    painter.setClipRect(clip);
    QAbstractTextDocumentLayout::PaintContext context;
    // Lines pushed to the next page start on its first pixel row; keep them off this one.
    context.clip = clip.adjusted(0, 0, 0, -1);
    context.palette.setColor(QPalette::Text, Qt::black);
    doc->documentLayout()->draw(&painter, context);
    painter.restore();
  }
  painter.end();
}

}  // namespace

QWidget* CreateRichEditWidget(QWidget* parent) { return new RichEditWidget(parent); }

CRichTextCtrl::CRichTextCtrl() = default;
CRichTextCtrl::~CRichTextCtrl() = default;

BOOL CRichTextCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  if (HasWindow()) return FALSE;
  auto* widget = new RichEditWidget(parent ? parent->GetWidget() : nullptr);
  widget->setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  AttachWidget(widget, true);
  SetDlgCtrlID(static_cast<int>(id));
  if (style & WS_VISIBLE) widget->show();
  return TRUE;
}

void CRichTextCtrl::SetRtf(CString text) {
  RichEditWidget* edit = EditOf(this);
  if (!edit) return;
  const std::string bytes(text.GetString(), static_cast<size_t>(text.GetLength()));
  if (bytes.empty()) {
    edit->document()->clear();
    return;
  }
  FillDocument(edit->document(), ReadRtf(bytes));
  // The reader starts at the top, not where the inserted text left the cursor.
  edit->moveCursor(QTextCursor::Start);
  edit->verticalScrollBar()->setValue(0);
}

std::string CRichTextCtrl::GetDocumentText() const {
  RichEditWidget* edit = EditOf(this);
  if (!edit) return {};
  std::string text = edit->document()->toPlainText().toStdString();
  return text;
}

int CRichTextCtrl::GetTextLength() const {
  RichEditWidget* edit = EditOf(this);
  return edit ? edit->document()->characterCount() - 1 : 0;
}

int CRichTextCtrl::GetVerticalScroll() const {
  RichEditWidget* edit = EditOf(this);
  return edit ? edit->verticalScrollBar()->value() : 0;
}

void CRichTextCtrl::SetVerticalScroll(int position) {
  if (RichEditWidget* edit = EditOf(this)) edit->verticalScrollBar()->setValue(position);
}

void CRichTextCtrl::EnumerateTrueTypeFonts() {
  for (const QString& family : QFontDatabase::families())
    if (QFontDatabase::isScalable(family)) m_trueTypeFaceNames.push_back(FromQ(family));
}

void CRichTextCtrl::Print(bool ask) {
  RichEditWidget* edit = EditOf(this);
  if (!edit) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QStringLiteral("(Untitled)"));
  if (!ChoosePrinter(printer, GetWidget(), ask)) return;
  PrintDocument(edit->document(), printer);
}

BOOL AfxPrintImageFile(CWnd* owner, const char* path) {
  QImage picture;
  if (!path || !picture.load(QString::fromUtf8(path))) return FALSE;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QStringLiteral("Nuvarine 2"));
  if (!ChoosePrinter(printer, owner ? owner->GetWidget() : nullptr, true)) return FALSE;
  QPainter painter;
  if (!painter.begin(&printer)) return FALSE;
  const QRect page = painter.viewport();
  QSize fitted = picture.size();
  fitted.scale(page.size(), Qt::KeepAspectRatio);
  const QRect target(page.x() + (page.width() - fitted.width()) / 2, page.y() + (page.height() - fitted.height()) / 2,
                     fitted.width(), fitted.height());
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, picture);
  return painter.end() ? TRUE : FALSE;
}

void DDX_Control(CDataExchange* pDX, int id, CRichTextCtrl& control) {
  if (control.HasWindow() || !pDX || !pDX->m_pDlgWnd) return;
  CWnd* item = pDX->m_pDlgWnd->GetDlgItem(id);
  if (!item || !dynamic_cast<RichEditWidget*>(item->GetWidget())) return;
  QWidget* widget = item->GetWidget();
  item->DetachWidget();
  control.AttachWidget(widget, false);
  control.SetDlgCtrlID(id);
}

BOOL AfxSetDlgItemBitmap(CWnd* dialog, int id, UINT bitmapId) {
  CWnd* item = dialog ? dialog->GetDlgItem(id) : nullptr;
  auto* label = item ? dynamic_cast<QLabel*>(item->GetWidget()) : nullptr;
  if (!label) return FALSE;
  const QImage* image = bitmapId ? BitmapResourceImage(bitmapId) : nullptr;
  if (image) {
    // Centred at its own size, as a centred picture control shows it.
    label->setAlignment(Qt::AlignCenter);
    label->setPixmap(QPixmap::fromImage(*image));
  } else {
    label->setPixmap(QPixmap());
  }
  return TRUE;
}

void SetPrintDialogHandler(PrintDialogHandler handler) { PrintHandler() = std::move(handler); }
