// The view's screenshots and movies: the commands, the frames they take and
// the recording's end with the view.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <sstream>

#include "../shell/ShellTestSupport.h"
#include "AviCapture.h"
#include "AviSaveOptions.h"
#include "ImageTestUtil.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "ToolCheck.h"
#include "UiDefs.h"

namespace {

// A view with a fixed client area.
class CaptureView : public CNuvarine2View {
 public:
  // The frames run past the seventh: its start-up box counts as closed at once.
  int RunStartupBox(const CString&, int& choice) override {
    choice = 0;
    return IDCANCEL;
  }
  CaptureView() { m_millisecondClock = [this] { return clock += 40.0; }; }
  void GetClientSize(int& width, int& height) const override { width = clientWidth, height = clientHeight; }
  void ReleaseSceneResources() override {}
  void LoadVertexShaders() override {}
  void OnConfiguration() override {}
  void OnSystemDiagnostic() override {}
  int clientWidth = 90, clientHeight = 70;
  double clock = 1000.0;
};

struct Box {
  CString text, caption;
};

class ViewCapture : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    ResetFrameLoopGlobals();
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT) {
      boxes.push_back({text, caption});
      return IDOK;
    });
    SetAviSaveOptionsHandler([](AVICOMPRESSOPTIONS& o) {
      o.fccHandler = kAviHandlerFullFrames;
      return TRUE;
    });
    char here[4096];
    ASSERT_NE(::getcwd(here, sizeof here), nullptr);
    previous = here;
    ASSERT_EQ(::chdir(folder.Path().c_str()), 0);
  }
  void TearDown() override {
    ASSERT_EQ(::chdir(previous.c_str()), 0);
    SetMessageBoxHandler(nullptr);
    SetAviSaveOptionsHandler(nullptr);
  }
  // Starts the view's device and draws until the scene is ready.
  static void Start(CaptureView& view) {
    view.m_planetariumMode = false;
    view.OnInitialUpdate();
    ASSERT_TRUE(view.HasDevice());
    for (int i = 0; i < 6; ++i) view.OnDraw(nullptr);
    ASSERT_TRUE(view.m_sceneReady);
  }
  // Draws one frame whose sky colour tells frame k.
  static void DrawFrame(CaptureView& view, int k) {
    view.m_skyColorRed = static_cast<char>(10 + 5 * k);
    view.m_skyColorGreen = 20;
    view.m_skyColorBlue = 30;
    view.OnDraw(nullptr);
  }
  std::map<std::string, std::string> Probe(const std::string& path) {
    const ToolResult r = RunTool(
        "/usr/bin/ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=width,height,r_frame_rate,nb_read_frames -of default=nw=1 '" + path + "'");
    std::map<std::string, std::string> out;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line))
      if (line.find('=') != std::string::npos) out[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    return out;
  }
  ScratchFolder folder;
  std::string previous;
  std::vector<Box> boxes;
};

}  // namespace

TEST_F(ViewCapture, ScreenshotsAreNumberedAndShowThePresentedView) {
  CaptureView view;
  Start(view);
  // A frame with a box at (10, 6)-(20, 16) in view coordinates.
  view.m_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 80), 1.0f, 0);
  D3DRECT box{10, 6, 20, 16};
  view.m_pd3dDevice->Clear(1, &box, D3DCLEAR_TARGET, D3DCOLOR_XRGB(250, 128, 3), 1.0f, 0);
  view.m_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(std::string(view.SaveScreenshot().c_str()), "Screenshot0.bmp");
  ASSERT_TRUE(view.OnCmdMsg(CNuvarine2View::kCommandTakeScreenShot, nullptr));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "A screen shot (Screenshot1.bmp) has been added\nin the main directory of Nuvarine");
  EXPECT_EQ(boxes[0].caption, "Nuvarine 2");
  for (const char* name : {"Screenshot0.bmp", "Screenshot1.bmp"}) {
    SCOPED_TRACE(name);
    CImage shot;
    ASSERT_TRUE(shot.Load(name));
    EXPECT_EQ(shot.GetWidth(), 86);
    EXPECT_EQ(shot.GetHeight(), 66);
    // Picture (x, y) from the top is view (x + 2, y + 2).
    for (int y = 0; y < 66; ++y)
      for (int x = 0; x < 86; ++x) {
        const bool inBox = x + 2 >= 10 && x + 2 < 20 && y + 2 >= 6 && y + 2 < 16;
        ASSERT_EQ(shot.GetPixel(65 - y, nullptr, x), inBox ? 0x0380FA : 0x500000) << x << "," << y;
      }
  }
}

