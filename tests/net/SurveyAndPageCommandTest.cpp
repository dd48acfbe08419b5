// The pop-up's "Add an image..." on the picked object's picture, the survey
// settings dialog with its lists per server and the cache cleaning, and the
// satellite-pass pages handed to a stub browser with the country chosen in
// the real dialog.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "AjouterImage.h"
#include "Catalogues.h"
#include "Endpoints.h"
#include "InternetDialogs.h"
#include "Nuvarine2View.h"
#include "ObjectPick.h"
#include "Resource.h"
#include "UiDefs.h"

namespace {

namespace fs = std::filesystem;
constexpr double kRad = 3.14159265358979323846 / 180.0;
constexpr UINT kAddImage = 237, kCallDss = 287;

QApplication& App() {
  static int argc = 1;
  static char name[] = "net_command_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    RegisterNuvarineResources();
    return a;
  }();
  return *app;
}

// A view whose modal dialogs are worked by `act` once they are up.
class CommandView : public CNuvarine2View {
 public:
  CommandView() {
    m_planetariumMode = true;
    m_runDialog = [this](CDialog& dialog) -> INT_PTR {
      ++dialogs;
      if (!act) return IDCANCEL;
      QTimer::singleShot(0, [this, &dialog] { act(dialog); });
      return dialog.DoModal();
    };
  }
  std::function<void(CDialog&)> act;
  int dialogs = 0;
};

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT) {
      boxes.push_back(std::string(caption.c_str()) + "|" + text.c_str());
      return answer;
    });
  }
  void TearDown() override { SetMessageBoxHandler(nullptr); }
  std::vector<std::string> boxes;
  int answer = IDOK;
};

// ---- Add an image... -------------------------------------------------------------------------

class AddPicture : public Commands {
 protected:
  void SetUp() override {
    Commands::SetUp();
    savedObjects = g_deepSkyObjects, savedCount = g_deepSkyCount;
    std::strcpy(objects[0].name, "M 1");
    std::strcpy(objects[1].name, "M 31");
    std::strcpy(objects[2].name, "M 42");
    g_deepSkyObjects = objects, g_deepSkyCount = 3;
    std::copy(std::begin(g_deepSkyPictures), std::end(g_deepSkyPictures), savedPictures);
    g_deepSkyPictures[0] = {CString("crab.jpg"), 0, 1.5f, 0.25f, -0.5f, 12.0f};
    g_deepSkyPictures[1] = {CString("andromeda.jpg"), 1, 2.0f, 1.0f, 2.0f, 35.0f};
    g_deepSkyPictures[2] = {CString(), -1, 1.0f, 0.0f, 0.0f, 0.0f};
  }
  void TearDown() override {
    g_deepSkyObjects = savedObjects, g_deepSkyCount = savedCount;
    std::copy(std::begin(savedPictures), std::end(savedPictures), g_deepSkyPictures);
    Commands::TearDown();
  }
  // A pick whose nearest deep-sky candidate is `index` (none when -1).
  static PickResult Pick(int kind, int index) {
    PickResult pick;
    pick.kind = kind;
    if (index >= 0) {
      pick.deepSkyIndex = index;
      pick.distance[PICK_DEEP_SKY] = 1e-6;
    }
    pick.distance[PICK_STAR] = 1e-8;
    return pick;
  }
  DeepSkyObject objects[3] = {};
  DeepSkyObject* savedObjects = nullptr;
  int savedCount = 0;
  DeepSkyPicture savedPictures[kDeepSkyPictureLimit + 1];
};

