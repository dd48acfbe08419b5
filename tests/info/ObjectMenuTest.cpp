// The object pop-up menu per kind and mode, the target its commands leave,
// Center, Follow and the lock-on move, and the body commands of the
// Observation menu.
#include <gtest/gtest.h>

#include <QApplication>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <cstring>
#include <string>
#include <vector>

#include "InfoDialogs.h"
#include "InfoTestSupport.h"
#include "Menu.h"
#include "Notes.h"
#include "Nuvarine2View.h"
#include "Resource.h"
#include "SolarSystemTypes.h"
#include "UiDefs.h"

namespace {

QApplication& MenuApp() {
  static int argc = 1;
  static char name[] = "menu_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = qApp ? qApp : new QApplication(argc, argv);
  RegisterNuvarineResources();
  return *app;
}

// The entries of a menu as "id:text" (separators "-").
std::vector<std::string> Entries(const CMenu& menu) {
  std::vector<std::string> out;
  for (const CMenu::Item& item : menu.Items())
    out.push_back((item.flags & MF_SEPARATOR) ? "-" : std::to_string(item.id) + ":" + item.text.c_str());
  return out;
}

class MenuView : public CNuvarine2View {
 public:
  MenuView() {
    infotest::SetParis(*this);
    m_installFolder = NUVARINE_INSTALL_DIR;
    m_planetariumMode = true;
    m_backBufferWidth = 1280.0f, m_backBufferHeight = 1024.0f;
    m_halfBackBufferWidth = 640.0f, m_halfBackBufferHeight = 512.0f;
    m_fieldOfView = 0.8f;
    m_camera.SetProjectionParameters(0.8f, 1280.0f / 1024.0f, 1e-5f, 2.3f);
    m_runDialog = [this](CDialog& dialog) -> INT_PTR {
      ++dialogCount;
      if (auto* info = dynamic_cast<CObjectInfoDialog*>(&dialog)) {
        kind = info->m_objectKind;
        text = info->m_rtfText.c_str();
        info->m_center = center, info->m_follow = follow;
      }
      if (auto* info3d = dynamic_cast<CObjectInfoDialog3D*>(&dialog)) {
        kind = info3d->m_objectKind;
        text = info3d->m_rtfText.c_str();
        info3d->m_lock = lock;
      }
      return result;
    };
  }
  void ResetAndRotateCamera(float yaw, float pitch) override {
    ++turns;
    CNuvarine2View::ResetAndRotateCamera(yaw, pitch);
    D3DXMatrixMultiply(&m_viewProjectionMatrix, &m_camera.m_viewMatrix, &m_camera.m_projectionMatrix);
  }
  int dialogCount = 0, kind = -1, turns = 0;
  std::string text;
  bool center = false, follow = false, lock = false;
  INT_PTR result = IDOK;
};

class ObjectMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    MenuApp();
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT) {
      boxes.push_back(std::string(caption.c_str()) + "|" + text.c_str());
      return IDOK;
    });
    view.UpdateSkyPositions();
  }
  void TearDown() override {
    SetMessageBoxHandler(nullptr);
    SetPopupMenuHandler(nullptr);
  }
  std::vector<std::string> Menu(const PickResult& pick) {
    CMenu menu;
    view.BuildObjectMenu(pick, menu);
    return Entries(*menu.GetSubMenu(0));
  }
  MenuView view;
  std::vector<std::string> boxes;
};

PickResult Picked(int kind) {
  PickResult p;
  p.kind = kind;
  p.deepSkyIndex = infotest::DeepSkyByName("M 31");
  p.bodyIndex = kBodyJupiter;
  p.starIndex = infotest::BrightStarByNumber(7001);
  p.starCatalogue = STAR_BRIGHT;
  p.cometIndex = 0;
  p.asteroidIndex = 0;
  return p;
}

