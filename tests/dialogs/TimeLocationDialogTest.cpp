// The time and place dialog driven through its controls (offscreen): places
// added, found, refused and kept; months refused; the warnings on closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Cities.h"
#include "Resource.h"
#include "TimeLocationDialog.h"
#include "UiDefs.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "dialog_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

struct Box {
  std::string text;
  std::string caption;
};

class TimeLocationDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    static bool registered = false;
    if (!registered) RegisterNuvarineResources();
    registered = true;
    std::filesystem::remove("villes.dat");
    g_cityCount = 0;
    g_citiesTruncated = false;
    g_locationChanged = true;
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT) {
      boxes.push_back({text.c_str(), caption.c_str()});
      return answer;
    });
  }
  void TearDown() override { SetMessageBoxHandler(nullptr); }

  // Runs the dialog; `steps` act on it once it is open, in order.
  INT_PTR Run(CTimeLocationDialog& dialog, std::vector<std::function<void()>> steps) {
    QTimer::singleShot(0, [&dialog, steps]() {
      for (const auto& step : steps) step();
      // Whatever the steps left open is cancelled.
      if (dialog.HasWindow() && dialog.GetWidget()->isVisible()) dialog.SendControlNotify(IDCANCEL, BN_CLICKED);
    });
    return dialog.DoModal();
  }
  static void Type(CDialog& d, int id, const char* text) { d.GetDlgItem(id)->SetWindowText(text); }
  static std::string Text(CDialog& d, int id) {
    CString text;
    d.GetDlgItemText(id, text);
    return text.c_str();
  }
  bool Saw(const std::string& part) const {
    for (const Box& b : boxes)
      if (b.text.find(part) != std::string::npos) return true;
    return false;
  }

  std::vector<Box> boxes;
  int answer = IDOK;
};

void SetPlace(CDialog& d, const char* name, const char* latDeg, const char* lonDeg) {
  d.GetDlgItem(1025)->SetWindowText(name);
  d.GetDlgItem(1004)->SetWindowText(latDeg);
  d.GetDlgItem(1008)->SetWindowText("45");
  d.GetDlgItem(1010)->SetWindowText("0");
  d.GetDlgItem(1005)->SetWindowText(lonDeg);
  d.GetDlgItem(1009)->SetWindowText("50");
  d.GetDlgItem(1011)->SetWindowText("0");
  d.GetDlgItem(1024)->SetWindowText("East");
}

TEST_F(TimeLocationDialogTest, APlaceAddedInLowerCaseIsFoundInUpperCaseAndKeptAfterCancel) {
  CTimeLocationDialog dialog;
  dialog.m_latitude = 10.0;
  dialog.m_longitude = 20.0;
  std::string latitudeAfterLookup;
  const INT_PTR result = Run(dialog, {[&] {
                                        SetPlace(dialog, "lyon", "45", "4");
                                        dialog.SendControlNotify(1066, BN_CLICKED);  // Add/Change
                                        // Another place typed over, then "LYON" chosen again.
                                        Type(dialog, 1004, "1");
                                        dialog.SendControlNotify(1063, BN_CLICKED);  // Enter
                                        Type(dialog, 1025, "LYON");
                                        dialog.SendControlNotify(1025, CBN_EDITCHANGE);
                                        latitudeAfterLookup = Text(dialog, 1004) + " " + Text(dialog, 1008) +
                                                              " " + Text(dialog, 1024);
                                      }});
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(Saw("This location has been added to the list."));
  EXPECT_EQ(latitudeAfterLookup, "45 45 East");
  // Cancelled: the view takes nothing, but the file keeps the place.
  ASSERT_TRUE(LoadCities());
  ASSERT_EQ(g_cityCount, 1);
  EXPECT_STREQ(g_cities[0].name, "lyon");
  EXPECT_NEAR(g_cities[0].Longitude(), -(4 + 50 / 60.0), 1e-9);
}

TEST_F(TimeLocationDialogTest, AddChangeOnAKnownNameAsksBeforeOverwriting) {
  CTimeLocationDialog dialog;
  answer = IDNO;
  Run(dialog, {[&] {
        SetPlace(dialog, "Lyon", "45", "4");
        dialog.SendControlNotify(1066, BN_CLICKED);
        SetPlace(dialog, "LYON", "46", "5");
        dialog.SendControlNotify(1066, BN_CLICKED);
      }});
  EXPECT_TRUE(Saw("Do you want really change this location ?"));
  ASSERT_TRUE(LoadCities());
  ASSERT_EQ(g_cityCount, 1);
  EXPECT_EQ(g_cities[0].latitudeDegrees, 45);  // "No" kept the old values
}

