// Picking: the category rules on small fixtures (true angles near the
// zenith, ties, the Moon, the Sun and Mercury, solar-system eligibility) and
// headless picks at the projected pixel of real objects of the generated
// catalogues, with the select question inside a deep-sky outline.
#include <gtest/gtest.h>

#include <QApplication>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Catalogues.h"
#include "FindDialogs.h"
#include "InfoTestSupport.h"
#include "Menu.h"
#include "Nuvarine2View.h"
#include "ObjectPick.h"
#include "Resource.h"
#include "SkyModel.h"
#include "SolarSystemTypes.h"
#include "UiDefs.h"

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new infotest::ObservationEnvironment);

QApplication& App() {
  static int argc = 1;
  static char name[] = "pick_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = qApp ? qApp : new QApplication(argc, argv);
  RegisterNuvarineResources();
  return *app;
}

// ---- Fixtures: hand-made tables ------------------------------------------------------------

// Saves the process-wide tables a fixture replaces and puts them back.
class FixtureTables : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    savedBright = g_brightStars, savedBrightCount = g_brightStarCount;
    savedDeep = g_deepSkyObjects, savedDeepCount = g_deepSkyCount;
    savedSky2000 = g_sky2000Stars, savedSky2000Count = g_sky2000StarCount;
    savedTycho = g_tycho2Stars, savedTychoCount = g_tycho2StarCount;
    savedTycho2 = g_tycho2Part2Stars, savedTycho2Count = g_tycho2Part2StarCount;
    std::memcpy(savedBodies, g_bodies, sizeof g_bodies);
    g_brightStars = bright.data(), g_brightStarCount = 0;
    g_deepSkyObjects = deep.data(), g_deepSkyCount = 0;
    g_sky2000Stars = sky2000.data(), g_sky2000StarCount = 0;
    g_tycho2Stars = nullptr, g_tycho2StarCount = 0;
    g_tycho2Part2Stars = nullptr, g_tycho2Part2StarCount = 0;
    for (BodyState& b : g_bodies) {
      b = BodyState{};
      b.altitude = -1.5;  // far below the cursor
      b.j2000Declination = -1.5;
      b.cameraDistance = 1.0;
    }
    sky.m_planetariumMode = true;
    sky.m_limitingMagnitude = 7.0;
    sky.m_showComets = sky.m_showAsteroids = false;
    context.planetarium = true;
    context.fieldOfView = 0.8f;
    context.deepSkyLimitingMagnitude = 10.0;
  }
  void TearDown() override {
    g_brightStars = savedBright, g_brightStarCount = savedBrightCount;
    g_deepSkyObjects = savedDeep, g_deepSkyCount = savedDeepCount;
    g_sky2000Stars = savedSky2000, g_sky2000StarCount = savedSky2000Count;
    g_tycho2Stars = savedTycho, g_tycho2StarCount = savedTychoCount;
    g_tycho2Part2Stars = savedTycho2, g_tycho2Part2StarCount = savedTycho2Count;
    std::memcpy(g_bodies, savedBodies, sizeof g_bodies);
  }
  void AddStar(float az, float alt, float magnitude = 3.0f, int hd = 0) {
    BrightStar& s = bright[g_brightStarCount++];
    s = BrightStar{};
    s.azimuth = az, s.altitude = alt, s.rightAscension = az, s.declination = alt;
    s.magnitude = magnitude;
    s.hdNumber = hd;
  }
  void AddDeepSky(double az, double alt, float largeSize, const char* name) {
    DeepSkyObject& o = deep[g_deepSkyCount++];
    o = DeepSkyObject{};
    o.azimuth = az, o.altitude = alt;
    o.rightAscension = static_cast<float>(az), o.declination = static_cast<float>(alt);
    o.magnitude = 5.0f;
    o.largeSize = largeSize;
    std::strncpy(o.name, name, sizeof o.name - 1);
  }
  PickResult Pick(double a, double b) {
    PickResult r = ScanPickCandidates(sky, context, a, b);
    DecidePickWinner(sky, context, r);
    return r;
  }

  CSkyModel sky;
  PickContext context;
  std::vector<BrightStar> bright = std::vector<BrightStar>(16);
  std::vector<DeepSkyObject> deep = std::vector<DeepSkyObject>(8);
  std::vector<Sky2000Star> sky2000 = std::vector<Sky2000Star>(8);

 private:
  BrightStar* savedBright;
  int savedBrightCount;
  DeepSkyObject* savedDeep;
  int savedDeepCount;
  Sky2000Star* savedSky2000;
  int savedSky2000Count;
  Tycho2Star* savedTycho;
  int savedTychoCount;
  Tycho2Star* savedTycho2;
  int savedTycho2Count;
  BodyState savedBodies[kBodyCount];
};

