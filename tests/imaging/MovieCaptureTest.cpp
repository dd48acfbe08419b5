// Movies: the AVI writer read back by ffprobe and ffmpeg, the capture of
// presented frames, numbering of movie and screenshot names.
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <map>
#include <sstream>

#include "AviCapture.h"
#include "AviSaveOptions.h"
#include "CString.h"
#include "ImageTestUtil.h"
#include "ToolCheck.h"
#include "UiDefs.h"
#include "d3d9.h"

namespace {

constexpr const char* kFfprobe = "/usr/bin/ffprobe";
constexpr const char* kFfmpeg = "/usr/bin/ffmpeg";

std::map<std::string, std::string> Probe(const std::string& path) {
  const ToolResult r = RunTool(std::string(kFfprobe) +
                               " -v error -count_frames -select_streams v:0 -show_entries "
                               "stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_read_frames -of default=nw=1 '" +
                               path + "'");
  std::map<std::string, std::string> out;
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line))
    if (line.find('=') != std::string::npos) out[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  return out;
}

// Every frame as top-down BGR rows; `errors` gets what ffmpeg complained about.
std::string DecodeFrames(const std::string& path, const std::string& errorsFile, std::string& errors) {
  const std::string out = RunTool(std::string(kFfmpeg) + " -v error -i '" + path +
                                  "' -f rawvideo -pix_fmt bgr24 - 2>'" + errorsFile + "'")
                              .out;
  const std::vector<uint8_t> e = ReadFileBytes(errorsFile);
  errors.assign(e.begin(), e.end());
  return out;
}

// Frame k of a changing pattern as a bottom-up 24-bit DIB's pixels.
std::vector<uint8_t> PatternFrame(int k, int width, int height) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> dib(stride * height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = dib.data() + y * stride + 3 * x;
      const bool box = x / 8 == k % (width / 8) && y < height / 2;
      p[0] = static_cast<uint8_t>(box ? 255 : x * 4);
      p[1] = static_cast<uint8_t>(box ? 255 : y * 5);
      p[2] = static_cast<uint8_t>(k * 20);
    }
  return dib;
}

// The same frame as ffmpeg gives it: top-down, unpadded.
std::string TopDown(const std::vector<uint8_t>& dib, int width, int height) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::string out;
  for (int y = height - 1; y >= 0; --y) out.append(reinterpret_cast<const char*>(dib.data() + y * stride), width * 3);
  return out;
}

double FramePsnr(const std::string& a, const std::string& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<uint8_t>(a[i]) - static_cast<uint8_t>(b[i]);
    sum += d * d;
  }
  return sum == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / (sum / a.size()));
}

// Writes n pattern frames through the AVIFile-shaped calls.
bool WriteMovie(const std::string& path, DWORD handler, int n, int width, int height, uint64_t split = 0) {
  PAVIFILE file = nullptr;
  PAVISTREAM stream = nullptr, compressed = nullptr;
  if (AVIFileOpen(&file, path.c_str(), OF_CREATE | OF_WRITE) != AVIERR_OK) return false;
  if (split) AVIFileSetSplitSize(file, split);
  AVISTREAMINFO info;
  info.fccType = streamtypeVIDEO;
  info.dwRate = 25;
  info.dwScale = 1;
  AVICOMPRESSOPTIONS options;
  options.fccHandler = handler;
  options.dwQuality = 90;
  bool ok = AVIFileCreateStream(file, &stream, &info) == AVIERR_OK &&
            AVIMakeCompressedStream(&compressed, stream, &options) == AVIERR_OK;
  uint8_t header[40] = {};
  imaging::Put32(header, 40);
  imaging::Put32(header + 4, static_cast<uint32_t>(width));
  imaging::Put32(header + 8, static_cast<uint32_t>(height));
  header[12] = 1;
  header[14] = 24;
  ok = ok && AVIStreamSetFormat(compressed, 0, header, 40) == AVIERR_OK;
  for (int k = 0; ok && k < n; ++k) {
    const std::vector<uint8_t> frame = PatternFrame(k, width, height);
    ok = AVIStreamWrite(compressed, k, 1, frame.data(), static_cast<LONG>(frame.size()), AVIIF_KEYFRAME, nullptr,
                        nullptr) == AVIERR_OK;
  }
  if (compressed) AVIStreamRelease(compressed);
  if (stream) AVIStreamRelease(stream);
  AVIFileRelease(file);
  return ok;
}

