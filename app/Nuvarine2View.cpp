#include "Nuvarine2View.h"

#include <unistd.h>

#include <climits>
#include <cstring>
#include <ctime>
#include <vector>

#include "AjouterImage.h"
#include "Clock.h"
#include "Lx200Panel.h"
#include "NumberFormat.h"
#include "ProcessObjects.h"
#include "Resource.h"
#include "SplashDialogs.h"

IMPLEMENT_DYNCREATE(CNuvarine2View)

namespace {

// The folder of the running program, for when the current directory is gone.
CString ExecutableFolder() {
  std::vector<char> buffer(PATH_MAX + 1, '\0');
  ssize_t n = readlink("/proc/self/exe", buffer.data(), PATH_MAX);
  if (n <= 0) return "/";
  std::string path(buffer.data(), static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? CString("/") : CString(path.substr(0, slash));
}

}  // namespace

CString DetermineInstallFolder() {
  // The install folder is the current directory, whatever its length.
  std::vector<char> buffer(PATH_MAX + 1, '\0');
  if (getcwd(buffer.data(), buffer.size())) return CString(buffer.data());
  return ExecutableFolder();
}

CNuvarine2View::CNuvarine2View() {
  m_millisecondClock = [] { return MillisecondClock(); };
  m_installFolder = DetermineInstallFolder();
  m_settingsPath = m_installFolder + "\\nuvarine.ini";
  OpenTelescopeLog(m_installFolder);

  // Observation context: a place in south-west France, the date taken from
  // the computer clock at start-up (all fields 0 until then).
  m_observerLongitude = 0.009890199094634533;
  m_observerLatitude = 0.7824892813107911;
  m_observerElevation = 0.0;
  m_year = m_day = m_month = m_hour = m_minute = m_second = 0.0;
  m_utcOffset = 0.0;
  m_localSiderealTime = m_julianDate = m_utFraction = 0.0;
  m_pressure = 1013.0;
  m_temperature = 10.0;
  m_zoomStep = 1.07f;
  m_fieldOfView = 0.8f;
  m_showTipsAtStartup = 1;
  m_showAlertsAtStartup = 1;
  m_planetariumMode = 0;
  m_useLx200Driver = 1;

  SetDefaultSettings();
  // Values the defaults must not change.
  m_zoomStep = 1.07f;
  m_fieldOfView = 0.8f;
  m_showTipsAtStartup = 1;
  m_showAlertsAtStartup = 1;
  m_planetariumMode = 0;
  m_useLx200Driver = 1;

  m_programVersion.Empty();
  m_planetLibraryVersion.Empty();
  m_privateBuildText.Empty();
  m_specialBuildText.Empty();

  m_loadingWindow = 1;
  m_pSplashDialog = new CSplashDialog;
  m_pSplashDialog->Create(CSplashDialog::IDD, nullptr);
  m_pSplashDialog->ShowWindow(SW_SHOW);

  m_pLoadingDialog = new ChargementDialog;
  m_pLoadingDialog->Create(ChargementDialog::IDD, nullptr);
  m_pAddPictureDialog = new AjouterImage;
  m_pAddPictureDialog->m_currentPath.Empty();
  m_pAddPictureDialog->m_scale = 1.0f;
  m_pAddPictureDialog->m_raCorrection = 0.0f;
  m_pAddPictureDialog->m_decCorrection = 0.0f;
  m_pAddPictureDialog->m_rotation = 0.0f;
  m_pAddPictureDialog->Create(AjouterImage::IDD, nullptr);
  m_pLx200Panel = new LX200;
  m_pLx200Panel->Create(LX200::IDD, nullptr);

  g_telescopePort = "COM1";
  g_telescopeParity = 'N';
  g_telescopeBaudRate = 9600;
  g_telescopeStopBits = 1;
  g_telescopeDataBits = 8;

  for (int i = 0; i < kDisplayedNameCount - 1; ++i) {
    g_displayedCometNames[i].Empty();
    g_displayedAsteroidNames[i].Empty();
  }
  g_displayedCometCount = 0;
  g_displayedAsteroidCount = 0;

  m_starPictureFile = "etoile3.tga";
  m_landscapeFile = "landscape.tga";
  m_telescopeConnected = false;

  for (int i = 0; i < kTleLineCount; ++i) {
    m_tleLines[i] = new char[kTleLineSize];
    std::memset(m_tleLines[i], 0, kTleLineSize);
    std::strncpy(m_tleLines[i], kBuiltinTleLines[i], kTleLineSize - 1);
  }
  m_pAviCapture = nullptr;
}

CNuvarine2View::~CNuvarine2View() {
  m_gpsSerialPort.Close();
  m_lx200SerialPort.Close();
  auto destroy = [](CDialog*& dialog) {
    if (!dialog) return;
    dialog->DestroyWindow();
    delete dialog;
    dialog = nullptr;
  };
  CDialog* windows[] = {m_pSplashDialog, m_pLoadingDialog, m_pAddPictureDialog, m_pLx200Panel};
  for (CDialog*& w : windows) destroy(w);
  m_pSplashDialog = nullptr;
  m_pLoadingDialog = nullptr;
  m_pAddPictureDialog = nullptr;
  m_pLx200Panel = nullptr;
  for (char*& line : m_tleLines) {
    delete[] line;
    line = nullptr;
  }
  CloseTelescopeLog();
}

BOOL CNuvarine2View::PreCreateWindow(CREATESTRUCT& cs) {
  ShowLoadingMessage(1, IDS_INITIALIZING, "");
  // The computer clock, when no settings gave a date.
  if (m_year == 0 && m_day == 0 && m_month == 0 && m_hour == 0 && m_minute == 0 && m_second == 0) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local)) {
      m_year = local.tm_year + 1900;
      m_month = local.tm_mon + 1;
      m_day = local.tm_mday;
      m_hour = local.tm_hour;
      m_minute = local.tm_min;
      m_second = local.tm_sec;
    }
  }
  if (g_telescopeLogOpen)
    WriteTelescopeLog(FormatC("\r\n\r\n---------------\r\nVersion %s\r\n\r\n", m_programVersion.c_str()).c_str());
  return CView::PreCreateWindow(cs);
}

