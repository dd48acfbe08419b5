// The ephemeris dialogs, the work-in-progress window and the view's events
// calendar, run offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

#include "EphemerisDialogs.h"
#include "Nuvarine2View.h"
#include "Resource.h"
#include "RichTextCtrl.h"
#include "SkyModel.h"
#include "UiDefs.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "ephemeris_dialog_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    RegisterNuvarineResources();
    return a;
  }();
  return *app;
}

INT_PTR RunWith(CDialog& dialog, std::function<void()> action) {
  App();
  QTimer::singleShot(0, [action] { action(); });
  return dialog.DoModal();
}

template <typename W>
W* Control(CDialog& dialog, int id) {
  CWnd* item = dialog.GetDlgItem(id);
  return item ? qobject_cast<W*>(item->GetWidget()) : nullptr;
}

class EphemerisDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT) {
      boxes.push_back(text);
      captions.push_back(caption);
      return IDOK;
    });
  }
  void TearDown() override { SetMessageBoxHandler(nullptr); }
  std::vector<CString> boxes, captions;
};

SYSTEMTIME Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  SYSTEMTIME t;
  t.wYear = static_cast<WORD>(local.tm_year + 1900);
  t.wMonth = static_cast<WORD>(local.tm_mon + 1);
  t.wDay = static_cast<WORD>(local.tm_mday);
  return t;
}

TEST_F(EphemerisDialogTest, OpensOnTodaysMonthAndComputesIt) {
  CEphemerisDialog dialog;
  const SYSTEMTIME today = Today();
  EXPECT_EQ(RunWith(dialog, [&] {
              EXPECT_EQ(dialog.m_monthCheck, 1);
              EXPECT_EQ(dialog.m_periodCheck, 0);
              EXPECT_EQ(Control<QLineEdit>(dialog, 1021)->text().toStdString(), "1");
              const QDate d = Control<QCalendarWidget>(dialog, 1050)->selectedDate();
              EXPECT_EQ(d, QDate(today.wYear, today.wMonth, today.wDay));
              EXPECT_EQ(Control<QDateTimeEdit>(dialog, 1051)->date(), d);
              dialog.SendControlNotify(IDOK, BN_CLICKED);
            }),
            IDOK);
  EXPECT_EQ(dialog.m_startYear, today.wYear);
  EXPECT_EQ(dialog.m_startMonth, today.wMonth);
  EXPECT_FALSE(dialog.m_periodResult);
  EXPECT_EQ(dialog.m_lengthResult, 1);
}

TEST_F(EphemerisDialogTest, LengthOutsideOneToFiftyKeepsTheDialogOpen) {
  for (const char* length : {"0", "51"}) {
    boxes.clear();
    CEphemerisDialog dialog;
    bool stillOpen = false;
    EXPECT_EQ(RunWith(dialog, [&] {
                Control<QLineEdit>(dialog, 1021)->setText(length);
                dialog.SendControlNotify(IDOK, BN_CLICKED);
                stillOpen = dialog.GetWidget()->isVisible();
                Control<QLineEdit>(dialog, 1021)->setText("50");
                dialog.SendControlNotify(IDOK, BN_CLICKED);
              }),
              IDOK);
    EXPECT_TRUE(stillOpen) << length;
    ASSERT_EQ(boxes.size(), 1u) << length;
    EXPECT_NE(boxes[0].find("between 1 and 50"), std::string::npos);
    EXPECT_EQ(dialog.m_lengthResult, 50);
  }
}

