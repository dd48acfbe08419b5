// Body pictures decoded off the main thread: the slot stays empty on the
// frame that asks for it and is filled on a later one; a slot released while
// its picture is on the way is never filled (the view may even go); the same
// picture asked for twice is decoded once and fills both slots; failures
// leave the slot empty and keep the once-per-run size box; normal maps made
// off the device equal those made on it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "../shell/ShellTestSupport.h"
#include "BodyTextureLoader.h"
#include "BodyViewSupport.h"
#include "PreparedTexture.h"
#include "ProcessObjects.h"
#include "SolarSystemTypes.h"
#include "UiDefs.h"

namespace fs = std::filesystem;
using namespace bodytest;

namespace {

class BodyTextureLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    ResetFrameLoopGlobals();
    SetAdapterLimitsForLayer({});
    SetDisplayModeForLayer(1920, 1080);
    SetMessageBoxHandler([](const CString&, const CString&, UINT) { return IDOK; });
    for (BodyState& b : g_bodies) b = BodyState{};
    view = std::make_unique<BodyView>(folder.root);
    view->Start();
    view->m_decodeBodyTexturesInBackground = true;  // as the program runs
    view->m_textureLevel = 2;
    view->m_textureCompression = false;
    view->m_planetariumMode = false;
    view->m_bumpMapping = 10;
  }
  void TearDown() override {
    view.reset();
    SetMessageBoxHandler(nullptr);
    FreeCatalogueBuffers();
  }
  // The Moon's flag: its picture and its relief.
  void WriteMoon(int width, int height) {
    WritePicture(folder.root / "textures" / "moon.jpg", width, height);
    WritePicture(folder.root / "textures" / "moonbump1k.jpg", width / 2, height / 2);
  }
  static CNuvarine2View::BodyDrawFlags MoonFlags() {
    CNuvarine2View::BodyDrawFlags flags{};
    flags[10] = 1;
    return flags;
  }
  // Frames until nothing is on the way (bounded), as the frame loop runs them.
  void FramesUntilFilled(const CNuvarine2View::BodyDrawFlags& flags) {
    for (int i = 0; i < 500 && view->PendingBodyTextureCount() > 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      view->SyncBodyTexturesAndMeshes(flags);
    }
  }
  TempFolder folder;
  std::unique_ptr<BodyView> view;
};

}  // namespace

TEST_F(BodyTextureLoad, APictureOnItsWayFillsItsSlotOnALaterFrame) {
  WriteMoon(256, 128);
  const auto flags = MoonFlags();
  view->SyncBodyTexturesAndMeshes(flags);
  EXPECT_EQ(view->m_bodyTextures[12], nullptr) << "the asking frame does not wait for the decoding";
  EXPECT_EQ(view->m_bodyTextures[30], nullptr);
  EXPECT_EQ(view->PendingBodyTextureCount(), 2);
  EXPECT_EQ(view->LoadedBodyTextureCount(), 0);
  // Every frame until then asks nothing more: the slots wait or are filled.
  for (int i = 0; i < 3; ++i) {
    view->SyncBodyTexturesAndMeshes(flags);
    EXPECT_EQ(view->PendingBodyTextureCount() + view->LoadedBodyTextureCount(), 2);
  }
  FramesUntilFilled(flags);
  ASSERT_NE(view->m_bodyTextures[12], nullptr);
  ASSERT_NE(view->m_bodyTextures[30], nullptr);
  EXPECT_EQ(Describe(view->m_bodyTextures[12]).Width, 256u);
  EXPECT_EQ(Describe(view->m_bodyTextures[30]).Width, 128u);
  EXPECT_EQ(view->PendingBodyTextureCount(), 0);
  EXPECT_EQ(view->LoadedBodyTextureCount(), 2);
}