using PickRules = FixtureTables;

TEST_F(PickRules, TrueAnglesLetTheObjectUnderTheCursorWinNearTheZenithAndAPole) {
  // At altitude 85 degrees, 40 degrees of azimuth are 3.4 degrees on the sky,
  // while a star 5 degrees lower is 5 degrees away: the flat measure would
  // pick the lower one.
  for (bool planetarium : {true, false}) {
    SCOPED_TRACE(planetarium);
    g_brightStarCount = 0;
    sky.m_planetariumMode = context.planetarium = planetarium;
    AddStar(0.0f, static_cast<float>(80 * kDeg));
    AddStar(static_cast<float>(40 * kDeg), static_cast<float>(85 * kDeg));
    const PickResult r = Pick(0.0, 85 * kDeg);
    EXPECT_EQ(r.kind, PICK_STAR);
    EXPECT_EQ(r.starIndex, 1);
    EXPECT_NEAR(std::sqrt(r.distance[PICK_STAR]), 2 * std::asin(std::cos(85 * kDeg) * std::sin(20 * kDeg)), 1e-6);
  }
}

TEST_F(PickRules, CategoriesExactlyAsNearGiveNothingAndEmptySkyGivesNothing) {
  EXPECT_EQ(Pick(1.0, 0.5).kind, PICK_NONE);
  AddStar(1.25f, 0.5f);
  AddDeepSky(1.25, 0.5, 0.0f, "NGC 1");
  const PickResult tie = Pick(1.0, 0.5);
  EXPECT_EQ(tie.distance[PICK_STAR], tie.distance[PICK_DEEP_SKY]);
  EXPECT_EQ(tie.kind, PICK_NONE);
  // Far from everything the nearest star still wins: stars have no size limit.
  g_deepSkyCount = 0;
  EXPECT_EQ(Pick(3.0, -0.5).kind, PICK_STAR);
}

TEST_F(PickRules, TheMoonWithinAQuarterDegreeBeatsANearerStar) {
  BodyState& moon = g_bodies[kBodyMoon];
  moon.azimuth = 1.0, moon.altitude = 0.5, moon.apparentDiameter = 0.009;
  struct Case {
    double offsetDegrees;
    int kind;
  } cases[] = {{0.2, PICK_BODY}, {0.3, PICK_STAR}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offsetDegrees);
    g_brightStarCount = 0;
    const double cursorAlt = 0.5 + c.offsetDegrees * kDeg;
    AddStar(1.0f, static_cast<float>(cursorAlt + 0.05 * kDeg));
    const PickResult r = Pick(1.0, cursorAlt);
    EXPECT_LT(r.distance[PICK_STAR], r.distance[PICK_BODY]);
    EXPECT_EQ(r.bodyIndex, kBodyMoon);
    EXPECT_EQ(r.kind, c.kind);
  }
}

