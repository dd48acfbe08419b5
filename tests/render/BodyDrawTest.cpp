// The bodies' resources and drawing: the draw flags from the mode, the field
// and the distances; texture files chosen by level, compression and
// fallback; oversized pictures refused once with a box; normal maps that
// fail leave their slot empty; meshes and their materials; light failures
// shown once; the solar-system scene's spin, distance clamp and ring strips;
// Saturn's draws seen from Earth.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "BodyImages.h"
#include "BodyViewSupport.h"
#include "RenderTestUtil.h"
#include "D3DFileMesh.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "SolarSystemScene.h"
#include "SolarSystemTypes.h"
#include "Trajectory.h"
#include "UiDefs.h"

namespace fs = std::filesystem;
using namespace bodytest;

namespace {

class BodyDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    ResetFrameLoopGlobals();
    SetAdapterLimitsForLayer({});
    SetDisplayModeForLayer(1920, 1080);
    SetMessageBoxHandler([](const CString&, const CString&, UINT) { return IDOK; });
    for (BodyState& b : g_bodies) b = BodyState{};
    for (BodyState& b : g_bodies) b.cameraDistance = 1e7;
    std::memset(g_trajectory, 0, sizeof(TrajectoryPoint) * 4);
  }
  void TearDown() override {
    SetMessageBoxHandler(nullptr);
    FreeCatalogueBuffers();
    std::memset(g_trajectory, 0, sizeof(TrajectoryPoint) * 4);
  }
  TempFolder folder;
};

}  // namespace

// ---- Draw flags --------------------------------------------------------------------

TEST_F(BodyDraw, PlanetariumWantsTheSunAndMoonAndPlanetsOnlyInANarrowField) {
  BodyView view(folder.root);
  view.m_planetariumMode = true;
  // Mars straight ahead (azimuth 0, altitude 0), Jupiter behind; the Earth
  // ahead too, which is never wanted.
  g_bodies[kBodyJupiter].azimuth = 3.1;
  struct Case {
    float field;
    std::vector<int> expected;
  } cases[] = {{0.1f, {0, 10}}, {0.8f, {0, 10}}, {0.05f, {0, 4, 10, 20, 21}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    view.LookNorth(c.field);
    for (int n = kBodyMercury; n <= kBodyPluto; ++n)
      if (n != kBodyMars && n != kBodyJupiter && n != kBodyEarth) g_bodies[n].azimuth = 3.1;
    view.UpdateBodyDrawFlags();
    EXPECT_EQ(view.SetFlags(), c.expected);
  }
}

TEST_F(BodyDraw, SolarSystemFlagsFollowStrictDistanceThresholds) {
  BodyView view(folder.root);
  view.m_planetariumMode = false;
  view.m_computeSatellitePositions = false;
  struct Case {
    const char* what;
    std::vector<std::pair<int, double>> distances;
    bool trajectory;
    std::vector<int> expected;
  } cases[] = {
      {"Saturn at 35, Dione at 1", {{kBodySaturn, 35}, {kBodyDione, 1}}, false, {6, 22, 23, 27, 31}},
      {"Dione at 0.05", {{kBodySaturn, 35}, {kBodyDione, 0.05}}, false, {6, 22, 23, 26, 27, 31}},
      {"Mars at exactly 10", {{kBodyMars, 10}}, false, {}},
      {"Mars just inside", {{kBodyMars, 9.999}}, false, {4, 20, 21}},
      {"Earth near", {{kBodyEarth, 1}}, false, {3, 10, 35}},
      {"probe near without a trajectory", {{kBodyCassini, 0.01}}, false, {}},
      {"probe near with a trajectory", {{kBodyCassini, 0.01}, {kBodyVoyager1, 0.2}}, true, {37, 39}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (BodyState& b : g_bodies) b.cameraDistance = 1e7;
    for (const auto& [body, d] : c.distances) g_bodies[body].cameraDistance = d;
    g_trajectory[0].julianDate = c.trajectory ? 2453000.5 : 0.0;
    view.UpdateBodyDrawFlags();
    EXPECT_EQ(view.SetFlags(), c.expected);
  }
}

TEST_F(BodyDraw, NearAsteroidsSetTheNucleusSlotOnce) {
  BodyView view(folder.root);
  view.m_planetariumMode = false;
  view.m_showAsteroids = true;
  g_asteroids = new AsteroidRecord[3]{};
  g_asteroidCount = 3;
  g_asteroids[0].cameraDistance = 5.0;
  g_asteroids[1].cameraDistance = 0.05;
  g_asteroids[2].cameraDistance = 0.01;
  g_displayedAsteroidCount = 3;
  for (int i = 0; i < 3; ++i) g_displayedAsteroidIndices[i] = i;
  view.UpdateBodyDrawFlags();
  EXPECT_EQ(view.SetFlags(), std::vector<int>{42});
  g_displayedAsteroidCount = 0;
}

// ---- Textures and meshes on the headless device -----------------------------------

TEST_F(BodyDraw, TexturesComeFromTheLevelsFolderWithCompressionAndFallbacks) {
  BodyView view(folder.root);
  view.Start();
  const fs::path root = folder.root;
  WritePicture(root / "Textures hr" / "mars.jpg", 32, 16);
  WriteDds(root / "Textures hr" / "jupiter.dds", 16, 8);
  WritePicture(root / "Textures hr" / "jupiter.jpg", 32, 16);
  WritePicture(root / "textures" / "earth.jpg", 64, 32);
  WritePicture(root / "textures" / "mars.jpg", 64, 32);
  WritePicture(root / "Textures hr" / "moon.jpg", 128, 64);
  WritePicture(root / "textures" / "moon.jpg", 64, 32);
  struct Case {
    const char* name;
    bool planetarium;
    UINT width;
  } cases[] = {
      {"jupiter", false, 16},  // hr .dds first
      {"mars", false, 32},     // no .dds: the hr .jpg
      {"earth", false, 64},    // nothing in hr: the average level's .jpg
      {"moon", true, 128},     // the planetarium's Moon from hr
      {"mars", true, 64},      // every other planetarium body from the average level
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view.m_textureLevel = 3;
    view.m_textureCompression = true;
    view.m_planetariumMode = c.planetarium;
    IDirect3DTexture9* slot = nullptr;
    EXPECT_TRUE(view.LoadBodyTexture(&slot, true, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, c.name, "jpg", 0.0f, false));
    view.WaitForPendingBodyTextures();
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(Describe(slot).Width, c.width);
    view.LoadBodyTexture(&slot, false, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, c.name, "jpg", 0.0f, false);
    EXPECT_EQ(slot, nullptr);
  }
}

TEST_F(BodyDraw, ADownloadedCloudMapServesEveryLevel) {
  BodyView view(folder.root);
  view.Start();
  const fs::path root = folder.root;
  WriteDds(root / "Textures hr" / "nuagestr.dds", 16, 8);
  WritePicture(root / "Textures br" / "nuagestr.jpg", 32, 16);
  WritePicture(root / "textures" / "nuagestr.jpg", 48, 24);
  struct Case {
    int level;
    bool compression, downloaded;
    UINT width;
  } cases[] = {
      {1, false, true, 48}, {2, true, true, 48},   {3, true, true, 48},  {3, false, true, 48},
      {3, true, false, 16}, {1, false, false, 32}, {2, false, false, 0},
  };
  view.m_planetariumMode = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.level) + (c.compression ? " compressed" : "") + (c.downloaded ? " downloaded" : ""));
    if (!c.downloaded) fs::remove(root / "textures" / "nuagestr.jpg");
    view.m_textureLevel = static_cast<BYTE>(c.level);
    view.m_textureCompression = c.compression;
    IDirect3DTexture9* slot = nullptr;
    view.LoadBodyTexture(&slot, true, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, "nuagestr", "jpg", 0.0f, false);
    view.WaitForPendingBodyTextures();
    EXPECT_EQ(slot ? Describe(slot).Width : 0u, c.width);
    view.LoadBodyTexture(&slot, false, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, "nuagestr", "jpg", 0.0f, false);
  }
}

