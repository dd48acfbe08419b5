#include "RunStatus.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "App.h"
#include "Catalogues.h"
#include "Clock.h"
#include "MainFrame.h"
#include "NumberFormat.h"
#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"
#include "SplashDialogs.h"

namespace {

int ToolBarCount(const CFrameWnd& frame) {
  auto* main = dynamic_cast<const CMainFrame*>(&frame);
  if (!main) return 0;
  return main->m_wndTopToolBar.IsWindowVisible() + main->m_wndRightToolBar.IsWindowVisible() +
         main->m_wndLeftToolBar.IsWindowVisible();
}

int PaneCount(const CFrameWnd& frame) {
  auto* main = dynamic_cast<const CMainFrame*>(&frame);
  return main && main->m_wndStatusBar.IsWindowVisible() ? main->m_wndStatusBar.GetCount() : 0;
}

// Milliseconds since boot at which this process started, as the kernel
// records it (field 22 of /proc/self/stat, in clock ticks); 0 when unknown.
double ProcessStartBootTime() {
  FILE* f = std::fopen("/proc/self/stat", "r");
  if (!f) return 0.0;
  char buffer[1024] = {};
  const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  // The command name may hold blanks: fields count from the last ')'.
  const char* p = std::strrchr(buffer, ')');
  if (!p || n == 0) return 0.0;
  unsigned long long start = 0;
  int field = 2;
  for (const char* q = p + 1; *q; ++q)
    if (*q == ' ' && ++field == 22) {
      start = std::strtoull(q + 1, nullptr, 10);
      break;
    }
  const long ticks = sysconf(_SC_CLK_TCK);
  return ticks > 0 ? start * 1000.0 / ticks : 0.0;
}

// Peak resident memory in kB (VmHWM of /proc/self/status); 0 when unknown.
long PeakResidentKilobytes() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return 0;
  char line[256];
  long kb = 0;
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::strtol(line + 6, nullptr, 10);
  std::fclose(f);
  return kb;
}

std::vector<std::string> g_messageBoxes;

std::string OneLine(const CString& text) {
  std::string s = text.c_str();
  for (char& c : s)
    if (c == '\n' || c == '\r') c = ' ';
  return s;
}

}  // namespace

bool RunningUnattended() {
  static const bool unattended = [] {
    const char* path = std::getenv("NUVARINE_STATUS_FILE");
    return path && *path;
  }();
  return unattended;
}

void InstallUnattendedMessageBoxes() {
  const char* path = std::getenv("NUVARINE_STATUS_FILE");
  if (!path || !*path) return;
  SetModalIdleHandler([] { ReportRunStatus(); });
  SetMessageBoxHandler([](const CString& text, const CString& caption, UINT type) {
    g_messageBoxes.push_back(OneLine(caption) + "|" + OneLine(text));
    const bool second = (type & MB_DEFBUTTON2) != 0;
    switch (type & MB_TYPEMASK) {
      case MB_OKCANCEL: return second ? IDCANCEL : IDOK;
      case MB_ABORTRETRYIGNORE: return second ? IDRETRY : IDABORT;
      case MB_YESNOCANCEL:
      case MB_YESNO: return second ? IDNO : IDYES;
      case MB_RETRYCANCEL: return second ? IDCANCEL : IDRETRY;
      default: return IDOK;
    }
  });
}