TEST_F(PickRules, TheSunScannedFirstAndLargerStaysBeforeANearerMercury) {
  BodyState& sun = g_bodies[kBodySun];
  sun.azimuth = 2.0, sun.altitude = 0.3, sun.apparentDiameter = 0.0093;
  BodyState& mercury = g_bodies[kBodyMercury];
  mercury.azimuth = 2.0, mercury.altitude = 0.3 + 0.3 * kDeg, mercury.apparentDiameter = 3e-5;
  context.fieldOfView = 1.0f;
  const PickResult r = Pick(2.0, 0.3 + 0.25 * kDeg);
  EXPECT_EQ(r.kind, PICK_BODY);
  EXPECT_EQ(r.bodyIndex, kBodySun);
  // Without the Sun, Mercury is picked.
  sun.altitude = -1.5;
  EXPECT_EQ(Pick(2.0, 0.3 + 0.25 * kDeg).bodyIndex, kBodyMercury);
}

TEST_F(PickRules, SolarSystemEligibilityAndOnlyBrightStars) {
  sky.m_planetariumMode = context.planetarium = false;
  sky.m_cameraPosition = Vector3d{0, 0, 0};
  // The view looks along +y: a point with negative y lies behind the camera.
  context.inViewCone = [](float, float y, float, float) { return y > 0.0f; };
  auto place = [](int body, double ra, double dec, double y, double cameraDistance) {
    BodyState& b = g_bodies[body];
    b.j2000RightAscension = ra, b.j2000Declination = dec;
    b.position = Vector3d{0, y, 0};
    b.cameraDistance = cameraDistance;
    b.apparentDiameter = 0.001;
  };
  struct Case {
    int body;
    double y, cameraDistance;
    bool picked;
  } cases[] = {
      {kBodyMars, 1.0, 50.0, true},       {kBodyMars, -1.0, 50.0, false},  // behind the camera
      {kBodyIo, 1.0, 99.0, true},         {kBodyIo, 1.0, 700.0, false},    // a moon too far away
      {kBodySedna, 1.0, 12000.0, true},   // Sedna always
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.body << " " << c.y << " " << c.cameraDistance);
    for (BodyState& b : g_bodies) b.j2000Declination = -1.5, b.position = Vector3d{0, -1, 0};
    place(c.body, 0.7, 0.2, c.y, c.cameraDistance);
    const PickResult r = Pick(0.7, 0.2 + 0.001);
    EXPECT_EQ(r.kind == PICK_BODY && r.bodyIndex == c.body, c.picked);
  }
  // Tile stars carry horizontal places only: in this mode they never take part.
  for (BodyState& b : g_bodies) b.j2000Declination = -1.5;
  sky.m_sky2000Loaded = true;
  g_sky2000StarCount = 1;
  sky2000[0] = Sky2000Star{};
  sky2000[0].azimuth = 0.7f, sky2000[0].altitude = 0.2f, sky2000[0].magnitude = 5.0f;
  AddStar(0.9f, 0.2f, 3.0f, 1234);
  const PickResult star = Pick(0.7, 0.2);
  EXPECT_EQ(star.kind, PICK_STAR);
  EXPECT_EQ(star.starCatalogue, STAR_BRIGHT);
  EXPECT_EQ(std::string(StarTitle(star).c_str()), "Star HD : 1234");
}

TEST_F(PickRules, StarInsideADeepSkyOutlineAsksAndTheAnswerDecides) {
  AddDeepSky(1.0, 0.4, static_cast<float>(2 * kDeg), "M 45");
  AddStar(1.0f, static_cast<float>(0.4 + 0.3 * kDeg), 2.9f, 23630);
  struct Case {
    int selection;
    int kind;
  } cases[] = {{1, PICK_STAR}, {0, PICK_DEEP_SKY}, {-1, PICK_DEEP_SKY}};
  for (const Case& c : cases) {
    CString deepLine, starLine;
    context.chooseStarOrDeepSky = [&](const CString& d, const CString& s) {
      deepLine = d, starLine = s;
      return c.selection;
    };
    const PickResult r = Pick(1.0, 0.4 + 0.3 * kDeg);
    EXPECT_EQ(std::string(deepLine.c_str()), "M 45");
    EXPECT_EQ(std::string(starLine.c_str()), "Star HD : 23630");
    EXPECT_EQ(r.kind, c.kind);
  }
  // Outside the outline nobody is asked.
  bool asked = false;
  context.chooseStarOrDeepSky = [&](const CString&, const CString&) { return asked = true, 1; };
  g_brightStarCount = 0;
  AddStar(1.0f, static_cast<float>(0.4 + 1.5 * kDeg));
  EXPECT_EQ(Pick(1.0, 0.4 + 1.5 * kDeg).kind, PICK_STAR);
  EXPECT_FALSE(asked);
}

