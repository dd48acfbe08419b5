// Statics that their class paints: the template's label is replaced by a
// widget whose paint message goes to the window's OnEraseBkgnd and OnPaint.
#include <QPainter>

#include "UiPrivate.h"

namespace {

class CPaintedWidget : public QWidget {
 public:
  explicit CPaintedWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

 protected:
  void paintEvent(QPaintEvent*) override {
    CWnd* wnd = WndFromWidget(this);
    if (!wnd) return;
    QPainter painter(this);
    CWndPrivate* state = wnd->Private();
    state->painter = &painter;
    {
      CDC dc(&painter);
      wnd->OnEraseBkgnd(&dc);
    }
    wnd->OnPaint();
    state->painter = nullptr;
  }
};

}  // namespace

BOOL CStatic::SubclassDlgItem(UINT id, CWnd* parent) {
  CWnd* item = parent ? parent->GetDlgItem(static_cast<int>(id)) : nullptr;
  QWidget* old = item ? item->GetWidget() : nullptr;
  if (!old || !old->parentWidget()) return FALSE;
  auto* painted = new CPaintedWidget(old->parentWidget());
  painted->setGeometry(old->geometry());
  painted->setVisible(!old->isHidden());
  item->DetachWidget();
  delete old;
  AttachWidget(painted, false);
  SetDlgCtrlID(static_cast<int>(id));
  return TRUE;
}

namespace {
QPainter* ActivePainter(CWnd* window) { return window ? window->Private()->painter : nullptr; }
}  // namespace

CPaintDC::CPaintDC(CWnd* window) : CDC(ActivePainter(window)) {}