TEST_F(BodyDraw, OversizedPicturesAreRefusedWithOneBoxPerRun) {
  BodyView view(folder.root);
  view.Start();
  WritePicture(folder.root / "Textures br" / "earth.jpg", 2048, 1024);
  WritePicture(folder.root / "Textures br" / "mars.jpg", 2048, 1024);
  view.m_textureLevel = 1;
  view.m_textureCompression = false;
  view.m_planetariumMode = false;
  IDirect3DTexture9* a = nullptr;
  IDirect3DTexture9* b = nullptr;
  view.LoadBodyTexture(&a, true, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, "earth", "jpg", 0.0f, false);
  view.LoadBodyTexture(&b, true, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, "mars", "jpg", 0.0f, false);
  view.WaitForPendingBodyTextures();
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(view.sizeBoxes, std::vector<UINT>{650});
}

TEST_F(BodyDraw, AFailedNormalMapLeavesItsSlotEmptyAndReportsTheFailure) {
  BodyView view(folder.root);
  view.Start();
  IDirect3DTexture9* slot = nullptr;
  EXPECT_TRUE(FAILED(view.CreateNormalMapTexture((folder.root / "none.jpg").c_str(), &slot, 1.0f, D3DFMT_R8G8B8)));
  EXPECT_EQ(slot, nullptr);
  // A picture that exists but is not one.
  std::ofstream(folder.root / "broken.jpg") << "not a picture";
  EXPECT_TRUE(FAILED(view.CreateNormalMapTexture((folder.root / "broken.jpg").c_str(), &slot, 1.0f, D3DFMT_R8G8B8)));
  EXPECT_EQ(slot, nullptr);
  WritePicture(folder.root / "heights.jpg", 16, 8);
  EXPECT_EQ(view.CreateNormalMapTexture((folder.root / "heights.jpg").c_str(), &slot, 1.0f, D3DFMT_A8R8G8B8), S_OK);
  EXPECT_NE(slot, nullptr);
  if (slot) slot->Release();
}

TEST_F(BodyDraw, SaturnsFlagLoadsAndReleasesItsThreeTexturesAndWireframeKeepsTextures) {
  BodyView view(folder.root);
  view.Start();
  for (const char* name : {"saturn.jpg"}) WritePicture(folder.root / "textures" / name, 16, 8);
  std::string error;
  ASSERT_TRUE(bodies::WritePng((folder.root / "textures" / "saturn-rings.png").string(),
                               bodies::MakeImage(4, 16, 200, 200, 200, 128), true, error));
  ASSERT_TRUE(bodies::WritePng((folder.root / "textures" / "ombre.png").string(),
                               bodies::MakeImage(16, 16, 255, 255, 255, 255), false, error));
  view.m_textureLevel = 2;
  view.m_textureCompression = false;
  view.m_planetariumMode = false;
  CNuvarine2View::BodyDrawFlags flags{};
  flags[6] = 1;
  view.SyncBodyTexturesAndMeshes(flags);
  view.WaitForPendingBodyTextures();
  EXPECT_NE(view.m_bodyTextures[8], nullptr);
  EXPECT_NE(view.m_saturnRingTexture, nullptr);
  EXPECT_NE(view.m_ringShadowTexture, nullptr);
  view.m_wireframe = true;
  flags[6] = 0;
  view.SyncBodyTexturesAndMeshes(flags);
  EXPECT_NE(view.m_bodyTextures[8], nullptr) << "wireframe leaves the textures as they are";
  view.m_wireframe = false;
  view.SyncBodyTexturesAndMeshes(flags);
  EXPECT_EQ(view.m_bodyTextures[8], nullptr);
  EXPECT_EQ(view.m_saturnRingTexture, nullptr);
  EXPECT_EQ(view.m_ringShadowTexture, nullptr);
}