TEST_F(BodyTextureLoad, ASlotReleasedWhileItsPictureIsOnTheWayStaysEmpty) {
  WriteMoon(256, 128);
  const auto flags = MoonFlags();
  CNuvarine2View::BodyDrawFlags none{};
  struct Case {
    const char* what;
    bool releaseScene;  // else the flag clears
  } cases[] = {{"flag cleared", false}, {"scene released", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    view->SyncBodyTexturesAndMeshes(flags);
    ASSERT_EQ(view->PendingBodyTextureCount(), 2);
    if (c.releaseScene)
      view->ReleaseSceneResources();
    else
      view->SyncBodyTexturesAndMeshes(none);
    EXPECT_EQ(view->PendingBodyTextureCount(), 0);
    // Whether the workers had finished or not, nothing lands later.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (int i = 0; i < 3; ++i) view->SyncBodyTexturesAndMeshes(none);
    view->WaitForPendingBodyTextures();
    EXPECT_EQ(view->m_bodyTextures[12], nullptr);
    EXPECT_EQ(view->m_bodyTextures[30], nullptr);
    EXPECT_EQ(view->LoadedBodyTextureCount(), 0);
  }
}

TEST_F(BodyTextureLoad, AReleaseAndReloadWhilePendingEndsWithOneTexturePerSlot) {
  // The window resize: everything goes and the next frame asks again.
  WriteMoon(512, 256);
  const auto flags = MoonFlags();
  for (int round = 0; round < 3; ++round) {
    view->SyncBodyTexturesAndMeshes(flags);
    view->ReleaseSceneResources();
  }
  view->SyncBodyTexturesAndMeshes(flags);
  EXPECT_EQ(view->PendingBodyTextureCount(), 2);
  FramesUntilFilled(flags);
  EXPECT_EQ(view->LoadedBodyTextureCount(), 2);
  EXPECT_EQ(Describe(view->m_bodyTextures[12]).Width, 512u);
  // And the counts drop and come back once more after the textures are in.
  view->ReleaseSceneResources();
  EXPECT_EQ(view->LoadedBodyTextureCount(), 0);
  view->SyncBodyTexturesAndMeshes(flags);
  FramesUntilFilled(flags);
  EXPECT_EQ(view->LoadedBodyTextureCount(), 2);
}

TEST_F(BodyTextureLoad, TheViewCanGoWhileAPictureIsBeingDecoded) {
  WriteMoon(4096, 2048);
  view->SyncBodyTexturesAndMeshes(MoonFlags());
  ASSERT_EQ(view->PendingBodyTextureCount(), 2);
  view.reset();  // the workers are stopped and joined; the sanitizer run watches the slots
  SUCCEED();
}

TEST_F(BodyTextureLoad, ThePictureAskedForTwiceIsDecodedOnceForBothSlots) {
  WritePicture(folder.root / "textures" / "mars.jpg", 128, 64);
  IDirect3DTexture9* a = nullptr;
  IDirect3DTexture9* b = nullptr;
  for (IDirect3DTexture9** slot : {&a, &b, &a})
    view->LoadBodyTexture(slot, true, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, "mars", "jpg", 0.0f, false);
  EXPECT_EQ(view->PendingBodyTextureCount(), 2) << "a slot already waiting is not asked for twice";
  view->WaitForPendingBodyTextures();
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b) << "each slot owns its texture";
  EXPECT_EQ(Describe(a).Width, 128u);
  EXPECT_EQ(Describe(b).Width, 128u);
  view->LoadBodyTexture(&a, false, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, "mars", "jpg", 0.0f, false);
  view->LoadBodyTexture(&b, false, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, "mars", "jpg", 0.0f, false);
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(b, nullptr);
}

TEST_F(BodyTextureLoad, FailuresLeaveTheSlotEmptyAndTheSizeBoxComesOnce) {
  std::ofstream(folder.root / "broken.jpg") << "not a picture";
  fs::create_directories(folder.root / "Textures br");
  fs::copy_file(folder.root / "broken.jpg", folder.root / "Textures br" / "venus.jpg");
  fs::create_directories(folder.root / "textures");
  fs::copy_file(folder.root / "broken.jpg", folder.root / "textures" / "venus.jpg");
  WritePicture(folder.root / "Textures br" / "earth.jpg", 2048, 1024);
  WritePicture(folder.root / "Textures br" / "mars.jpg", 2048, 1024);
  view->m_textureLevel = 1;
  struct Case {
    const char* name;
    std::vector<UINT> boxes;  // after this picture
  } cases[] = {
      {"pluto", {}},       // no file at any level
      {"venus", {}},       // files that are not pictures
      {"earth", {650}},    // too large for the low level
      {"mars", {650}},     // too large again: no second box
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IDirect3DTexture9* slot = nullptr;
    view->LoadBodyTexture(&slot, true, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, c.name, "jpg", 0.0f, false);
    view->WaitForPendingBodyTextures();
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(view->PendingBodyTextureCount(), 0);
    EXPECT_EQ(view->sizeBoxes, c.boxes);
  }
}

