#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QToolBar>
#include <QWidget>
#include <vector>

#include "MainFrame.h"
#include "Nuvarine2App.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "ShellTestSupport.h"
#include "UiPrivate.h"

namespace {

std::vector<UINT> Buttons(const CToolBar& bar) {
  std::vector<UINT> ids;
  for (int i = 0; i < bar.GetCount(); ++i) ids.push_back(bar.GetItemID(i));
  return ids;
}

const std::vector<UINT> kTopBar = {57601, 57604, 0,   291, 0,   57664, 57669, 0,   32771, 0,   172, 173, 174,
                                   175,   0,     176, 177, 178, 0,     168,   170, 167,   169, 171, 0,   309};
const std::vector<UINT> kRightBar = {32810, 32836, 32837, 32817, 0,     32827, 0,     32867, 0,     32828, 32829,
                                     0,     32813, 0,     32842, 0,     32881, 0,     32915, 0,     32832, 32822};
const std::vector<UINT> kLeftBar = {32858, 162, 0,   32861, 0,   32870, 0,   32786, 0,   157, 180, 0,   218,
                                    32812, 221, 0,   160,   222, 5008,  0,   161,   163, 158, 295, 0,   32875};

// Every menu command in menu order, pop-ups flattened.
const std::vector<UINT> kMenuCommands = {
    57601, 57604, 230,   241,   32779, 291,   57665,                                            // File
    32771, 32911, 32912, 32805, 32796, 32797, 134,   32804, 32798, 189,   191,   183,   182,      // Observation
    184,   185,   186,   193,   192,   194,   195,   1225,  197,   198,   199,   202,   203,   204,
    205,   206,   207,   208,   209,   210,   211,   212,   213,   214,   215,   306,   154,   155,
    42791, 42792, 42793, 42794, 42795, 42796, 42797, 42798, 187,   240,   225,   231,   232,   249,
    305,   325,   32784, 32785, 33000, 32783, 32813, 32827, 293,   32867, 32902, 32903, 32904, 32905,
    32817, 32836, 32837, 32810,
    32778, 32824, 32828, 32829,                                                                  // Calculation
    32842, 32886, 32906, 32885, 32819, 32843, 32841,                                             // Internet
    32879, 32881, 32883,                                                                         // Telescope
    59392, 32918, 32919, 59393, 309,   32916, 32875,                                             // View
    32822, 314,   318,   313,   32877, 32832, 248,   245,   246,   32830,                        // Options
    57667, 32843, 32841, 32887, 57664};                                                          // ?

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    g_startupSequenceEnabled = false;
    CSingleDocTemplate tpl(IDR_MAINFRAME, RUNTIME_CLASS(CNuvarine2Doc), RUNTIME_CLASS(CMainFrame),
                           RUNTIME_CLASS(CNuvarine2View));
    ASSERT_NE(tpl.OpenDocumentFile(nullptr), nullptr);
    frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    ASSERT_NE(frame, nullptr);
    frame->SetWindowText(kMainWindowTitle);
    frame->ShowWindow(SW_SHOWMAXIMIZED);
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    if (AfxGetMainWnd()) frame->DestroyWindow();
    QCoreApplication::processEvents();
  }
  CMainFrame* frame = nullptr;
};

}  // namespace

