#include "Frame.h"

#include <algorithm>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QMenuBar>
#include <QPainter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QIcon>
#include <QStandardPaths>
#include <map>

#include "App.h"
#include "InstallPath.h"
#include "Shell.h"
#include "UiPrivate.h"

// ---- Resource tables ------------------------------------------------------------

namespace {

std::map<UINT, std::vector<MenuItemResource>>& MenuTable() {
  static std::map<UINT, std::vector<MenuItemResource>> table;
  return table;
}
std::map<UINT, ToolBarResource>& ToolBarTable() {
  static std::map<UINT, ToolBarResource> table;
  return table;
}

// Prompt (before "\n") and tool tip (after it) of a command.
void CommandTexts(UINT id, QString& prompt, QString& tip) {
  CString text = AfxString(id);
  int cut = text.Find('\n');
  prompt = ToQ(cut >= 0 ? text.Left(cut) : text);
  tip = cut >= 0 ? ToQ(text.Mid(cut + 1)) : QString();
}

}  // namespace

void AfxRegisterMenu(UINT id, const MenuItemResource* items, size_t count) {
  MenuTable()[id].assign(items, items + count);
}
const std::vector<MenuItemResource>* AfxFindMenu(UINT id) {
  auto it = MenuTable().find(id);
  return it == MenuTable().end() ? nullptr : &it->second;
}
void AfxRegisterToolBars(const ToolBarResource* table, size_t count) {
  for (size_t i = 0; i < count; ++i) ToolBarTable()[table[i].id] = table[i];
}
namespace {
std::map<UINT, CString>& ThemeIconTable() {
  static std::map<UINT, CString> table;
  return table;
}
}  // namespace

void AfxRegisterToolBarThemeIcons(const ToolBarThemeIcon* table, size_t count) {
  for (size_t i = 0; i < count; ++i) ThemeIconTable()[table[i].id] = table[i].name;
}

CString AfxToolBarThemeIconName(UINT id) {
  // Without a desktop theme (a bare X server, the offscreen platform) the
  // Adwaita icons installed with the program's packages serve.
  static const bool themeChosen = [] {
    // Platforms without a desktop theme search only the program's own
    // resources: add the system's icon folders.
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
      const QString icons = data + QStringLiteral("/icons");
      if (!paths.contains(icons)) paths << icons;
    }
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor"))
      QIcon::setThemeName(QStringLiteral("Adwaita"));
    return true;
  }();
  (void)themeChosen;
  auto it = ThemeIconTable().find(id);
  if (it == ThemeIconTable().end() || !QIcon::hasThemeIcon(ToQ(it->second))) return CString();
  return it->second;
}

const ToolBarResource* AfxFindToolBar(UINT id) {
  auto it = ToolBarTable().find(id);
  return it == ToolBarTable().end() ? nullptr : &it->second;
}

// ---- Frame private state ------------------------------------------------------------

struct CFramePrivate {
  QMainWindow* window = nullptr;
  std::vector<CControlBar*> bars;
  std::map<UINT, QAction*> menuActions;  // first menu action of each id
  std::vector<QAction*> allMenuActions;
  QString idleText;
  bool autoDelete = false;
  bool destroying = false;
};

class CFrameWidget : public QMainWindow {
 public:
  CFrameWidget() { setAttribute(Qt::WA_DeleteOnClose, false); }

 protected:
  void closeEvent(QCloseEvent* e) override {
    e->ignore();
    if (CWnd* frame = WndFromWidget(this)) frame->OnClose();
  }
  bool event(QEvent* e) override {
    CWnd* frame = WndFromWidget(this);
    // The frame writes prompts into its own first pane; the toolkit's status
    // messages would hide the panes.
    if (e->type() == QEvent::StatusTip) return true;
    if (frame && e->type() == QEvent::Resize) DispatchWindowEvent(frame, e);
    // Another window became active: the view no longer sees key releases.
    if (frame && e->type() == QEvent::WindowDeactivate) {
      auto* main = dynamic_cast<CFrameWnd*>(frame);
      if (main && main->GetActiveView()) main->GetActiveView()->OnKillFocus(nullptr);
    }
    // Keys that reach the frame itself belong to its view.
    if (frame && (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)) {
      auto* main = dynamic_cast<CFrameWnd*>(frame);
      if (main && main->GetActiveView()) return DispatchWindowEvent(main->GetActiveView(), e);
    }
    return QMainWindow::event(e);
  }
};

