#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "AjouterImage.h"
#include "InstallFolder.h"
#include "TwoLineElements.h"
#include "Lx200Panel.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "ShellTestSupport.h"
#include "SolarSystemTypes.h"
#include "SplashDialogs.h"

namespace {

std::string MakeTempFolder(const char* tag) {
  std::string dir = ::testing::TempDir();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::string base = dir + "/nv" + tag + std::to_string(getpid()) + "XXXXXX";
  std::vector<char> buf(base.begin(), base.end());
  buf.push_back('\0');
  return mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBytes(const std::string& path, size_t count) {
  std::ofstream out(path, std::ios::binary);
  out << std::string(count, 'L');
}

}  // namespace

TEST(NameTables, EntriesAsTheProgramShowsThem) {
  EXPECT_EQ(g_weekdayNames[0], "Saturday");
  EXPECT_EQ(g_weekdayNames[6], "Friday");
  EXPECT_EQ(g_monthNames[0], "january");
  EXPECT_EQ(g_monthNames[11], "december");
  struct Body {
    int index;
    const char* name;
  };
  const Body bodies[] = {{0, "Sun"},          {10, "Moon"},         {22, "Encelade"}, {34, "Protee"},
                         {36, "Nereide"},     {42, "Pionner 10"},   {44, "Sedna"},    {47, "New horizons"},
                         {51, "NOAA-12"},     {52, "NOAA-14"},      {56, "NOAA-18"},  {71, "Huygens"},
                         {72, ""},            {80, ""}};
  for (const Body& b : bodies) EXPECT_EQ(g_bodyNames[b.index], b.name) << b.index;
  EXPECT_EQ(g_greekLetterNames[0], "Alpha");
  EXPECT_EQ(g_greekLetterNames[11], "Mu ");
  EXPECT_EQ(g_greekLetterNames[12], "Nu ");
  EXPECT_EQ(g_greekLetterNames[13], "Xi ");
  EXPECT_EQ(g_greekLetterNames[15], "Pi ");
  EXPECT_EQ(g_greekLetterNames[16], "Rho ");
  EXPECT_EQ(g_greekLetterNames[21], "Khi");
  EXPECT_EQ(g_greekLetterNames[23], "Omega");
}

TEST(BuiltinElements, TwentyTwoPairsStoredExactly) {
  for (int i = 0; i < 2 * kTlePairCount; ++i) {
    ASSERT_EQ(std::strlen(kBuiltInTleLines[i]), 69u) << i;
    EXPECT_EQ(kBuiltInTleLines[i][0], i % 2 == 0 ? (i == 42 ? '0' : '1') : '2') << i;
  }
  for (int pair = 10; pair < kTlePairCount; ++pair) {
    char digit = kBuiltInTleLines[2 * pair][62];
    EXPECT_TRUE(digit == '4' || digit == '5') << pair;
  }
  EXPECT_EQ(std::string(kBuiltInTleLines[40] + 2, 5), "27421");
  EXPECT_EQ(std::string(kBuiltInTleLines[42] + 2, 5), "27421");
  EXPECT_EQ(std::string(kBuiltInTleLines[0]).substr(0, 7), "1 25544");
  EXPECT_EQ(std::string(kBuiltInTleLines[43]).substr(8, 8), "095.7171");
}

class ViewConstruction : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    ASSERT_TRUE(getcwd(saved, sizeof(saved)));
    folder = MakeTempFolder("view");
    ASSERT_FALSE(folder.empty());
    ASSERT_EQ(chdir(folder.c_str()), 0);
  }
  void TearDown() override {
    CloseTelescopeLog();
    ASSERT_EQ(chdir(saved), 0);
  }
  char saved[PATH_MAX] = {};
  std::string folder;
};

TEST_F(ViewConstruction, ConstructorState) {
  CNuvarine2View view;
  EXPECT_EQ(view.m_installFolder, folder);
  EXPECT_EQ(view.m_settingsPath, folder + "\\nuvarine.ini");
  EXPECT_EQ(view.m_year, 0.0);
  EXPECT_EQ(view.m_month, 0.0);
  EXPECT_EQ(view.m_second, 0.0);
  EXPECT_DOUBLE_EQ(view.m_observerLatitude, 0.7824892813107911);
  EXPECT_DOUBLE_EQ(view.m_observerLongitude, 0.009890199094634533);
  EXPECT_EQ(view.m_pressure, 1013.0);
  EXPECT_EQ(view.m_temperature, 10.0);
  EXPECT_FLOAT_EQ(view.m_zoomStep, 1.07f);
  EXPECT_EQ(g_bodies[44].cameraDistance, 10000000.0);
  EXPECT_FLOAT_EQ(view.m_fieldOfView, 0.8f);
  EXPECT_EQ(view.m_loadingWindow, 1);
  EXPECT_EQ(view.m_lastSlewRightAscension, -100.0);
  EXPECT_EQ(view.m_lx200ReplyDelay, 0.1);
  EXPECT_EQ(g_telescopePort, "COM1");
  EXPECT_EQ(g_telescopeParity, 'N');
  EXPECT_EQ(g_telescopeBaudRate, 9600);
  EXPECT_EQ(view.m_starPictureFile, "etoile3.tga");
  EXPECT_EQ(view.m_landscapeFile, "landscape.tga");
  // Windows: the splash shown, the three others hidden.
  ASSERT_NE(view.m_pSplashDialog, nullptr);
  EXPECT_TRUE(view.m_pSplashDialog->IsWindowVisible());
  EXPECT_FALSE(view.m_pLoadingDialog->IsWindowVisible());
  EXPECT_FALSE(view.m_pAddPictureDialog->IsWindowVisible());
  EXPECT_FALSE(view.m_pLx200Panel->IsWindowVisible());
  EXPECT_FLOAT_EQ(view.m_pAddPictureDialog->m_scale, 1.0f);
  EXPECT_FALSE(view.m_gpsSerialPort.m_isOpen);
  for (int i = 0; i < 2 * kTlePairCount; ++i) {
    EXPECT_STREQ(view.m_tleLines[static_cast<size_t>(i)].data(), kBuiltInTleLines[i]);
  }
  // A missing log is created empty.
  EXPECT_TRUE(g_telescopeLogOpen);
  EXPECT_EQ(ReadAll(folder + "/telescope.log"), "");
}