TEST_F(EphemerisDialogTest, ControlsSwitchTheMode) {
  CEphemerisDialog dialog;
  RunWith(dialog, [&] {
    // A day clicked in the calendar while the period is chosen: month mode,
    // the clicked day's month.
    dialog.SendControlNotify(1031, BN_CLICKED);
    EXPECT_EQ(dialog.m_periodCheck, 1);
    Control<QCalendarWidget>(dialog, 1050)->setSelectedDate(QDate(2024, 2, 17));
    EXPECT_EQ(dialog.m_monthCheck, 1);
    EXPECT_EQ(dialog.m_periodCheck, 0);
    // A date picked while the month is chosen: period mode.
    Control<QDateTimeEdit>(dialog, 1051)->setDate(QDate(2024, 4, 7));
    EXPECT_EQ(dialog.m_periodCheck, 1);
    // Back to the month, then the focus in the length: period mode.
    dialog.SendControlNotify(1030, BN_CLICKED);
    EXPECT_EQ(dialog.m_monthCheck, 1);
    dialog.SendControlNotify(1021, EN_SETFOCUS);
    EXPECT_EQ(dialog.m_periodCheck, 1);
    dialog.SendControlNotify(1030, BN_CLICKED);
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  // February of the clicked date; the day is the calendar's.
  EXPECT_EQ(dialog.m_startYear, 2024);
  EXPECT_EQ(dialog.m_startMonth, 2);
  EXPECT_FALSE(dialog.m_periodResult);
}

TEST_F(EphemerisDialogTest, ResultShowsCodePageText) {
  CEphemerisResultDialog dialog;
  dialog.m_rtfText =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f2\\fswiss Arial;}}\\f2 Maximum of Gamma L\xE9onides meteor "
      "shower\\par Mercury (22.0\xB0)}";
  QString shown;
  RunWith(dialog, [&] {
    if (auto* edit = Control<QTextEdit>(dialog, 1123)) shown = edit->toPlainText();
    dialog.SendControlNotify(IDOK, BN_CLICKED);
  });
  EXPECT_TRUE(shown.contains(QString::fromUtf8("Léonides"))) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QString::fromUtf8("22.0°"))) << shown.toStdString();
}

TEST_F(EphemerisDialogTest, ProgressWindowClosesAtOneHundredOrStop) {
  RunWorkProgressThread();
  ASSERT_TRUE(g_workProgressDialog && g_workProgressDialog->HasWindow());
  EXPECT_EQ(g_workProgressDialog->GetWidget()->windowTitle().toStdString(), "Work in progress...");
  CWorkInProgressDialog::m_percent = 40;
  const auto start = std::chrono::steady_clock::now();
  auto waitFor = [&](std::function<bool()> done) {
    while (!done() && std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
      QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
  };
  waitFor([] { return g_workProgressDialog->m_progress.GetPos() == 40; });
  EXPECT_EQ(g_workProgressDialog->m_progress.GetPos(), 40);
  CWorkInProgressDialog::m_percent = 100;
  const auto hundred = std::chrono::steady_clock::now();
  waitFor([] { return !g_workProgressDialog->HasWindow(); });
  EXPECT_FALSE(g_workProgressDialog->HasWindow());
  EXPECT_LT(std::chrono::steady_clock::now() - hundred, std::chrono::milliseconds(900));

  RunWorkProgressThread();
  EXPECT_EQ(CWorkInProgressDialog::m_percent, 0);
  g_workProgressDialog->SendControlNotify(1007, BN_CLICKED);
  EXPECT_TRUE(CWorkInProgressDialog::m_stopRequested);
  EXPECT_FALSE(g_workProgressDialog->HasWindow());  // at once
}

// The view at Dallas with the planet library.
class CalendarViewTest : public EphemerisDialogTest {
 protected:
  void SetUp() override {
    EphemerisDialogTest::SetUp();
    view.m_installFolder = NUVARINE_INSTALL_DIR;
    ASSERT_TRUE(view.LoadPlanetLibrary());
    InitBodyConstants();
    view.m_observerLatitude = (32 + 46 / 60.0 + 36 / 3600.0) * kDegToRad;
    view.m_observerLongitude = (96 + 47 / 60.0 + 49 / 3600.0) * kDegToRad;
    view.m_observerElevation = 140;
    view.m_planetariumMode = true;
    view.m_year = 2024;
    view.m_month = 4;
    view.m_day = 7;
    view.m_hour = 9;
    view.m_minute = 30;
    view.m_second = 0;
    view.m_utcOffset = -5;
    view.m_pressure = 1000;
    view.m_animationRunning = true;
  }
  void ExpectContextUnchanged() {
    EXPECT_EQ(view.m_year, 2024);
    EXPECT_EQ(view.m_month, 4);
    EXPECT_EQ(view.m_day, 7);
    EXPECT_EQ(view.m_hour, 9);
    EXPECT_EQ(view.m_minute, 30);
    EXPECT_EQ(view.m_utcOffset, -5);
    EXPECT_EQ(view.m_pressure, 1000);
    EXPECT_TRUE(view.m_planetariumMode);
    EXPECT_TRUE(view.m_animationRunning);
    EXPECT_FALSE(view.m_computingEphemeris);
  }
  CNuvarine2View view;
};

TEST_F(CalendarViewTest, StartupAlertsOfTodayAndTomorrow) {
  view.ComputeStartupAlerts();
  const CString& alert = view.m_lastEphemerisText;
  const size_t tomorrow = alert.find("  Tomorrow : ");
  ASSERT_EQ(alert.rfind("Today : ", 0), 0u) << alert;
  ASSERT_NE(tomorrow, std::string::npos) << alert;
  const CString today = alert.substr(0, tomorrow), next = alert.substr(tomorrow);
  EXPECT_NE(today.find("16h17\tMoon occults Venus (beginning).  "), std::string::npos) << alert;
  EXPECT_NE(next.find("New Moon.  "), std::string::npos) << alert;
  EXPECT_NE(next.find("Full solar eclipse"), std::string::npos) << alert;
  EXPECT_EQ(alert.find("\r\n"), std::string::npos);
  EXPECT_EQ(alert.find("\\par"), std::string::npos);
  EXPECT_EQ(alert.find("{\\rtf"), std::string::npos);
  ExpectContextUnchanged();
}

TEST_F(CalendarViewTest, StopInEitherPassLeavesEverythingAsBefore) {
  for (const bool finePass : {false, true}) {
    SCOPED_TRACE(finePass);
    boxes.clear();
    view.m_lastEphemerisText = "before";
    bool windowGone = false, clicked = false, resultShown = false;
    std::chrono::steady_clock::time_point stopAt;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {  // never wait for a user
        resultShown = true;
        modal->close();
      }
      // The percentage moves only in the fine pass.
      if (clicked || !g_workProgressDialog || (finePass && CWorkInProgressDialog::m_percent == 0)) return;
      clicked = true;
      stopAt = std::chrono::steady_clock::now();
      g_workProgressDialog->SendControlNotify(1007, BN_CLICKED);
      windowGone = !g_workProgressDialog->HasWindow();
    });
    watch.start(0);
    view.ShowEventsCalendar(true, false, 1, false, 2024, 3, 1);
    watch.stop();
    ASSERT_TRUE(clicked);
    std::printf("stop in the %s pass: the calculation ended %.1f ms later\n", finePass ? "fine" : "coarse",
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - stopAt).count());
    EXPECT_TRUE(windowGone);
    EXPECT_FALSE(resultShown);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Operation canceled !");
    EXPECT_EQ(captions[0], "Nuvarine 2.0");
    EXPECT_TRUE(view.m_lastEphemerisText.IsEmpty());
    ExpectContextUnchanged();
  }
}