TEST_F(PickRules, TheLastTileCatalogueThatImprovedNamesTheStar) {
  sky.m_sky2000Loaded = true;
  sky.m_tycho2Loaded = true;
  context.tycho2Part2Loaded = true;
  sky.m_limitingMagnitude = 12.0;
  std::vector<Tycho2Star> first(2), second(2);
  g_sky2000StarCount = 1;
  sky2000[0] = Sky2000Star{};
  sky2000[0].azimuth = 1.0f, sky2000[0].altitude = 0.2f, sky2000[0].magnitude = 8.0f;
  first[0].azimuth = 1.0f, first[0].altitude = 0.21f, first[0].vtMagnitude = 9.0f;
  second[1].azimuth = 1.0f, second[1].altitude = 0.2001f, second[1].vtMagnitude = 11.0f;
  second[0].azimuth = 3.0f, second[0].altitude = 0.2f, second[0].vtMagnitude = 11.0f;
  g_tycho2Stars = first.data(), g_tycho2StarCount = 1;
  g_tycho2Part2Stars = second.data(), g_tycho2Part2StarCount = 2;
  PickResult r = Pick(1.0, 0.20008);
  EXPECT_EQ(r.starCatalogue, STAR_TYCHO2_PART2);
  EXPECT_EQ(r.starIndex, 1);
  EXPECT_EQ(std::string(StarTitle(r).c_str()), "Star");
  // Too faint for the field: the Sky2000 star stays.
  sky.m_limitingMagnitude = 10.0;
  r = Pick(1.0, 0.20008);
  EXPECT_EQ(r.starCatalogue, STAR_SKY2000);
  EXPECT_EQ(r.starIndex, 0);
  g_tycho2Stars = nullptr, g_tycho2Part2Stars = nullptr;
  g_tycho2StarCount = g_tycho2Part2StarCount = 0;
}

// ---- Headless picks on the generated catalogues ----------------------------------------------

// The view of the observation of the information tests (Paris, 5 March
// 2004, 21:30), 1280 x 1024 pixels, aimed at a horizontal direction.
class PickView : public CNuvarine2View {
 public:
  PickView() {
    infotest::SetParis(*this);
    m_installFolder = NUVARINE_INSTALL_DIR;
    m_planetariumMode = true;
    m_backBufferWidth = 1280.0f, m_backBufferHeight = 1024.0f;
    m_halfBackBufferWidth = 640.0f, m_halfBackBufferHeight = 512.0f;
    m_runDialog = [this](CDialog& dialog) { return answer ? answer(dialog) : static_cast<INT_PTR>(IDCANCEL); };
  }
  void Aim(double azimuth, double altitude, float fov) {
    m_fieldOfView = fov;
    const D3DXVECTOR3 at = SkyToScenePoint(true, static_cast<float>(altitude), static_cast<float>(azimuth), 2.0f);
    m_camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), at, D3DXVECTOR3(0, -1, 0));
    m_camera.SetProjectionParameters(fov, 1280.0f / 1024.0f, 1e-5f, 2.3f);
    D3DXMatrixMultiply(&m_viewProjectionMatrix, &m_camera.m_viewMatrix, &m_camera.m_projectionMatrix);
  }
  CPoint Pixel(double azimuth, double altitude) {
    D3DXVECTOR3 p = SkyToScenePoint(true, static_cast<float>(altitude), static_cast<float>(azimuth), 2.0f);
    D3DXVec3TransformCoord(&p, &p, &m_viewProjectionMatrix);
    NdcToScreen(p.x, p.y);
    return CPoint(static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)));
  }
  // Aims a little beside the place and picks at its pixel.
  PickResult PickAt(double azimuth, double altitude, float fov = 0.05f) {
    Aim(azimuth + 0.1 * fov, altitude - 0.1 * fov, fov);
    return PickObjectAt(Pixel(azimuth, altitude));
  }
  std::function<INT_PTR(CDialog&)> answer;
};