TEST_F(ViewConstruction, StartupTextsGoToTheChosenWindow) {
  CNuvarine2View view;
  view.ShowLoadingMessage(1, 3309, "");
  EXPECT_EQ(view.m_pSplashDialog->m_statusText, "Loading of BSC5 catalogue");
  CString shown;
  view.m_pSplashDialog->GetDlgItemText(1019, shown);
  EXPECT_EQ(shown, "Loading of BSC5 catalogue");
  view.ShowLoadingMessage(2, 3305, "");
  EXPECT_EQ(view.m_pLoadingDialog->m_statusText, "Initializing 3D system...");
  view.ShowLoadingMessage(3, 3311, "");
  EXPECT_EQ(view.m_pSplashDialog->m_statusText, "Loading of BSC5 catalogue");
  view.HideLoadingDialogs();
  EXPECT_EQ(view.m_loadingWindow, 0);
  EXPECT_FALSE(view.m_pSplashDialog->IsWindowVisible());
}

TEST_F(ViewConstruction, TelescopeLogIsKeptUpToTenThousandBytes) {
  const std::string log = folder + "/telescope.log";
  WriteBytes(log, 10000);
  ASSERT_TRUE(OpenTelescopeLog(folder));
  WriteTelescopeLog("\r\nabc");
  CloseTelescopeLog();
  EXPECT_EQ(ReadAll(log).size(), 10005u);  // appended, not overwritten

  WriteBytes(log, 10001);
  ASSERT_TRUE(OpenTelescopeLog(folder));
  WriteTelescopeLog("\r\nabc");
  CloseTelescopeLog();
  // Emptied, and the next piece starts the file (no hole of zero bytes).
  EXPECT_EQ(ReadAll(log), "\r\nabc");
}

TEST_F(ViewConstruction, TelescopeLogStaysBoundedDuringALongRun) {
  const std::string log = folder + "/telescope.log";
  ASSERT_TRUE(OpenTelescopeLog(folder));
  const std::string piece = "\r\nLX200 (VMT) : 1101\r\nNuvarine : #:GR##:GD#";
  for (int i = 0; i < 5000; ++i) WriteTelescopeLog(piece.c_str());  // about 200 kB of traffic
  CloseTelescopeLog();
  const std::string kept = ReadAll(log);
  EXPECT_LE(kept.size(), 10000u + piece.size());
  EXPECT_EQ(kept.substr(0, piece.size()), piece);  // restarted at a piece boundary
}

TEST_F(ViewConstruction, UnwritableFolderLeavesTheLogClosed) {
  EXPECT_FALSE(OpenTelescopeLog(folder + "/missing/sub"));
  EXPECT_FALSE(g_telescopeLogOpen);
  WriteTelescopeLog("ignored");  // skipped
}