TEST_F(CalendarViewTest, DuringTheRunCommandsAreRefusedAndACloseStopsIt) {
  bool refused = false, zoneKept = false;
  QTimer::singleShot(0, [&] {
    CCmdUI ui;
    refused = view.OnCmdMsg(32828, &ui) && !ui.m_enabled && view.OnCmdMsg(32828, nullptr);
    zoneKept = view.m_utcOffset == -5 && view.m_pressure == 1000;
    view.StopEventsCalendar();
  });
  view.ShowEventsCalendar(false, false, 1, false, 2024, 5, 1);
  EXPECT_TRUE(refused);
  EXPECT_TRUE(zoneKept);
  EXPECT_TRUE(boxes.empty());  // a close goes on without a question
  EXPECT_TRUE(view.m_lastEphemerisText.IsEmpty());
  ExpectContextUnchanged();
  CCmdUI ui;
  view.OnCmdMsg(32828, &ui);
  EXPECT_TRUE(ui.m_enabled);
}

TEST_F(CalendarViewTest, OneDayWithRiseSetLinesEndsInTheResultDialog) {
  QString resultCaption;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      resultCaption = modal->windowTitle();
      modal->close();
    }
  });
  closer.start(20);
  view.ShowEventsCalendar(true, true, 1, false, 2000, 1, 1);
  closer.stop();
  EXPECT_EQ(resultCaption.toStdString(), "Ephemeris");
  const CString& doc = view.m_lastEphemerisText;
  EXPECT_NE(doc.find("Sat\tjanuary  1, 2000"), std::string::npos);
  size_t lines = 0;
  for (size_t at = doc.find("     rise : "); at != std::string::npos; at = doc.find("     rise : ", at + 1)) ++lines;
  EXPECT_EQ(lines, 10u);
  EXPECT_NE(doc.find("Sun\t     rise : "), std::string::npos);
  EXPECT_NE(doc.find("Moon\t     rise : "), std::string::npos);
  EXPECT_FALSE(view.m_ephemerisResultShown);
  ExpectContextUnchanged();
}

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// The text lines of a PDF: its words (pdftotext's boxes) on each page,
// grouped by the height they stand at, each line left to right.
std::vector<std::string> PdfLines(const std::string& pdf) {
  struct Word {
    double x, top, bottom;
    std::string text;
  };
  std::vector<std::vector<Word>> pages;
  std::istringstream in(RunCommand("pdftotext -bbox '" + pdf + "' -"));
  const std::regex word(R"re(xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="[0-9.]+" yMax="([0-9.]+)">([^<]*)<)re");
  for (std::string line; std::getline(in, line);) {
    if (line.find("<page") != std::string::npos) pages.emplace_back();
    std::smatch m;
    if (!pages.empty() && std::regex_search(line, m, word))
      pages.back().push_back({std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), m[4].str()});
  }
  std::vector<std::string> lines;
  for (std::vector<Word>& page : pages) {
    std::sort(page.begin(), page.end(), [](const Word& a, const Word& b) { return a.top < b.top; });
    // A word whose middle lies within the height of the line above belongs to it.
    std::vector<std::vector<Word>> rows;
    for (const Word& w : page) {
      const double middle = (w.top + w.bottom) / 2;
      if (rows.empty() || middle > rows.back().front().bottom) rows.emplace_back();
      rows.back().push_back(w);
    }
    for (std::vector<Word>& row : rows) {
      std::sort(row.begin(), row.end(), [](const Word& a, const Word& b) { return a.x < b.x; });
      std::string text;
      for (const Word& w : row) text += (text.empty() ? "" : " ") + w.text;
      lines.push_back(text);
    }
  }
  return lines;
}