class PickOnCatalogues : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    view = std::make_unique<PickView>();
    view->m_limitingMagnitude = 7.0;
    view->m_deepSkyLimitingMagnitude = 8.0;
    view->UpdateSkyPositions();
  }
  void TearDown() override { view.reset(); }
  // Horizontal place of a J2000 direction at the view's instant.
  void Horizontal(double ra, double dec, double& az, double& alt) {
    view->PrecessFromJ2000(ra, dec);
    view->EquatorialToHorizontal(az, alt, view->m_localSiderealTime, ra, dec);
  }
  std::unique_ptr<PickView> view;
};

TEST_F(PickOnCatalogues, BrightStarDeepSkyObjectAndPlanetAtTheirPixels) {
  const int vega = infotest::BrightStarByNumber(7001);
  ASSERT_GE(vega, 0);
  PickResult r = view->PickAt(g_brightStars[vega].azimuth, g_brightStars[vega].altitude);
  EXPECT_EQ(r.kind, PICK_STAR);
  EXPECT_EQ(r.starCatalogue, STAR_BRIGHT);
  EXPECT_EQ(r.starIndex, vega);
  EXPECT_EQ(std::string(StarTitle(r).c_str()), "Star HD : 172167");

  const int m31 = infotest::DeepSkyByName("M 31");
  ASSERT_GE(m31, 0);
  r = view->PickAt(g_deepSkyObjects[m31].azimuth, g_deepSkyObjects[m31].altitude, 0.8f);
  EXPECT_EQ(r.kind, PICK_DEEP_SKY);
  EXPECT_EQ(r.deepSkyIndex, m31);

  const BodyState& jupiter = g_bodies[kBodyJupiter];
  r = view->PickAt(jupiter.azimuth, jupiter.altitude, 0.8f);
  EXPECT_EQ(r.kind, PICK_BODY);
  EXPECT_EQ(r.bodyIndex, kBodyJupiter);
}