TEST_F(ObjectMenu, PlanetariumMenusPerKind) {
  const std::string jupiter = "0:Jupiter", comet = std::string("0:") + g_comets[0].name,
                    asteroid = std::string("0:") + g_asteroids[0].name;
  struct Case {
    int kind;
    std::vector<std::string> entries;
  } cases[] = {
      {PICK_DEEP_SKY, {"0:M 31", "-", "235:Information", "236:Follow", "284:Center", "237:Add an image...",
                       "287:Call a DSS server...", "32780:Notes"}},
      {PICK_BODY, {jupiter, "-", "235:Information", "236:Follow", "284:Center", "32780:Notes"}},
      {PICK_STAR, {"0:Star HD : 172167", "-", "235:Information", "236:Follow", "284:Center", "287:Call a DSS server...",
                   "32780:Notes"}},
      {PICK_COMET, {comet, "-", "235:Information", "236:Follow", "284:Center", "32780:Notes"}},
      {PICK_ASTEROID, {asteroid, "-", "235:Information", "236:Follow", "284:Center", "32780:Notes"}},
      {PICK_WORK_UNIT, {"0:Seti@Home", "-", "235:Information", "236:Follow", "284:Center", "0:", "32780:Notes"}},
      {PICK_NONE, {"0:", "-", "235:Information", "236:Follow", "284:Center", "237:Add an image...",
                   "287:Call a DSS server...", "32780:Notes"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(Menu(Picked(c.kind)), c.entries);
  }
  // A Tycho-2 star is titled by its own catalogue.
  PickResult tycho = Picked(PICK_STAR);
  tycho.starCatalogue = STAR_TYCHO2_PART2;
  EXPECT_EQ(Menu(tycho)[0], "0:Star");
}

TEST_F(ObjectMenu, SolarSystemMenusPerKind) {
  view.m_planetariumMode = false;
  struct Case {
    int kind;
    bool locked;
    std::vector<std::string> entries;
  } cases[] = {
      {PICK_DEEP_SKY, false, {"0:M 31", "-", "144:Information"}},
      {PICK_BODY, false, {"0:Jupiter", "-", "144:Information", "181:Lock on object"}},
      {PICK_BODY, true, {"0:Jupiter", "-", "144:Information", "181:Unlock object"}},
      {PICK_STAR, false, {"0:Star HD : 172167", "-", "144:Information"}},
      {PICK_WORK_UNIT, false, {"0:Seti@Home", "-", "144:Information"}},
      {PICK_NONE, false, {"0:", "-", "144:Information", "181:Unlock object"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << c.locked);
    PickResult p = Picked(c.kind);
    p.lockedIsPicked = c.locked;
    EXPECT_EQ(Menu(p), c.entries);
  }
}

TEST_F(ObjectMenu, EscapeOnlySkipsTheNextMove) {
  std::string title;
  SetPopupMenuHandler([&](const CMenu& menu) -> UINT {
    title = menu.Items()[0].text.c_str();
    return 0;
  });
  view.m_lockedObject = 5;
  view.m_targetMarked = false;
  const double target = view.m_targetAzimuth;
  view.RunObjectMenu(Picked(PICK_STAR));
  EXPECT_EQ(title, "Star HD : 172167");
  EXPECT_TRUE(view.m_skipNextMouseMove);
  EXPECT_EQ(view.m_lockedObject, 5);
  EXPECT_FALSE(view.m_targetMarked);
  EXPECT_EQ(view.m_targetAzimuth, target);
  EXPECT_EQ(view.dialogCount, 0);
}

TEST_F(ObjectMenu, CenterFollowAndInformation) {
  auto choose = [](UINT command) { SetPopupMenuHandler([command](const CMenu&) { return command; }); };
  // Center on Capella: the screen centre looks at the target within a pixel.
  PickResult vega = Picked(PICK_STAR);
  vega.starIndex = infotest::BrightStarByNumber(1708);
  choose(284);
  view.m_lockedObject = 4;
  view.m_telescopeFollowTarget = true;
  view.RunObjectMenu(vega);
  ASSERT_GT(view.m_targetAltitude, 0.0);
  EXPECT_EQ(view.m_lockedObject, -1);
  EXPECT_FALSE(view.m_telescopeFollowTarget);
  EXPECT_TRUE(view.m_targetMarked);
  float latitude = 0, longitude = 0;
  view.ScreenToSky(640, 512, latitude, longitude);
  const double pixel = 2.0 * std::tan(0.4) / 1024.0;
  EXPECT_LT(PickSeparation(longitude, latitude, view.m_targetAzimuth, view.m_targetAltitude), 1.5 * pixel);

  // Follow on a star: the telescope follows, the view is unlocked.
  choose(236);
  view.m_lockedObject = 4;
  view.RunObjectMenu(vega);
  EXPECT_TRUE(view.m_telescopeFollowTarget);
  EXPECT_EQ(view.m_lockedObject, -1);
  EXPECT_DOUBLE_EQ(view.m_followRightAscension, view.m_targetRightAscension);
  // Follow on a planet locks the view on it.
  view.RunObjectMenu(Picked(PICK_BODY));
  EXPECT_EQ(view.m_lockedObject, kBodyJupiter);

  // Center on a body below the horizon only unlocks.
  int below = -1;
  for (int k = 1; k <= 9 && below < 0; ++k)
    if (g_bodies[k].altitude < 0) below = k;
  ASSERT_GE(below, 0);
  PickResult low = Picked(PICK_BODY);
  low.bodyIndex = below;
  choose(284);
  view.m_lockedObject = 3;
  const int turns = view.turns;
  view.RunObjectMenu(low);
  EXPECT_EQ(view.turns, turns);
  EXPECT_EQ(view.m_lockedObject, -1);
  EXPECT_TRUE(boxes.empty());

  // Information: the deep-sky text and banner; nothing at all for no pick.
  choose(235);
  view.RunObjectMenu(Picked(PICK_DEEP_SKY));
  EXPECT_EQ(view.kind, OBJECT_DEEP_SKY);
  EXPECT_NE(view.text.find("M 31"), std::string::npos);
  const int dialogs = view.dialogCount;
  view.RunObjectMenu(Picked(PICK_NONE));
  EXPECT_EQ(view.dialogCount, dialogs);
}

TEST_F(ObjectMenu, SolarSystemLockOnMoveAndNothingPicked) {
  view.m_planetariumMode = false;
  view.m_cameraPosition = Vector3d{0, 0, 0};
  view.m_cameraUp = D3DXVECTOR3(0, 1, 0);
  view.m_cameraSide = D3DXVECTOR3(0, 0, 1);
  const Vector3d saved = g_bodies[kBodyMars].position;
  g_bodies[kBodyMars].position = Vector3d{0, 50, 0};  // straight up from the camera
  SetPopupMenuHandler([](const CMenu&) -> UINT { return 181; });
  view.m_lockedObject = -1;
  view.m_flightTargetBody = -1;
  PickResult mars = Picked(PICK_BODY);
  mars.bodyIndex = kBodyMars;
  view.RunObjectMenu(mars);
  EXPECT_EQ(view.m_flightTargetBody, kBodyMars);
  EXPECT_EQ(view.m_lockedObject, kBodyMars);
  EXPECT_FLOAT_EQ(view.m_centeringAngle2, 1.5707964f);
  EXPECT_NEAR(view.m_centeringAngle1, 0.0f, 1e-6f);
  // The same item on the locked object unlocks it.
  mars.lockedIsPicked = true;
  view.RunObjectMenu(mars);
  EXPECT_EQ(view.m_lockedObject, -1);
  // With nothing picked the item does nothing.
  view.m_flightTargetBody = 7;
  view.RunObjectMenu(Picked(PICK_NONE));
  EXPECT_EQ(view.m_lockedObject, -1);
  EXPECT_EQ(view.m_flightTargetBody, 7);
  g_bodies[kBodyMars].position = saved;
}

TEST_F(ObjectMenu, BodyCommands) {
  // Planetarium mode: above the horizon the target is set and Close turns
  // the view; Escape does not; the Earth, and altitude 0, are below.
  int above = -1;
  for (int k = 1; k <= 9 && above < 0; ++k)
    if (k != kBodyEarth && g_bodies[k].altitude > 0) above = k;
  ASSERT_GE(above, 0);
  struct Case {
    INT_PTR result;
    int turns;
  } cases[] = {{IDOK, 1}, {IDCANCEL, 0}};
  for (const Case& c : cases) {
    view.turns = 0;
    view.result = c.result;
    view.ShowBodyInformation(above, OBJECT_PLANET);
    EXPECT_EQ(view.turns, c.turns);
    EXPECT_TRUE(view.m_targetMarked);
    EXPECT_DOUBLE_EQ(view.m_targetAltitude, g_bodies[above].altitude);
  }
  view.result = IDOK;
  view.turns = 0;
  view.ShowBodyInformation(kBodyEarth, OBJECT_PLANET);
  const double savedAltitude = g_bodies[above].altitude;
  g_bodies[above].altitude = 0.0;
  view.ShowBodyInformation(above, OBJECT_PLANET);
  g_bodies[above].altitude = savedAltitude;
  EXPECT_EQ(view.turns, 0);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], "Nuvarine 2|This object is below the horizon !");
  // A body of 0.5 km shows the spacecraft text and banner.
  const double diameter = g_bodies[kBodyIss].diameter;
  g_bodies[kBodyIss].diameter = 0.5;
  view.ShowBodyInformation(kBodyIss, OBJECT_PLANET);
  EXPECT_EQ(view.kind, OBJECT_SPACECRAFT);
  g_bodies[kBodyIss].diameter = diameter;
  // Solar-system mode: the body is locked whatever closes the dialog.
  view.m_planetariumMode = false;
  view.m_lockedObject = -1;
  view.result = IDCANCEL;
  view.ShowBodyInformation(kBodyMars, OBJECT_PLANET);
  EXPECT_EQ(view.m_lockedObject, kBodyMars);
  // A scripted scene shows nothing.
  view.m_suppressObjectInfo = true;
  const int dialogs = view.dialogCount;
  view.ShowBodyInformation(kBodyMars, OBJECT_PLANET);
  EXPECT_EQ(view.dialogCount, dialogs);
}

TEST_F(ObjectMenu, NotesUseStableKeys) {
  PickResult vega = Picked(PICK_STAR);
  std::string seen;
  view.m_runDialog = [&](CDialog& dialog) -> INT_PTR {
    if (auto* notes = dynamic_cast<Notes*>(&dialog)) {
      seen = notes->m_text.c_str();
      notes->m_text = "Double star";
    }
    return IDOK;
  };
  const std::string folder = ::testing::TempDir() + "nv-notes-" + std::to_string(::getpid());
  std::filesystem::create_directories(folder);
  view.m_installFolder = folder.c_str();
  SetPopupMenuHandler([](const CMenu&) -> UINT { return 32780; });
  view.RunObjectMenu(vega);
  CString stored;
  AppendObjectNote(view.m_installFolder, NOTE_STARS, vega.starIndex, stored, false);
  EXPECT_EQ(std::string(stored.c_str()), "Double star");
  view.RunObjectMenu(vega);
  EXPECT_EQ(seen, "Double star");
  // Nothing picked: the dialog opens empty and nothing is stored.
  seen = "?";
  view.RunObjectMenu(Picked(PICK_NONE));
  EXPECT_EQ(seen, "");
  std::filesystem::remove_all(folder);
}

}  // namespace