TEST_F(ViewConstruction, InstallFolderFallsBackToTheProgramFolder) {
  EXPECT_EQ(CurrentInstallFolder(), folder);
  std::string gone = MakeTempFolder("gone");
  ASSERT_EQ(chdir(gone.c_str()), 0);
  ASSERT_EQ(rmdir(gone.c_str()), 0);
  char exe[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", exe, sizeof(exe) - 1), 0);
  std::string expected(exe);
  expected = expected.substr(0, expected.rfind('/'));
  EXPECT_EQ(CurrentInstallFolder(), expected);
}

class ShellWindows : public ::testing::Test {
 protected:
  void SetUp() override { ShellTestApplication(); }
};

TEST_F(ShellWindows, AddPictureStepsAndBrowse) {
  AjouterImage dialog;
  ASSERT_TRUE(dialog.Create(AjouterImage::IDD));
  dialog.m_currentPath = "/pictures/m31.jpg";
  dialog.m_scale = 1.0f;
  dialog.m_rotation = 12.0f;
  dialog.LoadEditFields();
  EXPECT_EQ(dialog.m_path, "/pictures/m31.jpg");
  EXPECT_EQ(dialog.m_pictureChanged, 1);
  for (int i = 0; i < 10; ++i) dialog.SendControlNotify(1026, UDN_DELTAPOS, -1);
  EXPECT_NEAR(dialog.m_editScale, 1.1046221f, 1e-4f);
  CString shown;
  dialog.GetDlgItemText(1025, shown);
  EXPECT_EQ(shown, "1.10462");
  for (int i = 0; i < 10; ++i) dialog.SendControlNotify(1026, UDN_DELTAPOS, 1);
  EXPECT_NEAR(dialog.m_editScale, 1.0f, 1e-5f);
  dialog.SendControlNotify(1029, UDN_DELTAPOS, 1);
  dialog.SendControlNotify(1027, UDN_DELTAPOS, -1);
  EXPECT_FLOAT_EQ(dialog.m_editRotation, 11.0f);
  EXPECT_FLOAT_EQ(dialog.m_editRaCorrection, 0.1f);

  dialog.m_pictureChanged = 0;
  SetFileChooserHandler([](CString&) { return FALSE; });
  dialog.SendControlNotify(1007, BN_CLICKED);
  EXPECT_EQ(dialog.m_path, "/pictures/m31.jpg");
  EXPECT_EQ(dialog.m_pictureChanged, 0);
  SetFileChooserHandler([](CString& p) {
    p = "/pictures/m42.png";
    return TRUE;
  });
  dialog.SendControlNotify(1007, BN_CLICKED);
  EXPECT_EQ(dialog.m_path, "/pictures/m31.jpg");
  SetFileChooserHandler([](CString& p) {
    p = "/pictures/m42.jpg";
    return TRUE;
  });
  dialog.SendControlNotify(1007, BN_CLICKED);
  EXPECT_EQ(dialog.m_path, "/pictures/m42.jpg");
  EXPECT_EQ(dialog.m_pictureChanged, 1);
  // A camera's upper-case name is a picture too, offered by the chooser and taken.
  SetFileChooserHandler([](CString& p) {
    p = "/pictures/IMG_0042.JPG";
    return TRUE;
  });
  dialog.SendControlNotify(1007, BN_CLICKED);
  EXPECT_EQ(dialog.m_path, "/pictures/IMG_0042.JPG");
  SetFileChooserHandler(nullptr);
  EXPECT_EQ(AfxFileChooserNameFilters("Fichier image n\xE9" "buleuses| *.jpg|"),
            std::vector<CString>{"Fichier image n\xE9" "buleuses (*.jpg *.JPG)"});
  EXPECT_EQ(AfxFileChooserNameFilters("Pictures|*.bmp;*.Jpg|All|*.*|"),
            (std::vector<CString>{"Pictures (*.bmp *.BMP *.Jpg *.jpg *.JPG)", "All (*.*)"}));

  dialog.ShowWindow(SW_SHOW);
  dialog.SendControlNotify(1063, BN_CLICKED);
  EXPECT_TRUE(dialog.m_okPressed);
  EXPECT_TRUE(dialog.IsWindowVisible());  // the view hides it on its next frame
  dialog.SendControlNotify(1065, BN_CLICKED);
  EXPECT_TRUE(dialog.m_cancelPressed);
}

TEST_F(ShellWindows, Lx200PanelLeavesOnePendingMove) {
  LX200 panel;
  ASSERT_TRUE(panel.Create(LX200::IDD));
  EXPECT_EQ(panel.m_speedCommand, 4);
  EXPECT_EQ(panel.IsDlgButtonChecked(1069), 1u);
  EXPECT_EQ(panel.IsDlgButtonChecked(1030), 0u);
  EXPECT_FALSE(panel.IsWindowVisible());

  panel.SendControlNotify(1065, BN_CLICKED);  // N
  panel.SendControlNotify(1066, BN_CLICKED);  // S
  EXPECT_FALSE(panel.m_moveNorth);
  EXPECT_TRUE(panel.m_moveSouth);
  panel.SendControlNotify(1067, BN_CLICKED);  // Stop
  EXPECT_TRUE(panel.m_stopMotion);
  EXPECT_FALSE(panel.m_moveSouth);
  panel.SendControlNotify(1007, BN_CLICKED);  // E
  EXPECT_TRUE(panel.m_moveEast);
  EXPECT_FALSE(panel.m_stopMotion);

  panel.SendControlNotify(1030, BN_CLICKED);  // Guide
  EXPECT_EQ(panel.m_speedCommand, 1);
  EXPECT_EQ(panel.IsDlgButtonChecked(1030), 1u);
  EXPECT_EQ(panel.IsDlgButtonChecked(1069), 0u);

  panel.CheckDlgButton(1060, 1);
  panel.SendControlNotify(1060, BN_CLICKED);
  EXPECT_TRUE(panel.m_showPosition);

  panel.m_raText = "12:30:00";
  panel.m_azimuthText = "180.5";
  panel.OnTimer(10);
  CString shown;
  panel.GetDlgItemText(1019, shown);
  EXPECT_EQ(shown, "12:30:00");
  panel.GetDlgItemText(1022, shown);
  EXPECT_EQ(shown, "180.5");
}