TEST(MovieWriter, FfmpegReadsEveryFrameOfBothKinds) {
  REQUIRE_PROGRAM(kFfprobe, "ffmpeg");
  REQUIRE_PROGRAM(kFfmpeg, "ffmpeg");
  ScratchFolder folder;
  struct Case {
    const char* name;
    DWORD handler;
    const char* codec;
    uint64_t split;
    int frames;
  } cases[] = {
      {"raw.avi", kAviHandlerFullFrames, "rawvideo", 0, 12},
      {"mjpeg.avi", kAviHandlerMotionJpeg, "mjpeg", 0, 12},
      // Parts of about 64 KB: 9 KB frames make several 'AVIX' parts.
      {"split.avi", kAviHandlerFullFrames, "rawvideo", 64 * 1024, 40},
  };
  const int width = 64, height = 48;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.File(c.name);
    ASSERT_TRUE(WriteMovie(path, c.handler, c.frames, width, height, c.split));
    std::map<std::string, std::string> p = Probe(path);
    EXPECT_EQ(p["codec_name"], c.codec);
    EXPECT_EQ(p["width"], std::to_string(width));
    EXPECT_EQ(p["height"], std::to_string(height));
    EXPECT_EQ(p["r_frame_rate"], "25/1");
    EXPECT_EQ(p["nb_read_frames"], std::to_string(c.frames));
    if (c.handler == kAviHandlerFullFrames) {
      EXPECT_EQ(p["pix_fmt"], "bgr24");
    }
    std::string errors;
    const std::string frames = DecodeFrames(path, folder.File("errors.txt"), errors);
    EXPECT_EQ(errors, "");
    const size_t frameBytes = static_cast<size_t>(width) * height * 3;
    ASSERT_EQ(frames.size(), frameBytes * c.frames);
    for (int k = 0; k < c.frames; ++k) {
      const std::string expected = TopDown(PatternFrame(k, width, height), width, height);
      const std::string got = frames.substr(k * frameBytes, frameBytes);
      if (c.handler == kAviHandlerFullFrames) {
        EXPECT_TRUE(got == expected) << "frame " << k;
      } else {
        EXPECT_GT(FramePsnr(got, expected), 30.0) << "frame " << k;
      }
    }
    if (c.split) {
      const std::vector<uint8_t> bytes = ReadFileBytes(path);
      int parts = 0;
      for (size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (std::memcmp(&bytes[i], "AVIX", 4) == 0) ++parts;
      EXPECT_GE(parts, 3);
    }
  }
}

TEST(MovieWriter, AFailedWriteKeepsTheFramesAlreadyWritten) {
  REQUIRE_PROGRAM(kFfprobe, "ffmpeg");
  ScratchFolder folder;
  const std::string path = folder.File("full.avi");
  // The file may not grow past 100 KB: the twelfth 9 KB frame fails.
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit limit = old;
  limit.rlim_cur = 100 * 1024;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limit);
  PAVIFILE file = nullptr;
  PAVISTREAM stream = nullptr, compressed = nullptr;
  ASSERT_EQ(AVIFileOpen(&file, path.c_str(), OF_CREATE | OF_WRITE), AVIERR_OK);
  AVISTREAMINFO info;
  info.fccType = streamtypeVIDEO;
  AVICOMPRESSOPTIONS options;
  ASSERT_EQ(AVIFileCreateStream(file, &stream, &info), AVIERR_OK);
  ASSERT_EQ(AVIMakeCompressedStream(&compressed, stream, &options), AVIERR_OK);
  uint8_t header[40] = {};
  imaging::Put32(header, 40);
  imaging::Put32(header + 4, 64);
  imaging::Put32(header + 8, 48);
  header[12] = 1;
  header[14] = 24;
  ASSERT_EQ(AVIStreamSetFormat(compressed, 0, header, 40), AVIERR_OK);
  int written = 0;
  for (int k = 0; k < 30; ++k) {
    const std::vector<uint8_t> frame = PatternFrame(k, 64, 48);
    if (AVIStreamWrite(compressed, k, 1, frame.data(), static_cast<LONG>(frame.size()), AVIIF_KEYFRAME, nullptr,
                       nullptr) != AVIERR_OK)
      break;
    ++written;
  }
  AVIStreamRelease(compressed);
  AVIStreamRelease(stream);
  AVIFileRelease(file);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_GT(written, 5);
  EXPECT_LT(written, 30);
  std::map<std::string, std::string> p = Probe(path);
  EXPECT_EQ(p["nb_read_frames"], std::to_string(written));
}

