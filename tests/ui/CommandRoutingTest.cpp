#include <gtest/gtest.h>

#include <QTimer>
#include <functional>
#include <vector>

#include "App.h"
#include "Dialog.h"
#include "UiTestSupport.h"

namespace {

std::vector<CString> g_calls;

class TestDoc : public CDocument {
  DECLARE_DYNCREATE(TestDoc)
 public:
  TestDoc() {
    MapCommand(301, [] { g_calls.push_back("doc301"); });
    MapCommand(302, [] { g_calls.push_back("doc302"); });
  }
};
IMPLEMENT_DYNCREATE(TestDoc)

class TestView : public CView {
  DECLARE_DYNCREATE(TestView)
 public:
  TestView() {
    MapCommand(301, [] { g_calls.push_back("view301"); });
    MapCommand(303, [] { g_calls.push_back("view303"); });
    MapUpdateCommandUI(303, [this](CCmdUI* ui) {
      ui->Enable(m_enable303);
      ui->SetCheck(m_check303);
    });
  }
  void OnDraw(CDC*) override {}
  bool m_enable303 = true;
  int m_check303 = 0;
};
IMPLEMENT_DYNCREATE(TestView)

class TestFrame : public CFrameWnd {
  DECLARE_DYNCREATE(TestFrame)
 public:
  TestFrame() {
    MapCommand(304, [] { g_calls.push_back("frame304"); });
    MapCommand(0x8002, [] { g_calls.push_back("frame8002"); });
  }
};
IMPLEMENT_DYNCREATE(TestFrame)

class TestApp : public CWinApp {
 public:
  TestApp() : CWinApp("Routing test") {
    MapCommand(305, [] { g_calls.push_back("app305"); });
    MapCommand(0x8003, [] { g_calls.push_back("app8003"); });
  }
};

const MenuItemResource kMenu[] = {
    {MF_POPUP, 0, "&Test"}, {MF_STRING, 301, "One"}, {MF_STRING, 303, "Three"}, {MF_SEPARATOR, 0, nullptr},
    {MF_POPUP, 0, "&Sub"},  {MF_STRING, 306, "Nobody"}, {MF_END, 0, nullptr},  {MF_END, 0, nullptr},
    {MF_POPUP, 0, "&Other"}, {MF_STRING, 305, "App"},   {MF_END, 0, nullptr},
};

class CommandRouting : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    AfxRegisterMenu(900, kMenu, sizeof(kMenu) / sizeof(kMenu[0]));
    g_calls.clear();
    CSingleDocTemplate tpl(900, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(TestFrame), RUNTIME_CLASS(TestView));
    ASSERT_NE(tpl.OpenDocumentFile(nullptr), nullptr);
    frame = dynamic_cast<TestFrame*>(app.m_pMainWnd);
    ASSERT_NE(frame, nullptr);
    view = dynamic_cast<TestView*>(frame->GetActiveView());
    ASSERT_NE(view, nullptr);
  }
  void TearDown() override {
    if (app.m_pMainWnd) static_cast<CFrameWnd*>(app.m_pMainWnd)->DestroyWindow();
    QCoreApplication::sendPostedEvents(nullptr, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  TestApp app;
  TestFrame* frame = nullptr;
  TestView* view = nullptr;
};

}  // namespace

TEST_F(CommandRouting, ViewFirstThenDocumentFrameAndApplication) {
  EXPECT_TRUE(frame->SendCommand(301));  // view and document both map it: the view wins
  EXPECT_TRUE(frame->SendCommand(302));
  EXPECT_TRUE(frame->SendCommand(304));
  EXPECT_TRUE(frame->SendCommand(305));
  EXPECT_FALSE(frame->SendCommand(306));
  EXPECT_EQ(g_calls, (std::vector<CString>{"view301", "doc302", "frame304", "app305"}));
}