TEST_F(AddPicture, TheWindowOpensOnThePickedObjectsPictureOrANewOne) {
  struct Case {
    const char* what;
    PickResult pick;
    const char* path;
    float scale, ra, dec, rotation;
  };
  const Case cases[] = {
      // A star inside the galaxy's outline: the galaxy is the candidate.
      {"star inside M 31", Pick(PICK_STAR, 1), "/opt/nv\\textures\\CP\\andromeda.jpg", 2.0f, 1.0f, 2.0f, 35.0f},
      {"M 1", Pick(PICK_DEEP_SKY, 0), "/opt/nv\\textures\\CP\\crab.jpg", 1.5f, 0.25f, -0.5f, 12.0f},
      {"M 42 without a picture", Pick(PICK_DEEP_SKY, 2), "", 1.0f, 0.0f, 0.0f, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CommandView view;
    view.m_installFolder = "/opt/nv";
    view.m_lockedObject = 3;
    view.m_telescopeFollowTarget = true;
    AjouterImage& window = *view.m_pAddPictureDialog;
    window.ShowWindow(SW_HIDE);
    view.RunObjectCommand(kAddImage, c.pick);
    EXPECT_EQ(view.m_pictureTargetObject, c.pick.deepSkyIndex);
    EXPECT_EQ(view.m_lockedObject, -1);
    EXPECT_FALSE(view.m_telescopeFollowTarget);
    EXPECT_TRUE(window.IsWindowVisible());
    EXPECT_EQ(window.m_path, c.path);
    EXPECT_FLOAT_EQ(window.m_editScale, c.scale);
    EXPECT_FLOAT_EQ(window.m_editRaCorrection, c.ra);
    EXPECT_FLOAT_EQ(window.m_editDecCorrection, c.dec);
    EXPECT_FLOAT_EQ(window.m_editRotation, c.rotation);
    EXPECT_FALSE(window.m_okPressed);
    EXPECT_TRUE(boxes.empty());
  }
}

TEST_F(AddPicture, NoDeepSkyCandidateLeavesEveryPictureAlone) {
  for (int kind : {PICK_NONE, PICK_STAR}) {
    SCOPED_TRACE(kind);
    CommandView view;
    view.m_lockedObject = 3;
    AjouterImage& window = *view.m_pAddPictureDialog;
    window.ShowWindow(SW_HIDE);
    view.RunObjectCommand(kAddImage, Pick(kind, -1));
    EXPECT_EQ(view.m_pictureTargetObject, -1);
    EXPECT_EQ(view.m_lockedObject, 3);
    EXPECT_FALSE(window.IsWindowVisible());
    // Even a placement confirmed afterwards would have nothing to store.
    EXPECT_EQ(g_deepSkyPictures[0].objectNumber, 0);
    EXPECT_EQ(g_deepSkyPictures[0].fileName, "crab.jpg");
  }
}

// ---- The survey settings -----------------------------------------------------------------------

class SurveyDialog : public Commands {
 protected:
  void SetUp() override {
    Commands::SetUp();
    saved = {g_dssEnabled, g_dssServer, g_dssMode, g_dssOptions};
    for (int k = 0; k < 3; ++k) g_endpoints().surveyLabel[k] = "server " + std::to_string(k + 1);
  }
  void TearDown() override {
    g_dssEnabled = saved.enabled, g_dssServer = saved.server, g_dssMode = saved.mode, g_dssOptions = saved.options;
    Commands::TearDown();
  }
  static std::vector<std::string> Entries(CDialog& dialog, int id) {
    std::vector<std::string> out;
    for (int i = 0; i < AfxGetComboCount(&dialog, id); ++i) out.push_back(AfxGetComboString(&dialog, id, i).c_str());
    return out;
  }
  struct Shown {
    std::string server, type, option;
    std::vector<std::string> types, options;
  };
  static Shown Show(CDialog& d) {
    return {AfxGetComboText(&d, 1023).c_str(), AfxGetComboText(&d, 1024).c_str(), AfxGetComboText(&d, 1025).c_str(),
            Entries(d, 1024), Entries(d, 1025)};
  }
  struct {
    bool enabled;
    BYTE server, mode, options;
  } saved{};
};

TEST_F(SurveyDialog, ListsFollowTheServerAndOkStoresTheChoice) {
  CommandView view;
  g_dssServer = 1, g_dssMode = 2, g_dssOptions = 2, g_dssEnabled = false;
  Shown first, second, third;
  view.act = [&](CDialog& d) {
    first = Show(d);
    AfxSetComboText(&d, 1023, "server 2");
    d.SendControlNotify(1023, CBN_SELCHANGE);
    second = Show(d);
    d.CheckDlgButton(1030, 1);
    AfxSetComboText(&d, 1023, "server 3");
    d.SendControlNotify(1023, CBN_SELCHANGE);
    third = Show(d);
    AfxSetComboText(&d, 1025, kTextFalseColour);
    d.SendControlNotify(1007, BN_CLICKED);
  };
  view.OnCallDssServer();
  EXPECT_EQ(first.server, "server 1");
  EXPECT_EQ(first.type, kTextQuickV);
  EXPECT_EQ(first.option, kTextInvertedPictures);
  EXPECT_EQ(first.types, (std::vector<std::string>{kTextDss2Plates, kTextQuickV}));
  EXPECT_EQ(first.options, (std::vector<std::string>{kTextNormalPictures, kTextInvertedPictures}));
  // Server 2: one image type, two options; the first of each shown.
  EXPECT_EQ(second.types, std::vector<std::string>{kTextDss2Plates});
  EXPECT_EQ(second.options, (std::vector<std::string>{kTextNormalPictures, kTextInvertedPictures}));
  EXPECT_EQ(second.type, kTextDss2Plates);
  EXPECT_EQ(second.option, kTextNormalPictures);
  // Server 3: three options.
  EXPECT_EQ(third.options, (std::vector<std::string>{kTextNormalPictures, kTextInvertedPictures, kTextFalseColour}));
  EXPECT_EQ(g_dssServer, 3);
  EXPECT_EQ(g_dssMode, 1);
  EXPECT_EQ(g_dssOptions, 3);
  EXPECT_TRUE(g_dssEnabled);  // ticked before the server changed, kept
}

TEST_F(SurveyDialog, StoredValuesTypedServersCancelAndTheSolarSystem) {
  struct Case {
    const char* what;
    int server, mode, option;
    bool enabled;
    std::function<void(CDialog&)> work;  // then OK
    Shown shown;
    int storedServer, storedMode, storedOption;
    bool storedEnabled;
  };
  const Shown server3{"server 3", kTextDss2Plates, kTextNormalPictures, {}, {}};
  const Case cases[] = {
      {"server 7 shows server 3", 7, 2, 3, true, nullptr, server3, 3, 1, 1, true},
      {"false colour on server 3", 3, 1, 3, false, nullptr, {"server 3", kTextDss2Plates, kTextFalseColour, {}, {}},
       3, 1, 3, false},
      {"option 3 on server 2 shows normal pictures", 2, 1, 3, false, nullptr,
       {"server 2", kTextDss2Plates, kTextNormalPictures, {}, {}}, 2, 1, 1, false},
      {"a typed server is server 1", 3, 1, 2, true,
       [](CDialog& d) { AfxSetComboText(&d, 1023, "my.own.server"); },
       {"server 3", kTextDss2Plates, kTextInvertedPictures, {}, {}}, 1, 1, 2, true},
      {"untick", 2, 1, 1, true, [](CDialog& d) { d.CheckDlgButton(1030, 0); },
       {"server 2", kTextDss2Plates, kTextNormalPictures, {}, {}}, 2, 1, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CommandView view;
    g_dssServer = static_cast<BYTE>(c.server), g_dssMode = static_cast<BYTE>(c.mode);
    g_dssOptions = static_cast<BYTE>(c.option), g_dssEnabled = c.enabled;
    Shown shown;
    bool ticked = false;
    view.act = [&](CDialog& d) {
      shown = Show(d);
      ticked = d.IsDlgButtonChecked(1030) == 1;
      if (c.work) c.work(d);
      d.SendControlNotify(1007, BN_CLICKED);
    };
    view.OnCallDssServer();
    EXPECT_EQ(shown.server, c.shown.server);
    EXPECT_EQ(shown.type, c.shown.type);
    EXPECT_EQ(shown.option, c.shown.option);
    EXPECT_EQ(ticked, c.enabled);
    EXPECT_EQ(g_dssServer, c.storedServer);
    EXPECT_EQ(g_dssMode, c.storedMode);
    EXPECT_EQ(g_dssOptions, c.storedOption);
    EXPECT_EQ(g_dssEnabled, c.storedEnabled);
  }
  // Cancel keeps everything, a server changed in the dialog included.
  CommandView cancelled;
  g_dssServer = 1, g_dssMode = 2, g_dssOptions = 2, g_dssEnabled = true;
  cancelled.act = [](CDialog& d) {
    AfxSetComboText(&d, 1023, "server 3");
    d.SendControlNotify(1023, CBN_SELCHANGE);
    d.CheckDlgButton(1030, 0);
    d.SendControlNotify(IDCANCEL, BN_CLICKED);
  };
  cancelled.OnCallDssServer();
  EXPECT_EQ(cancelled.dialogs, 1);
  EXPECT_EQ(g_dssServer, 1);
  EXPECT_EQ(g_dssMode, 2);
  EXPECT_EQ(g_dssOptions, 2);
  EXPECT_TRUE(g_dssEnabled);
  // In the solar system the command does nothing, from the menu or the pop-up.
  CommandView view;
  view.m_planetariumMode = false;
  view.OnCallDssServer();
  view.RunObjectCommand(kCallDss, PickResult{});
  EXPECT_EQ(view.dialogs, 0);
  // The pop-up's entry runs the same command.
  view.m_planetariumMode = true;
  view.RunObjectCommand(kCallDss, PickResult{});
  EXPECT_EQ(view.dialogs, 1);
}

TEST_F(SurveyDialog, ClearingTheCacheRemovesThePicturesAndSaysHowMuch) {
  const std::string install = fs::absolute(::testing::TempDir() + "/dss-install").string();
  fs::remove_all(install);
  fs::create_directories(install + "/cache/DSS");
  CommandView view;
  view.m_installFolder = install.c_str();
  int clicks = 0;
  view.act = [&](CDialog& d) {
    d.SendControlNotify(1065, BN_CLICKED);  // empty cache
    std::ofstream(install + "/cache/DSS/15000-1200-3-1-1.jpg", std::ios::binary) << std::string(1 << 20, 'x');
    std::ofstream(install + "/cache/DSS/00530-0015-1-2-1.jpg", std::ios::binary) << std::string(1 << 19, 'y');
    std::ofstream(install + "/cache/DSS/temp-00530-0015-1-2-2.gif", std::ios::binary) << "GIF89a";
    d.SendControlNotify(1065, BN_CLICKED);
    clicks = 2;
    // The dialog stays open after cleaning.
    EXPECT_TRUE(d.IsWindowVisible());
    d.SendControlNotify(IDCANCEL, BN_CLICKED);
  };
  view.OnCallDssServer();
  ASSERT_EQ(clicks, 2);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], "Nuvarine 2|Cleaning completed.\r\n(0.00 Mo removed on the HDD...)");
  EXPECT_EQ(boxes[1], "Nuvarine 2|Cleaning completed.\r\n(1.50 Mo removed on the HDD...)");
  EXPECT_FALSE(fs::exists(install + "/cache/DSS/15000-1200-3-1-1.jpg"));
  EXPECT_TRUE(fs::exists(install + "/cache/DSS/temp-00530-0015-1-2-2.gif"));
}