TEST_F(BodyDraw, ReleaseSceneResourcesReleasesTheBumpMapsOfTheOtherMode) {
  BodyView view(folder.root);
  view.Start();
  WritePicture(folder.root / "textures" / "mercury.jpg", 16, 8);
  WritePicture(folder.root / "textures" / "mercurybump.jpg", 16, 8);
  view.m_textureLevel = 2;
  view.m_bumpMapping = 10;
  view.m_planetariumMode = false;
  CNuvarine2View::BodyDrawFlags flags{};
  flags[1] = 1;
  view.SyncBodyTexturesAndMeshes(flags);
  view.WaitForPendingBodyTextures();
  ASSERT_NE(view.m_bodyTextures[33], nullptr);
  view.m_planetariumMode = true;  // the bump row is then skipped
  view.ReleaseSceneResources();
  EXPECT_EQ(view.m_bodyTextures[33], nullptr);
  EXPECT_EQ(view.LoadedBodyTextureCount(), 0);
}

TEST_F(BodyDraw, MeshesKeepOneMaterialWithATextureFileAndDrawByAlpha) {
  BodyView view(folder.root);
  view.Start();
  const fs::path file = folder.root / "three.x";
  std::ofstream(file) << "xof 0303txt 0032\nMesh {\n 3;\n 0;0;0;,\n 1;0;0;,\n 0;1;0;;\n 3;\n 3;0,1,2;,\n 3;0,2,1;,\n"
                         " 3;0,1,2;;\n MeshMaterialList {\n  3;\n  3;\n  0,\n  1,\n  2;\n"
                         "  Material {\n   1;1;1;1;;\n   10;\n   0;0;0;;\n   0;0;0;;\n   TextureFilename { \"a.jpg\"; }\n  }\n"
                         "  Material {\n   1;1;1;0.5;;\n   10;\n   0;0;0;;\n   0;0;0;;\n  }\n"
                         "  Material {\n   1;1;1;1.5;;\n   10;\n   0;0;0;;\n   0;0;0;;\n  }\n }\n}\n";
  WritePicture(folder.root / "given.jpg", 8, 8);
  CD3DFile_Mesh withTexture;
  ASSERT_EQ(withTexture.LoadFromFile(view.m_pd3dDevice, file.c_str(), (folder.root / "given.jpg").c_str()), S_OK);
  EXPECT_EQ(withTexture.m_materialCount, 1u);
  EXPECT_NE(withTexture.m_pTextures[0], nullptr);
  CD3DFile_Mesh all;
  ASSERT_EQ(all.LoadFromFile(view.m_pd3dDevice, file.c_str(), ""), S_OK);
  EXPECT_EQ(all.m_materialCount, 3u);
  EXPECT_EQ(all.DrawSubsets(view.m_pd3dDevice, true, true), E_FAIL) << "no device mesh yet";
  ASSERT_EQ(all.RestoreLocalMesh(view.m_pd3dDevice), S_OK);
  IDirect3DDevice9* device = view.m_pd3dDevice;
  device->SetBatchingForLayer(false);
  device->BeginScene();
  struct Case {
    bool opaque, translucent;
    uint64_t draws;
  } cases[] = {{true, false, 2}, {false, true, 2}, {true, true, 4}};
  for (const Case& c : cases) {
    const uint64_t before = device->GetDrawCallCountForLayer();
    all.DrawSubsets(device, c.opaque, c.translucent);
    EXPECT_EQ(device->GetDrawCallCountForLayer() - before, c.draws) << c.opaque << c.translucent;
  }
  device->EndScene();
  device->SetBatchingForLayer(true);
}

// An install folder deep in the tree (here more than 600 characters) still
// finds its models and their textures: New Horizons is drawn, not only named.
TEST_F(BodyDraw, ModelsLoadFromAnInstallFolderOfAnyLength) {
  fs::path root = folder.root;
  for (int i = 0; i < 12; ++i) root /= std::string(50, static_cast<char>('a' + i));
  ASSERT_GT(root.string().size(), 600u);
  fs::create_directories(root / "Objets");
  std::ofstream(root / "Objets" / "newhorizons.x")
      << "xof 0303txt 0032\nMesh {\n 3;\n 0;0;0;,\n 1;0;0;,\n 0;1;0;;\n 1;\n 3;0,1,2;;\n"
         " MeshMaterialList {\n  1;\n  1;\n  0;\n"
         "  Material {\n   1;1;1;1;;\n   10;\n   0;0;0;;\n   0;0;0;;\n   TextureFilename { \"nh.jpg\"; }\n  }\n }\n}\n";
  WritePicture(root / "Objets" / "nh.jpg", 8, 8);  // named "objets\\nh.jpg" by the model
  const fs::path previous = fs::current_path();
  {
    BodyView view(root);
    view.Start();
    CNuvarine2View::BodyDrawFlags flags{};
    flags[45] = 1;
    view.SyncBodyTexturesAndMeshes(flags);
    CD3DFile_Mesh* mesh = view.m_meshes[13];
    ASSERT_NE(mesh, nullptr) << "the model of New Horizons was not loaded";
    ASSERT_EQ(mesh->m_materialCount, 1u);
    EXPECT_NE(mesh->m_pTextures[0], nullptr) << "its texture was not found";
    // The loader on its own, given the long relative name.
    CD3DFile_Mesh direct;
    EXPECT_EQ(direct.LoadFromFile(view.m_pd3dDevice, "Objets\\newhorizons.x", ""), S_OK);
    ASSERT_EQ(direct.m_materialCount, 1u);
    EXPECT_NE(direct.m_pTextures[0], nullptr);
  }
  fs::current_path(previous);
}

