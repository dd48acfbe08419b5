// Finding an object on the generated catalogues: every query of the find
// dialog, their order, the modes, the Sky2000 tile scan and bad queries;
// the find command's messages; the find dialog's pages.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QTabBar>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Catalogues.h"
#include "ConstellationTables.h"
#include "FindDialogs.h"
#include "FindObject.h"
#include "InfoDialogs.h"
#include "InfoTestSupport.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "Resource.h"
#include "SolarSystemTypes.h"
#include "UiDefs.h"

namespace {

constexpr double kHoursToRad = 3.14159265358979323846 / 12.0;
constexpr double kDegToRadian = 3.14159265358979323846 / 180.0;

QApplication& FindApp() {
  static int argc = 1;
  static char name[] = "find_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = qApp ? qApp : new QApplication(argc, argv);
  RegisterNuvarineResources();
  return *app;
}

// The constellation label places in radians, as the start-up leaves them.
void ConstellationPlacesInRadians() {
  static bool done = false;
  if (done) return;
  done = true;
  for (ConstellationEntry& c : g_constellations) {
    c.rightAscension *= kHoursToRad;
    c.declination *= kDegToRadian;
  }
}

class Find : public ::testing::Test {
 protected:
  void SetUp() override {
    FindApp();
    ConstellationPlacesInRadians();
    context.planetarium = true;
    context.useSky2000 = true;
    context.installFolder = NUVARINE_INSTALL_DIR;
    context.bodyNames = g_bodyNames;
    context.bodyNameCount = kBodyNameCount;
  }
  FindResult Run(const FindQuery& q) { return FindObject(infotest::Model(), q, context); }
  FindContext context;
};

FindQuery Query(CString FindQuery::*field, const char* text) {
  FindQuery q;
  q.*field = text;
  return q;
}

int BscOf(const FindResult& r) {
  return r.kind == FOUND_BRIGHT_STAR ? g_brightStars[r.index].bscNumber : -1;
}

TEST_F(Find, StarsByNameGreekLetterAndBrightStarHd) {
  EXPECT_EQ(BscOf(Run(Query(&FindQuery::starName, "Vega"))), 7001);
  // Accents stripped and case ignored: "B\xE9telgeuse" is the table's "BETELGEUSE".
  EXPECT_EQ(BscOf(Run(Query(&FindQuery::starName, "B\xE9telgeuse"))), 2061);
  EXPECT_EQ(BscOf(Run(Query(&FindQuery::starName, "vEGA"))), 7001);
  EXPECT_EQ(BscOf(Run(Query(&FindQuery::starName, "Capella"))), 1708);
  int firstAlphaOri = -1;
  for (int i = 0; i < g_brightStarCount && firstAlphaOri < 0; ++i)
    if (std::strncmp(g_brightStars[i].bayer, "Alp", 3) == 0 && std::strncmp(g_brightStars[i].constellation, "Ori", 3) == 0)
      firstAlphaOri = i;
  ASSERT_GE(firstAlphaOri, 0);
  for (const char* constellation : {"Orion", "Hunter", "ori"}) {
    SCOPED_TRACE(constellation);
    FindQuery q;
    q.symbol = "Alpha";
    q.constellation = constellation;
    const FindResult r = Run(q);
    EXPECT_EQ(r.kind, FOUND_BRIGHT_STAR);
    EXPECT_EQ(r.index, firstAlphaOri);
  }
  // Two-letter names match the catalogue's padded field.
  FindQuery mu;
  mu.symbol = "Mu";
  mu.constellation = "Cepheus";
  const FindResult r = Run(mu);
  ASSERT_EQ(r.kind, FOUND_BRIGHT_STAR);
  EXPECT_EQ(std::string(g_brightStars[r.index].bayer, 2), "Mu");
  EXPECT_EQ(std::string(g_brightStars[r.index].constellation, 3), "Cep");
  FindQuery hd;
  hd.hdNumber = 172167;
  EXPECT_EQ(BscOf(Run(hd)), 7001);
}

TEST_F(Find, DeepSkyNamesInEveryWriting) {
  const int m42 = infotest::DeepSkyByName("M 42");
  ASSERT_GE(m42, 0);
  for (const char* text : {"M 42", "m42", "Messier 42", "messier  42", "MESSIER42"}) {
    SCOPED_TRACE(text);
    const FindResult r = Run(Query(&FindQuery::objectName, text));
    EXPECT_EQ(r.kind, FOUND_DEEP_SKY);
    EXPECT_EQ(r.index, m42);
  }
  for (const char* text : {"NGC2215", "IC 434"}) {
    SCOPED_TRACE(text);
    const FindResult r = Run(Query(&FindQuery::objectName, text));
    ASSERT_EQ(r.kind, FOUND_DEEP_SKY);
    std::string names = std::string(g_deepSkyObjects[r.index].name) + "|" + g_deepSkyObjects[r.index].otherName;
    std::string wanted = text;
    if (wanted == "NGC2215") wanted = "NGC 2215";
    EXPECT_NE(names.find(wanted), std::string::npos) << names;
  }
}

TEST_F(Find, CometsAsteroidsAndBodies) {
  // The generated list holds no Hale comet: two records are renamed for the
  // test; the later one is found, in any case and with blanks ignored.
  ASSERT_GT(g_cometCount, 10);
  char saved[2][40];
  std::memcpy(saved[0], g_comets[3].name, 40);
  std::memcpy(saved[1], g_comets[7].name, 40);
  std::strcpy(g_comets[3].name, "C/1995 O1 (Hale-Bopp)");
  std::strcpy(g_comets[7].name, "8P/Ha le");
  FindResult r = Run(Query(&FindQuery::comet, "hale"));
  EXPECT_EQ(r.kind, FOUND_COMET);
  EXPECT_EQ(r.index, 7);
  r = Run(Query(&FindQuery::comet, "HALE-b"));
  EXPECT_EQ(r.index, 3);
  std::memcpy(g_comets[3].name, saved[0], 40);
  std::memcpy(g_comets[7].name, saved[1], 40);
  int lastMcNaught = -1;
  for (int i = 0; i < g_cometCount; ++i)
    if (std::strstr(g_comets[i].name, "McNaught")) lastMcNaught = i;
  ASSERT_GE(lastMcNaught, 0);
  EXPECT_EQ(Run(Query(&FindQuery::comet, "mc naught")).index, lastMcNaught);
  r = Run(Query(&FindQuery::asteroid, "Ceres"));
  ASSERT_EQ(r.kind, FOUND_ASTEROID);
  EXPECT_NE(std::string(g_asteroids[r.index].name).find("Ceres"), std::string::npos);
  struct Case {
    const char* text;
    int kind, body;
  } cases[] = {{"Mar", FOUND_PLANET, 4}, {"Ear", FOUND_PLANET, 3}, {"Ma", FOUND_NONE, 0}, {"moon", FOUND_PLANET, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    r = Run(Query(&FindQuery::planet, c.text));
    EXPECT_EQ(r.kind, c.kind);
    if (c.kind == FOUND_PLANET) EXPECT_EQ(r.index, c.body);
  }
}

TEST_F(Find, OrderAndModes) {
  FindQuery q;
  q.starName = "Vega";
  q.planet = "Mars";
  EXPECT_EQ(Run(q).kind, FOUND_BRIGHT_STAR);
  q = FindQuery{};
  q.constellationName = "Hunter";
  q.objectName = "M 42";
  FindResult r = Run(q);
  EXPECT_EQ(r.kind, FOUND_CONSTELLATION);
  EXPECT_STREQ(g_constellations[r.index].abbreviation, "Ori");
  for (const char* name : {"Orion", "hunter", "Centaure", "Centaurus", "Bo\xF4tes"}) {
    SCOPED_TRACE(name);
    r = Run(Query(&FindQuery::constellationName, name));
    EXPECT_EQ(r.kind, FOUND_CONSTELLATION);
  }
  // The work unit only when shown, by "seti" in any case.
  q = Query(&FindQuery::objectName, "Seti");
  EXPECT_EQ(Run(q).kind, FOUND_NONE);
  context.showSetiWorkUnits = true;
  EXPECT_EQ(Run(q).kind, FOUND_WORK_UNIT);
  // Solar-system mode: no constellation, no SAO, no Sky2000-only HD.
  context.planetarium = false;
  q = FindQuery{};
  q.constellationName = "Hunter";
  q.objectName = "M 42";
  EXPECT_EQ(Run(q).kind, FOUND_DEEP_SKY);
  q = FindQuery{};
  q.saoNumber = 1;
  q.hdNumber = 999999;
  r = Run(q);
  EXPECT_EQ(r.kind, FOUND_NONE);
  EXPECT_FALSE(r.sky2000TilesScanned);
}

TEST_F(Find, HdAndSaoNumbersHeldOnlyByTheSky2000Tiles) {
  // A star of a Sky2000 tile that the bright-star table does not hold.
  std::unique_ptr<Sky2000Star[]> table(new Sky2000Star[kSky2000StarLimit + 1]);
  Sky2000Star* keep = g_sky2000Stars;
  const int keepCount = g_sky2000StarCount;
  g_sky2000Stars = table.get();
  g_sky2000StarCount = 0;
  ASSERT_TRUE(LoadSky2000Tile(NUVARINE_INSTALL_DIR, 120));
  int hd = 0, sao = 0;
  for (int i = 0; i < g_sky2000StarCount && !hd; ++i) {
    const Sky2000Star& s = g_sky2000Stars[i];
    bool bright = false;
    for (int j = 0; j < g_brightStarCount; ++j) bright = bright || g_brightStars[j].hdNumber == s.hdNumber;
    if (s.hdNumber > 0 && s.saoNumber > 0 && !bright) hd = s.hdNumber, sao = s.saoNumber;
  }
  ASSERT_GT(hd, 0);
  FindQuery q;
  q.hdNumber = hd;
  FindResult r = Run(q);
  ASSERT_EQ(r.kind, FOUND_SKY2000_STAR);
  EXPECT_TRUE(r.sky2000TilesScanned);
  EXPECT_EQ(g_sky2000Stars[r.index].hdNumber, hd);
  q = FindQuery{};
  q.saoNumber = sao;
  r = Run(q);
  ASSERT_EQ(r.kind, FOUND_SKY2000_STAR);
  EXPECT_EQ(g_sky2000Stars[r.index].saoNumber, sao);
  g_sky2000Stars = keep;
  g_sky2000StarCount = keepCount;
}

TEST_F(Find, BadQueriesFindNothing) {
  const std::string longText(300, 'x');
  const std::string blanks = "     ";
  std::vector<FindQuery> queries;
  for (const std::string& text : {std::string("Zorglub"), longText, blanks, std::string("\x80\x81\xFF?\xE9\xF4")}) {
    FindQuery q;
    q.starName = text.c_str();
    q.objectName = text.c_str();
    q.comet = text.c_str();
    q.asteroid = text.c_str();
    q.constellationName = text.c_str();
    q.planet = text == blanks ? "" : text.c_str();
    queries.push_back(q);
  }
  for (const FindQuery& q : queries) {
    SCOPED_TRACE(q.starName.GetLength());
    EXPECT_EQ(Run(q).kind, FOUND_NONE);
  }
  EXPECT_EQ(std::string(StripFrenchAccents(CString((std::string(200, 'a') + "\xE9\xE8\xEA\xF4").c_str())).c_str()),
            std::string(200, 'a') + "eeeo");
}

// ---- The find command ------------------------------------------------------------------------

class FindView : public CNuvarine2View {
 public:
  FindView() {
    infotest::SetParis(*this);
    m_installFolder = NUVARINE_INSTALL_DIR;
    m_planetariumMode = true;
    m_backBufferWidth = 1280.0f, m_backBufferHeight = 1024.0f;
    m_halfBackBufferWidth = 640.0f, m_halfBackBufferHeight = 512.0f;
    m_camera.SetProjectionParameters(0.8f, 1280.0f / 1024.0f, 1e-5f, 2.3f);
    m_runDialog = [this](CDialog& dialog) -> INT_PTR {
      dialogs.push_back(&dialog);
      if (auto* info = dynamic_cast<CObjectInfoDialog*>(&dialog)) {
        kinds.push_back(info->m_objectKind);
        info->m_follow = follow;
      }
      return IDOK;
    };
  }
  void Find(void (*fill)(NouvRecherche&)) {
    NouvRecherche dialog;
    fill(dialog);
    OnFindObjectFromDialog(dialog);
  }
  std::vector<CDialog*> dialogs;
  std::vector<int> kinds;
  bool follow = false;
};

class FindCommand : public Find {
 protected:
  void SetUp() override {
    Find::SetUp();
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT) {
      boxes.push_back(std::string(caption.c_str()) + "|" + text.c_str());
      return IDOK;
    });
  }
  void TearDown() override { SetMessageBoxHandler(nullptr); }
  std::vector<std::string> boxes;
};