TEST_F(ViewCapture, AScreenshotThatFailsSaysSo) {
  CaptureView view;  // no device: no picture to take
  EXPECT_TRUE(view.SaveScreenshot().IsEmpty());
  view.OnTakeScreenShot();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The screen shot could not be saved.");
  EXPECT_FALSE(FileExists(folder.File("Screenshot0.bmp")));
}

TEST_F(ViewCapture, TheMovieCommandRecordsPresentedFramesUntilF8) {
  REQUIRE_PROGRAM("/usr/bin/ffprobe", "ffmpeg");
  CaptureView view;
  view.clientWidth = 83, view.clientHeight = 50;
  view.m_installFolder = folder.Path().c_str();
  Start(view);
  ASSERT_TRUE(view.OnCmdMsg(CNuvarine2View::kCommandCaptureMovie, nullptr));
  ASSERT_TRUE(view.m_capturing);
  for (int k = 0; k < 7; ++k) DrawFrame(view, k);
  // The command again closes this movie and starts the next.
  view.OnCaptureMovie();
  ASSERT_TRUE(view.m_capturing);
  for (int k = 0; k < 4; ++k) DrawFrame(view, k);
  view.OnKeyDown(119, 1, 0);  // F8
  EXPECT_FALSE(view.m_capturing);
  view.OnKeyDown(119, 1, 0);  // nothing runs: nothing happens
  EXPECT_FALSE(view.m_capturing);
  // S saves a screenshot without a box.
  view.OnKeyDown('S', 1, 0);
  EXPECT_TRUE(FileExists(folder.File("Screenshot0.bmp")));
  DrawFrame(view, 9);
  EXPECT_TRUE(boxes.empty());
  std::map<std::string, std::string> first = Probe(folder.File("video1.avi"));
  EXPECT_EQ(first["width"], "72");
  EXPECT_EQ(first["height"], "40");
  EXPECT_EQ(first["r_frame_rate"], "25/1");
  EXPECT_EQ(first["nb_read_frames"], "7");
  EXPECT_EQ(Probe(folder.File("video2.avi"))["nb_read_frames"], "4");
  // Frame 3 of the first movie shows frame 3's sky.
  const std::string frames =
      RunTool("/usr/bin/ffmpeg -v error -i '" + folder.File("video1.avi") + "' -f rawvideo -pix_fmt bgr24 -").out;
  ASSERT_EQ(frames.size(), 72u * 40 * 3 * 7);
  const size_t at = 72 * 40 * 3 * 3 + (20 * 72 + 30) * 3;
  EXPECT_EQ(static_cast<uint8_t>(frames[at]), 30);
  EXPECT_EQ(static_cast<uint8_t>(frames[at + 1]), 20);
  EXPECT_EQ(static_cast<uint8_t>(frames[at + 2]), 25);
}

TEST_F(ViewCapture, CancelRecordsNothingAndTheViewsEndClosesTheMovie) {
  REQUIRE_PROGRAM("/usr/bin/ffprobe", "ffmpeg");
  {
    CaptureView view;
    view.m_installFolder = folder.Path().c_str();
    Start(view);
    SetAviSaveOptionsHandler([](AVICOMPRESSOPTIONS&) { return FALSE; });
    view.OnCaptureMovie();
    EXPECT_FALSE(view.m_capturing);
    EXPECT_FALSE(FileExists(folder.File("video1.avi")));
    SetAviSaveOptionsHandler([](AVICOMPRESSOPTIONS& o) {
      o.fccHandler = kAviHandlerMotionJpeg;
      return TRUE;
    });
    view.OnCaptureMovie();
    ASSERT_TRUE(view.m_capturing);
    for (int k = 0; k < 3; ++k) DrawFrame(view, k);
  }
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Probe(folder.File("video1.avi"))["nb_read_frames"], "3");
}