TEST_F(BodyDraw, EachDistinctLightFailureIsShownOnce) {
  BodyView view(folder.root);
  for (int frame = 0; frame < 3; ++frame) {
    view.ReportLightFailure("Error SetLight", E_FAIL);
    view.ReportLightFailure("Error LightEnable", E_FAIL);
  }
  EXPECT_EQ(view.lightBoxes, (std::vector<std::string>{"Error SetLight", "Error LightEnable"}));
}

TEST_F(BodyDraw, HuygensRidesOnCassiniUntilTheSeparation) {
  BodyView view(folder.root);
  view.Start();
  CD3DFile_Mesh* mesh = new CD3DFile_Mesh();
  mesh->m_materialCount = 310;
  mesh->m_pMaterials = new D3DMATERIAL9[310]{};
  mesh->m_pTextures = new IDirect3DTexture9*[310]{};
  view.m_meshes[7] = mesh;
  view.m_selectedSpacecraft = 40;
  struct Case {
    double jd;
    float alpha;
  } cases[] = {{2453364.584076192, 1.0f}, {2453364.6, 0.0f}, {2453000.0, 1.0f}};
  for (const Case& c : cases) {
    view.m_julianDate = c.jd;
    view.UpdateHuygensMaterials();
    EXPECT_EQ(mesh->m_pMaterials[90].Diffuse.a, c.alpha) << c.jd;
    EXPECT_EQ(mesh->m_pMaterials[109].Diffuse.a, c.alpha) << c.jd;
    EXPECT_EQ(mesh->m_pMaterials[110].Diffuse.a, 0.0f) << "only the probe's materials change";
  }
}

// ---- Solar-system scene computations ------------------------------------------------

TEST(SolarSystemScene, EarthSpinDistanceClampAndRingStrips) {
  EXPECT_NEAR(EarthSpinAngle(2415020.0, 0.0, 0.0, 1.0), 1.739936, 1e-6);
  struct Clamp {
    double d, factor;
  } clamps[] = {{2.0, 0.5}, {1.0, 1.0}, {0.5, 1.0}, {0.00005, 2.0}, {0.0, 1.0}};
  for (const Clamp& c : clamps) EXPECT_DOUBLE_EQ(ClampDrawingDistance(c.d), c.factor) << c.d;
  // The camera angle t picks k = 2 trunc(148 t / 2 pi).
  struct Strips {
    int k;
    std::vector<std::pair<int, int>> draws;
  } strips[] = {{0, {{0, 148}}}, {150, {{0, 2}, {150, 146}}}, {294, {{0, 146}, {294, 2}}}};
  for (const Strips& s : strips) {
    const double t = (s.k / 2 + 0.5) * 2.0 * 3.141592653589793 / 148.0;
    RingDraw draws[2];
    const int count = RingHalfDraws(t, draws);
    std::vector<std::pair<int, int>> got;
    for (int i = 0; i < count; ++i) got.push_back({draws[i].start, draws[i].triangles});
    EXPECT_EQ(got, s.draws) << s.k;
  }
}

// ---- Spacecraft commands ---------------------------------------------------------------

TEST_F(BodyDraw, ProbeCommandsSwapPartnersAndRefuseDatesOutsideTheFlight) {
  BodyView view(folder.root);
  view.m_suppressObjectInfo = true;
  std::vector<CString> boxes;
  SetMessageBoxHandler([&](const CString& text, const CString&, UINT) {
    boxes.push_back(text);
    return IDOK;
  });
  fs::create_directories(folder.root / "donnees");
  auto write = [&](const char* name, double x) {
    std::ofstream f(folder.root / "donnees" / name);
    for (int i = 0; i < 5; ++i) f << 2400000.5 + 25000 * i << " " << x << " 1000 0\n";
  };
  write("cassini.xyz", 1.0e9);
  write("huygens.xyz", 2.0e9);
  view.m_julianDate = 2453340.5;
  view.ShowProbeCommand(232);  // Cassini: Huygens second
  EXPECT_EQ(g_trajectory[0].x, 1.0e9);
  ASSERT_NE(g_secondTrajectory, nullptr);
  TrajectoryPoint** table = g_secondTrajectory;
  EXPECT_EQ(g_secondTrajectory[0]->x, 2.0e9);
  EXPECT_EQ(view.m_lockedObject, kBodyCassini);
  view.m_julianDate = 2453340.5;  // the update recomputed it from the view's calendar fields
  view.ShowProbeCommand(33001);  // Huygens: Cassini second, the same second table
  EXPECT_EQ(g_trajectory[0].x, 2.0e9);
  EXPECT_EQ(g_secondTrajectory[0]->x, 1.0e9);
  EXPECT_EQ(g_secondTrajectory, table);
  EXPECT_EQ(view.m_selectedSpacecraft, kBodyHuygens);
  EXPECT_TRUE(boxes.empty());

  struct Case {
    UINT command;
    double jd;
  } refused[] = {{232, 2300000.5}, {187, 2453340.5}};  // outside the flight; no file for Galileo
  for (const Case& c : refused) {
    SCOPED_TRACE(c.command);
    boxes.clear();
    view.m_lockedObject = kBodyCassini;
    view.m_julianDate = c.jd;
    view.ShowProbeCommand(c.command);
    EXPECT_EQ(boxes, std::vector<CString>{"There is no information on the position of the probe on this date !"});
    EXPECT_EQ(view.m_lockedObject, -1);
    EXPECT_EQ(TrajectoryPointCount(g_trajectory, kTrajectoryCapacity), 0);
  }
}

