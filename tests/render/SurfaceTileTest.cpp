// Surface tiles: the generator cuts whole DXT blocks (the same as compressing
// each tile) and shifts Mars's columns, refusing maps that do not divide;
// the streaming loads the tiles near the camera after a few frames, releases
// them when the camera goes, prefers the Moon to the Earth when both are
// close, reads Mars's shifted first-level files only, drops one body's tiles
// when the camera is next near another, and does nothing below the highest
// texture level.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "BodyImages.h"
#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"
#include "SurfaceTiles.h"
#include "UiDefs.h"

namespace fs = std::filesystem;

namespace {

std::string Folder(const char* name) {
  const std::string folder = fs::path(::testing::TempDir() + "/" + name).lexically_normal().string();
  fs::create_directories(folder);
  return folder;
}

// Each 4-pixel column of the map has its own colour.
bodies::Image StripedMap(int width, int height) {
  bodies::Image map = bodies::MakeImage(width, height, 0, 0, 0, 255);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = map.At(x, y);
      p[0] = static_cast<uint8_t>(x / 4 * 7), p[1] = static_cast<uint8_t>(y * 3), p[2] = 90;
    }
  return map;
}

std::vector<uint8_t> Blocks(const std::string& path) {
  int w = 0, h = 0;
  std::vector<uint8_t> blocks;
  std::string error;
  EXPECT_TRUE(bodies::ReadDxt1(path, w, h, blocks, error)) << error;
  return blocks;
}

TEST(SurfaceTileGenerator, TilesAreTheMapsOwnBlocksAndMarsIsShiftedHalfATurn) {
  const std::string install = Folder("generator");
  std::string error;
  const bodies::Image map = StripedMap(128, 64);
  ASSERT_TRUE(bodies::WriteDds(install + "/map.dds", map, bodies::Dxt::kDxt1, error)) << error;
  int w = 0, h = 0;
  std::vector<uint8_t> blocks;
  ASSERT_TRUE(bodies::ReadDxt1(install + "/map.dds", w, h, blocks, error)) << error;
  ASSERT_TRUE(bodies::WriteDxt1Tiles(blocks, w, h, {"t/1", 16, 32, 0}, install, error)) << error;
  for (const int f : {0, 13, 31})
    for (const int r : {0, 15}) {
      SCOPED_TRACE(std::to_string(f) + " " + std::to_string(r));
      ASSERT_TRUE(bodies::WriteDds(install + "/one.dds", bodies::CutTile(map, 16, 32, r, f), bodies::Dxt::kDxt1, error));
      EXPECT_EQ(Blocks(install + "/t/1/tx_" + std::to_string(f) + "_" + std::to_string(r) + ".dds"),
                Blocks(install + "/one.dds"));
    }
  // Mars: file column 0 holds the map's column 8, file column 8 the map's 0.
  ASSERT_TRUE(bodies::WriteJpegTiles(map, {"mars/0", 8, 16, 8}, install, error)) << error;
  bodies::Image tile;
  ASSERT_TRUE(bodies::ReadImage(install + "/mars/0/tx_0_0.jpg", tile, error)) << error;
  EXPECT_NEAR(tile.At(4, 4)[0], 8 * 2 * 7 + 1 * 7, 8);  // map x = 8 * 8 + 4
  ASSERT_TRUE(bodies::ReadImage(install + "/mars/0/tx_8_0.jpg", tile, error)) << error;
  EXPECT_NEAR(tile.At(4, 4)[0], 7, 8);
  EXPECT_EQ(tile.width, 8);
  // Never enlarged: a map that does not hold whole tiles is refused.
  EXPECT_FALSE(bodies::WriteDxt1Tiles(blocks, w, h, {"t/2", 32, 64, 0}, install, error));
  EXPECT_FALSE(bodies::WriteJpegTiles(bodies::MakeImage(100, 50, 0, 0, 0, 255), {"m/0", 8, 16, 8}, install, error));
}

