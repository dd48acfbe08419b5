#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>

#include "UiPrivate.h"

QColor ToQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

CWnd* WndFromWidget(const QWidget* widget) {
  if (!widget) return nullptr;
  return reinterpret_cast<CWnd*>(widget->property("nvwnd").value<quintptr>());
}

void SetWidgetWnd(QWidget* widget, CWnd* wnd) {
  if (widget) widget->setProperty("nvwnd", QVariant::fromValue(reinterpret_cast<quintptr>(wnd)));
}

CWnd::CWnd() : m_private(std::make_unique<CWndPrivate>()) {}

CWnd::~CWnd() {
  for (auto& t : m_private->timers) delete t.second;
  m_private->timers.clear();
  if (m_private->widget) {
    SetWidgetWnd(m_private->widget, nullptr);
    if (m_private->owned) delete m_private->widget.data();
  }
}

QWidget* CWnd::GetWidget() const { return m_private->widget.data(); }

void CWnd::AttachWidget(QWidget* widget, bool owned) {
  m_private->widget = widget;
  m_private->owned = owned;
  SetWidgetWnd(widget, this);
}

void CWnd::DetachWidget() {
  if (m_private->widget) SetWidgetWnd(m_private->widget, nullptr);
  m_private->widget = nullptr;
  m_private->owned = false;
}

bool CWnd::HasWindow() const { return !m_private->widget.isNull(); }
HWND CWnd::GetSafeHwnd() const { return HasWindow() ? const_cast<CWnd*>(this) : nullptr; }
CWnd* CWnd::FromHandle(HWND handle) { return dynamic_cast<CWnd*>(handle); }

BOOL CWnd::DestroyWindow() {
  if (!HasWindow()) return FALSE;
  OnDestroy();
  for (auto& t : m_private->timers) delete t.second;
  m_private->timers.clear();
  QWidget* w = m_private->widget.data();
  SetWidgetWnd(w, nullptr);
  m_private->widget = nullptr;
  if (m_private->owned) {
    w->hide();
    w->deleteLater();
  }
  m_private->owned = false;
  return TRUE;
}

BOOL CWnd::ShowWindow(int command) {
  QWidget* w = GetWidget();
  if (!w) return FALSE;
  BOOL wasVisible = w->isVisible();
  if (!w->isWindow()) {
    // Child windows are shown or hidden; their size follows the parent's layout.
    w->setVisible(command != SW_HIDE);
    return wasVisible;
  }
  switch (command) {
    case SW_HIDE: w->hide(); break;
    case SW_SHOWMAXIMIZED: w->showMaximized(); break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED: w->showMinimized(); break;
    case SW_RESTORE:
    case SW_SHOWNORMAL: w->showNormal(); break;
    default:
      if (w->isWindow() && (command == SW_SHOWNA || command == SW_SHOWNOACTIVATE))
        w->setAttribute(Qt::WA_ShowWithoutActivating);
      w->show();
      break;
  }
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
  QWidget* w = GetWidget();
  return w && w->isVisible();
}
BOOL CWnd::IsIconic() const {
  QWidget* w = GetWidget();
  return w && (w->window()->windowState() & Qt::WindowMinimized);
}
BOOL CWnd::IsZoomed() const {
  QWidget* w = GetWidget();
  return w && (w->window()->windowState() & Qt::WindowMaximized);
}

void CWnd::SetWindowText(const char* text) {
  QWidget* w = GetWidget();
  if (!w) return;
  QString q = ToQ(text);
  if (w->isWindow()) {
    w->setWindowTitle(q);
  } else {
    // Controls carry their text in their own property.
    if (w->metaObject()->indexOfProperty("plainText") >= 0)
      w->setProperty("plainText", q);
    else if (w->metaObject()->indexOfProperty("text") >= 0)
      w->setProperty("text", q);
    else if (w->metaObject()->indexOfProperty("title") >= 0)
      w->setProperty("title", q);
    else if (w->metaObject()->indexOfProperty("currentText") >= 0)
      w->setProperty("currentText", q);
  }
}

void CWnd::GetWindowText(CString& text) const {
  QWidget* w = GetWidget();
  text.clear();
  if (!w) return;
  if (w->isWindow()) {
    text = FromQ(w->windowTitle());
    return;
  }
  for (const char* prop : {"plainText", "text", "currentText", "title"}) {
    if (w->metaObject()->indexOfProperty(prop) >= 0) {
      text = FromQ(w->property(prop).toString());
      return;
    }
  }
}

CString CWnd::GetWindowText() const {
  CString t;
  GetWindowText(t);
  return t;
}