// In the planetarium the camera stays at the observer and the mode stays: a
// probe command locks the probe and turns the view to it when it is above
// the horizon, and leaves the view as it was when it is below.
TEST_F(BodyDraw, ProbeCommandInThePlanetariumTurnsTheViewOnly) {
  BodyView view(folder.root);
  view.m_suppressObjectInfo = true;
  std::vector<CString> boxes;
  SetMessageBoxHandler([&](const CString& text, const CString&, UINT) {
    boxes.push_back(text);
    return IDOK;
  });
  view.m_installFolder = NUVARINE_INSTALL_DIR;
  ASSERT_TRUE(view.LoadPlanetLibrary());
  view.m_installFolder = folder.root.string().c_str();
  fs::create_directories(folder.root / "donnees");
  view.m_year = 2026, view.m_month = 3, view.m_day = 20, view.m_hour = 21, view.m_minute = 30;
  view.m_observerLongitude = -2.35 * kDegToRad;  // Paris, west positive
  view.m_observerLatitude = 48.85 * kDegToRad;
  view.m_planetariumMode = true;
  view.UpdateTimeContext();
  struct Case {
    const char* where;
    double z;  // km, 40 AU from the Sun toward an ecliptic pole
    bool above;
  } cases[] = {{"ecliptic north pole, always up from Paris", 6e9, true},
               {"ecliptic south pole, never up from Paris", -6e9, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    {
      std::ofstream f(folder.root / "donnees" / "newhorizons.xyz");
      f << std::fixed;
      for (int i = 0; i < 5; ++i) f << 2461000.5 + 100 * i << " 0 0 " << c.z << "\n";
    }
    view.m_lockedObject = -1;
    view.ResetAndRotateCamera(3.1415927f, 0.2f);  // the southern view
    const D3DXVECTOR3 before = view.m_camera.m_viewDirection;
    view.ShowProbeCommand(32784);  // New horizons
    EXPECT_TRUE(view.m_planetariumMode);
    EXPECT_EQ(view.m_cameraPosition.x, 0.0);
    EXPECT_EQ(view.m_cameraPosition.y, 0.0);
    EXPECT_EQ(view.m_cameraPosition.z, 0.0);
    EXPECT_EQ(view.m_lockedObject, kBodyNewHorizons);
    EXPECT_TRUE(boxes.empty());
    const BodyState& b = g_bodies[kBodyNewHorizons];
    ASSERT_EQ(b.altitude >= 0.0, c.above) << b.altitude;
    const D3DXVECTOR3 want = c.above ? view.SkyToScenePoint(true, static_cast<float>(b.altitude),
                                                            static_cast<float>(b.azimuth), 1.0f)
                                     : before;
    EXPECT_NEAR(view.m_camera.m_viewDirection.x, want.x, 2e-3);
    EXPECT_NEAR(view.m_camera.m_viewDirection.y, want.y, 2e-3);
    EXPECT_NEAR(view.m_camera.m_viewDirection.z, want.z, 2e-3);
  }
}

// ---- The Moon's phase in the planetarium -------------------------------------------------

TEST_F(BodyDraw, TheMoonIsLitOnTheSideOfTheSun) {
  BodyView view(folder.root);
  view.Start();
  WritePicture(folder.root / "textures" / "moon.jpg", 64, 32);
  view.m_planetariumMode = true;
  view.m_textureLevel = 2;
  view.m_textureCompression = false;
  view.LookNorth(0.05f);
  view.m_camera.SetProjectionParameters(0.05f, 128.0f / 96.0f, 1e-5f, 100.0f);
  D3DXMatrixMultiply(&view.m_viewProjectionMatrix, &view.m_camera.m_viewMatrix, &view.m_camera.m_projectionMatrix);
  view.m_backBufferWidth = 128.0f, view.m_backBufferHeight = 96.0f;
  view.m_skyColorValue = {0, 0, 0, 1};
  view.m_showPlanetNames = false;
  // The Moon straight ahead, the Sun a quarter turn to one side then the other.
  for (double sunAzimuth : {kPi / 2, -kPi / 2}) {
    SCOPED_TRACE(sunAzimuth);
    for (BodyState& b : g_bodies) b.azimuth = 3.0, b.altitude = -1.0, b.earthDistance = 5.0;
    BodyState& moon = g_bodies[kBodyMoon];
    moon.azimuth = 0.0, moon.altitude = 0.0, moon.diameter = 3474.0, moon.earthDistance = 0.00257;
    moon.magnitude = -10.0, moon.illumination = 0.5, moon.apparentDiameter = 0.009;
    g_bodies[kBodySun].azimuth = sunAzimuth, g_bodies[kBodySun].altitude = -0.5, g_bodies[kBodySun].earthDistance = 1.0;
    view.UpdateBodyDrawFlags();
    view.SyncBodyTexturesAndMeshes(view.m_bodyDrawFlags);
    view.WaitForPendingBodyTextures();
    ASSERT_NE(view.m_bodyTextures[12], nullptr);
    IDirect3DDevice9* device = view.m_pd3dDevice;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    device->BeginScene();
    device->SetTransform(D3DTS_VIEW, &view.m_camera.m_viewMatrix);
    device->SetTransform(D3DTS_PROJECTION, &view.m_camera.m_projectionMatrix);
    device->SetBatchingForLayer(false);
    const uint64_t before = device->GetDrawCallCountForLayer();
    view.RenderBodiesFromEarth(0);
    EXPECT_GT(device->GetDrawCallCountForLayer() - before, 0u);
    device->SetBatchingForLayer(true);
    device->EndScene();
    const int w = static_cast<int>(view.m_backBufferWidthPixels), h = static_cast<int>(view.m_backBufferHeightPixels);
    const std::vector<uint8_t> frame = PresentAndReadFrame(device, w, h);
    long left = 0, right = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = frame.data() + (static_cast<size_t>(y) * w + x) * 4;
        (x < w / 2 ? left : right) += p[0] + p[1] + p[2];
      }
    // The side of the screen the Sun's direction projects to.
    const D3DXVECTOR3 sun(static_cast<float>(-std::sin(sunAzimuth)), 0.0f, 0.001f);
    D3DXVECTOR4 projected;
    D3DXVec3Transform(&projected, &sun, &view.m_viewProjectionMatrix);
    const bool sunRight = projected.x / projected.w > 0.0f;
    // The dark side keeps the scene's faint global ambient.
    EXPECT_GT(left + right, 0);
    if (sunRight)
      EXPECT_GT(right, 3 * left);
    else
      EXPECT_GT(left, 3 * right);
  }
}