TEST_F(FindCommand, UnknownObjectsAreToldWithTheFindCaption) {
  FindView view;
  view.Find([](NouvRecherche& d) { d.m_starName = "Zorglub"; });
  view.Find([](NouvRecherche& d) { d.m_objectName = CString(std::string(300, 'q').c_str()); });
  view.Find([](NouvRecherche& d) { d.m_comet = "   "; });
  ASSERT_EQ(boxes.size(), 3u);
  for (const std::string& box : boxes) EXPECT_EQ(box, "Nuvarine\t2.0|Object unknown !");
  EXPECT_TRUE(view.dialogs.empty());
}

TEST_F(FindCommand, ConstellationTurnsTheViewOrSaysItIsBelowTheHorizon) {
  FindView view;
  view.Find([](NouvRecherche& d) { d.m_constellationName = "Orion"; });
  int orionIndex = 0;
  for (int i = 0; i < kConstellationCount; ++i)
    if (std::strcmp(g_constellations[i].abbreviation, "Ori") == 0) orionIndex = i;
  const ConstellationEntry& orion = g_constellations[orionIndex];
  double az = 0, alt = 0;
  view.EquatorialToHorizontal(az, alt, view.m_localSiderealTime, orion.rightAscension, orion.declination);
  if (alt >= 0) {
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(view.m_targetMarked);
    EXPECT_DOUBLE_EQ(view.m_targetAltitude, alt);
  } else {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Nuvarine\t2.0|This constellation is below the horizon !");
  }
  EXPECT_TRUE(view.dialogs.empty());
  // A constellation that never rises at Paris.
  boxes.clear();
  view.Find([](NouvRecherche& d) { d.m_constellationName = "Octant"; });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Nuvarine\t2.0|This constellation is below the horizon !");
}