// ---- Control bars -----------------------------------------------------------------------

namespace {

// A tool bar gives the status bar back its idle text when the pointer leaves
// it, as the fly-by prompts of its buttons would otherwise stay. The frame is
// looked up at that moment, through the bar's parents (a floating bar's window
// is a child of the main window).
class ToolBarWidget : public QToolBar {
 public:
  using QToolBar::QToolBar;

 protected:
  void leaveEvent(QEvent* e) override {
    QToolBar::leaveEvent(e);
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
      if (auto* frame = dynamic_cast<CFrameWnd*>(WndFromWidget(w))) {
        frame->SetMessageText(nullptr);
        return;
      }
  }
};

}  // namespace

void CControlBar::SetBarStyle(DWORD style) { m_barStyle = style; }

struct CToolBar::Data {
  QToolBar* bar = nullptr;
  std::vector<UINT> ids;
  std::vector<QAction*> actions;  // null for separators
  std::map<UINT, bool> enabled;
  std::map<UINT, bool> checked;
  // The floating window is a child of the main window, which Qt may delete
  // first (closing in full-screen mode): the guard then reads null.
  QPointer<QWidget> floating;
  CFrameWnd* frame = nullptr;
};

CToolBar::CToolBar() : m_data(std::make_unique<Data>()) {}

CToolBar::~CToolBar() {
  if (m_data->frame) m_data->frame->UnregisterBar(this);
  if (m_data->floating) {
    QWidget* floating = m_data->floating;
    m_data->floating = nullptr;
    DetachWidget();
    delete floating;  // the bar goes with its floating window
  }
}

BOOL CToolBar::CreateEx(CWnd* parent, DWORD, DWORD style, CRect, UINT id) {
  auto* frame = dynamic_cast<CFrameWnd*>(parent);
  if (!frame || !frame->GetWidget()) return FALSE;
  auto* bar = new ToolBarWidget(frame->GetWidget());
  bar->setObjectName(QString("toolbar%1").arg(frame->m_frame->bars.size()));
  bar->setFloatable(true);
  bar->setMovable((style & CBRS_GRIPPER) != 0);
  AttachWidget(bar, false);
  SetDlgCtrlID(static_cast<int>(id));
  m_barId = id;
  m_barStyle = style;
  m_data->bar = bar;
  m_data->frame = frame;
  frame->RegisterBar(this);
  Qt::ToolBarArea area = Qt::TopToolBarArea;
  if (style & CBRS_ALIGN_LEFT) area = Qt::LeftToolBarArea;
  if (style & CBRS_ALIGN_RIGHT) area = Qt::RightToolBarArea;
  if (style & CBRS_ALIGN_BOTTOM) area = Qt::BottomToolBarArea;
  auto* window = static_cast<QMainWindow*>(frame->GetWidget());
  window->addToolBar(area, bar);
  if (!(style & WS_VISIBLE)) bar->hide();
  return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT resourceId) {
  const ToolBarResource* res = AfxFindToolBar(resourceId);
  if (!res || !m_data->bar) return FALSE;
  m_resourceId = resourceId;
  m_data->bar->setIconSize(QSize(res->buttonWidth, res->buttonHeight));
  m_data->ids.assign(res->buttons, res->buttons + res->count);
  CFrameWnd* frame = m_data->frame;
  for (UINT id : m_data->ids) {
    if (id == 0) {
      m_data->bar->addSeparator();
      m_data->actions.push_back(nullptr);
      continue;
    }
    QString prompt, tip;
    CommandTexts(id, prompt, tip);
    // A command without its own tool tip shows its prompt.
    auto* action = m_data->bar->addAction(tip.isEmpty() ? prompt : tip);
    action->setToolTip(tip.isEmpty() ? prompt : tip);
    action->setStatusTip(prompt);
    action->setData(id);
    // Posted, as a button's command message is: the handler may delete this very bar.
    QWidget* context = frame->GetWidget();
    QObject::connect(action, &QAction::triggered, [frame, id, context]() {
      QTimer::singleShot(0, context, [frame, id]() { frame->SendCommand(id); });
    });
    QObject::connect(action, &QAction::hovered, [frame, prompt]() {
      if (auto* status = dynamic_cast<CStatusBar*>(frame->GetDescendantWindow(AFX_IDW_STATUS_BAR)))
        status->SetPaneText(0, FromQ(prompt).c_str());
    });
    m_data->actions.push_back(action);
  }
  // The resource's own pictures: a strip of buttons in the bitmap of the same id.
  CBitmap bitmap;
  if (bitmap.LoadBitmap(resourceId)) {
    CImageList own;
    if (own.Create(res->buttonWidth, res->buttonHeight, ILC_COLOR24 | ILC_MASK, 0, 0)) {
      own.Add(&bitmap, bitmap.GetBitsPixel(0, 0));
      SendImageList(TB_SETIMAGELIST, &own);
    }
  }
  return TRUE;
}