TEST_F(TimeLocationDialogTest, AFailedSaveIsReportedAndTheListIsUnchanged) {
  std::filesystem::create_directory("villes.dat.tmp");
  CTimeLocationDialog dialog;
  Run(dialog, {[&] {
        SetPlace(dialog, "Nice", "43", "7");
        dialog.SendControlNotify(1066, BN_CLICKED);
      }});
  std::filesystem::remove("villes.dat.tmp");
  EXPECT_FALSE(Saw("added to the list"));
  EXPECT_TRUE(Saw("has not been added"));
  EXPECT_EQ(g_cityCount, 0);
}

TEST_F(TimeLocationDialogTest, ApplyRefusesAnUnknownPlaceOnceThenCloses) {
  CTimeLocationDialog dialog;
  bool stayedOpen = false;
  std::string nameAfter = "?";
  const INT_PTR result = Run(dialog, {[&] {
                                        SetPlace(dialog, "Atlantis", "12", "30");
                                        dialog.SendControlNotify(1064, BN_CLICKED);  // Apply
                                        stayedOpen = dialog.GetWidget()->isVisible();
                                        nameAfter = Text(dialog, 1025);
                                        dialog.SendControlNotify(1064, BN_CLICKED);
                                      }});
  EXPECT_TRUE(Saw("Nuvarine doesn't know this location"));
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(nameAfter, "");
  EXPECT_EQ(result, IDOK);
  EXPECT_NEAR(dialog.m_latitude, 12.75, 1e-9);
  EXPECT_NEAR(dialog.m_longitude, -(30 + 50 / 60.0), 1e-9);
}

TEST_F(TimeLocationDialogTest, AMonthThatIsNoneOfTheTwelveIsRefused) {
  CTimeLocationDialog dialog;
  bool stayedOpen = false;
  Run(dialog, {[&] {
        Type(dialog, 1036, "Smarch");
        dialog.SendControlNotify(1064, BN_CLICKED);
        stayedOpen = dialog.GetWidget()->isVisible();
      }});
  EXPECT_TRUE(stayedOpen);
  EXPECT_TRUE(Saw("month"));
}

TEST_F(TimeLocationDialogTest, PolesCloseOneSecondShort) {
  for (const char* hemisphere : {"North", "South"}) {
    CTimeLocationDialog dialog;
    Run(dialog, {[&] {
          Type(dialog, 1004, "90");
          Type(dialog, 1008, "0");
          Type(dialog, 1010, "0");
          Type(dialog, 1023, hemisphere);
          dialog.SendControlNotify(1064, BN_CLICKED);
        }});
    const double expected = 90.0 - 1.0 / 3600.0;
    EXPECT_NEAR(dialog.m_latitude, hemisphere[0] == 'N' ? expected : -expected, 1e-12) << hemisphere;
  }
}

TEST_F(TimeLocationDialogTest, TheYearWarningStartsAfterThreeThousand) {
  for (int year : {3000, 3001}) {
    boxes.clear();
    CTimeLocationDialog dialog;
    dialog.m_year = year;
    EXPECT_EQ(Run(dialog, {[&] { dialog.SendControlNotify(1064, BN_CLICKED); }}), IDOK);
    EXPECT_EQ(Saw("the year must be between"), year == 3001) << year;
  }
}

TEST_F(TimeLocationDialogTest, TheTimeZoneWarningRunsOnOkAndCanBeSwitchedOff) {
  for (bool tick : {false, true}) {
    CTimeLocationDialog dialog;
    dialog.m_warnTimeZone = true;
    bool warned = false;
    Run(dialog, {[&] {
          // The warning is a modal box of its own: answer it when it shows.
          auto* poll = new QTimer;
          QObject::connect(poll, &QTimer::timeout, [&, poll] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box || box->windowTitle() != "Important !") return;
            warned = true;
            poll->stop();
            poll->deleteLater();
            if (tick) box->findChild<QCheckBox*>()->click();
            for (QPushButton* b : box->findChildren<QPushButton*>())
              if (b->text() == "Close") b->click();
          });
          poll->start(10);
          dialog.SendControlNotify(1064, BN_CLICKED);
        }});
    EXPECT_TRUE(warned);
    EXPECT_EQ(dialog.m_warnTimeZone, !tick);
  }
}

TEST_F(TimeLocationDialogTest, TheTimeZoneButtonTakesTheOffsetInForce) {
  setenv("TZ", "Asia/Kolkata", 1);
  CTimeLocationDialog::s_clock = [] { return std::time_t(1700000000); };
  CTimeLocationDialog dialog;
  Run(dialog, {[&] {
        dialog.SendControlNotify(1038, BN_CLICKED);
        dialog.SendControlNotify(1064, BN_CLICKED);
      }});
  unsetenv("TZ");
  CTimeLocationDialog::s_clock = [] { return std::time(nullptr); };
  EXPECT_TRUE(Saw("parameters of the system"));
  EXPECT_TRUE(Saw("Your time zone seems to be equal to 5.5 hour(s)"));
  EXPECT_DOUBLE_EQ(dialog.m_timeZone, 5.5);
}

}  // namespace