TEST_F(FindCommand, FoundStarAboveTheHorizonIsTargetedAndShown) {
  FindView view;
  view.UpdateSkyPositions();
  view.Find([](NouvRecherche& d) { d.m_starName = "Capella"; });
  ASSERT_EQ(view.kinds.size(), 1u);
  EXPECT_EQ(view.kinds[0], OBJECT_STAR);
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(view.m_targetMarked);
  EXPECT_GT(view.m_targetAltitude, 0.0);
  EXPECT_EQ(view.m_lockedObject, -1);
  // Follow keeps the telescope on it.
  view.follow = true;
  view.Find([](NouvRecherche& d) { d.m_starName = "Capella"; });
  EXPECT_TRUE(view.m_telescopeFollowTarget);
  EXPECT_DOUBLE_EQ(view.m_followRightAscension, view.m_targetRightAscension);
}

TEST_F(FindCommand, FoundCometJoinsTheDisplayedListWithinItsLimit) {
  FindView view;
  const int keepCount = g_displayedCometCount;
  std::vector<int> keep(g_displayedCometIndices, g_displayedCometIndices + kMaxDisplayedObjects);
  // A full list stays full; the comet is shown all the same.
  g_displayedCometCount = kMaxDisplayedObjects - 1;
  for (int i = 0; i < kMaxDisplayedObjects - 1; ++i) g_displayedCometIndices[i] = 0;
  view.Find([](NouvRecherche& d) { d.m_comet = "McNaught"; });
  EXPECT_EQ(g_displayedCometCount, kMaxDisplayedObjects - 1);
  EXPECT_EQ(view.kinds.size(), 1u);
  // Room left: it joins once.
  g_displayedCometCount = 0;
  view.Find([](NouvRecherche& d) { d.m_comet = "McNaught"; });
  view.Find([](NouvRecherche& d) { d.m_comet = "McNaught"; });
  EXPECT_EQ(g_displayedCometCount, 1);
  EXPECT_TRUE(view.m_showComets);
  g_displayedCometCount = keepCount;
  std::copy(keep.begin(), keep.end(), g_displayedCometIndices);
}