TEST_F(MainFrameTest, MenusToolBarsAndStatusBarFollowTheResources) {
  EXPECT_EQ(frame->GetMenuTitles(), (std::vector<CString>{"&File", "&Observation", "&Calculation", "&Internet",
                                                           "&Telescope", "&View", "Option&s", "&?"}));
  EXPECT_EQ(frame->GetMenuCommandIds(), kMenuCommands);
  EXPECT_EQ(Buttons(frame->m_wndTopToolBar), kTopBar);
  EXPECT_EQ(Buttons(frame->m_wndRightToolBar), kRightBar);
  EXPECT_EQ(Buttons(frame->m_wndLeftToolBar), kLeftBar);
  EXPECT_EQ(frame->m_wndTopToolBar.GetResourceId(), 5000u);
  EXPECT_EQ(frame->m_wndRightToolBar.GetResourceId(), 273u);
  EXPECT_EQ(frame->m_wndLeftToolBar.GetResourceId(), 400u);
  // All three bars carry the standard bar id; the first created is the top one.
  EXPECT_EQ(frame->GetControlBar(AFX_IDW_TOOLBAR), &frame->m_wndTopToolBar);
  EXPECT_EQ(frame->m_wndLeftToolBar.GetBarId(), AFX_IDW_TOOLBAR);
  ASSERT_EQ(frame->m_wndStatusBar.GetCount(), 3);
  EXPECT_EQ(frame->m_wndStatusBar.GetPaneText(0), "For help, press F1 key");
  EXPECT_EQ(frame->GetDescendantWindow(59393), &frame->m_wndStatusBar);
  EXPECT_TRUE(frame->IsZoomed());
  EXPECT_EQ(frame->GetWindowText(), "Nuvarine version 2");
  // Opening a configuration file names no document in the title.
  frame->GetActiveDocument()->SetTitle("config.ini");
  EXPECT_EQ(frame->GetWindowText(), "Nuvarine version 2");
}

TEST_F(MainFrameTest, ShowTopToolbarTogglesTheTopBarOnly) {
  ASSERT_TRUE(frame->m_wndTopToolBar.IsWindowVisible());
  frame->UpdateMenus();
  EXPECT_TRUE(frame->IsMenuItemChecked(59392));
  EXPECT_TRUE(frame->SendCommand(59392));
  EXPECT_FALSE(frame->m_wndTopToolBar.IsWindowVisible());
  EXPECT_TRUE(frame->m_wndLeftToolBar.IsWindowVisible());
  EXPECT_TRUE(frame->m_wndRightToolBar.IsWindowVisible());
  frame->UpdateMenus();
  EXPECT_FALSE(frame->IsMenuItemChecked(59392));
  EXPECT_TRUE(frame->SendCommand(32918));
  EXPECT_FALSE(frame->m_wndLeftToolBar.IsWindowVisible());
  EXPECT_TRUE(frame->m_leftToolBarWasVisible);
  frame->UpdateMenus();
  EXPECT_FALSE(frame->IsMenuItemChecked(32918));
  EXPECT_TRUE(frame->IsMenuItemChecked(32919));
}

TEST_F(MainFrameTest, FullScreenHidesTheBarsAndRestoresOnlyTheVisibleOnes) {
  frame->SendCommand(59393);  // status bar hidden
  frame->SendCommand(32919);  // right bar hidden
  ASSERT_FALSE(frame->m_wndStatusBar.IsWindowVisible());
  ASSERT_FALSE(frame->m_wndRightToolBar.IsWindowVisible());

  EXPECT_TRUE(frame->SendCommand(32916));
  EXPECT_TRUE(frame->m_fullScreen);
  EXPECT_FALSE(frame->m_wndTopToolBar.IsWindowVisible());
  EXPECT_FALSE(frame->m_wndLeftToolBar.IsWindowVisible());
  ASSERT_NE(frame->m_pFullScreenToolBar, nullptr);
  EXPECT_EQ(Buttons(*frame->m_pFullScreenToolBar), (std::vector<UINT>{32916}));
  EXPECT_EQ(frame->m_pFullScreenToolBar->GetResourceId(), 314u);
  EXPECT_EQ(frame->GetStyle() & WS_CAPTION, 0u);
  frame->UpdateMenus();
  EXPECT_TRUE(frame->IsMenuItemChecked(32916));

  EXPECT_TRUE(frame->SendCommand(32916));
  EXPECT_FALSE(frame->m_fullScreen);
  EXPECT_EQ(frame->m_pFullScreenToolBar, nullptr);
  EXPECT_TRUE(frame->m_wndTopToolBar.IsWindowVisible());
  EXPECT_TRUE(frame->m_wndLeftToolBar.IsWindowVisible());
  EXPECT_FALSE(frame->m_wndStatusBar.IsWindowVisible());
  EXPECT_FALSE(frame->m_wndRightToolBar.IsWindowVisible());
  EXPECT_EQ(frame->GetStyle() & WS_CAPTION, WS_CAPTION);
}