TEST_F(BodyTextureLoad, BothWaysOfLoadingGiveTheSameTextures) {
  // A picture with detail, so that the normal map has slopes.
  bodies::Image heights = bodies::MakeImage(64, 32, 0, 0, 0, 255);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) {
      uint8_t* p = heights.At(x, y);
      p[0] = static_cast<uint8_t>((x * 7 + y * 13) % 256), p[1] = static_cast<uint8_t>(x * 4), p[2] = 90;
    }
  std::string error;
  const fs::path file = folder.root / "textures" / "moonbump1k.png";
  fs::create_directories(file.parent_path());
  ASSERT_TRUE(bodies::WritePng(file.string(), heights, false, error)) << error;
  IDirect3DTexture9* made = nullptr;
  ASSERT_EQ(view->CreateNormalMapTexture(file.c_str(), &made, 3.0f, D3DFMT_R8G8B8), S_OK);
  nvd3dx::Image image;
  ASSERT_EQ(nvd3dx::LoadPicture(file.c_str(), image), D3D_OK);
  nvd3dx::PreparedTexture prepared;
  ASSERT_EQ(nvd3dx::PrepareNormalMap(std::move(image), D3DFMT_R8G8B8, D3DCOLOR_ARGB(255, 0, 0, 0), D3DX_CHANNEL_RED,
                                     3.0f, prepared),
            D3D_OK);
  IDirect3DTexture9* prepared3d = nullptr;
  ASSERT_EQ(nvd3dx::CreateTextureFromPrepared(view->m_pd3dDevice, std::move(prepared), 0, D3DPOOL_MANAGED,
                                              &prepared3d),
            D3D_OK);
  ASSERT_EQ(made->GetLevelCount(), prepared3d->GetLevelCount());
  std::vector<uint8_t> a, b;
  ASSERT_TRUE(made->ReadLevel(0, a));
  ASSERT_TRUE(prepared3d->ReadLevel(0, b));
  EXPECT_EQ(a, b);
  made->Release();
  prepared3d->Release();
  // The decoded picture in the slot equals the one the device path makes.
  IDirect3DTexture9* direct = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileExA(view->m_pd3dDevice, file.c_str(), 0, 0, 1, 0, D3DFMT_R8G8B8, D3DPOOL_MANAGED,
                                         D3DX_FILTER_LINEAR, D3DX_DEFAULT, D3DCOLOR_ARGB(255, 0, 0, 0), nullptr, nullptr,
                                         &direct),
            D3D_OK);
  fs::copy_file(file, folder.root / "textures" / "moon.png");
  IDirect3DTexture9* slot = nullptr;
  view->LoadBodyTexture(&slot, true, D3DFMT_R8G8B8, D3DFMT_DXT1, 1, "moon", "png", 0.0f, false);
  view->WaitForPendingBodyTextures();
  ASSERT_NE(slot, nullptr);
  ASSERT_TRUE(direct->ReadLevel(0, a));
  ASSERT_TRUE(slot->ReadLevel(0, b));
  EXPECT_EQ(a, b);
  direct->Release();
  slot->Release();
  // A compressed format cannot hold a normal map.
  ASSERT_EQ(nvd3dx::LoadPicture(file.c_str(), image), D3D_OK);
  EXPECT_TRUE(FAILED(nvd3dx::PrepareNormalMap(std::move(image), D3DFMT_DXT1, 0, D3DX_CHANNEL_RED, 1.0f, prepared)));
}