class TileView : public CNuvarine2View {
 public:
  explicit TileView(const std::string& folder) {
    m_installFolder = folder.c_str();
    m_millisecondClock = [this] { return clock += 20.0; };
  }
  void GetClientSize(int& width, int& height) const override { width = 64, height = 48; }
  int Loaded(IDirect3DTexture9* const* textures, int count, int* width = nullptr) const {
    int n = 0;
    for (int i = 0; i < count; ++i)
      if (textures[i]) {
        ++n;
        D3DSURFACE_DESC d{};
        textures[i]->GetLevelDesc(0, &d);
        if (width) *width = static_cast<int>(d.Width);
      }
    return n;
  }
  int Level0(int* width = nullptr) const { return Loaded(m_tileTexturesLevel0, 128, width); }
  int AllLoaded() const {
    return Loaded(m_tileTexturesLevel0, 128) + Loaded(m_tileTexturesLevel1, 512) + Loaded(m_tileTexturesLevel2, 2048);
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) RunSurfaceTiles();
  }
  // Just above the body's north pole (poles along z here).
  void AbovePole(int body, double height) {
    m_cameraPosition = {g_bodies[body].position.x, g_bodies[body].position.y,
                        g_bodies[body].position.z + g_bodies[body].diameter * 5e-7 + height};
    for (int b : {kBodyEarth, kBodyMars, kBodyMoon}) {
      const double dx = g_bodies[b].position.x - m_cameraPosition.x, dy = g_bodies[b].position.y - m_cameraPosition.y,
                   dz = g_bodies[b].position.z - m_cameraPosition.z;
      g_bodies[b].cameraDistance = std::sqrt(dx * dx + dy * dy + dz * dz);
    }
  }
  // Over the centre of tile (row, column) of the first level, `height` above
  // the surface, for a body drawn without turn or pole (the streaming puts
  // the tile's centre at the body's position minus the unit vector below).
  void AboveTile(int body, int row, int column, double height) {
    const double degree = 3.14159265358979 / 180.0;
    const double lat = (row * 22.5 - 90.0 + 11.25) * degree, lon = (column * 22.5 - 11.25) * degree;
    const double k = g_bodies[body].diameter * 5e-7 + height;
    const Vector3d& p = g_bodies[body].position;
    m_cameraPosition = {p.x - k * std::cos(lat) * std::sin(lon), p.y - k * std::cos(lat) * std::cos(lon),
                        p.z - k * std::sin(lat)};
    for (int b : {kBodyEarth, kBodyMars, kBodyMoon}) {
      const double dx = g_bodies[b].position.x - m_cameraPosition.x, dy = g_bodies[b].position.y - m_cameraPosition.y,
                   dz = g_bodies[b].position.z - m_cameraPosition.z;
      g_bodies[b].cameraDistance = std::sqrt(dx * dx + dy * dy + dz * dz);
    }
  }
  double clock = 1000.0;
};

// The red and green of a texture's first texel (any 24- or 32-bit format).
std::pair<int, int> RedGreen(IDirect3DTexture9* texture) {
  D3DSURFACE_DESC desc{};
  texture->GetLevelDesc(0, &desc);
  D3DLOCKED_RECT locked{};
  if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return {-1, -1};
  const auto* p = static_cast<const uint8_t*>(locked.pBits);
  const std::pair<int, int> rg{p[2], p[1]};
  texture->UnlockRect(0);
  return rg;
}

// Mars's first-level files, each one plain colour telling its name: red
// 16 x column + 8, green 32 x row + 16. The finer levels get files as well,
// which must never be read.
void WriteMarsTiles(const std::string& install) {
  std::string error;
  for (int level = 0; level < 3; ++level) {
    const int rows = 8 << level, columns = 16 << level;
    const std::string folder = install + "/Textures thr/Mars/" + std::to_string(level);
    fs::create_directories(folder);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < columns; ++c) {
        const bodies::Image tile = bodies::MakeImage(8, 8, static_cast<uint8_t>(16 * (c % 16) + 8),
                                                     static_cast<uint8_t>(32 * (r % 8) + 16), 0, 255);
        ASSERT_TRUE(bodies::WriteJpeg(folder + "/tx_" + std::to_string(c) + "_" + std::to_string(r) + ".jpg", tile,
                                      95, error))
            << error;
      }
  }
}

