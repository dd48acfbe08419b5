#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QWidget>
#include <QTimer>

#include "App.h"
#include "Dialog.h"
#include "UiTestSupport.h"

namespace {

const DialogControl kControls[] = {
    {ControlKind::Edit, 10, "", WS_BORDER, 5, 5, 60, 12},
    {ControlKind::Edit, 11, "", WS_BORDER, 5, 20, 60, 12},
    {ControlKind::Edit, 12, "", WS_BORDER, 5, 35, 60, 12},
    {ControlKind::CheckBox, 13, "Check", 0, 5, 50, 60, 12},
    {ControlKind::DefPushButton, IDOK, "OK", 0, 5, 65, 40, 14},
    {ControlKind::PushButton, IDCANCEL, "Cancel", 0, 50, 65, 40, 14},
};
const DialogTemplate kTemplate = {4000, "Exchange", WS_POPUP | WS_CAPTION, 0, 0, 120, 90, kControls, 6};

class ExchangeDialog : public CDialog {
 public:
  ExchangeDialog() : CDialog(4000) {}
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, 10, m_count);
    DDV_MinMaxInt(pDX, m_count, 1, 10);
    DDX_Text(pDX, 11, m_ratio);
    DDV_MinMaxDouble(pDX, m_ratio, 0.0, 1.0);
    DDX_Text(pDX, 12, m_name);
    DDV_MaxChars(pDX, m_name, 5);
    DDX_Check(pDX, 13, m_flag);
  }
  int m_count = 3;
  double m_ratio = 0.25;
  CString m_name = "abc";
  int m_flag = 1;
};

struct Box {
  CString text;
  CString caption;
};

class DataExchange : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    AfxRegisterDialogs(&kTemplate, 1);
    boxes.clear();
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT) {
      boxes.push_back({text, caption});
      return IDOK;
    });
    ASSERT_TRUE(dialog.Create(4000));
    dialog.ShowWindow(SW_SHOW);
    dialog.GetWidget()->activateWindow();
    QCoreApplication::processEvents();
  }
  void TearDown() override { SetMessageBoxHandler(nullptr); }
  void Type(int id, const char* text) {
    auto* edit = qobject_cast<QLineEdit*>(dialog.GetDlgItem(id)->GetWidget());
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::fromLatin1(text));
  }
  ExchangeDialog dialog;
  std::vector<Box> boxes;
};

}  // namespace

TEST_F(DataExchange, ShowsMembersThenTakesValidInput) {
  CString shown;
  dialog.GetDlgItemText(11, shown);
  EXPECT_EQ(shown, "0.25");
  EXPECT_EQ(dialog.IsDlgButtonChecked(13), 1u);
  Type(10, " 7 ");
  Type(11, "0.5");
  Type(12, "xyz");
  dialog.CheckDlgButton(13, 0);
  EXPECT_TRUE(dialog.UpdateData(TRUE));
  EXPECT_EQ(dialog.m_count, 7);
  EXPECT_DOUBLE_EQ(dialog.m_ratio, 0.5);
  EXPECT_EQ(dialog.m_name, "xyz");
  EXPECT_EQ(dialog.m_flag, 0);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(DataExchange, StopsAtTheFirstFailureWithOneMessage) {
  struct Case {
    const char* count;
    const char* ratio;
    const char* message;
    int failingControl;
  };
  const Case cases[] = {
      {"12", "5", "Please enter an integer between 1 and 10.", 10},
      {"x1", "5", "Please enter an integer.", 10},
      {"4", "1.5", "Please enter a number between 0 and 1.", 11},
      {"4", "0,5", "Please enter a number.", 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    boxes.clear();
    dialog.m_count = 3;
    dialog.m_ratio = 0.25;
    dialog.m_name = "abc";
    Type(10, c.count);
    Type(11, c.ratio);
    Type(12, "changed");
    EXPECT_FALSE(dialog.UpdateData(TRUE));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, c.message);
    // Later members are left as they were.
    EXPECT_EQ(dialog.m_name, "abc");
    EXPECT_EQ(QApplication::focusWidget(), dialog.GetDlgItem(c.failingControl)->GetWidget());
  }
}

TEST_F(DataExchange, TextLengthIsLimitedInTheControl) {
  Type(10, "2");
  Type(11, "0.1");
  Type(12, "abcdef");
  EXPECT_TRUE(dialog.UpdateData(TRUE));
  EXPECT_EQ(dialog.m_name, "abcde");
  EXPECT_TRUE(boxes.empty());
  // A longer member value than the limit is refused when taken back.
  CDataExchange dx(&dialog, TRUE);
  DDV_MaxChars(&dx, "abcdefgh", 5);
  EXPECT_TRUE(dx.m_failed);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Please enter no more than 5 characters.");
}

TEST_F(DataExchange, ModalDialogReturnsButtonResultAndMissingTemplateGivesMinusOne) {
  ExchangeDialog modal;
  QTimer::singleShot(0, [&modal]() { modal.SendControlNotify(IDOK, BN_CLICKED); });
  EXPECT_EQ(modal.DoModal(), IDOK);
  ExchangeDialog cancelled;
  QTimer::singleShot(0, [&cancelled]() { cancelled.SendControlNotify(IDCANCEL, BN_CLICKED); });
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
  CDialog missing(4999);
  EXPECT_EQ(missing.DoModal(), -1);
}

TEST(MessageBoxes, CaptionDefaultsToTheApplicationTitle) {
  TestApplication();
  static const StringResource kTitle[] = {{57344, "Title from table"}, {700, "Text %d"}};
  AfxRegisterStrings(kTitle, 2);
  CString caption, text;
  UINT type = 0;
  SetMessageBoxHandler([&](const CString& t, const CString& c, UINT ty) {
    text = t;
    caption = c;
    type = ty;
    return IDYES;
  });
  EXPECT_EQ(AfxMessageBox(700, MB_YESNO), IDYES);
  EXPECT_EQ(text, "Text %d");
  EXPECT_EQ(caption, "Title from table");
  EXPECT_EQ(type, MB_YESNO);
  EXPECT_EQ(MessageBox(nullptr, "Body", "Own caption", MB_OK), IDYES);
  EXPECT_EQ(caption, "Own caption");
  SetMessageBoxHandler(nullptr);
  CString missing = "x";
  EXPECT_FALSE(AfxLoadString(12345, missing));
  EXPECT_TRUE(missing.IsEmpty());
}