int CToolBar::GetCount() const { return static_cast<int>(m_data->ids.size()); }

UINT CToolBar::GetItemID(int index) const {
  if (index < 0 || index >= GetCount()) return 0;
  return m_data->ids[static_cast<size_t>(index)];
}

BOOL CToolBar::SendImageList(UINT message, CImageList* list) {
  if (!list || !m_data->bar) return FALSE;
  if (message == TB_SETHOTIMAGELIST) return TRUE;  // hover pictures: the toolkit highlights itself
  int image = 0;
  for (QAction* action : m_data->actions) {
    if (!action) continue;
    const QImage* picture = list->GetImage(image++);
    if (!picture) break;
    QIcon icon = action->icon();
    QPixmap pixmap = QPixmap::fromImage(*picture);
    const CString themed = AfxToolBarThemeIconName(action->data().toUInt());
    if (!themed.IsEmpty()) {
      // The theme draws its own disabled state.
      action->setIcon(QIcon::fromTheme(ToQ(themed)));
      continue;
    }
    if (message == TB_SETIMAGELIST) {
      QIcon fresh;
      fresh.addPixmap(pixmap, QIcon::Normal);
      // Keep a disabled picture given earlier.
      QList<QSize> sizes = icon.availableSizes(QIcon::Disabled);
      if (!sizes.isEmpty()) fresh.addPixmap(icon.pixmap(sizes.first(), QIcon::Disabled), QIcon::Disabled);
      action->setIcon(fresh);
    } else if (message == TB_SETDISABLEDIMAGELIST) {
      icon.addPixmap(pixmap, QIcon::Disabled);
      action->setIcon(icon);
    }
  }
  return TRUE;
}

bool CToolBar::IsButtonEnabled(UINT id) const {
  for (size_t i = 0; i < m_data->ids.size(); ++i)
    if (m_data->ids[i] == id && m_data->actions[i]) return m_data->actions[i]->isEnabled();
  return false;
}

bool CToolBar::IsButtonChecked(UINT id) const {
  for (size_t i = 0; i < m_data->ids.size(); ++i)
    if (m_data->ids[i] == id && m_data->actions[i]) return m_data->actions[i]->isChecked();
  return false;
}

bool CToolBar::GetButtonScreenCentre(UINT id, int& x, int& y) const {
  if (!m_data->bar) return false;
  for (size_t i = 0; i < m_data->ids.size(); ++i) {
    if (m_data->ids[i] != id || !m_data->actions[i]) continue;
    QWidget* button = m_data->bar->widgetForAction(m_data->actions[i]);
    if (!button || !button->isVisible()) return false;
    const QPoint centre = button->mapToGlobal(button->rect().center());
    x = centre.x(), y = centre.y();
    return true;
  }
  return false;
}

// The update handlers run several times a second: an action is touched only
// when its state differs, so that an unchanged button is not repainted.
static void ApplyState(QAction* action, const CCmdUI& state) {
  if (action->isEnabled() != state.m_enabled) action->setEnabled(state.m_enabled);
  if (state.m_textChanged) {
    const QString text = ToQ(state.m_text.GetString());
    if (action->text() != text) action->setText(text);
  }
  if (state.m_checkChanged) {
    if (!action->isCheckable()) action->setCheckable(true);
    const bool checked = state.m_checked != 0;
    if (action->isChecked() != checked) action->setChecked(checked);
  } else if (action->isCheckable() && action->isChecked()) {
    action->setChecked(false);
  }
}