// ---- Satellite-pass pages ----------------------------------------------------------------------

class PassPages : public Commands {
 protected:
  void SetUp() override {
    Commands::SetUp();
    savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    saved = g_endpoints();
    g_endpoints().passHost = "127.0.0.1:9";
    g_endpoints().iridiumHost = "127.0.0.1:9";
    const std::string stub = fs::absolute(::testing::TempDir() + "/pages-stub").string();
    fs::create_directories(stub);
    log = stub + "/opened.log";
    fs::remove(log);
    std::ofstream(stub + "/xdg-open") << "#!/bin/sh\necho \"$1\" >> \"" << log << "\"\n";
    chmod((stub + "/xdg-open").c_str(), 0755);
    setenv("PATH", (stub + ":" + savedPath).c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", savedPath.c_str(), 1);
    g_endpoints() = saved;
    Commands::TearDown();
  }
  // The observer at 48.5 N, 2.25 E, 100 m; 10 January 2024, zone +1.
  static void Place(CNuvarine2View& view, double hour, double minute) {
    view.m_observerLatitude = 48.5 * kRad;
    view.m_observerLongitude = -2.25 * kRad;
    view.m_observerElevation = 100.0;
    view.m_utcOffset = 1.0;
    view.m_hour = hour;
    view.m_minute = minute;
    view.m_julianDate = 2460319.5 + (hour + minute / 60.0 - 1.0) / 24.0;
  }
  // Lines the stub browser was given; waits for `count` (it runs detached).
  std::vector<std::string> Opened(size_t count) {
    std::vector<std::string> lines;
    for (int i = 0; i < 500; ++i) {
      lines.clear();
      std::ifstream in(log);
      for (std::string line; std::getline(in, line);) lines.push_back(line);
      if (lines.size() >= count) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return lines;
  }
  // The country dialog: the row shown first, then `text` typed or chosen and OK.
  std::function<void(CDialog&)> Country(const char* text, std::string* shown = nullptr, int* count = nullptr) {
    return [=](CDialog& d) {
      if (shown) *shown = AfxGetComboText(&d, 1023).c_str();
      if (count) *count = AfxGetComboCount(&d, 1023);
      if (text) AfxSetComboText(&d, 1023, text);
      d.SendControlNotify(text ? IDOK : IDCANCEL, BN_CLICKED);
    };
  }
  std::string savedPath, log;
  Endpoints saved;
};

TEST_F(PassPages, IridiumFlaresForTheObserversPlaceAfterTheQuestion) {
  CommandView view;
  Place(view, 21.0, 0.0);
  std::string shown;
  int count = 0;
  view.act = Country(nullptr, &shown, &count);
  answer = IDNO;
  view.OnIridiumFlares();
  EXPECT_EQ(view.dialogs, 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Nuvarine 2.0|Searching for Iridium flares for the next 7 days.");
  answer = IDYES;
  view.OnIridiumFlares();  // Cancel in the country dialog
  EXPECT_EQ(view.dialogs, 1);
  EXPECT_EQ(shown, g_countryTimeZones[30].country);
  EXPECT_EQ(count, 77);
  view.act = Country(g_countryTimeZones[30].country);
  view.OnIridiumFlares();
  const std::vector<std::string> opened = Opened(1);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "http://127.0.0.1:9/iridium.asp?lat=48.5000&lng=2.2500&alt=000100&loc=Unspecified&TZ=CET&Dur=7");
}

TEST_F(PassPages, SatelliteVisibilityByCivilHourAndTypedCountry) {
  struct Case {
    double hour, minute;
    const char* country;  // typed or chosen; nullptr cancels
    const char* tail;     // nullptr: no page
  };
  const Case cases[] = {
      {0, 30, g_countryTimeZones[30].country, "&TZ=CET&Date=45300.6875&Mag=4.5"},
      {9, 0, g_countryTimeZones[30].country, "&TZ=CET&Date=45301.1875&Mag=4.5&AM=T"},
      {12, 0, g_countryTimeZones[30].country, "&TZ=CET&Date=45301.6875&Mag=4.5"},
      {12, 0, "(GMT+5.75) NEPAL", "&TZ=UCTm5colon45&Date=45301.6875&Mag=4.5"},
      {12, 0, "France", nullptr},
      {12, 0, nullptr, nullptr},
  };
  size_t pages = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.hour) + (c.country ? c.country : "cancel"));
    CommandView view;
    Place(view, c.hour, c.minute);
    view.act = Country(c.country);
    view.OnSatelliteVisibility();
    EXPECT_EQ(view.dialogs, 1);
    if (c.tail) ++pages;
    std::vector<std::string> opened = Opened(pages);
    if (!c.tail) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      opened = Opened(pages);
    }
    ASSERT_EQ(opened.size(), pages);
    if (c.tail)
      EXPECT_EQ(opened.back(),
                std::string("http://127.0.0.1:9/allsats.asp?lat=48.5000&lng=2.2500&alt=000100&loc=Unspecified") + c.tail);
  }
  EXPECT_TRUE(boxes.empty());
}