TEST(MovieNames, NumberingNeverReplacesAFile) {
  ScratchFolder folder;
  const std::string pattern = folder.File("video%i.avi");
  EXPECT_EQ(std::string(NextFreeNumberedName(pattern.c_str(), 1).c_str()), folder.File("video1.avi"));
  WriteFileBytes(folder.File("video1.avi"), {1});
  WriteFileBytes(folder.File("video2.avi"), {1});
  EXPECT_EQ(std::string(NextFreeNumberedName(pattern.c_str(), 1).c_str()), folder.File("video3.avi"));
  const std::string shots = folder.File("Screenshot%i.bmp");
  for (int i = 0; i <= 999; ++i) WriteFileBytes(folder.File("Screenshot" + std::to_string(i) + ".bmp"), {1});
  EXPECT_EQ(std::string(NextFreeNumberedName(shots.c_str(), 0).c_str()), folder.File("Screenshot1000.bmp"));
}

TEST(MovieNames, CaptureRectangleIsTheViewLessTwoPixelsInMultiplesOfEight) {
  struct Case {
    int width, height;
    RECT expected;
  } cases[] = {
      {807, 604, {5, 2, 805, 602}},  // 803 x 600 after shrinking: 800 wide, from 3 pixels further right
      {804, 611, {2, 9, 802, 609}},
      {12, 12, {2, 2, 10, 10}},
  };
  for (const Case& c : cases) {
    const RECT r = MovieCaptureRectangle(c.width, c.height);
    EXPECT_EQ(r.left, c.expected.left);
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
    EXPECT_EQ((r.right - r.left) % 8, 0);
    EXPECT_EQ((r.bottom - r.top) % 8, 0);
  }
}

// A headless device that presents frames of a changing pattern.
class PresentingDevice {
 public:
  PresentingDevice(UINT width, UINT height) : width_(width), height_(height) {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    if (d3d)
      d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device);
  }
  ~PresentingDevice() {
    if (device) device->Release();
    if (d3d) d3d->Release();
  }
  // Frame k: a background colour and a box that moves.
  void Present(int k) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(10 * k, 200 - 5 * k, 40), 1.0f, 0);
    D3DRECT box{static_cast<LONG>(4 * k), 3, static_cast<LONG>(4 * k + 9), 20};
    device->Clear(1, &box, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 255, 0), 1.0f, 0);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    frame_ = k;
  }
  // The colour of (x, y) in frame k as red << 16 | green << 8 | blue.
  uint32_t Expected(int k, int x, int y) const {
    if (x >= 4 * k && x < 4 * k + 9 && y >= 3 && y < 20) return 0xFFFF00;
    return (static_cast<uint32_t>(10 * k) << 16) | (static_cast<uint32_t>(200 - 5 * k) << 8) | 40u;
  }
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;

 private:
  UINT width_, height_;
  int frame_ = 0;
};