void CToolBar::UpdateButtons(CFrameWnd* target) {
  if (!target) return;
  for (size_t i = 0; i < m_data->ids.size(); ++i) {
    QAction* action = m_data->actions[i];
    if (!action) continue;
    CCmdUI state;
    state.m_nID = m_data->ids[i];
    target->UpdateCommandUI(state);
    ApplyState(action, state);
  }
}

QWidget* CToolBar::FloatingWindow() const { return m_data->floating; }

struct CStatusBar::Data {
  QStatusBar* bar = nullptr;
  std::vector<QLabel*> panes;
  // Panes given a new text without an immediate paint.
  std::vector<QLabel*> changed;
  CFrameWnd* frame = nullptr;
};

CStatusBar::CStatusBar() : m_data(std::make_unique<Data>()) {}
CStatusBar::~CStatusBar() {
  if (m_data->frame) m_data->frame->UnregisterBar(this);
}

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) {
  auto* frame = dynamic_cast<CFrameWnd*>(parent);
  if (!frame || !frame->GetWidget()) return FALSE;
  auto* window = static_cast<QMainWindow*>(frame->GetWidget());
  auto* bar = new QStatusBar(window);
  bar->setSizeGripEnabled(true);
  window->setStatusBar(bar);
  AttachWidget(bar, false);
  SetDlgCtrlID(static_cast<int>(id));
  m_barId = id;
  m_barStyle = style;
  m_data->bar = bar;
  m_data->frame = frame;
  frame->RegisterBar(this);
  if (!(style & WS_VISIBLE)) bar->hide();
  return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count) {
  if (!m_data->bar || count <= 0 || !ids) return FALSE;
  for (QLabel* pane : m_data->panes) delete pane;
  m_data->panes.clear();
  m_data->changed.clear();
  for (int i = 0; i < count; ++i) {
    auto* pane = new QLabel(m_data->bar);
    pane->setTextFormat(Qt::PlainText);
    if (ids[i] != ID_SEPARATOR) pane->setText(ToQ(AfxString(ids[i])));
    if (i == 0) {
      pane->setMinimumWidth(1);
      m_data->bar->addWidget(pane, 1);
    } else {
      pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      m_data->bar->addPermanentWidget(pane);
    }
    m_data->panes.push_back(pane);
  }
  return TRUE;
}

void CStatusBar::SetPaneInfo(int index, UINT, UINT style, int width) {
  if (index < 0 || index >= GetCount()) return;
  QLabel* pane = m_data->panes[static_cast<size_t>(index)];
  pane->setFrameStyle((style & SBPS_NOBORDERS) ? QFrame::NoFrame : QFrame::Panel | QFrame::Sunken);
  if (!(style & SBPS_STRETCH) && width > 0) {
    // Widths are designed for a status font whose average character is 6
    // pixels wide; a wider font gets a proportionally wider pane.
    const int average = pane->fontMetrics().averageCharWidth();
    pane->setFixedWidth(average > 6 ? (width * average + 5) / 6 : width);
  }
}

namespace {

// A fixed-width pane grows to show the whole of a longer text and never
// shrinks back, so that a moving value does not make the bar jump.
void FitPaneToText(QLabel* pane) {
  if (pane->minimumWidth() != pane->maximumWidth()) return;  // the stretching pane
  const QMargins margins = pane->contentsMargins();
  const int needed = pane->fontMetrics().horizontalAdvance(pane->text()) + margins.left() + margins.right() +
                     2 * pane->margin() + 2 * pane->frameWidth() + 4;
  if (needed > pane->maximumWidth()) pane->setFixedWidth(needed);
}

}  // namespace

BOOL CStatusBar::SetPaneText(int index, const char* text, BOOL update) {
  if (index < 0 || index >= GetCount()) return FALSE;
  QLabel* pane = m_data->panes[static_cast<size_t>(index)];
  const QString value = ToQ(text);
  // The same text again changes nothing on the screen.
  if (pane->text() == value) return TRUE;
  pane->setText(value);
  FitPaneToText(pane);
  if (update) pane->repaint();
  else m_data->changed.push_back(pane);
  return TRUE;
}