TEST_F(PassPages, SolarSystemNoSiteAndNoBrowser) {
  CommandView view;
  Place(view, 21.0, 0.0);
  view.act = Country(g_countryTimeZones[30].country);
  answer = IDYES;
  view.m_planetariumMode = false;
  view.OnIridiumFlares();
  view.OnSatelliteVisibility();
  EXPECT_EQ(view.dialogs, 0);
  EXPECT_TRUE(boxes.empty());

  // No site known: said at once, no question, no dialog.
  view.m_planetariumMode = true;
  g_endpoints().iridiumHost.clear();
  g_endpoints().passHost.clear();
  view.OnIridiumFlares();
  view.OnSatelliteVisibility();
  EXPECT_EQ(view.dialogs, 0);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("No web site is known for this page."), std::string::npos);
  EXPECT_EQ(boxes[1], boxes[0]);

  // No browser: the user learns the address.
  boxes.clear();
  g_endpoints().passHost = "127.0.0.1:9";
  const std::string empty = fs::absolute(::testing::TempDir() + "/pages-empty").string();
  fs::create_directories(empty);
  setenv("PATH", empty.c_str(), 1);
  view.OnSatelliteVisibility();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("no web browser could be started"), std::string::npos);
  EXPECT_NE(boxes[0].find("http://127.0.0.1:9/allsats.asp?lat=48.5000&lng=2.2500"), std::string::npos);
}

}  // namespace