namespace {
class RoutingDialog : public CDialog {
 public:
  RoutingDialog(const char* name, UINT handled, CWnd* owner) : CDialog(0, owner) {
    MapCommand(handled, [name, handled] { g_calls.push_back(CString(name) + std::to_string(handled).c_str()); });
  }
};
}  // namespace

TEST_F(CommandRouting, ADialogPassesOnCommandsItDoesNotHandle) {
  // Dialog, its owner, the main frame (with the view and document), the application.
  RoutingDialog owner("owner", 0x8001, nullptr);
  RoutingDialog dialog("dialog", 0x8000, &owner);
  for (UINT id : {0x8000u, 0x8001u, 0x8002u, 0x8003u}) EXPECT_TRUE(dialog.OnCmdMsg(id, nullptr)) << id;
  EXPECT_FALSE(dialog.OnCmdMsg(0x8004, nullptr));
  // Control ids and system commands stay with the dialog: the frame's 304 and
  // the view's 301 are not reached from it.
  EXPECT_FALSE(dialog.OnCmdMsg(304, nullptr));
  EXPECT_FALSE(dialog.OnCmdMsg(301, nullptr));
  EXPECT_EQ(g_calls, (std::vector<CString>{"dialog32768", "owner32769", "frame8002", "app8003"}));
}

TEST_F(CommandRouting, UpdateHandlersDecideAndUnhandledItemsAreDisabled) {
  view->m_enable303 = true;
  view->m_check303 = 1;
  frame->UpdateMenus();
  EXPECT_TRUE(frame->IsMenuItemEnabled(301));
  EXPECT_TRUE(frame->IsMenuItemEnabled(303));
  EXPECT_TRUE(frame->IsMenuItemChecked(303));
  EXPECT_FALSE(frame->IsMenuItemEnabled(306));
  EXPECT_TRUE(frame->IsMenuItemEnabled(305));

  view->m_enable303 = false;
  view->m_check303 = 0;
  frame->UpdateMenus();
  EXPECT_FALSE(frame->IsMenuItemEnabled(303));
  EXPECT_FALSE(frame->IsMenuItemChecked(303));
  // A disabled command cannot be chosen.
  EXPECT_FALSE(frame->TriggerMenuItem(303));
  EXPECT_FALSE(frame->SendCommand(303));
  EXPECT_TRUE(g_calls.empty());
}

TEST_F(CommandRouting, MenuTreeFollowsTheResource) {
  EXPECT_EQ(frame->GetMenuTitles(), (std::vector<CString>{"&Test", "&Other"}));
  EXPECT_EQ(frame->GetMenuCommandIds(), (std::vector<UINT>{301, 303, 306, 305}));
  EXPECT_TRUE(frame->TriggerMenuItem(301));
  EXPECT_EQ(g_calls, (std::vector<CString>{"view301"}));
}

TEST_F(CommandRouting, DocumentTitleNeverClearsTheWindowTitle) {
  frame->SetWindowText("Main title");
  frame->GetActiveDocument()->SetTitle("");
  EXPECT_EQ(frame->GetWindowText(), "Main title");
}