class SurfaceTileStreaming : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    SetMessageBoxHandler([](const CString&, const CString&, UINT) { return IDOK; });
    for (BodyState& b : g_bodies) b = BodyState{};
    std::memset(g_bodyPoles, 0, sizeof g_bodyPoles);
    g_bodies[kBodyEarth].diameter = 12756;
    g_bodies[kBodyEarth].position = {150000, 0, 0};
    g_bodies[kBodyMoon].diameter = 3475;
    g_bodies[kBodyMoon].position = {150000, 0.05, 0.05};
    g_bodies[kBodyMars].diameter = 6792;
    g_bodies[kBodyMars].position = {0, 228000, 0};
    install = Folder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::string error;
    // Earth tiles of 16 pixels, Moon tiles of 8, so the two can be told apart.
    const bodies::Image earth = StripedMap(256, 128), moon = StripedMap(128, 64);
    ASSERT_TRUE(bodies::WriteDds(install + "/earth.dds", earth, bodies::Dxt::kDxt1, error));
    ASSERT_TRUE(bodies::WriteDds(install + "/moon.dds", moon, bodies::Dxt::kDxt1, error));
    int w, h;
    std::vector<uint8_t> e, m;
    ASSERT_TRUE(bodies::ReadDxt1(install + "/earth.dds", w, h, e, error));
    ASSERT_TRUE(bodies::ReadDxt1(install + "/moon.dds", w, h, m, error));
    for (const bodies::SurfaceTileLevel& l :
         {bodies::SurfaceTileLevel{"Textures thr/Earth-BlueMarble/0", 8, 16, 0},
          bodies::SurfaceTileLevel{"Textures thr/Earth-BlueMarble/1", 16, 32, 0},
          bodies::SurfaceTileLevel{"Textures thr/Earth-BlueMarble/2", 32, 64, 0}})
      ASSERT_TRUE(bodies::WriteDxt1Tiles(e, 256, 128, l, install, error)) << error;
    ASSERT_TRUE(bodies::WriteDxt1Tiles(m, 128, 64, {"Textures thr/Moon/0", 8, 16, 0}, install, error)) << error;
    view = std::make_unique<TileView>(install);
    view->OnInitialUpdate();
    ASSERT_NE(view->m_pd3dDevice, nullptr);
    view->m_textureLevel = 4;
  }
  void TearDown() override {
    view.reset();
    SetMessageBoxHandler(nullptr);
  }
  std::string install;
  std::unique_ptr<TileView> view;
};

TEST_F(SurfaceTileStreaming, NearTilesLoadAfterSomeFramesAndGoWithTheCamera) {
  g_bodies[kBodyMoon].position = {150000, 1, 0};  // the Moon, tested last, would win
  view->AbovePole(kBodyEarth, 0.001);
  view->Frames(5);
  EXPECT_EQ(view->AllLoaded(), 0) << "no tile loads before it has been near for six frames";
  view->Frames(200);
  int width = 0;
  const int near = view->Level0(&width);
  EXPECT_GT(near, 8);
  EXPECT_EQ(width, 16);  // 256 / 16
  EXPECT_EQ(g_loadedTileCount, view->AllLoaded());
  // Only the polar cap's tiles, each loaded one wanted.
  for (int i = 0; i < 128; ++i) {
    if (!view->m_tileTexturesLevel0[i]) continue;
    EXPECT_LT(i / 16, 2) << i;
    EXPECT_EQ(view->m_tileVisibleLevel0[i / 16][i % 16], 1) << i;
  }
  // Farther than 0.1: the step is skipped and the tiles stay.
  view->AbovePole(kBodyEarth, 0.2);
  view->Frames(3);
  EXPECT_EQ(view->Level0(), near);
  // Near the body but far from every tile: all released.
  view->AbovePole(kBodyEarth, 0.04);
  view->Frames(1);
  EXPECT_EQ(view->AllLoaded(), 0);
  EXPECT_EQ(g_loadedTileCount, 0);
}

TEST_F(SurfaceTileStreaming, TheMoonWinsWhenBothAreCloseAndLowerLevelsLoadNothing) {
  // 0.05 from both centres; the camera just above the Moon's pole.
  view->AbovePole(kBodyMoon, 0.0003);
  view->Frames(200);
  int width = 0;
  EXPECT_GT(view->Level0(&width), 0);
  EXPECT_EQ(width, 8) << "the Moon's tiles";
  EXPECT_EQ(view->Loaded(view->m_tileTexturesLevel2, 2048), 0) << "the Moon has no third level";

  view->m_textureLevel = 3;
  const int before = view->AllLoaded();
  BYTE flags[8][20];
  std::memcpy(flags, view->m_tileVisibleLevel0, sizeof flags);
  view->AbovePole(kBodyMoon, 0.03);
  view->Frames(50);
  EXPECT_EQ(view->AllLoaded(), before);
  EXPECT_EQ(std::memcmp(flags, view->m_tileVisibleLevel0, sizeof flags), 0);
}