void CStatusBar::UpdateWindow() {
  // Only the panes whose text changed since their last paint are painted now.
  std::vector<QLabel*> changed;
  changed.swap(m_data->changed);
  for (QLabel* pane : changed)
    if (std::find(m_data->panes.begin(), m_data->panes.end(), pane) != m_data->panes.end()) pane->repaint();
}

CString CStatusBar::GetPaneText(int index) const {
  if (index < 0 || index >= GetCount()) return CString();
  return FromQ(m_data->panes[static_cast<size_t>(index)]->text());
}

int CStatusBar::GetCount() const { return static_cast<int>(m_data->panes.size()); }

// ---- Frame ------------------------------------------------------------------------------

namespace {

std::vector<CFrameWnd*>& PendingFrameDeletions() {
  static std::vector<CFrameWnd*> frames;
  return frames;
}

}  // namespace

CFrameWnd::CFrameWnd() : m_frame(std::make_unique<CFramePrivate>()) {
  MapCommand(ID_VIEW_TOOLBAR, [this]() { OnBarCheck(ID_VIEW_TOOLBAR); });
  MapCommand(ID_VIEW_STATUS_BAR, [this]() { OnBarCheck(ID_VIEW_STATUS_BAR); });
  MapUpdateCommandUI(ID_VIEW_TOOLBAR, [this](CCmdUI* ui) { OnUpdateControlBarMenu(ui); });
  MapUpdateCommandUI(ID_VIEW_STATUS_BAR, [this](CCmdUI* ui) { OnUpdateControlBarMenu(ui); });
}