// The Sun's disc keeps its picture's colours high in the sky and reddens
// towards the horizon through the light's ambient part; the sphere's vertices
// carry their own diffuse colour, which once made the drawing layer skip the
// material and show only the red diffuse light at every altitude.
TEST_F(BodyDraw, TheSunKeepsItsColoursHighAndReddensNearTheHorizon) {
  BodyView view(folder.root);
  view.Start();
  WritePicture(folder.root / "textures" / "sun.bmp", 64, 32);  // (120, 130, 140)
  view.m_planetariumMode = true;
  view.m_textureLevel = 2;
  view.m_textureCompression = false;
  view.m_backBufferWidth = 128.0f, view.m_backBufferHeight = 96.0f;
  view.m_skyColorValue = {0, 0, 0, 1};
  view.m_showPlanetNames = false;
  struct Case {
    double altitude;
    int red, green, blue;  // expected centre pixel, within 8
  };
  // Ambient (1, 1 - 2.4 t, 1 - 2 t) with t = 0.2 - altitude (clamped to 0..0.2).
  for (const Case& c : {Case{1.0, 120, 130, 140}, Case{0.1, 120, 99, 112}, Case{0.0, 120, 68, 84}}) {
    SCOPED_TRACE(c.altitude);
    view.m_fieldOfView = 0.05f;
    const D3DXVECTOR3 at(0.0f, static_cast<float>(-std::sin(c.altitude)), static_cast<float>(std::cos(c.altitude)));
    view.m_camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), at, D3DXVECTOR3(0, -1, 0));
    view.m_camera.SetProjectionParameters(0.05f, 128.0f / 96.0f, 1e-5f, 100.0f);
    D3DXMatrixMultiply(&view.m_viewProjectionMatrix, &view.m_camera.m_viewMatrix, &view.m_camera.m_projectionMatrix);
    for (BodyState& b : g_bodies) b.azimuth = 3.0, b.altitude = -1.0, b.earthDistance = 5.0;
    BodyState& sun = g_bodies[kBodySun];
    sun.azimuth = 0.0, sun.altitude = c.altitude, sun.diameter = 1392000.0, sun.earthDistance = 1.0;
    sun.magnitude = -26.7, sun.apparentDiameter = 0.0093;
    view.UpdateBodyDrawFlags();
    view.SyncBodyTexturesAndMeshes(view.m_bodyDrawFlags);
    ASSERT_NE(view.m_bodyTextures[3], nullptr);
    IDirect3DDevice9* device = view.m_pd3dDevice;
    device->SetRenderState(D3DRS_AMBIENT, 0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
    device->BeginScene();
    device->SetTransform(D3DTS_VIEW, &view.m_camera.m_viewMatrix);
    device->SetTransform(D3DTS_PROJECTION, &view.m_camera.m_projectionMatrix);
    view.RenderBodiesFromEarth(0);
    device->EndScene();
    const int w = static_cast<int>(view.m_backBufferWidthPixels), h = static_cast<int>(view.m_backBufferHeightPixels);
    const std::vector<uint8_t> frame = PresentAndReadFrame(device, w, h);
    const uint8_t* p = frame.data() + (static_cast<size_t>(h / 2) * w + w / 2) * 4;
    const int blue = p[0], green = p[1], red = p[2];
    EXPECT_NEAR(red, c.red, 8);
    EXPECT_NEAR(green, c.green, 8);
    EXPECT_NEAR(blue, c.blue, 8);
  }
}

