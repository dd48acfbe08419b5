// Survey tiles: cache names, the three queries, the slot downloads against a
// server of the test's own, and the slots freed on every way out.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "HttpTestServer.h"
#include "Image.h"
#include "SurveyTiles.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A survey answer of the given format, from a colourful picture.
std::string Picture(int format, int width = 64, int height = 48) {
  CImage image;
  image.Attach(imaging::NewDib(width, height, 24, 0), CImage::kColor24Bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.SetPixel(y, nullptr, x, ((x * 4) << 16) | ((y * 5) << 8) | 0x40);
  if (format == CImage::kFormatGif) image.SetColorType(CImage::kColor256, false);
  const std::string path = ::testing::TempDir() + "/picture.tmp";
  EXPECT_TRUE(image.Save(path.c_str(), format, 90));
  const std::string bytes = ReadAll(path);
  fs::remove(path);
  return bytes;
}

// A listener that accepts nothing: enough for the connection test.
class Listener {
 public:
  Listener() {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, 64);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
  }
  ~Listener() { ::close(fd); }
  int fd;
  int port;
};

class SurveyTileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    install = ::testing::TempDir() + "/dss-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(install + "/cache/DSS");
    g_stopDownloadThreads = false;
    g_dssInternetAvailable = true;
    for (auto& f : g_dssThreadFree) f = true;
    SetDssConnectionTest({"127.0.0.1", static_cast<INTERNET_PORT>(listener.port)});
    InternetLimits limits;
    limits.connectTimeoutMs = 2000;
    limits.lowSpeedSeconds = 2;
    limits.maxBytes = 1 << 20;
    SetDssLimits(limits);
    SetDssBackoff(0, 0);  // each test sees every answer; the pauses have a test of their own
  }
  void TearDown() override {
    g_stopDownloadThreads = false;
    SetDssBackoff(2000, 300000);
  }

  DssTileRequest Request(double ra, double dec, int server = 1, int type = 1, int option = 1) const {
    DssTileRequest r;
    r.rightAscension = ra;
    r.declination = dec;
    r.server = static_cast<char>(server);
    r.imageType = static_cast<char>(type);
    r.option = static_cast<char>(option);
    r.installFolder = install;
    r.host = http.Host();
    return r;
  }
  std::string PathOf(const DssTileRequest& r) const {
    std::string url = DssTileUrl(r.host, r.server, r.rightAscension, r.declination, r.imageType, r.option);
    url = url.substr(url.find('/', 7));
    std::string encoded;
    for (char c : url) encoded += c == ' ' ? std::string("%20") : std::string(1, c);
    return encoded;
  }
  std::string Cached(const DssTileRequest& r) const {
    return install + "/cache/DSS/" + DssTileName(r.rightAscension, r.declination, r.server, r.imageType, r.option) +
           ".jpg";
  }
  std::string Temporary(const DssTileRequest& r) const {
    return install + "/cache/DSS/temp-" +
           DssTileName(r.rightAscension, r.declination, r.server, r.imageType, r.option) + ".gif";
  }
  static bool WaitFree(int slot) {
    for (int i = 0; i < 500 && !g_dssThreadFree[slot]; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return g_dssThreadFree[slot];
  }

  Listener listener;
  HttpTestServer http;
  std::string install;
};

TEST(SurveyTileNames, FollowTheCacheFormat) {
  struct Row {
    double ra, dec;
    int server, type, option;
    const char* name;
  };
  const Row rows[] = {
      {150.0, -12.0, 3, 1, 1, "15000-1200-3-1-1"},
      {5.5, -0.25, 1, 2, 1, "00530-0015-1-2-1"},
      {359.0, 45.0, 3, 1, 3, "35900+4500-3-1-2"},  // false colour
      {12.0, 7.0, 2, 1, 3, "01200+0700-2-1-1"},    // option 3 counts only on server 3
      {0.0, -3.0, 1, 1, 1, "00000-0300-1-1-1"},
  };
  for (const Row& r : rows) EXPECT_EQ(DssTileName(r.ra, r.dec, r.server, r.type, r.option), r.name);
}