void CWnd::Invalidate(BOOL) {
  if (QWidget* w = GetWidget()) w->update();
}

void CWnd::UpdateWindow() {
  if (QWidget* w = GetWidget()) w->repaint();
}

void CWnd::GetClientRect(RECT* rect) const {
  if (!rect) return;
  *rect = RECT{};
  if (QWidget* w = GetWidget()) {
    rect->right = w->width();
    rect->bottom = w->height();
  }
}

void CWnd::GetWindowRect(RECT* rect) const {
  if (!rect) return;
  *rect = RECT{};
  QWidget* w = GetWidget();
  if (!w) return;
  QRect g = w->isWindow() ? w->frameGeometry() : QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
  rect->left = g.left();
  rect->top = g.top();
  rect->right = g.left() + g.width();
  rect->bottom = g.top() + g.height();
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  QWidget* w = GetWidget();
  if (!w) return;
  if (w->isWindow() && (w->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
    w->setWindowState(w->windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
  if (w->isWindow())
    w->move(x, y), w->resize(width, height);
  else
    w->setGeometry(x, y, width, height);
  if (repaint) w->update();
}

void CWnd::MoveWindow(const RECT* rect, BOOL repaint) {
  if (rect) MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

BOOL CWnd::SetWindowPos(const CWnd*, int x, int y, int cx, int cy, UINT flags) {
  QWidget* w = GetWidget();
  if (!w) return FALSE;
  if (!(flags & SWP_NOMOVE) || !(flags & SWP_NOSIZE)) {
    QRect g = w->geometry();
    if (!(flags & SWP_NOMOVE)) g.moveTo(x, y);
    if (!(flags & SWP_NOSIZE)) g.setSize(QSize(cx, cy));
    if (w->isWindow() && (w->windowState() & Qt::WindowMaximized))
      w->setWindowState(w->windowState() & ~Qt::WindowMaximized);
    w->setGeometry(g);
  }
  if (flags & SWP_SHOWWINDOW) w->show();
  return TRUE;
}

DWORD CWnd::GetStyle() const {
  DWORD style = m_private->style;
  QWidget* w = GetWidget();
  if (w) {
    if (w->isVisible()) style |= WS_VISIBLE; else style &= ~WS_VISIBLE;
    if (!w->isEnabled()) style |= WS_DISABLED; else style &= ~WS_DISABLED;
    if (w->isWindow()) {
      if (w->windowFlags() & Qt::FramelessWindowHint) style &= ~WS_CAPTION;
      if (w->windowState() & Qt::WindowMaximized) style |= WS_MAXIMIZE;
    }
  }
  return style;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT) {
  DWORD before = GetStyle();
  m_private->style = (m_private->style & ~remove) | add;
  QWidget* w = GetWidget();
  if (w && w->isWindow()) {
    bool hadCaption = (before & WS_CAPTION) == WS_CAPTION || !(w->windowFlags() & Qt::FramelessWindowHint);
    bool wantCaption = (m_private->style & WS_CAPTION) == WS_CAPTION;
    if (hadCaption != wantCaption) {
      bool visible = w->isVisible();
      Qt::WindowStates state = w->windowState();
      QRect geometry = w->geometry();
      w->setWindowFlag(Qt::FramelessWindowHint, !wantCaption);
      w->setGeometry(geometry);
      if (visible) {
        w->setWindowState(state);
        w->show();
      }
    }
  }
  if (w && (remove & WS_VISIBLE)) w->hide();
  if (w && (add & WS_VISIBLE)) w->show();
  return TRUE;
}

BOOL CWnd::EnableWindow(BOOL enable) {
  QWidget* w = GetWidget();
  if (!w) return FALSE;
  BOOL wasDisabled = !w->isEnabled();
  w->setEnabled(enable != 0);
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
  QWidget* w = GetWidget();
  return w && w->isEnabled();
}

CWnd* CWnd::SetFocus() {
  CWnd* previous = WndFromWidget(QApplication::focusWidget());
  if (QWidget* w = GetWidget()) {
    w->setFocus(Qt::OtherFocusReason);
    // A dialog being set up is not shown yet: it gives the focus to this
    // control once it is (the dialog's own choice of focus).
    if (!w->window()->isVisible()) {
      for (QWidget* other : w->window()->findChildren<QWidget*>()) other->setProperty("nvWantsFocus", QVariant());
      w->setProperty("nvWantsFocus", true);
    }
  }
  return previous;
}

CWnd* CWnd::GetParent() const {
  QWidget* w = GetWidget();
  for (QWidget* p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget())
    if (CWnd* wnd = WndFromWidget(p)) return wnd;
  return nullptr;
}

void CWnd::ClientToScreen(POINT* point) const {
  QWidget* w = GetWidget();
  if (!w || !point) return;
  QPoint p = w->mapToGlobal(QPoint(point->x, point->y));
  point->x = p.x();
  point->y = p.y();
}

void CWnd::ScreenToClient(POINT* point) const {
  QWidget* w = GetWidget();
  if (!w || !point) return;
  QPoint p = w->mapFromGlobal(QPoint(point->x, point->y));
  point->x = p.x();
  point->y = p.y();
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs, void*) {
  QTimer*& timer = m_private->timers[id];
  if (!timer) {
    timer = new QTimer();
    QObject::connect(timer, &QTimer::timeout, [this, id]() { OnTimer(id); });
  }
  timer->start(static_cast<int>(elapseMs));
  return id;
}

BOOL CWnd::KillTimer(UINT_PTR id) {
  auto it = m_private->timers.find(id);
  if (it == m_private->timers.end()) return FALSE;
  delete it->second;
  m_private->timers.erase(it);
  return TRUE;
}

CWnd* CWnd::GetDlgItem(int id) const {
  QWidget* w = GetWidget();
  if (!w) return nullptr;
  const auto children = w->findChildren<QWidget*>();
  for (QWidget* child : children) {
    CWnd* wnd = WndFromWidget(child);
    if (wnd && wnd != this && wnd->m_private->controlId == id) return wnd;
  }
  return nullptr;
}

int CWnd::GetDlgCtrlID() const { return m_private->controlId; }
void CWnd::SetDlgCtrlID(int id) { m_private->controlId = id; }

void CWnd::SetDlgItemText(int id, const char* text) {
  if (CWnd* item = GetDlgItem(id)) item->SetWindowText(text);
}

int CWnd::GetDlgItemText(int id, CString& text) const {
  text.clear();
  if (CWnd* item = GetDlgItem(id)) item->GetWindowText(text);
  return text.GetLength();
}

void CWnd::CheckDlgButton(int id, UINT check) {
  CWnd* item = GetDlgItem(id);
  if (item && item->GetWidget()) item->GetWidget()->setProperty("checked", check != 0);
}

UINT CWnd::IsDlgButtonChecked(int id) const {
  CWnd* item = GetDlgItem(id);
  return item && item->GetWidget() && item->GetWidget()->property("checked").toBool() ? 1 : 0;
}

void CWnd::DoDataExchange(CDataExchange*) {}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
  return ::MessageBox(GetSafeHwnd(), text, caption, type);
}

void CWnd::GetClientSize(int& width, int& height) const {
  QWidget* w = GetWidget();
  width = w ? w->width() : 0;
  height = w ? w->height() : 0;
}

void CWnd::PresentFrame(const unsigned char*, int, int, int) {}

int CWnd::OnCreate(CREATESTRUCT*) { return 0; }
void CWnd::OnDestroy() {}
void CWnd::OnClose() { DestroyWindow(); }
void CWnd::OnTimer(UINT_PTR) {}
void CWnd::OnSize(UINT, int, int) {}
void CWnd::OnPaint() {}
BOOL CWnd::OnEraseBkgnd(CDC*) { return TRUE; }
void CWnd::OnKeyDown(UINT, UINT, UINT) {}
void CWnd::OnKeyUp(UINT, UINT, UINT) {}
void CWnd::OnKillFocus(CWnd*) {}
void CWnd::OnChar(UINT, UINT, UINT) {}
void CWnd::OnLButtonDown(UINT, CPoint) {}
void CWnd::OnLButtonUp(UINT, CPoint) {}
void CWnd::OnLButtonDblClk(UINT, CPoint) {}
void CWnd::OnRButtonDown(UINT, CPoint) {}
void CWnd::OnRButtonUp(UINT, CPoint) {}
void CWnd::OnRButtonDblClk(UINT, CPoint) {}
void CWnd::OnMButtonDown(UINT, CPoint) {}
void CWnd::OnMButtonUp(UINT, CPoint) {}
void CWnd::OnMouseMove(UINT, CPoint) {}
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return FALSE; }

void SetCapture(CWnd* window) {
  if (window && window->GetWidget()) window->GetWidget()->grabMouse();
}

void ReleaseCapture() {
  if (QWidget* w = QWidget::mouseGrabber()) w->releaseMouse();
}

int GetSystemMetrics(int index) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return 0;
  QRect g = screen->geometry();
  if (index == SM_CXSCREEN) return g.width();
  if (index == SM_CYSCREEN) return g.height();
  return 0;
}