namespace {

bool g_refusingViewDestroyed = false;

class RefusingView : public CView {
  DECLARE_DYNCREATE(RefusingView)
 public:
  ~RefusingView() override { g_refusingViewDestroyed = true; }
  BOOL PreCreateWindow(CREATESTRUCT&) override { return FALSE; }
  void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(RefusingView)

}  // namespace

TEST(DocumentTemplate, AViewThatRefusesItsWindowEndsTheCreation) {
  TestApplication();
  AfxRegisterMenu(900, kMenu, sizeof(kMenu) / sizeof(kMenu[0]));
  TestApp app;
  CSingleDocTemplate tpl(900, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(TestFrame), RUNTIME_CLASS(RefusingView));
  EXPECT_EQ(tpl.OpenDocumentFile(nullptr), nullptr);
  EXPECT_TRUE(g_refusingViewDestroyed);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

namespace {

bool g_shutdownFrameAlive = false;
bool g_shutdownViewAlive = false;

bool g_closeInsideDraw = false;
bool g_viewAliveAfterPumpedClose = false;

class ShutdownView : public CView {
  DECLARE_DYNCREATE(ShutdownView)
 public:
  ShutdownView() { g_shutdownViewAlive = true; }
  ~ShutdownView() override { g_shutdownViewAlive = false; }
  // Optionally closes the main window from inside the drawing, as an event
  // pumped during a long frame would.
  void OnDraw(CDC*) override {
    if (!g_closeInsideDraw) return;
    g_closeInsideDraw = false;
    AfxGetApp()->m_pMainWnd->OnClose();
    QCoreApplication::processEvents();
    g_viewAliveAfterPumpedClose = g_shutdownViewAlive && m_frames >= 0;
    ++m_frames;
  }
  int m_frames = 0;
};
IMPLEMENT_DYNCREATE(ShutdownView)

class ShutdownFrame : public CFrameWnd {
  DECLARE_DYNCREATE(ShutdownFrame)
 public:
  ShutdownFrame() { g_shutdownFrameAlive = true; }
  ~ShutdownFrame() override { g_shutdownFrameAlive = false; }
};
IMPLEMENT_DYNCREATE(ShutdownFrame)

}  // namespace

// However the message loop ends, the main frame and its view no longer exist
// when Run returns: nothing is left for the process exit to leak.
TEST(Shutdown, MainFrameIsDeletedBeforeTheLoopReturns) {
  TestApplication();
  AfxRegisterMenu(901, kMenu, sizeof(kMenu) / sizeof(kMenu[0]));
  const std::function<void(CWinApp&)> endings[] = {
      [](CWinApp& app) { app.m_pMainWnd->OnClose(); },       // the close button
      [](CWinApp& app) { app.OnAppExit(); },                 // the Exit command
      [](CWinApp&) { QCoreApplication::exit(0); },           // the loop ends on its own
  };
  int ending = 0;
  for (const auto& end : endings) {
    TestApp app;
    CSingleDocTemplate tpl(901, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(ShutdownFrame), RUNTIME_CLASS(ShutdownView));
    ASSERT_NE(tpl.OpenDocumentFile(nullptr), nullptr);
    ASSERT_TRUE(g_shutdownFrameAlive);
    QTimer::singleShot(0, [&]() { end(app); });
    EXPECT_EQ(app.Run(), 0);
    EXPECT_FALSE(g_shutdownFrameAlive) << ending;
    EXPECT_FALSE(g_shutdownViewAlive) << ending;
    EXPECT_EQ(app.m_pMainWnd, nullptr) << ending;
    ++ending;
  }
}

// A close that arrives while the view draws (pumped from inside the frame)
// waits for the drawing to return, then ends the loop with both gone.
TEST(Shutdown, CloseDuringDrawingWaitsForTheDrawing) {
  TestApplication();
  AfxRegisterMenu(901, kMenu, sizeof(kMenu) / sizeof(kMenu[0]));
  TestApp app;
  CSingleDocTemplate tpl(901, RUNTIME_CLASS(TestDoc), RUNTIME_CLASS(ShutdownFrame), RUNTIME_CLASS(ShutdownView));
  ASSERT_NE(tpl.OpenDocumentFile(nullptr), nullptr);
  auto* frame = dynamic_cast<CFrameWnd*>(app.m_pMainWnd);
  ASSERT_NE(frame, nullptr);
  g_closeInsideDraw = true;
  g_viewAliveAfterPumpedClose = false;
  frame->GetActiveView()->Invalidate();
  EXPECT_EQ(app.Run(), 0);
  EXPECT_FALSE(g_closeInsideDraw);
  EXPECT_TRUE(g_viewAliveAfterPumpedClose);
  EXPECT_FALSE(g_shutdownViewAlive);
  EXPECT_FALSE(g_shutdownFrameAlive);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}