// Saturn seen from Earth: the far half of the rings (both faces) unlit
// under the planet, the lit sphere, then the near half over it; the pass
// leaves lighting on, the view's depth test, the standard blend and no
// vertex program whatever it found.
TEST_F(BodyDraw, SaturnFromEarthDrawsTheFarRingHalfThePlanetThenTheNearHalf) {
  BodyView view(folder.root);
  view.Start();
  WritePicture(folder.root / "textures" / "saturn.jpg", 16, 8);
  std::string error;
  ASSERT_TRUE(bodies::WritePng((folder.root / "textures" / "saturn-rings.png").string(),
                               bodies::MakeImage(4, 16, 200, 200, 200, 128), true, error));
  view.m_planetariumMode = true;
  view.m_textureLevel = 2;
  view.m_textureCompression = false;
  view.LookNorth(0.05f);
  view.m_camera.SetProjectionParameters(0.05f, 128.0f / 96.0f, 1e-5f, 100.0f);
  D3DXMatrixMultiply(&view.m_viewProjectionMatrix, &view.m_camera.m_viewMatrix, &view.m_camera.m_projectionMatrix);
  view.m_backBufferWidth = 128.0f, view.m_backBufferHeight = 96.0f;
  view.m_skyColorValue = {0, 0, 0, 1};
  view.m_showPlanetNames = false;
  // The glow's picture (the install folder's is not there).
  if (!view.m_starPictureTexture) {
    ASSERT_EQ(view.m_pd3dDevice->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                               &view.m_starPictureTexture, nullptr),
              D3D_OK);
  }
  view.m_observerLatitude = 0.8;
  view.m_localSiderealTime = 1.0;
  for (BodyState& b : g_bodies) b.azimuth = 3.0, b.altitude = -1.0, b.earthDistance = 5.0;
  BodyState& saturn = g_bodies[kBodySaturn];
  saturn.azimuth = 0.0, saturn.altitude = 0.0, saturn.diameter = 120536.0, saturn.earthDistance = 0.01;
  saturn.magnitude = 0.5, saturn.apparentDiameter = 0.003, saturn.rightAscension = 1.2, saturn.declination = 0.1;
  g_bodies[kBodySun].azimuth = kPi / 2, g_bodies[kBodySun].altitude = -0.5, g_bodies[kBodySun].earthDistance = 1.0;
  view.UpdateBodyDrawFlags();
  view.SyncBodyTexturesAndMeshes(view.m_bodyDrawFlags);
  view.WaitForPendingBodyTextures();
  ASSERT_NE(view.m_bodyTextures[8], nullptr);
  ASSERT_NE(view.m_saturnRingTexture, nullptr);

  IDirect3DDevice9* device = view.m_pd3dDevice;
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xff000000, 1.0f, 0);
  device->BeginScene();
  device->SetTransform(D3DTS_VIEW, &view.m_camera.m_viewMatrix);
  device->SetTransform(D3DTS_PROJECTION, &view.m_camera.m_projectionMatrix);
  // States the pass must not leave as it found them.
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetRenderState(D3DRS_ZENABLE, view.m_depthTestMode == D3DZB_FALSE ? D3DZB_TRUE : D3DZB_FALSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
  device->SetVertexShader(view.m_planetShader);
  std::vector<DrawLog::Entry> draws;
  {
    DrawLog log(device);
    view.RenderBodiesFromEarth(0);
    draws = log.entries;
  }
  ExpectBodyPassStatesRestored(device, static_cast<DWORD>(view.m_depthTestMode));
  device->EndScene();

  // The draws from the first ring draw on: ring, ring, the sphere, ring, ring.
  size_t first = 0;
  while (first < draws.size() && draws[first].draw.textures[0] != view.m_saturnRingTexture) ++first;
  ASSERT_GE(draws.size(), first + 5);
  // The glow before them (with its vertex program), the surroundings after.
  ASSERT_GE(first, 1u);
  EXPECT_EQ(draws[first - 1].draw.vertexShader, view.m_planetShader);
  for (size_t i = first + 5; i < draws.size(); ++i) EXPECT_NE(draws[i].draw.textures[0], view.m_saturnRingTexture);
  const D3DDrawRecordForLayer& sphere = draws[first + 2].draw;
  EXPECT_EQ(sphere.textures[0], view.m_bodyTextures[8]);
  EXPECT_EQ(sphere.lighting, static_cast<DWORD>(TRUE));
  EXPECT_EQ(sphere.vertexShader, nullptr);
  EXPECT_EQ(sphere.zEnable, static_cast<DWORD>(view.m_depthTestMode));
  D3DXMATRIX scale, turnY, turnZ;
  D3DXMatrixScaling(&scale, 2.26f, 2.26f, 2.26f);
  D3DXMatrixRotationY(&turnY, static_cast<float>(kPi));
  D3DXMatrixRotationZ(&turnZ, static_cast<float>(kPi));
  const D3DXMATRIX world(&sphere.world._11);
  // Before the sphere the far half and its other face; after it the near
  // half (turned about z) and its other face.
  const D3DXMATRIX rings[4] = {scale * world, turnY * scale * world, turnZ * scale * world,
                               turnY * turnZ * scale * world};
  const size_t ringDraws[4] = {first, first + 1, first + 3, first + 4};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const D3DDrawRecordForLayer& ring = draws[ringDraws[i]].draw;
    EXPECT_EQ(ring.type, D3DPT_TRIANGLESTRIP);
    EXPECT_EQ(ring.startVertex, 0u);
    EXPECT_EQ(ring.primitiveCount, 148u);
    EXPECT_EQ(ring.fvf, 0x252u);
    EXPECT_EQ(ring.stride, 44u);
    EXPECT_EQ(ring.textures[0], view.m_saturnRingTexture);
    EXPECT_EQ(ring.lighting, static_cast<DWORD>(FALSE));
    EXPECT_EQ(ring.vertexShader, nullptr);
    ExpectMatrixNear(ring.world, rings[i]);
  }
}