TEST_F(MainFrameTest, StatusTextIsShownUpToAThousandCharacters) {
  SetStatusText(1, "12h 30m");
  SetStatusText(2, "+45\xB0 10'");
  EXPECT_EQ(frame->m_wndStatusBar.GetPaneText(1), "12h 30m");
  EXPECT_EQ(frame->m_wndStatusBar.GetPaneText(2), "+45\xB0 10'");
  SetStatusText(0, CString(1000, 'x').c_str());
  EXPECT_EQ(frame->m_wndStatusBar.GetPaneText(0).GetLength(), 1000);
  SetStatusText(0, CString(1001, 'y').c_str());
  EXPECT_EQ(frame->m_wndStatusBar.GetPaneText(0), CString(1000, 'x'));
}

TEST(StatusText, WithoutMainWindowNothingHappens) {
  ShellTestApplication();
  ASSERT_EQ(AfxGetMainWnd(), nullptr);
  SetStatusText(0, "nothing");  // must simply return
}

namespace {

// Counts the paint events of a widget and of every widget inside it.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* root) {
    root->installEventFilter(this);
    for (QWidget* child : root->findChildren<QWidget*>()) child->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
  int paints = 0;
};

QAction* ButtonAction(CToolBar& bar, UINT id) {
  for (QAction* a : static_cast<QToolBar*>(bar.GetWidget())->actions())
    if (a->data().toUInt() == id) return a;
  return nullptr;
}

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace

// The idle loop invalidates the frame at every pass and runs the buttons'
// update handlers several times a second: the view is repainted, the bars
// are not, and a button is touched only when its state changes.
TEST_F(MainFrameTest, IdlePassesRepaintTheViewAndLeaveUnchangedBarsAlone) {
  auto* view = dynamic_cast<CNuvarine2View*>(frame->GetActiveView());
  ASSERT_NE(view, nullptr);
  view->m_planetariumMode = true;
  view->m_chartInverted = false;
  frame->UpdateControlBarsCommandUI();
  SetStatusText(1, "12h 30m");
  Settle();
  QAction* invert = ButtonAction(frame->m_wndTopToolBar, 309);
  ASSERT_NE(invert, nullptr);
  int changes = 0;
  const QMetaObject::Connection counting = QObject::connect(invert, &QAction::changed, [&changes] { ++changes; });
  PaintCounter top(frame->m_wndTopToolBar.GetWidget()), left(frame->m_wndLeftToolBar.GetWidget()),
      status(frame->m_wndStatusBar.GetWidget());

  const unsigned long viewPaints = view->GetPaintCount();
  for (int i = 0; i < 4; ++i) {
    frame->Invalidate(FALSE);
    frame->UpdateControlBarsCommandUI();
    SetStatusText(1, "12h 30m");  // the same text again
    Settle();
  }
  EXPECT_GE(view->GetPaintCount(), viewPaints + 4);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(top.paints, 0);
  EXPECT_EQ(left.paints, 0);
  EXPECT_EQ(status.paints, 0);
  EXPECT_TRUE(frame->m_wndTopToolBar.IsButtonEnabled(309));
  EXPECT_FALSE(frame->m_wndTopToolBar.IsButtonChecked(309));

  // A changed state still reaches its button, once.
  view->m_chartInverted = true;
  frame->UpdateControlBarsCommandUI();
  frame->UpdateControlBarsCommandUI();
  EXPECT_TRUE(frame->m_wndTopToolBar.IsButtonChecked(309));
  EXPECT_EQ(changes, 1);
  view->m_planetariumMode = false;
  frame->UpdateControlBarsCommandUI();
  EXPECT_FALSE(frame->m_wndTopToolBar.IsButtonEnabled(309));
  EXPECT_FALSE(frame->m_wndTopToolBar.IsButtonChecked(309));
  Settle();
  EXPECT_GT(top.paints, 0);
  // So does a new status text.
  SetStatusText(1, "12h 31m");
  EXPECT_EQ(frame->m_wndStatusBar.GetPaneText(1), "12h 31m");
  EXPECT_GT(status.paints, 0);
  QObject::disconnect(counting);
}