TEST(SurveyTileQueries, AreTheDesignedOnesExactly) {
  EXPECT_EQ(DssTileUrl("h1", 1, 150.0, -12.0, 1, 1),
            "http://h1/cgi-bin/dss_search?v=1&r=150.00000000&d=-12.00000000&e=J2000&h=60.00&w=58.58&f=gif&c=none"
            "&fov=NONE&v3=");
  EXPECT_EQ(DssTileUrl("h1", 1, 150.0, -12.0, 2, 1),
            "http://h1/cgi-bin/dss_search?v=phase2_gsc1&r=150.00000000&d=-12.00000000&e=J2000&h=60.00&w=58.58&f=gif"
            "&c=none&fov=NONE&v3=");
  EXPECT_EQ(DssTileUrl("h2", 2, 150.0, -12.0, 1, 1),
            "http://h2/dss/dss?ra= 150.00000&dec= -12.00000&equinox=J2000&x=58.58&y=60.00&Sky-Survey=DSS1"
            "&mime-type=download-gif");
  EXPECT_EQ(DssTileUrl("h3", 3, 150.0, -12.0, 1, 3),
            "http://h3/cgi-bin/images?Survey=dss2r&coordinates=J2000&position= 150.00000, -12.00000&size=0.97630,1.0"
            "&pixels= 1953,2000&scaling=linear&lut=Fire&Return=JPEG");
  EXPECT_EQ(DssTileUrl("h3", 3, 150.0, -12.0, 1, 1),
            "http://h3/cgi-bin/images?Survey=dss2r&coordinates=J2000&position= 150.00000, -12.00000&size=0.97630,1.0"
            "&pixels= 1953,2000&scaling=linear&Return=JPEG");
  EXPECT_EQ(DssTileUrl("", 1, 150.0, -12.0, 1, 1), "");
  EXPECT_EQ(DssTileUrl("h", 4, 150.0, -12.0, 1, 1), "");
}

TEST_F(SurveyTileTest, GifAnswersBecomeGreyJpegsAndFalseColourStaysColour) {
  const DssTileRequest grey = Request(150.0, -12.0, 1, 1, 1);
  const DssTileRequest colour = Request(151.0, -12.0, 3, 1, 3);
  HttpTestServer::Reply gif;
  gif.body = Picture(CImage::kFormatGif);
  gif.contentType = "image/gif";
  HttpTestServer::Reply jpeg;
  jpeg.body = Picture(CImage::kFormatJpeg);
  jpeg.contentType = "image/jpeg";
  http.Set(PathOf(grey), gif);
  http.Set(PathOf(colour), jpeg);
  DownloadDssTile(0, grey);
  DownloadDssTile(1, colour);
  for (const auto& [request, bits] : {std::pair{grey, 8}, std::pair{colour, 24}}) {
    SCOPED_TRACE(Cached(request));
    CImage image;
    ASSERT_TRUE(image.Load(Cached(request).c_str()));
    EXPECT_EQ(image.GetFormat(), CImage::kFormatJpeg);
    EXPECT_EQ(image.GetBitCount(), bits);
    EXPECT_FALSE(fs::exists(Temporary(request)));
  }
  EXPECT_EQ(http.RequestCount(PathOf(grey)), 1);
  // A tile in the cache is not fetched again.
  DownloadDssTile(0, grey);
  EXPECT_EQ(http.RequestCount(PathOf(grey)), 1);
}

TEST_F(SurveyTileTest, AnInstallFolderOfAnyLengthGetsItsTiles) {
  // Well past the hundred characters a fixed block would hold.
  install += "/" + std::string(60, 'a') + "/" + std::string(60, 'b') + "/" + std::string(60, 'c');
  ASSERT_GT(install.size(), 200u);
  fs::create_directories(install + "/cache/DSS");
  const DssTileRequest r = Request(83.0, -5.0);
  EXPECT_EQ(r.installFolder, install);
  HttpTestServer::Reply gif;
  gif.body = Picture(CImage::kFormatGif);
  http.Set(PathOf(r), gif);
  ASSERT_TRUE(StartDssTileThread(0, r));
  EXPECT_TRUE(WaitFree(0));
  EXPECT_EQ(http.RequestCount(PathOf(r)), 1);
  EXPECT_TRUE(fs::exists(Cached(r)));
}