TEST(MovieCapture, RecordsThePresentedFramesCutToTheRectangle) {
  REQUIRE_PROGRAM(kFfprobe, "ffmpeg");
  REQUIRE_PROGRAM(kFfmpeg, "ffmpeg");
  std::vector<CString> boxes;
  SetMessageBoxHandler([&](const CString& text, const CString&, UINT) {
    boxes.push_back(text);
    return IDOK;
  });
  ScratchFolder folder;
  PresentingDevice dev(83, 50);
  ASSERT_NE(dev.device, nullptr);
  const RECT r = MovieCaptureRectangle(83, 50);  // 79 x 46 after shrinking: 72 x 40 from (9, 8)
  ASSERT_EQ(r.left, 9);
  ASSERT_EQ(r.top, 8);
  for (DWORD handler : {kAviHandlerFullFrames, kAviHandlerMotionJpeg}) {
    SCOPED_TRACE(handler == kAviHandlerFullFrames ? "full frames" : "motion jpeg");
    SetAviSaveOptionsHandler([handler](AVICOMPRESSOPTIONS& o) {
      o.fccHandler = handler;
      o.dwQuality = 95;
      return TRUE;
    });
    const std::string path = folder.File(handler == kAviHandlerFullFrames ? "video1.avi" : "video2.avi");
    CAviCapture capture;
    ASSERT_TRUE(capture.Open(path.c_str(), r.left, r.top, r.right, r.bottom, 25.0f));
    capture.SetUserData(dev.device);
    const int n = 10;
    for (int k = 0; k < n; ++k) {
      dev.Present(k);
      ASSERT_TRUE(capture.AddFrame());
    }
    EXPECT_EQ(capture.GetFrameIndex(), n);
    capture.Close();
    EXPECT_FALSE(capture.AddFrame());
    std::map<std::string, std::string> p = Probe(path);
    EXPECT_EQ(p["width"], "72");
    EXPECT_EQ(p["height"], "40");
    EXPECT_EQ(p["r_frame_rate"], "25/1");
    EXPECT_EQ(p["nb_read_frames"], std::to_string(n));
    std::string errors;
    const std::string frames = DecodeFrames(path, folder.File("errors.txt"), errors);
    EXPECT_EQ(errors, "");
    const size_t frameBytes = 72 * 40 * 3;
    ASSERT_EQ(frames.size(), frameBytes * n);
    for (int k = 0; k < n; ++k) {
      std::string expected;
      for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 72; ++x) {
          const uint32_t c = dev.Expected(k, x + r.left, y + r.top);
          expected += static_cast<char>(c & 255);
          expected += static_cast<char>((c >> 8) & 255);
          expected += static_cast<char>((c >> 16) & 255);
        }
      const std::string got = frames.substr(k * frameBytes, frameBytes);
      if (handler == kAviHandlerFullFrames) {
        size_t at = 0;
        while (at < got.size() && got[at] == expected[at]) ++at;
        EXPECT_EQ(at, got.size()) << "frame " << k << " differs at x " << at / 3 % 72 << " y " << at / 3 / 72;
      } else {
        EXPECT_GT(FramePsnr(got, expected), 28.0) << "frame " << k;
      }
    }
  }
  EXPECT_TRUE(boxes.empty());
  SetAviSaveOptionsHandler(nullptr);
  SetMessageBoxHandler(nullptr);
}

TEST(MovieCapture, AFailedFrameTellsOnceAndClosesAReadableMovie) {
  REQUIRE_PROGRAM(kFfprobe, "ffmpeg");
  std::vector<CString> boxes;
  SetMessageBoxHandler([&](const CString& text, const CString&, UINT) {
    boxes.push_back(text);
    return IDOK;
  });
  SetAviSaveOptionsHandler([](AVICOMPRESSOPTIONS& o) {
    o.fccHandler = kAviHandlerFullFrames;
    return TRUE;
  });
  ScratchFolder folder;
  PresentingDevice dev(68, 52);
  ASSERT_NE(dev.device, nullptr);
  const std::string path = folder.File("video1.avi");
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  struct rlimit limit = old;
  limit.rlim_cur = 150 * 1024;  // room for about fifteen 9 KB frames
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limit);
  CAviCapture capture;
  ASSERT_TRUE(capture.Open(path.c_str(), 2, 2, 66, 50, 25.0f));
  capture.SetUserData(dev.device);
  int k = 0;
  for (; k < 40; ++k) {
    dev.Present(k % 10);
    if (!capture.AddFrame()) break;
  }
  EXPECT_FALSE(capture.IsOpen());
  EXPECT_FALSE(capture.AddFrame());
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_GT(k, 5);
  EXPECT_LT(k, 40);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "AVIStreamWrite failed");
  EXPECT_EQ(Probe(path)["nb_read_frames"], std::to_string(k));
  SetAviSaveOptionsHandler(nullptr);
  SetMessageBoxHandler(nullptr);
}

TEST(MovieCapture, CancelRecordsNothingAndSaysNothing) {
  std::vector<CString> boxes;
  SetMessageBoxHandler([&](const CString& text, const CString&, UINT) {
    boxes.push_back(text);
    return IDOK;
  });
  SetAviSaveOptionsHandler([](AVICOMPRESSOPTIONS&) { return FALSE; });
  ScratchFolder folder;
  const std::string path = folder.File("video1.avi");
  CAviCapture capture;
  EXPECT_FALSE(capture.Open(path.c_str(), 2, 2, 66, 50, 25.0f));
  EXPECT_FALSE(capture.IsOpen());
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(boxes.empty());
  // A folder that cannot hold the file: one message, nothing open.
  EXPECT_FALSE(capture.Open(folder.File("missing/video1.avi").c_str(), 2, 2, 66, 50, 25.0f));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Impossible to create avi file for capture.\n");
  SetAviSaveOptionsHandler(nullptr);
  SetMessageBoxHandler(nullptr);
}

}  // namespace