// ---- The find dialog ---------------------------------------------------------------------------

TEST_F(FindCommand, DialogPagesListsAndValidation) {
  NouvRecherche dialog;
  for (int i = 0; i < kStarNameCount; ++i) dialog.m_starNames[i] = g_starNames[i].name;
  std::vector<CString> comets = {"C/2001 Z", "2P/Encke", "1P/Halley"};
  dialog.m_cometNames = comets.data();
  dialog.m_cometCount = 3;
  dialog.m_asteroidNames = comets.data();
  dialog.m_asteroidCount = 3;
  dialog.m_page = 2;
  ASSERT_TRUE(dialog.Create(IDD_FIND, nullptr));
  dialog.ShowWindow(SW_SHOW);
  EXPECT_EQ(dialog.m_tabs.GetItemCount(), 4);
  EXPECT_EQ(dialog.m_tabs.m_currentPage, 2);
  EXPECT_TRUE(dialog.SolarSystemPage().IsWindowVisible());
  EXPECT_FALSE(dialog.StarPage().IsWindowVisible());
  // Star names sorted; comets sorted; asteroids in table order.
  ASSERT_EQ(AfxGetComboCount(&dialog.StarPage(), 1082), kStarNameCount);
  for (int i = 1; i < kStarNameCount; ++i)
    EXPECT_LE(QString::compare(QString::fromLatin1(AfxGetComboString(&dialog.StarPage(), 1082, i - 1).c_str()),
                               QString::fromLatin1(AfxGetComboString(&dialog.StarPage(), 1082, i).c_str()),
                               Qt::CaseInsensitive),
              0);
  EXPECT_EQ(std::string(AfxGetComboString(&dialog.SolarSystemPage(), 1087, 0).c_str()), "1P/Halley");
  EXPECT_EQ(std::string(AfxGetComboString(&dialog.SolarSystemPage(), 1091, 0).c_str()), "C/2001 Z");
  EXPECT_EQ(AfxGetComboCount(&dialog.StarPage(), 1023), 24);
  EXPECT_EQ(AfxGetComboCount(&dialog.ConstellationPage(), 1124), 88);

  // Keys move the tab focus only; a click changes the page.
  dialog.m_tabs.SetCurFocus(0);
  EXPECT_EQ(dialog.m_tabs.m_currentPage, 2);
  dialog.m_tabs.OnLButtonDown(0, CPoint());
  EXPECT_EQ(dialog.m_tabs.m_currentPage, 0);
  EXPECT_TRUE(dialog.StarPage().IsWindowVisible());

  // Typed texts are handed over as typed; a bad number keeps the dialog open.
  dialog.StarPage().SetDlgItemText(1082, "B\xE9telgeuse");
  dialog.SolarSystemPage().SetDlgItemText(1091, "Vesta");
  dialog.StarPage().SetDlgItemText(1019, "12a");
  dialog.SendControlNotify(IDOK, BN_CLICKED);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(dialog.m_starName.empty());
  dialog.StarPage().SetDlgItemText(1019, "172167");
  dialog.SendControlNotify(IDOK, BN_CLICKED);
  EXPECT_EQ(std::string(dialog.m_starName.c_str()), "B\xE9telgeuse");
  EXPECT_EQ(std::string(dialog.m_asteroid.c_str()), "Vesta");
  EXPECT_EQ(dialog.m_hdNumber, 172167u);
  EXPECT_EQ(dialog.m_page, 0);
  dialog.DestroyWindow();
}

}  // namespace