// The File buttons, the animation buttons and the mode button carry their
// designed tool tips and prompts; the prompt of a button under the pointer
// stays in the status bar only until the pointer leaves its bar.
TEST_F(MainFrameTest, ButtonToolTipsPromptsAndTheIdleTextWhenThePointerLeaves) {
  struct Case {
    CToolBar* bar;
    UINT id;
    const char* tip;
    const char* prompt;  // null: only the tool tip is designed
  };
  const Case cases[] = {
      {&frame->m_wndTopToolBar, 57601, "Open", "Open a configuration file..."},
      {&frame->m_wndTopToolBar, 57604, "Save as", "Save a configuration file..."},
      {&frame->m_wndRightToolBar, 32817, "Sky rotation (CTRL + P)", nullptr},
      {&frame->m_wndRightToolBar, 32836, "Inverted sky rotation", nullptr},
      {&frame->m_wndRightToolBar, 32837, "Stop (CTRL + S)", nullptr},
      {&frame->m_wndRightToolBar, 32810, "Animation parameters (CTRL + A)", nullptr},
      {&frame->m_wndRightToolBar, 32915, "Planetarium/Solar system", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    QAction* action = ButtonAction(*c.bar, c.id);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->toolTip().toStdString(), c.tip);
    if (c.prompt) EXPECT_EQ(action->statusTip().toStdString(), c.prompt);
    // The string table holds "prompt\ntool tip", as the menus read it.
    CString text = AfxString(c.id);
    EXPECT_EQ(text.Mid(text.Find('\n') + 1), c.tip);
    action->hover();
    EXPECT_EQ(frame->m_wndStatusBar.GetPaneText(0), FromQ(action->statusTip()));
    EXPECT_NE(frame->m_wndStatusBar.GetPaneText(0), "For help, press F1 key");
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(c.bar->GetWidget(), &leave);
    EXPECT_EQ(frame->m_wndStatusBar.GetPaneText(0), "For help, press F1 key");
  }
  // The import command is a menu item only; its prompt is the designed one.
  EXPECT_EQ(AfxString(230), "Import a configuration file from version 1\nImport");

  // The widest right ascension and declination fit their panes whole.
  auto* view = dynamic_cast<CNuvarine2View*>(frame->GetActiveView());
  ASSERT_NE(view, nullptr);
  CString ra, dec;
  view->FormatAngle(ra, true, false, 359.9999);
  view->FormatAngle(dec, false, false, -89.99999);
  SetStatusText(1, ra.c_str());
  SetStatusText(2, dec.c_str());
  Settle();
  const QList<QLabel*> panes = frame->m_wndStatusBar.GetWidget()->findChildren<QLabel*>();
  int checked = 0;
  for (QLabel* pane : panes) {
    if (pane->text() != ToQ(ra) && pane->text() != ToQ(dec)) continue;
    ++checked;
    EXPECT_GE(pane->contentsRect().width(), pane->fontMetrics().horizontalAdvance(pane->text()))
        << pane->text().toStdString();
    EXPECT_GE(pane->width(), 100);
  }
  EXPECT_EQ(checked, 2);
}