TEST_F(SurfaceTileStreaming, MarsReadsItsShiftedFirstLevelFilesNearTheCameraOnly) {
  WriteMarsTiles(install);
  // The file of a tile: column nine to the west, the same row.
  auto expectOwnFiles = [&](const char* where) {
    SCOPED_TRACE(where);
    for (int i = 0; i < 128; ++i) {
      if (!view->m_tileTexturesLevel0[i]) continue;
      const int r = i / 16, c = i % 16, file = (c + 16 - 9) % 16;
      const std::pair<int, int> rg = RedGreen(view->m_tileTexturesLevel0[i]);
      EXPECT_NEAR(rg.first, 16 * file + 8, 4) << "row " << r << " column " << c;
      EXPECT_NEAR(rg.second, 32 * r + 16, 4) << "row " << r << " column " << c;
      EXPECT_EQ(view->m_tileVisibleLevel0[r][c], 1) << i;
    }
  };
  // Over a tile, Mars turned by a whole column either way (its rotation
  // angle is what spins the plain sphere as well): the tile under the camera
  // moves by that column, and a column two away from it is never near.
  const double column = 3.14159265358979 / 8.0;
  struct Case {
    int row, column;  // the camera 400 km above this tile's centre
    double turn;      // 2.41 less Mars's rotation angle
    int nearColumn, farColumn;
  };
  const Case cases[] = {{4, 5, 0.0, 5, 7}, {4, 5, column, 6, 4}, {4, 5, -column, 4, 6},
                        {3, 0, 0.0, 0, 2}, {3, 0, -column, 15, 1}, {3, 0, column, 1, 15}};
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.row) + " " + std::to_string(k.column) + " turn " + std::to_string(k.turn));
    g_bodies[kBodyMars].rotationAngle = 2.41 - k.turn;
    view->AboveTile(kBodyMars, k.row, k.column, 0.0004);
    view->Frames(200);
    EXPECT_TRUE(view->m_tileTexturesLevel0[k.row * 16 + k.nearColumn]) << "the tile under the camera";
    EXPECT_FALSE(view->m_tileTexturesLevel0[k.row * 16 + k.farColumn]);
    for (int i = 0; i < 128; ++i)
      if (view->m_tileTexturesLevel0[i]) EXPECT_LE(std::abs(i / 16 - k.row), 1) << i;
    EXPECT_EQ(view->Loaded(view->m_tileTexturesLevel1, 512) + view->Loaded(view->m_tileTexturesLevel2, 2048), 0)
        << "Mars has only the first level";
    expectOwnFiles("");
    EXPECT_EQ(g_loadedTileCount, view->AllLoaded());
  }
  // Still the body chosen (closer than 0.1) but 8000 km from every tile:
  // nothing near, everything released.
  view->AboveTile(kBodyMars, 4, 5, 0.009);
  view->Frames(1);
  EXPECT_EQ(view->AllLoaded(), 0);
  EXPECT_EQ(g_loadedTileCount, 0);
  view->Frames(100);
  EXPECT_EQ(view->AllLoaded(), 0);
}

TEST_F(SurfaceTileStreaming, TilesOfOneBodyAreNeverKeptForTheNext) {
  WriteMarsTiles(install);
  g_bodies[kBodyMars].rotationAngle = 2.41;
  g_bodies[kBodyMoon].rotationAngle = -0.08;  // the Moon's grid unturned as well
  view->AboveTile(kBodyMars, 4, 5, 0.0004);
  view->Frames(200);
  const int mars = view->Level0();
  ASSERT_GT(mars, 0);
  // At a lower texture level the tiles stay while the camera goes to the
  // same place over the Moon; back at the highest level the Moon's tiles
  // start from nothing instead of keeping Mars's pictures.
  view->m_textureLevel = 3;
  view->AboveTile(kBodyMoon, 4, 5, 0.0004);
  view->Frames(10);
  EXPECT_EQ(view->Level0(), mars);
  view->m_textureLevel = 4;
  view->Frames(1);
  EXPECT_EQ(view->AllLoaded(), 0);
  EXPECT_EQ(g_loadedTileCount, 0);
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 16; ++c) EXPECT_EQ(view->m_tileVisibleLevel0[r][c], 0) << r << " " << c;
  view->Frames(200);
  EXPECT_TRUE(view->m_tileTexturesLevel0[4 * 16 + 5]);
  for (int i = 0; i < 128; ++i)
    if (view->m_tileTexturesLevel0[i]) {
      D3DSURFACE_DESC desc{};
      view->m_tileTexturesLevel0[i]->GetLevelDesc(0, &desc);
      EXPECT_EQ(desc.Format, D3DFMT_DXT1) << "a Moon tile, not a Mars one: " << i;
    }
}

}  // namespace