void ReportRunStatus() {
  static const char* path = std::getenv("NUVARINE_STATUS_FILE");
  static double last = 0.0;
  if (!path || !*path) return;
  double now = MillisecondClock();
  if (now - last < 200.0) return;
  last = now;
  auto* frame = dynamic_cast<CFrameWnd*>(AfxGetMainWnd());
  auto* view = frame ? dynamic_cast<CNuvarine2View*>(frame->GetActiveView()) : nullptr;
  if (!frame || !view) return;
  std::string text = FormatC(
      "title=%s\nframes=%u\npresented=%lu\nscene=%d\nzoomed=%d\nsplash=%d\nmenus=%d\ntoolbars=%d\npanes=%d\n",
      frame->GetWindowText().c_str(),
      static_cast<unsigned>(view->m_frameCounter), view->GetPresentCount(), view->m_sceneReady ? 1 : 0, frame->IsZoomed() ? 1 : 0,
      view->m_pSplashDialog && view->m_pSplashDialog->IsWindowVisible() ? 1 : 0,
      static_cast<int>(frame->GetMenuTitles().size()), ToolBarCount(*frame), PaneCount(*frame));
  // What the splash says is being loaded, while it is up.
  if (view->m_pSplashDialog && view->m_pSplashDialog->IsWindowVisible())
    text += "loading=" + OneLine(view->m_pSplashDialog->m_statusText) + "\n";
  // The view's own X11 window when frames are shown on it directly.
  if (unsigned long window = view->NativeWindowId()) text += FormatC("viewwindow=0x%lx\n", window);
  // Where the view looks and what it follows, for the end-to-end checks.
  {
    D3DXVECTOR3 look;
    D3DXVec3Cross(&look, &view->m_cameraSide, &view->m_cameraUp);
    D3DXVec3Normalize(&look, &look);
    double azimuth = std::atan2(-look.x, look.z) * 180.0 / 3.14159265358979323846;
    if (azimuth < 0.0) azimuth += 360.0;
    const double altitude = std::asin(std::clamp(-look.y, -1.0f, 1.0f)) * 180.0 / 3.14159265358979323846;
    text += FormatC(
        "mode=%s\nfield=%.9g\nlookazimuth=%.6f\nlookaltitude=%.6f\ncamera=%.9g %.9g %.9g\nlocked=%d\nflight=%d\n"
        "julian=%.9f\nanimation=%d\nclockms=%.1f\n",
        view->m_planetariumMode ? "planetarium" : "solarsystem", static_cast<double>(view->m_fieldOfView), azimuth,
        altitude, view->m_cameraPosition.x, view->m_cameraPosition.y, view->m_cameraPosition.z,
        view->m_lockedObject, view->m_flightTargetBody, view->m_julianDate, view->m_animationRunning ? 1 : 0, now);
    // The scene-to-screen transform (row vectors) and the back buffer, so a
    // check can find where the sky puts a star.
    const D3DXMATRIX& m = view->m_viewProjectionMatrix;
    text += "viewprojection=";
    for (int i = 0; i < 16; ++i) text += FormatC(i ? " %.9g" : "%.9g", static_cast<double>(m.m[i / 4][i % 4]));
    text += FormatC("\nbackbuffer=%.0f %.0f\n", static_cast<double>(view->m_backBufferWidth),
                    static_cast<double>(view->m_backBufferHeight));
  }
  // The observer's place and the telescope and GPS exchanges, for the device
  // checks (degrees and hours; longitude west positive, as kept).
  {
    constexpr double kDegrees = 180.0 / 3.14159265358979323846;
    text += FormatC(
        "observer=%.6f %.6f %.2f\ngps=%d %d\ntelescope=%d\nfollow=%d %.6f %.6f\ntelescopereply=%.6f %.6f\n"
        "target=%.6f %.6f %.6f %.6f\n",
        view->m_observerLatitude * kDegrees, view->m_observerLongitude * kDegrees, view->m_observerElevation,
        view->m_gpsActive, view->m_gpsFixValid, view->m_telescopeConnected ? 1 : 0,
        view->m_telescopeFollowTarget ? 1 : 0, view->m_followRightAscension * kDegrees / 15.0,
        view->m_followDeclination * kDegrees, view->m_telescopeRightAscension * kDegrees / 15.0,
        view->m_telescopeDeclination * kDegrees, view->m_targetRightAscension * kDegrees / 15.0,
        view->m_targetDeclination * kDegrees, view->m_targetAzimuth * kDegrees, view->m_targetAltitude * kDegrees);
  }
  // Start-up cost and the catalogues loaded.
  {
    const double first = view->GetFirstPresentBootTime(), start = ProcessStartBootTime();
    text += FormatC("firstpresentms=%.0f\npeakkb=%ld\nbrightstars=%d\ndeepsky=%d\nsky2000=%d\ntycho2=%d\ntycho2part2=%d\n",
                    first > 0.0 && start > 0.0 ? first - start : -1.0, PeakResidentKilobytes(), g_brightStarCount,
                    g_deepSkyCount, g_sky2000StarCount, g_tycho2StarCount, g_tycho2Part2StarCount);
    for (const std::string& box : g_messageBoxes) text += "messagebox=" + box + "\n";
    // Pop-up menus and dialogs open now (the file is written during their
    // modal loops too).
    for (const OpenModalWindow& w : AfxOpenModalWindows())
      text += std::string(w.popupMenu ? "popup=" : "dialog=") + OneLine(w.title) + "\n";
  }
  // The bodies' textures and meshes in video memory.
  text += FormatC("bodytextures=%d\npendingtextures=%d\nbodymeshes=%d\nscenereleases=%d\nlongestframems=%.1f\n",
                  view->LoadedBodyTextureCount(), view->PendingBodyTextureCount(), view->LoadedBodyMeshCount(),
                  view->m_sceneReleaseCount, view->m_longestFrameMs);
  view->m_longestFrameMs = 0.0;
  // Where the followed object is (million km, the scene frame), for checks
  // that find it on the screen.
  {
    Vector3d place;
    double distance = 0.0;
    if (view->LockedObjectPlace(place, distance))
      text += FormatC("lockedplace=%.9g %.9g %.9g\n", place.x, place.y, place.z);
  }
  // The comet and asteroid switches with their tool-bar buttons (screen
  // place and check mark) and the displayed lists, for the checks that click
  // them and follow what is drawn.
  if (auto* main = dynamic_cast<CMainFrame*>(frame)) {
    const CToolBar& bar = main->m_wndLeftToolBar;
    for (UINT id : {218u, 32812u}) {
      int x = 0, y = 0;
      if (bar.GetButtonScreenCentre(id, x, y))
        text += FormatC("button%u=%d %d %d\n", id, x, y, bar.IsButtonChecked(id) ? 1 : 0);
    }
  }
  text += FormatC("showcomets=%d\nshowasteroids=%d\ndisplayedcomets=%d\ndisplayedasteroids=%d\n",
                  view->m_showComets ? 1 : 0, view->m_showAsteroids ? 1 : 0, g_displayedCometCount,
                  g_displayedAsteroidCount);
  // The comets loaded and the survey and surface tiles shown, for the internet checks.
  text += FormatC("comets=%d\nsurveytiles=%d\nsurfacetiles=%d\n", g_cometCount, view->LoadedSurveyTileCount(),
                  g_loadedTileCount);
  // The first frame's result trail (empty until that frame is drawn).
  text += "trail=";
  for (int i = 0; i < view->m_savedTraceCount && i < kTraceCapacity; ++i)
    text += FormatC(i ? " %d" : "%d", static_cast<int>(view->m_savedTraceCodes[i]));
  text += "\n";
  std::string temp = std::string(path) + ".tmp";
  if (FILE* f = std::fopen(temp.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    std::rename(temp.c_str(), path);
  }
}