CFrameWnd::~CFrameWnd() {
  std::vector<CFrameWnd*>& pending = PendingFrameDeletions();
  pending.erase(std::remove(pending.begin(), pending.end(), this), pending.end());
  if (GetWidget()) {
    m_frame->destroying = true;
    delete m_pActiveView;
    m_pActiveView = nullptr;
    delete m_pDocument;
    m_pDocument = nullptr;
  }
  for (CControlBar* bar : m_frame->bars) {
    if (auto* tb = dynamic_cast<CToolBar*>(bar)) tb->m_data->frame = nullptr;
    if (auto* sb = dynamic_cast<CStatusBar*>(bar)) sb->m_data->frame = nullptr;
  }
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CFrameWnd::LoadFrame(UINT resourceId, CCreateContext* context) {
  CREATESTRUCT cs;
  cs.style = WS_OVERLAPPEDWINDOW;
  if (!PreCreateWindow(cs)) return FALSE;
  m_pContext = context;
  auto* window = new CFrameWidget();
  m_frame->window = window;
  AttachWidget(window, true);
  ModifyStyle(0, cs.style & ~WS_VISIBLE);
  window->resize(800, 600);
  m_frame->idleText = ToQ(AfxString(AFX_IDS_IDLEMESSAGE));
  CString title = AfxGetAppName();
  window->setWindowTitle(ToQ(title));

  // Menu bar from the menu resource.
  if (const std::vector<MenuItemResource>* items = AfxFindMenu(resourceId)) {
    std::vector<QMenu*> stack;
    QMenuBar* bar = window->menuBar();
    for (const MenuItemResource& item : *items) {
      if (item.flags & MF_END) {
        if (!stack.empty()) stack.pop_back();
        continue;
      }
      QMenu* current = stack.empty() ? nullptr : stack.back();
      if (item.flags & MF_SEPARATOR) {
        if (current) current->addSeparator();
        continue;
      }
      if (item.flags & MF_POPUP) {
        QMenu* menu = current ? current->addMenu(ToQ(item.text)) : bar->addMenu(ToQ(item.text));
        QObject::connect(menu, &QMenu::aboutToShow, [this, menu]() {
          for (QAction* a : menu->actions()) {
            bool ok = false;
            UINT id = a->data().toUInt(&ok);
            if (!ok || id == 0) continue;
            CCmdUI state;
            state.m_nID = id;
            UpdateCommandUI(state);
            ApplyState(a, state);
          }
        });
        QObject::connect(menu, &QMenu::aboutToHide, [this]() { SetMessageText(nullptr); });
        stack.push_back(menu);
        continue;
      }
      if (!current) continue;
      UINT id = item.id;
      QAction* action = current->addAction(ToQ(item.text));
      action->setData(id);
      QString prompt, tip;
      CommandTexts(id, prompt, tip);
      action->setStatusTip(prompt);
      QObject::connect(action, &QAction::triggered, [this, id]() { SendCommand(id); });
      QObject::connect(action, &QAction::hovered, [this, prompt]() {
        if (auto* status = dynamic_cast<CStatusBar*>(GetDescendantWindow(AFX_IDW_STATUS_BAR)))
          status->SetPaneText(0, FromQ(prompt).c_str());
      });
      m_frame->menuActions.emplace(id, action);
      m_frame->allMenuActions.push_back(action);
    }
  }
  // The toolkit's own status tips would replace the panes: the frame shows prompts itself.
  window->setAttribute(Qt::WA_AlwaysShowToolTips);
  if (OnCreate(&cs) == -1) {
    CWnd::DestroyWindow();
    return FALSE;
  }
  if (cs.style & WS_MAXIMIZE) window->setWindowState(Qt::WindowMaximized);
  return TRUE;
}

int CFrameWnd::OnCreate(CREATESTRUCT*) {
  if (m_pContext && m_pContext->m_pNewViewClass) {
    auto* view = dynamic_cast<CView*>(m_pContext->m_pNewViewClass->CreateObject());
    if (!view) return -1;
    m_pDocument = m_pContext->m_pCurrentDoc;
    if (!view->Create(this, m_pDocument)) {
      // The view refused its window: it is destroyed at once.
      delete view;
      return -1;
    }
    m_pActiveView = view;
    m_frame->window->setCentralWidget(view->GetWidget());
    view->GetWidget()->setFocus();
  }
  return 0;
}

void CFrameWnd::OnClose() { DestroyWindow(); }

BOOL CFrameWnd::DestroyWindow() {
  if (!GetWidget() || m_frame->destroying) return FALSE;
  if (m_pActiveView && m_pActiveView->IsPainting()) {
    // A close that arrives while the view pumps messages inside its own
    // frame waits for that frame to end: the view is not deleted under it.
    QTimer::singleShot(0, GetWidget(), [this]() { DestroyWindow(); });
    return TRUE;
  }
  m_frame->destroying = true;
  bool isMain = AfxGetApp() && AfxGetApp()->m_pMainWnd == this;
  // The view goes first (its destructor ends the program's work), then the document.
  if (m_pActiveView) {
    CView* view = m_pActiveView;
    m_pActiveView = nullptr;
    delete view;
  }
  delete m_pDocument;
  m_pDocument = nullptr;
  CWnd::DestroyWindow();
  if (isMain) {
    AfxGetApp()->m_pMainWnd = nullptr;
    QCoreApplication::exit(0);
  }
  if (m_frame->autoDelete) {
    // Deleted once the caller (a close handler of this very frame) has
    // returned; the application deletes what is still waiting before it
    // returns from its message loop.
    std::vector<CFrameWnd*>& pending = PendingFrameDeletions();
    pending.push_back(this);
    if (pending.size() == 1) QTimer::singleShot(0, []() { AfxDeletePendingFrames(); });
  }
  return TRUE;
}

void AfxDeletePendingFrames() {
  std::vector<CFrameWnd*>& pending = PendingFrameDeletions();
  while (!pending.empty()) {
    CFrameWnd* frame = pending.back();
    pending.pop_back();
    delete frame;
  }
}

void CFrameWnd::Invalidate(BOOL erase) {
  // The view fills the client area: invalidating the frame repaints it. The
  // menu, tool and status bars are children that clip the frame's own area:
  // they repaint themselves when their content changes, not with the frame
  // (the frame is invalidated at every idle pass).
  if (m_pActiveView) m_pActiveView->Invalidate(erase);
  else CWnd::Invalidate(erase);
}

void CFrameWnd::EnableDocking(DWORD) {
  if (m_frame->window) m_frame->window->setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
}

void CFrameWnd::DockControlBar(CControlBar* bar, UINT dockBarId) {
  auto* tb = dynamic_cast<CToolBar*>(bar);
  if (!tb || !m_frame->window || !tb->m_data->bar) return;
  Qt::ToolBarArea area = m_frame->window->toolBarArea(tb->m_data->bar);
  if (dockBarId == AFX_IDW_DOCKBAR_TOP) area = Qt::TopToolBarArea;
  if (dockBarId == AFX_IDW_DOCKBAR_LEFT) area = Qt::LeftToolBarArea;
  if (dockBarId == AFX_IDW_DOCKBAR_RIGHT) area = Qt::RightToolBarArea;
  if (dockBarId == AFX_IDW_DOCKBAR_BOTTOM) area = Qt::BottomToolBarArea;
  Qt::ToolBarAreas allowed;
  DWORD a = bar->GetDockAlignments();
  if (a & CBRS_ALIGN_TOP) allowed |= Qt::TopToolBarArea;
  if (a & CBRS_ALIGN_BOTTOM) allowed |= Qt::BottomToolBarArea;
  if (a & CBRS_ALIGN_LEFT) allowed |= Qt::LeftToolBarArea;
  if (a & CBRS_ALIGN_RIGHT) allowed |= Qt::RightToolBarArea;
  tb->m_data->bar->setAllowedAreas(allowed ? allowed : Qt::NoToolBarArea);
  tb->m_data->bar->setFloatable(allowed != Qt::NoToolBarArea);
  bool visible = !tb->m_data->bar->isHidden();
  m_frame->window->addToolBar(area, tb->m_data->bar);
  tb->m_data->bar->setVisible(visible);
}

void CFrameWnd::FloatControlBar(CControlBar* bar, CPoint point, DWORD) {
  auto* tb = dynamic_cast<CToolBar*>(bar);
  if (!tb || !tb->m_data->bar || tb->m_data->floating) return;
  // A small tool window of its own, above the frame.
  auto* floating = new QWidget(m_frame->window, Qt::Tool | Qt::WindowStaysOnTopHint);
  auto* layout = new QHBoxLayout(floating);
  layout->setContentsMargins(0, 0, 0, 0);
  m_frame->window->removeToolBar(tb->m_data->bar);
  tb->m_data->bar->setParent(floating);
  tb->m_data->bar->setMovable(false);
  layout->addWidget(tb->m_data->bar);
  tb->m_data->bar->show();
  floating->move(point.x, point.y);
  floating->adjustSize();
  floating->show();
  tb->m_data->floating = floating;
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL) {
  if (!bar || !bar->GetWidget()) return;
  bar->GetWidget()->setVisible(show != 0);
}

void CFrameWnd::RecalcLayout(BOOL) {
  if (m_frame->window && m_frame->window->layout()) m_frame->window->layout()->activate();
}

void CFrameWnd::RegisterBar(CControlBar* bar) { m_frame->bars.push_back(bar); }

void CFrameWnd::UnregisterBar(CControlBar* bar) {
  auto& bars = m_frame->bars;
  bars.erase(std::remove(bars.begin(), bars.end(), bar), bars.end());
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const {
  for (CControlBar* bar : m_frame->bars)
    if (bar->GetBarId() == id) return bar;
  return nullptr;
}

CWnd* CFrameWnd::GetDescendantWindow(UINT id) const {
  if (CControlBar* bar = GetControlBar(id)) return bar;
  if (m_pActiveView && static_cast<UINT>(m_pActiveView->GetDlgCtrlID()) == id) return m_pActiveView;
  return GetDlgItem(static_cast<int>(id));
}

BOOL CFrameWnd::OnCmdMsg(UINT id, CCmdUI* pUI) {
  if (m_pActiveView && m_pActiveView->OnCmdMsg(id, pUI)) return TRUE;
  if (m_pDocument && m_pDocument->OnCmdMsg(id, pUI)) return TRUE;
  if (CCmdTarget::OnCmdMsg(id, pUI)) return TRUE;
  if (CWinApp* app = AfxGetApp()) return app->OnCmdMsg(id, pUI);
  return FALSE;
}

BOOL CFrameWnd::SendCommand(UINT id) {
  // A command whose item is disabled is not sent (as a grayed item cannot be chosen).
  CCmdUI state;
  state.m_nID = id;
  UpdateCommandUI(state);
  if (!state.m_enabled) return FALSE;
  return OnCmdMsg(id, nullptr);
}

void CFrameWnd::UpdateCommandUI(CCmdUI& state) {
  if (OnCmdMsg(state.m_nID, &state)) return;
  bool handled = (m_pActiveView && m_pActiveView->HasCommandHandler(state.m_nID)) ||
                 (m_pDocument && m_pDocument->HasCommandHandler(state.m_nID)) || HasCommandHandler(state.m_nID) ||
                 (AfxGetApp() && AfxGetApp()->HasCommandHandler(state.m_nID));
  state.Enable(handled);
}

void CFrameWnd::UpdateControlBarsCommandUI() {
  for (CControlBar* bar : std::vector<CControlBar*>(m_frame->bars))
    if (auto* tb = dynamic_cast<CToolBar*>(bar)) tb->UpdateButtons(this);
}

void CFrameWnd::SetMessageText(const char* text) {
  auto* status = dynamic_cast<CStatusBar*>(GetDescendantWindow(AFX_IDW_STATUS_BAR));
  if (!status) return;
  status->SetPaneText(0, text ? text : FromQ(m_frame->idleText).c_str());
}

std::vector<CString> CFrameWnd::GetMenuTitles() const {
  std::vector<CString> titles;
  if (!m_frame->window) return titles;
  for (QAction* a : m_frame->window->menuBar()->actions()) titles.push_back(FromQ(a->text()));
  return titles;
}

std::vector<UINT> CFrameWnd::GetMenuCommandIds() const {
  std::vector<UINT> ids;
  for (QAction* a : m_frame->allMenuActions) ids.push_back(a->data().toUInt());
  return ids;
}

void CFrameWnd::UpdateMenus() {
  for (QAction* a : m_frame->allMenuActions) {
    CCmdUI state;
    state.m_nID = a->data().toUInt();
    UpdateCommandUI(state);
    ApplyState(a, state);
  }
}

bool CFrameWnd::IsMenuItemEnabled(UINT id) const {
  auto it = m_frame->menuActions.find(id);
  return it != m_frame->menuActions.end() && it->second->isEnabled();
}

CString CFrameWnd::GetMenuItemText(UINT id) const {
  auto it = m_frame->menuActions.find(id);
  return it == m_frame->menuActions.end() ? CString() : FromQ(it->second->text());
}

bool CFrameWnd::IsMenuItemChecked(UINT id) const {
  auto it = m_frame->menuActions.find(id);
  return it != m_frame->menuActions.end() && it->second->isChecked();
}

bool CFrameWnd::TriggerMenuItem(UINT id) {
  auto it = m_frame->menuActions.find(id);
  if (it == m_frame->menuActions.end()) return false;
  UpdateMenus();
  if (!it->second->isEnabled()) return false;
  it->second->trigger();
  return true;
}

void CFrameWnd::OnBarCheck(UINT id) {
  CControlBar* bar = GetControlBar(id == ID_VIEW_TOOLBAR ? AFX_IDW_TOOLBAR : id == ID_VIEW_STATUS_BAR ? AFX_IDW_STATUS_BAR : id);
  if (bar) ShowControlBar(bar, !bar->IsWindowVisible(), FALSE);
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI) {
  UINT id = pCmdUI->m_nID;
  CControlBar* bar = GetControlBar(id == ID_VIEW_TOOLBAR ? AFX_IDW_TOOLBAR : id == ID_VIEW_STATUS_BAR ? AFX_IDW_STATUS_BAR : id);
  if (!bar) {
    pCmdUI->Enable(FALSE);
    return;
  }
  pCmdUI->SetCheck(bar->IsWindowVisible() ? 1 : 0);
}

namespace {

// The help of the program is a page in the install folder, opened with the desktop's viewer.
// The user's guide opens in the default browser; when none can be started
// the user learns where the guide is.
void OpenHelpFile() {
  CString page = ResolveInstallPath("", "help\\index.html");
  if (ShellExecute(nullptr, "open", page.c_str(), nullptr, nullptr, SW_SHOWNORMAL) > 32) return;
  const CString text = CString("The user's guide could not be opened: no web browser could be started.\r\n\r\n"
                               "It is the file ") + page + "\r\nOpen it with any web browser.";
  AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

void CFrameWnd::OnHelpFinder() { OpenHelpFile(); }
void CFrameWnd::OnHelp() { OpenHelpFile(); }
void CFrameWnd::OnContextHelp() { OpenHelpFile(); }

void CFrameWnd::SetAutoDelete(bool on) { m_frame->autoDelete = on; }