TEST_F(PickOnCatalogues, TileStarsWithTheirOwnCatalogue) {
  // A field holding a Sky2000 tile and one tile of each Tycho-2 half.
  std::unique_ptr<Sky2000Star[]> sky2000(new Sky2000Star[kSky2000StarLimit + 1]);
  std::unique_ptr<Tycho2Star[]> tycho1(new Tycho2Star[kTycho2StarLimit + 1]);
  std::unique_ptr<Tycho2Star[]> tycho2(new Tycho2Star[kTycho2StarLimit + 1]);
  Sky2000Star* keepSky = g_sky2000Stars;
  Tycho2Star *keep1 = g_tycho2Stars, *keep2 = g_tycho2Part2Stars;
  g_sky2000Stars = sky2000.get(), g_tycho2Stars = tycho1.get(), g_tycho2Part2Stars = tycho2.get();
  g_sky2000StarCount = g_tycho2StarCount = g_tycho2Part2StarCount = 0;
  const int vega = infotest::BrightStarByNumber(7001);
  ASSERT_GE(vega, 0);
  const double ra = g_brightStars[vega].rightAscension, dec = g_brightStars[vega].declination;
  ASSERT_TRUE(LoadSky2000Tile(view->m_installFolder, FindSky2000Tile(ra, dec)));
  ASSERT_TRUE(LoadTycho2Part1Tile(view->m_installFolder, FindTycho2Tile(ra, dec)));
  ASSERT_TRUE(LoadTycho2Part2Tile(view->m_installFolder, FindTycho2Tile(ra, dec)));
  for (int i = 0; i < g_sky2000StarCount; ++i) {
    double az, alt;
    Horizontal(g_sky2000Stars[i].rightAscension, g_sky2000Stars[i].declination, az, alt);
    g_sky2000Stars[i].azimuth = static_cast<float>(az), g_sky2000Stars[i].altitude = static_cast<float>(alt);
  }
  view->m_limitingMagnitude = 30.0;
  struct Case {
    bool sky2000, tycho, tycho2;
    int catalogue;
  } cases[] = {{true, false, false, STAR_SKY2000}, {true, true, false, STAR_TYCHO2}, {true, true, true, STAR_TYCHO2_PART2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.catalogue);
    view->m_sky2000Loaded = c.sky2000;
    view->m_tycho2Loaded = c.tycho;
    view->m_tycho2Part2Loaded = c.tycho2;
    // Aim at a star of the catalogue under test, away from the others.
    int index = -1;
    double az = 0, alt = 0;
    if (c.catalogue == STAR_SKY2000) {
      index = g_sky2000StarCount / 2;
      az = g_sky2000Stars[index].azimuth, alt = g_sky2000Stars[index].altitude;
    } else {
      const Tycho2Star* stars = c.catalogue == STAR_TYCHO2 ? g_tycho2Stars : g_tycho2Part2Stars;
      index = (c.catalogue == STAR_TYCHO2 ? g_tycho2StarCount : g_tycho2Part2StarCount) / 3;
      Horizontal(stars[index].rightAscension, stars[index].declination, az, alt);
    }
    const PickResult r = view->PickAt(az, alt, 0.002f);
    EXPECT_EQ(r.kind, PICK_STAR);
    EXPECT_EQ(r.starCatalogue, c.catalogue);
    EXPECT_EQ(r.starIndex, index);
    const std::string title = StarTitle(r).c_str();
    if (c.catalogue == STAR_SKY2000)
      EXPECT_EQ(title, "Star HD : " + std::to_string(g_sky2000Stars[index].hdNumber));
    else
      EXPECT_EQ(title, "Star");
  }
  view->m_sky2000Loaded = view->m_tycho2Loaded = view->m_tycho2Part2Loaded = false;
  g_sky2000StarCount = g_tycho2StarCount = g_tycho2Part2StarCount = 0;
  g_sky2000Stars = keepSky, g_tycho2Stars = keep1, g_tycho2Part2Stars = keep2;
}

TEST_F(PickOnCatalogues, AlcyoneInsideThePleiadesAsksWithBothLines) {
  const int alcyone = infotest::BrightStarByNumber(1165);
  ASSERT_GE(alcyone, 0);
  ASSERT_EQ(g_brightStars[alcyone].hdNumber, 23630);
  struct Case {
    int row;  // -2: Escape
    int kind;
  } cases[] = {{1, PICK_STAR}, {0, PICK_DEEP_SKY}, {-1, PICK_DEEP_SKY}, {-2, PICK_DEEP_SKY}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    std::vector<std::string> lines;
    view->answer = [&](CDialog& dialog) -> INT_PTR {
      auto* select = dynamic_cast<CSelectObjectDialog*>(&dialog);
      if (!select) return IDCANCEL;
      // Runs the real dialog: its list, then the user's answer.
      select->Create(IDD_SELECT_OBJECT, nullptr);
      const CString deep = select->m_deepSkyLine, star = select->m_starLine;
      lines = {deep.c_str(), star.c_str()};
      if (c.row == -2) {
        select->SendControlNotify(IDCANCEL, BN_CLICKED);
      } else {
        AfxSetListCurSel(select, 1093, c.row);
        select->SendControlNotify(IDOK, BN_CLICKED);
      }
      select->DestroyWindow();
      return IDOK;
    };
    const PickResult r = view->PickAt(g_brightStars[alcyone].azimuth, g_brightStars[alcyone].altitude, 0.2f);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "M 45");
    EXPECT_EQ(lines[1], "Star HD : 23630");
    EXPECT_EQ(r.kind, c.kind);
    if (c.kind == PICK_STAR) EXPECT_EQ(r.starIndex, alcyone);
  }
}

}  // namespace