TEST_F(SurveyTileTest, AnswersOfAHundredBytesOrLessMakeNoImage) {
  // The smallest GIF: one pixel of a two-colour palette (35 bytes).
  const unsigned char gif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                               0x00, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0x2c, 0x00, 0x00, 0x00, 0x00,
                               0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3b};
  const std::string small(reinterpret_cast<const char*>(gif), sizeof gif);
  struct Row {
    double ra;
    size_t size;
    bool image;
  };
  for (const Row& row : {Row{10.0, 100, false}, Row{11.0, 101, true}}) {
    SCOPED_TRACE(row.size);
    const DssTileRequest r = Request(row.ra, 20.0);
    HttpTestServer::Reply reply;
    reply.body = small + std::string(row.size - small.size(), '\0');
    http.Set(PathOf(r), reply);
    DownloadDssTile(2, r);
    EXPECT_EQ(fs::exists(Cached(r)), row.image);
    // The tiny answer's temporary file blocks the tile until the next start.
    EXPECT_EQ(fs::exists(Temporary(r)), !row.image);
    EXPECT_TRUE(g_dssThreadFree[2]);
  }
}

TEST_F(SurveyTileTest, OneTileOnTwoSlotsIsFetchedOnce) {
  const DssTileRequest r = Request(40.0, 10.0);
  HttpTestServer::Reply held;
  held.body = Picture(CImage::kFormatGif);
  held.hold = true;
  http.Set(PathOf(r), held);
  ASSERT_TRUE(StartDssTileThread(0, r));
  for (int i = 0; i < 500 && http.RequestCount(PathOf(r)) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(StartDssTileThread(1, r));
  EXPECT_TRUE(WaitFree(1));
  EXPECT_FALSE(g_dssThreadFree[0]);
  http.Release();
  EXPECT_TRUE(WaitFree(0));
  EXPECT_EQ(http.RequestCount(PathOf(r)), 1);
  EXPECT_TRUE(fs::exists(Cached(r)));
}

TEST_F(SurveyTileTest, ThreeSlotsNeverOpenMoreThanThreeConnections) {
  HttpTestServer::Reply held;
  held.body = Picture(CImage::kFormatGif);
  held.hold = true;
  std::vector<DssTileRequest> requests;
  for (int i = 0; i < 9; ++i) {
    requests.push_back(Request(60.0 + i, 5.0));
    http.Set(PathOf(requests.back()), held);
  }
  // The caller's rule: a slot takes a request only while it is free.
  size_t next = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (next < requests.size() && std::chrono::steady_clock::now() < deadline) {
    for (int slot = 0; slot < 3 && next < requests.size(); ++slot)
      if (g_dssThreadFree[slot]) ASSERT_TRUE(StartDssTileThread(slot, requests[next++]));
    if (http.OpenNow() >= 3) http.Release();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  http.Release();
  for (int slot = 0; slot < 3; ++slot) EXPECT_TRUE(WaitFree(slot));
  EXPECT_LE(http.MostOpenAtOnce(), 3);
  for (const auto& r : requests) EXPECT_TRUE(fs::exists(Cached(r))) << Cached(r);
}

TEST_F(SurveyTileTest, EveryFailureFreesTheSlotAndLeavesNoPicture) {
  struct Row {
    const char* name;
    std::function<void(DssTileRequest&)> prepare;
    bool temporaryKept;
  };
  HttpTestServer::Reply drop;
  drop.body = Picture(CImage::kFormatGif);
  drop.dropAfter = 150;
  HttpTestServer::Reply garbage;
  garbage.body = std::string(5000, 'g');
  const std::vector<Row> rows = {
      {"404", [](DssTileRequest&) {}, true},
      {"drop", [&](DssTileRequest& r) { http.Set(PathOf(r), drop); }, false},
      {"not a picture", [&](DssTileRequest& r) { http.Set(PathOf(r), garbage); }, false},
      {"no host", [](DssTileRequest& r) { r.host.clear(); }, false},
      {"empty cached file", [&](DssTileRequest& r) { std::ofstream(Cached(r)); }, false},
  };
  double ra = 100.0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DssTileRequest r = Request(ra++, -30.0);
    row.prepare(r);
    DownloadDssTile(1, r);
    EXPECT_TRUE(g_dssThreadFree[1]);
    EXPECT_FALSE(fs::exists(Cached(r)));
    EXPECT_EQ(fs::exists(Temporary(r)), row.temporaryKept);
  }
  // No internet: the scene stops marking busy tiles.
  SetDssConnectionTest({"127.0.0.1", 1});
  DssTileRequest r = Request(ra++, -30.0);
  DownloadDssTile(1, r);
  EXPECT_TRUE(g_dssThreadFree[1]);
  EXPECT_FALSE(g_dssInternetAvailable);
  EXPECT_EQ(http.RequestCount(PathOf(r)), 0);
}

// The pauses run on a clock of the test's own, moved by hand, so that what is
// asked and when does not depend on how fast the machine is.
std::atomic<long long> g_fakeMilliseconds{0};
std::chrono::steady_clock::time_point FakeNow() {
  return std::chrono::steady_clock::time_point(std::chrono::milliseconds(g_fakeMilliseconds.load()));
}

// A server that answers badly is not asked again at once: each failure
// pauses the tile and the server, the pause doubling up to its cap, and the
// server is complained of once. A good answer ends the server's pause.
TEST_F(SurveyTileTest, BadAnswersBackOffPerTileAndServer) {
  SetDssBackoff(200, 800);
  g_fakeMilliseconds = 1000000;
  SetDssClock(FakeNow);
  struct ClockBack {
    ~ClockBack() { SetDssClock(nullptr); }
  } clockBack;
  HttpTestServer::Reply page;
  page.body = "<html><body>" + std::string(400, 'x') + "</body></html>";
  HttpTestServer::Reply cut;
  cut.body = Picture(CImage::kFormatGif);
  cut.dropAfter = 150;
  std::vector<DssTileRequest> tiles;
  for (int i = 0; i < 6; ++i) {
    tiles.push_back(Request(200.0 + i, 12.0));
    http.Set(PathOf(tiles.back()), i % 2 ? cut : page);
  }
  auto requestCount = [&] {
    int n = 0;
    for (const auto& t : tiles) n += http.RequestCount(PathOf(t));
    return n;
  };
  // 3 s of asks every 2 ms over the six tiles, as fast as the caller may
  // ask: only the asks at the ends of the server's pauses of 200, 400, 800
  // and 800 ms reach it, where each of the 1500 would without them.
  std::vector<long long> reached;
  for (int asked = 0; asked < 1500; ++asked) {
    const long long at = g_fakeMilliseconds - 1000000;
    const int before = requestCount();
    DownloadDssTile(0, tiles[asked % tiles.size()]);
    if (requestCount() != before) reached.push_back(at);
    g_fakeMilliseconds += 2;
  }
  EXPECT_EQ(reached, (std::vector<long long>{0, 200, 600, 1400, 2200}));
  std::string host;
  ASSERT_TRUE(TakeDssServerComplaint(host));
  EXPECT_EQ(host, http.Host());
  EXPECT_FALSE(TakeDssServerComplaint(host)) << "told twice";
  for (const auto& t : tiles) EXPECT_FALSE(fs::exists(Cached(t)));

  const DssTileRequest good = Request(220.0, 12.0);
  HttpTestServer::Reply picture;
  picture.body = Picture(CImage::kFormatGif);
  http.Set(PathOf(good), picture);
  // A good tile after the pause: fetched, and the server's pause is over.
  g_fakeMilliseconds += 900;
  DownloadDssTile(0, good);
  EXPECT_TRUE(fs::exists(Cached(good)));
  const DssTileRequest next = Request(221.0, 12.0);
  http.Set(PathOf(next), picture);
  DownloadDssTile(0, next);
  EXPECT_TRUE(fs::exists(Cached(next)));
}

TEST_F(SurveyTileTest, ShutdownEndsHeldTransfersWithinItsWait) {
  HttpTestServer::Reply held;
  held.body = Picture(CImage::kFormatGif);
  held.hold = true;
  std::vector<DssTileRequest> requests;
  for (int slot = 0; slot < 3; ++slot) {
    requests.push_back(Request(200.0 + slot, 0.0));
    http.Set(PathOf(requests.back()), held);
    ASSERT_TRUE(StartDssTileThread(slot, requests.back()));
  }
  for (int i = 0; i < 500 && http.OpenNow() < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  // The pauses are real (the transfers must see the stop flag meanwhile) and
  // counted: the wait ends at the first poll that finds the slots free,
  // before its bound of 30 polls.
  static int polls;
  polls = 0;
  EXPECT_TRUE(StopDssTileThreads([](int ms) {
    ++polls;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }));
  EXPECT_LT(polls, 31);
  for (const auto& r : requests) {
    EXPECT_FALSE(fs::exists(Cached(r)));
    EXPECT_FALSE(fs::exists(Temporary(r)));
  }
}

}  // namespace