namespace {
TEST_F(ObjectMenu, ScreenCentreNearTheZenithIsTheLookDirection) {
  for (double alt : {0.3, 1.2, 1.4, 1.51, 1.55}) {
    const double az = 2.508;
    view.ResetAndRotateCamera(static_cast<float>(-az), static_cast<float>(alt));
    float latitude = 0, longitude = 0;
    view.ScreenToSky(640, 512, latitude, longitude);
    EXPECT_LT(PickSeparation(longitude, latitude, az, alt), 0.001) << alt << " " << latitude << " " << longitude;
  }
}
}  // namespace

namespace {
// Follow on a planet locks the view on it; the following frames' follow
// step keeps it at the screen centre while time runs.
TEST_F(ObjectMenu, FollowedPlanetStaysCentredAsTimeRuns) {
  int above = -1;
  for (int k = 1; k <= 9 && above < 0; ++k)
    if (k != kBodyEarth && g_bodies[k].altitude > 0.1) above = k;
  ASSERT_GE(above, 0);
  PickResult planet = Picked(PICK_BODY);
  planet.bodyIndex = above;
  SetPopupMenuHandler([](const CMenu&) -> UINT { return 236; });
  view.RunObjectMenu(planet);
  ASSERT_EQ(view.m_lockedObject, above);
  const double pixel = 2.0 * std::tan(0.4) / 1024.0;
  for (int frame = 0; frame < 3; ++frame) {
    view.m_minute += 10.0;
    view.UpdateSkyPositions();
    view.FollowObjectWithTelescope();
    float latitude = 0, longitude = 0;
    view.ScreenToSky(640, 512, latitude, longitude);
    const BodyState& b = g_bodies[above];
    EXPECT_LT(PickSeparation(longitude, latitude, b.azimuth, b.altitude), 1.5 * pixel) << frame;
    EXPECT_DOUBLE_EQ(view.m_targetAzimuth, b.azimuth);
  }
  view.m_minute -= 30.0;
  view.UpdateSkyPositions();
}
}  // namespace