void CNuvarine2View::ShowLoadingMessage(int kind, UINT stringId, const char* argument) {
  if (kind != 1 && kind != 2) return;
  CString text = AfxString(stringId);
  text.Replace("%s", argument ? argument : "");
  if (kind == 1 && m_pSplashDialog && m_pSplashDialog->HasWindow()) {
    m_pSplashDialog->m_statusText = text;
    m_pSplashDialog->UpdateData(FALSE);
  } else if (kind == 2 && m_pLoadingDialog && m_pLoadingDialog->HasWindow()) {
    m_pLoadingDialog->m_statusText = text;
    m_pLoadingDialog->UpdateData(FALSE);
  }
  PumpMessages();
}

void CNuvarine2View::HideLoadingDialogs() {
  if (m_pSplashDialog) m_pSplashDialog->ShowWindow(SW_HIDE);
  if (m_pLoadingDialog) m_pLoadingDialog->ShowWindow(SW_HIDE);
  m_loadingWindow = 0;
}

void CNuvarine2View::ApplyLoadingWindowState() {
  if (m_pSplashDialog && (m_loadingWindow == 1) != static_cast<bool>(m_pSplashDialog->IsWindowVisible()))
    m_pSplashDialog->ShowWindow(m_loadingWindow == 1 ? SW_SHOW : SW_HIDE);
  if (m_pLoadingDialog && (m_loadingWindow == 2) != static_cast<bool>(m_pLoadingDialog->IsWindowVisible()))
    m_pLoadingDialog->ShowWindow(m_loadingWindow == 2 ? SW_SHOW : SW_HIDE);
}