// The printed calendar keeps the lines shown on screen: a line such as
// "Sat<tab>january 1, 2000" or a rise and set line with its tab is not
// broken at its tab.
TEST_F(CalendarViewTest, PrintedCalendarKeepsItsLines) {
  ASSERT_FALSE(RunCommand("command -v pdftotext").empty()) << "pdftotext is missing: install the Debian package poppler-utils";
  const std::filesystem::path pdf = std::filesystem::temp_directory_path() /
                                    ("nv_calendar_print_" + std::to_string(getpid()) + ".pdf");
  SetPrintDialogHandler([&pdf](CString& out) {
    out = pdf.string().c_str();
    return TRUE;
  });
  QString shown;
  bool printed = false;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal->windowTitle() != "Ephemeris") return;
    if (auto* edit = modal->findChild<QTextEdit*>()) shown = edit->toPlainText();
    for (QPushButton* button : modal->findChildren<QPushButton*>())
      if (button->text() == "Print" && !printed) {
        printed = true;
        button->click();
      }
    modal->close();
  });
  closer.start(20);
  view.ShowEventsCalendar(true, true, 2, false, 2000, 1, 1);
  closer.stop();
  SetPrintDialogHandler(nullptr);
  ASSERT_TRUE(printed);
  std::vector<std::string> screen;
  for (const QString& line : shown.split('\n'))
    if (!line.trimmed().isEmpty()) screen.push_back(line.simplified().toStdString());
  ASSERT_GT(screen.size(), 20u);
  const std::vector<std::string> paper = PdfLines(pdf.string());
  std::filesystem::remove(pdf);
  std::string both;
  for (size_t i = 0; i < std::max(screen.size(), paper.size()); ++i)
    both += (i < screen.size() ? screen[i] : "") + "  |  " + (i < paper.size() ? paper[i] : "") + "\n";
  ASSERT_EQ(paper.size(), screen.size()) << both;
  for (size_t i = 0; i < screen.size(); ++i) EXPECT_EQ(paper[i], screen[i]) << both;
}

TEST_F(CalendarViewTest, InvalidDatesAreRefused) {
  view.m_lastEphemerisText = "kept";
  view.ShowEventsCalendar(false, true, 1, false, -1, -1, -1);
  view.ShowEventsCalendar(false, true, 100, false, 2024, 1, 1);
  EXPECT_EQ(view.m_lastEphemerisText, "kept");
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
