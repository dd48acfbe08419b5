#include "View.h"

#include <ctime>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QResizeEvent>
#include <cstring>

#include "App.h"
#include "UiPrivate.h"

namespace {

const QEvent::Type kPaintMessage = static_cast<QEvent::Type>(QEvent::User + 41);

}  // namespace

class CViewWidget : public QWidget {
 public:
  explicit CViewWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setMinimumSize(1, 1);
    m_surface = QImage(1, 1, QImage::Format_RGB32);
    m_surface.fill(Qt::black);
  }

  ~CViewWidget() override {
    if (m_native && g_nativeWindowGoing) g_nativeWindowGoing(static_cast<unsigned long>(winId()));
  }

  QImage m_surface;
  // Frames are shown on the native window by the drawing device.
  bool m_native = false;
  // The device has shown a frame there: from then on the window is the
  // device's alone.
  bool m_onScreen = false;

  // Until the device shows its first frame, what the view paints on its
  // surface (the grey start-up background) is shown on the native window
  // through the toolkit's backing store; the first device frame hands the
  // window over and drops the surface.
  void MakeNative() {
    if (m_native) return;
    m_native = true;
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_DontCreateNativeAncestors);
  }

  void HandOverToDevice() {
    if (!m_native || m_onScreen) return;
    m_onScreen = true;
    // The window keeps no window-sized picture (8 MB at 1920 x 1080).
    m_surface = QImage(1, 1, QImage::Format_RGB32);
    m_surface.fill(Qt::black);
    setAttribute(Qt::WA_PaintOnScreen);
  }

  QPaintEngine* paintEngine() const override { return m_onScreen ? nullptr : QWidget::paintEngine(); }

 protected:
  bool event(QEvent* e) override {
    CView* m_view = dynamic_cast<CView*>(WndFromWidget(this));
    if (e->type() == kPaintMessage) {
      if (m_view) m_view->RunPendingPaint();
      return true;
    }
    if (e->type() == QEvent::Resize) {
      QSize s = static_cast<QResizeEvent*>(e)->size();
      if (!m_onScreen && s.width() > 0 && s.height() > 0 && s != m_surface.size()) {
        QImage grown(s, QImage::Format_RGB32);
        grown.fill(Qt::black);
        QPainter p(&grown);
        p.drawImage(0, 0, m_surface);
        p.end();
        m_surface = grown;
      }
    }
    if (m_view && (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)) {
      DispatchWindowEvent(m_view, e);
      return true;
    }
    if (m_view && DispatchWindowEvent(m_view, e)) return true;
    return QWidget::event(e);
  }

  void paintEvent(QPaintEvent*) override {
    if (m_onScreen) return;  // the device's next frame covers the window
    QPainter p(this);
    p.drawImage(0, 0, m_surface);
  }
};

void CDocument::SetTitle(const char* title) {
  m_strTitle = title ? title : "";
  // A named document shows its name in the main window; an empty name changes nothing.
  if (!m_strTitle.IsEmpty() && m_pView) {
    CWnd* frame = m_pView->GetParent();
    if (frame) frame->SetWindowText((m_strTitle + " - " + AfxGetAppName()).c_str());
  }
}

CView::CView() = default;
CView::~CView() = default;

BOOL CView::PreCreateWindow(CREATESTRUCT&) { return TRUE; }
void CView::OnInitialUpdate() { Invalidate(); }

BOOL CView::Create(CFrameWnd* parent, CDocument* document) {
  CREATESTRUCT cs;
  cs.style = WS_CHILD | WS_VISIBLE;
  if (!PreCreateWindow(cs)) return FALSE;
  m_pDocument = document;
  if (document) document->AddView(this);
  QWidget* parentWidget = parent ? parent->GetWidget() : nullptr;
  auto* widget = new CViewWidget(parentWidget);
  AttachWidget(widget, parentWidget == nullptr);
  SetDlgCtrlID(static_cast<int>(AFX_IDW_PANE_FIRST));
  if (OnCreate(&cs) == -1) {
    DestroyWindow();
    return FALSE;
  }
  return TRUE;
}

void CView::Invalidate(BOOL) {
  QWidget* w = GetWidget();
  if (!w || m_paintPending) return;
  m_paintPending = true;
  QCoreApplication::postEvent(w, new QEvent(kPaintMessage));
}

void CView::UpdateWindow() {
  if (m_paintPending) RunPendingPaint();
}

void CView::RunPendingPaint() {
  if (!m_paintPending) return;
  if (m_inPaint) {
    // A paint message dispatched from inside OnDraw waits for the running one.
    m_paintPending = false;
    Invalidate();
    return;
  }
  m_paintPending = false;
  m_inPaint = true;
  ++m_paintCount;
  OnPaint();
  m_inPaint = false;
  if (QWidget* w = GetWidget()) w->update();
}

void CView::OnPaint() {
  auto* widget = dynamic_cast<CViewWidget*>(GetWidget());
  if (!widget) return;
  CDC dc(&widget->m_surface);
  OnDraw(&dc);
}

void CView::PresentFrame(const unsigned char* bgra, int width, int height, int stride) {
  auto* widget = dynamic_cast<CViewWidget*>(GetWidget());
  if (!widget || !bgra || width <= 0 || height <= 0 || stride < width * 4) return;
  CountPresent();
  QImage frame(bgra, width, height, stride, QImage::Format_RGB32);
  if (widget->m_surface.size() == frame.size()) {
    for (int y = 0; y < height; ++y)
      std::memcpy(widget->m_surface.scanLine(y), bgra + static_cast<size_t>(y) * stride, static_cast<size_t>(width) * 4);
  } else {
    QPainter p(&widget->m_surface);
    p.drawImage(QRect(0, 0, widget->m_surface.width(), widget->m_surface.height()), frame);
  }
  if (!m_inPaint) widget->update();
}

unsigned long CView::NativeWindowId() {
  auto* widget = dynamic_cast<CViewWidget*>(GetWidget());
  if (!widget || QGuiApplication::platformName() != QLatin1String("xcb")) return 0;
  widget->MakeNative();
  return static_cast<unsigned long>(widget->winId());
}

void CView::FramePresentedNatively() {
  CountPresent();
  if (auto* widget = dynamic_cast<CViewWidget*>(GetWidget())) widget->HandOverToDevice();
}

void CView::CountPresent() {
  if (m_presentCount++ == 0) {
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) == 0) m_firstPresentBootMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
  }
}

void CView::GetPicture(std::vector<unsigned char>& bgra, int& width, int& height) const {
  auto* widget = dynamic_cast<CViewWidget*>(GetWidget());
  bgra.clear();
  width = height = 0;
  if (!widget) return;
  const QImage& s = widget->m_surface;
  width = s.width();
  height = s.height();
  bgra.resize(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    std::memcpy(bgra.data() + static_cast<size_t>(y) * width * 4, s.constScanLine(y), static_cast<size_t>(width) * 4);
}