// Seen from Earth, a displayed comet and asteroid get their glow (and, with
// the planet names, their names) only down to the user's magnitude limit of
// their kind, and only while their switch is on.
TEST_F(BodyDraw, CometsAndAsteroidsGlowDownToTheirMagnitudeLimits) {
  BodyView view(folder.root);
  view.Start();
  view.m_planetariumMode = true;
  view.LookNorth(0.3f);
  D3DXMatrixMultiply(&view.m_viewProjectionMatrix, &view.m_camera.m_viewMatrix, &view.m_camera.m_projectionMatrix);
  view.m_backBufferWidth = 128.0f, view.m_backBufferHeight = 96.0f;
  view.m_skyColorValue = {0, 0, 0, 1};
  view.m_showPlanetNames = false;
  view.m_showLandscape = true;
  if (!view.m_starPictureTexture)
    ASSERT_EQ(view.m_pd3dDevice->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                               &view.m_starPictureTexture, nullptr),
              D3D_OK);
  for (BodyState& b : g_bodies) b.azimuth = 3.0, b.altitude = -1.0, b.earthDistance = 5.0;
  // Both a little off the middle of the view, the comet left, the asteroid right.
  CometRecord* savedComets = g_comets;
  AsteroidRecord* savedAsteroids = g_asteroids;
  const int savedCometCount = g_cometCount, savedAsteroidCount = g_asteroidCount;
  const int savedDisplayedComets = g_displayedCometCount, savedDisplayedAsteroids = g_displayedAsteroidCount;
  CometRecord comet{};
  AsteroidRecord asteroid{};
  comet.azimuth = 0.05, comet.altitude = 0.02, comet.magnitude = 9.0f, comet.earthDistance = 0.4;
  asteroid.azimuth = -0.05, asteroid.altitude = 0.02, asteroid.magnitude = 7.5f, asteroid.earthDistance = 1.8;
  g_comets = &comet, g_cometCount = 1, g_displayedCometIndices[0] = 0, g_displayedCometCount = 1;
  g_asteroids = &asteroid, g_asteroidCount = 1, g_displayedAsteroidIndices[0] = 0, g_displayedAsteroidCount = 1;

  struct Case {
    bool showComets, showAsteroids;
    double cometLimit, asteroidLimit;
    std::vector<double> glowAzimuths;  // farthest first
  };
  const Case cases[] = {
      {true, true, 11.0, 11.0, {-0.05, 0.05}},
      {true, true, 9.0, 7.5, {-0.05, 0.05}},   // a limit equal to the magnitude still shows it
      {true, true, 8.9, 11.0, {-0.05}},
      {true, true, 11.0, 7.4, {0.05}},
      {false, true, 11.0, 11.0, {-0.05}},
      {true, false, 11.0, 11.0, {0.05}},
  };
  IDirect3DDevice9* device = view.m_pd3dDevice;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.showComets << c.showAsteroids << " " << c.cometLimit << " "
                                    << c.asteroidLimit);
    view.m_showComets = c.showComets, view.m_showAsteroids = c.showAsteroids;
    view.m_cometMagnitudeLimit = c.cometLimit, view.m_asteroidMagnitudeLimit = c.asteroidLimit;
    std::vector<DrawLog::Entry> draws;
    device->BeginScene();
    {
      DrawLog log(device);
      view.RenderBodiesFromEarth(0);
      draws = log.entries;
    }
    device->EndScene();
    // Each glow is the star picture on a quad centred on its object's
    // direction: c2 to c5 hold the transposed world-view-projection, so c2.w
    // is the clip x of the quad's centre.
    std::vector<float> clipX;
    for (const DrawLog::Entry& e : draws)
      if (e.draw.textures[0] == view.m_starPictureTexture && e.draw.vertexShader == view.m_planetShader)
        clipX.push_back(e.constants[2][3]);
    ASSERT_EQ(clipX.size(), c.glowAzimuths.size());
    for (size_t i = 0; i < clipX.size(); ++i) {
      const double a = c.glowAzimuths[i], h = 0.02;
      const D3DXVECTOR3 place(static_cast<float>(-0.01 * std::sin(a) * std::cos(h)),
                              static_cast<float>(-0.01 * std::sin(h)),
                              static_cast<float>(0.01 * std::cos(a) * std::cos(h)));
      D3DXVECTOR4 expected;
      D3DXVec3Transform(&expected, &place, &view.m_viewProjectionMatrix);
      EXPECT_NEAR(clipX[i], expected.x, 1e-4 * std::fabs(expected.x));
    }
  }
  g_comets = savedComets, g_asteroids = savedAsteroids;
  g_cometCount = savedCometCount, g_asteroidCount = savedAsteroidCount;
  g_displayedCometCount = savedDisplayedComets, g_displayedAsteroidCount = savedDisplayedAsteroids;
}

// Seen from Earth, bodies under 1 km are skipped while no trajectory is
// loaded (a probe has no place without one), except the Earth satellites,
// placed from their two-line elements, once their place is computed.
TEST_F(BodyDraw, SmallBodiesFromEarthNeedATrajectoryExceptComputedSatellites) {
  BodyView view(folder.root);
  view.Start();
  view.m_planetariumMode = true;
  view.LookNorth(0.3f);
  D3DXMatrixMultiply(&view.m_viewProjectionMatrix, &view.m_camera.m_viewMatrix, &view.m_camera.m_projectionMatrix);
  view.m_backBufferWidth = 128.0f, view.m_backBufferHeight = 96.0f;
  view.m_skyColorValue = {0, 0, 0, 1};
  view.m_showPlanetNames = view.m_showSatelliteNames = false;
  view.m_showComets = view.m_showAsteroids = false;
  if (!view.m_starPictureTexture)
    ASSERT_EQ(view.m_pd3dDevice->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                               &view.m_starPictureTexture, nullptr),
              D3D_OK);
  for (BodyState& b : g_bodies) b.azimuth = 3.0, b.altitude = -1.0, b.earthDistance = 5.0;
  BodyState& iss = g_bodies[kBodyIss];
  BodyState& voyager = g_bodies[kBodyVoyager1];
  iss.azimuth = 0.05, iss.altitude = 0.02, iss.diameter = 0.1, iss.magnitude = 1.0f;
  voyager.azimuth = -0.05, voyager.altitude = 0.02, voyager.diameter = 0.01, voyager.magnitude = 1.0f;
  voyager.position = {1e4, 0, 0};  // farther than the satellite: drawn first
  auto glows = [&] {
    IDirect3DDevice9* device = view.m_pd3dDevice;
    std::vector<float> clipX;
    device->BeginScene();
    {
      DrawLog log(device);
      view.RenderBodiesFromEarth(0);
      for (const DrawLog::Entry& e : log.entries)
        if (e.draw.textures[0] == view.m_starPictureTexture && e.draw.vertexShader == view.m_planetShader)
          clipX.push_back(e.constants[2][3]);
    }
    device->EndScene();
    return clipX;
  };
  // The clip x of a glow centred on a direction (see the comets' test).
  auto clipXOf = [&](double a) {
    const double h = 0.02;
    const D3DXVECTOR3 place(static_cast<float>(-0.01 * std::sin(a) * std::cos(h)),
                            static_cast<float>(-0.01 * std::sin(h)),
                            static_cast<float>(0.01 * std::cos(a) * std::cos(h)));
    D3DXVECTOR4 clip;
    D3DXVec3Transform(&clip, &place, &view.m_viewProjectionMatrix);
    return clip.x;
  };
  std::vector<float> drawn = glows();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_NEAR(drawn[0], clipXOf(0.05), 1e-4 * std::fabs(clipXOf(0.05)));
  g_trajectory[0].julianDate = 2451545.0;
  drawn = glows();
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_NEAR(drawn[0], clipXOf(-0.05), 1e-4 * std::fabs(clipXOf(-0.05)));
  EXPECT_NEAR(drawn[1], clipXOf(0.05), 1e-4 * std::fabs(clipXOf(0.05)));
  // A satellite whose place was not computed (both angles 0) is not listed.
  iss.azimuth = iss.altitude = 0.0;
  EXPECT_EQ(glows().size(), 1u);
}
