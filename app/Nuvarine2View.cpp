#include "Nuvarine2View.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "AjouterImage.h"
#include "BodyTextureLoader.h"
#include "Clock.h"
#include "Lx200Panel.h"
#include "NumberFormat.h"
#include "ProcessObjects.h"
#include "Resource.h"
#include "RunStatus.h"
#include "SolarSystemTypes.h"
#include "SplashDialogs.h"
#include "SysColors.h"
#include "TelescopeClient.h"
#include "Trajectory.h"
#include "InstallPath.h"
#include "Catalogues.h"

IMPLEMENT_DYNCREATE(CNuvarine2View)


CNuvarine2View::CNuvarine2View() {
  // The settings base has set the install folder, the place, the atmosphere,
  // the serial and sky-survey globals, the constructor-only switches and the
  // defaults, and the sky model holds the built-in two-line elements.
  m_millisecondClock = [] { return MillisecondClock(); };
  OpenTelescopeLog(m_installFolder);

  // The date fields stay 0 until the start-up takes the computer clock.
  m_year = m_day = m_month = m_hour = m_minute = m_second = 0.0;
  m_localSiderealTime = m_julianDate = m_utFraction = 0.0;
  m_fieldOfView = 0.8f;

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

  // No body counts as near before the first update.
  for (int i = 0; i < kBodyCount; ++i) g_bodies[i].cameraDistance = 10000000.0;
  m_telescopeConnected = false;
  m_pAviCapture = nullptr;
  MapTelescopeCommands();
  MapCaptureCommands();
  MapInternetCommands();
  MapViewCommands();
  MapDisplaySwitchCommands();
  MapConfigurationFileCommands();
  MapReportCommands();
  MapObjectCommands();
  MapSpacecraftCommands();
  MapSetupCommands();
  MapCalendarCommands();
  MapSurveyAndPageCommands();
}

namespace {
std::vector<std::string> g_exitSaveMessages;
}  // namespace

void CNuvarine2View::ReportExitSaves(bool settingsSaved) {
  const std::string settingsFile = ResolveInstallPath("", m_settingsPath.IsEmpty()
                                                              ? CString(m_installFolder + "\\nuvarine.ini")
                                                              : m_settingsPath);
  const std::string opticsFile = ResolveInstallPath(m_installFolder.c_str(), "oculaires.ini");
  std::vector<std::string> messages;
  if (!settingsSaved)
    messages.push_back("The settings could not be saved in " + settingsFile + ": " + m_settingsSaveProblem + ".");
  else if (!m_settingsKeptCopy.IsEmpty())
    messages.push_back("The settings file " + settingsFile + " could not be read whole at start (" +
                       m_unreadSettingsReason + "). It now holds the settings in use; its former content is kept in " +
                       m_settingsKeptCopy + ".");
  if (!m_opticsSaveProblem.empty())
    messages.push_back("The optics lists could not be saved in " + opticsFile + ": " + m_opticsSaveProblem + ".");
  else if (!m_opticsKeptCopy.empty())
    messages.push_back("The optics file " + opticsFile + " could not be read whole at start (" + m_opticsReadProblem +
                       "). It now holds the lists in use; its former content is kept in " + m_opticsKeptCopy + ".");
  // The boxes wait until the windows are gone (ShowExitSaveMessages): a
  // modal loop inside the view's teardown could still route its events.
  for (const std::string& message : messages) {
    std::fprintf(stderr, "nuvarine2: %s\n", message.c_str());
    g_exitSaveMessages.push_back(message);
  }
}

void ShowExitSaveMessages() {
  for (const std::string& message : g_exitSaveMessages)
    ::MessageBox(nullptr, message.c_str(), "Nuvarine 2.0", MB_OK | MB_ICONWARNING);
  g_exitSaveMessages.clear();
}

CNuvarine2View::~CNuvarine2View() {
  // The settings are written at every exit of a started program, a failed
  // start-up included.
  if (m_startupRan) {
    if (::chdir(ResolveInstallPath(m_installFolder, ".").c_str()) != 0) {
      // The settings path is absolute: writing goes on.
    }
    const bool settingsSaved = SaveSettings(m_settingsPath);
    SaveOpticsFile();
    ReportExitSaves(settingsSaved);
  }
  CloseTelescopeLog();
  if (m_startupRan) {
    // Put back the colours found at start-up. Unchanged colours are left
    // alone: repainting the application's palette while its windows are
    // being torn down gains nothing.
    bool changed = false;
    for (int i = 0; i < 13; ++i) changed = changed || GetSysColor(g_sysColorElements[i]) != g_savedSysColors[i];
    if (changed) SetSysColors(13, g_sysColorElements, g_savedSysColors);
  }
  // The scene's resources go before the device, the device before the
  // Direct3D object.
  if (m_pd3dDevice) {
    ReleaseSceneResources();
    m_pd3dDevice->Release();
    m_pd3dDevice = nullptr;
  }
  if (m_pD3D) {
    m_pD3D->Release();
    m_pD3D = nullptr;
  }
  DeleteLabelFonts();  // fonts edited while no device existed
  if (m_startupRan) FreeCatalogueBuffers();
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
  // A driver telescope is let go here, so its server sees the client leave;
  // an LX200 port closes with the port member.
  if (!m_useLx200Driver) DisconnectTelescope();
  m_gpsSerialPort.Close();
  FreeSecondTrajectory();
  StopDownloadThreads();
  DeleteMovieCapture();
  m_lx200SerialPort.Close();
}

void FreeCatalogueBuffers() {
  delete[] g_brightStars;
  g_brightStars = nullptr;
  g_brightStarCount = 0;
  delete[] g_deepSkyObjects;
  g_deepSkyObjects = nullptr;
  g_deepSkyCount = 0;
  delete[] g_sky2000Stars;
  g_sky2000Stars = nullptr;
  g_sky2000StarCount = 0;
  delete[] g_tycho2Stars;
  g_tycho2Stars = nullptr;
  g_tycho2StarCount = 0;
  delete[] g_tycho2Part2Stars;
  g_tycho2Part2Stars = nullptr;
  g_tycho2Part2StarCount = 0;
  delete[] g_asteroids;
  g_asteroids = nullptr;
  g_asteroidCount = 0;
  delete[] g_comets;
  g_comets = nullptr;
  g_cometCount = 0;
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
  // A start or reset that loads for long on a busy machine still shows in
  // the run status that it is moving on (the idle work does not run meanwhile).
  ReportRunStatus();
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
