// The view's internet commands: element downloads with their progress
// window, the update options, the weekly question and the proxy setting.
// The progress window lives on the main thread and pumps messages while a
// worker downloads, so frames keep coming; one foreground download at a time.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "Dialog.h"
#include "CloudMap.h"
#include "ElementDownloads.h"
#include "Endpoints.h"
#include "InstallPath.h"
#include "InternetServices.h"
#include "Nuvarine2View.h"
#include "NumberFormat.h"
#include "App.h"
#include "Registry.h"
#include "RunStatus.h"
#include "Schedules.h"
#include "SolarSystemTypes.h"
#include "UiDefs.h"

namespace {

constexpr UINT IDD_DOWNLOAD_PROGRESS = 277;
constexpr UINT IDD_PROXY = 312;
constexpr UINT IDD_UPDATE_OPTIONS = 345;
constexpr UINT IDD_UPDATE_QUESTION = 346;
constexpr UINT kCommandUpdateOrbitalElements = 32819;
constexpr UINT kCommandSettingProxy = 313;

const DialogControl kProgressControls[] = {
    {ControlKind::Edit, 1019, "", ES_READONLY | ES_MULTILINE | WS_BORDER, 7, 7, 200, 30},
    {ControlKind::PushButton, IDCANCEL, "Stop", WS_TABSTOP, 82, 42, 50, 14},
};
const DialogControl kProxyControls[] = {
    {ControlKind::CheckBox, 1030, "Use a proxy server", WS_TABSTOP, 7, 7, 150, 10},
    {ControlKind::Static, -1, "Proxy name :", 0, 7, 24, 50, 10},
    {ControlKind::Edit, 1019, "", WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 60, 22, 140, 13},
    {ControlKind::DefPushButton, IDOK, "OK", WS_TABSTOP, 50, 44, 50, 14},
    {ControlKind::PushButton, IDCANCEL, "Cancel", WS_TABSTOP, 110, 44, 50, 14},
};
const DialogControl kUpdateOptionsControls[] = {
    {ControlKind::CheckBox, 1061, "Update comet, asteroid and artificial satellite data", WS_TABSTOP, 7, 7, 200, 10},
    {ControlKind::Static, -1, "elements automatically...", 0, 19, 18, 150, 10},
    {ControlKind::GroupBox, -1, "Choose data elements to update", 0, 7, 32, 200, 52},
    {ControlKind::CheckBox, 1062, "Comets", WS_TABSTOP, 15, 44, 120, 10},
    {ControlKind::CheckBox, 1059, "Asteroids", WS_TABSTOP, 15, 56, 120, 10},
    {ControlKind::CheckBox, 1060, "Artificial satellites", WS_TABSTOP, 15, 68, 120, 10},
    {ControlKind::PushButton, 1007, "Update now !", WS_TABSTOP, 7, 90, 60, 14},
    {ControlKind::DefPushButton, IDOK, "OK", WS_TABSTOP, 90, 90, 50, 14},
    {ControlKind::PushButton, IDCANCEL, "Cancel", WS_TABSTOP, 150, 90, 50, 14},
};
const DialogControl kQuestionControls[] = {
    {ControlKind::Static, -1, "Do you want to update orbital elements now ?", 0, 7, 7, 200, 10},
    {ControlKind::DefPushButton, IDOK, "Yes", WS_TABSTOP, 40, 24, 50, 14},
    {ControlKind::PushButton, IDCANCEL, "No", WS_TABSTOP, 110, 24, 50, 14},
    {ControlKind::CheckBox, 1063, "Disable the automatic update function", WS_TABSTOP, 7, 44, 200, 10},
};
constexpr DWORD kDialogStyle = WS_CAPTION | DS_CENTER;
const DialogTemplate kInternetDialogs[] = {
    {IDD_DOWNLOAD_PROGRESS, "Downloading in progress...", kDialogStyle, 0, 0, 214, 62, kProgressControls,
     sizeof kProgressControls / sizeof kProgressControls[0]},
    {IDD_PROXY, "Setting a proxy....", kDialogStyle, 0, 0, 210, 64, kProxyControls,
     sizeof kProxyControls / sizeof kProxyControls[0]},
    {IDD_UPDATE_OPTIONS, "Automatic update", kDialogStyle, 0, 0, 214, 110, kUpdateOptionsControls,
     sizeof kUpdateOptionsControls / sizeof kUpdateOptionsControls[0]},
    {IDD_UPDATE_QUESTION, "Update function", kDialogStyle, 0, 0, 214, 60, kQuestionControls,
     sizeof kQuestionControls / sizeof kQuestionControls[0]},
};

void RegisterInternetDialogs() {
  static bool done = false;
  if (done) return;
  done = true;
  AfxRegisterDialogs(kInternetDialogs, sizeof kInternetDialogs / sizeof kInternetDialogs[0]);
}

bool ConnectionAvailable() {
  std::string host = g_endpoints().testHost;
  INTERNET_PORT port = 80;
  const size_t colon = host.rfind(':');
  if (colon != std::string::npos) {
    port = static_cast<INTERNET_PORT>(std::atoi(host.c_str() + colon + 1));
    host.resize(colon);
  }
  return TestInternetConnection(host.c_str(), port, 5000);
}

class CDownloadProgressDialog : public CDialog {
 public:
  explicit CDownloadProgressDialog(DownloadProgress& progress) : CDialog(IDD_DOWNLOAD_PROGRESS), m_progress(progress) {}
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetTimer(1, 100);
    Refresh();
    return TRUE;
  }
  void OnTimer(UINT_PTR) override {
    m_progress.running = true;
    Refresh();
  }
  // Stop: the transfer ends at once; the window closes when the worker is done.
  void OnCancel() override { m_progress.stopRequested = true; }
  void OnOK() override {}

 private:
  void Refresh() {
    CString text;
    text.Format("kilobytes retrieved = %i ko    ", m_progress.Kilobytes());
    text += "\r\n" + m_progress.Label() + "\r\n";
    SetDlgItemText(1019, text.c_str());
  }
  DownloadProgress& m_progress;
};

class UpdateOptions : public CDialog {
 public:
  UpdateOptions() : CDialog(IDD_UPDATE_OPTIONS) {
    MapNotify(1007, BN_CLICKED, [this](int) { OnUpdateNow(); });
  }
  int m_automatic = 0, m_updateComets = 0, m_updateAsteroids = 0, m_updateSatellites = 0;
  bool m_updateNow = false;
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    CheckDlgButton(1061, m_automatic);
    CheckDlgButton(1062, m_updateComets);
    CheckDlgButton(1059, m_updateAsteroids);
    CheckDlgButton(1060, m_updateSatellites);
    return TRUE;
  }
  void OnOK() override {
    m_automatic = IsDlgButtonChecked(1061);
    m_updateComets = IsDlgButtonChecked(1062);
    m_updateAsteroids = IsDlgButtonChecked(1059);
    m_updateSatellites = IsDlgButtonChecked(1060);
    CDialog::OnOK();
  }
  void OnUpdateNow() {
    m_updateNow = true;
    OnOK();
  }
};

class majon : public CDialog {
 public:
  majon() : CDialog(IDD_UPDATE_QUESTION) {}
  int m_disableAutomatic = 0;
  void OnOK() override {
    m_disableAutomatic = IsDlgButtonChecked(1063);
    CDialog::OnOK();
  }
  void OnCancel() override {
    m_disableAutomatic = IsDlgButtonChecked(1063);
    CDialog::OnCancel();
  }
};

class Proxy : public CDialog {
 public:
  Proxy() : CDialog(IDD_PROXY) {}
  CString m_proxyName;
  bool m_useProxy = false;
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetDlgItemText(1019, m_proxyName.c_str());
    CheckDlgButton(1030, m_useProxy ? 1 : 0);
    return TRUE;
  }
  void OnOK() override {
    GetDlgItemText(1019, m_proxyName);
    m_useProxy = IsDlgButtonChecked(1030) == 1;
    CDialog::OnOK();
  }
};

std::atomic<bool> g_foregroundDownloadBusy{false};

}  // namespace

std::atomic<bool> g_internetShutdown{false};

// The endpoints file of the install folder replaces the built-in hosts.
void LoadInstallEndpoints(const CString& installFolder) {
  static bool done = false;
  if (done) return;
  done = true;
  LoadEndpoints(ResolveInstallPath(installFolder, "\\endpoints.ini"));
  // The tile threads test the same host as the other downloads.
  ConnectionTestTarget target;
  target.host = g_endpoints().testHost;
  const size_t colon = target.host.rfind(':');
  if (colon != std::string::npos) {
    target.port = static_cast<INTERNET_PORT>(std::atoi(target.host.c_str() + colon + 1));
    target.host.resize(colon);
  }
  SetDssConnectionTest(target);
}

bool BeginForegroundDownload() { return !g_foregroundDownloadBusy.exchange(true); }
void EndForegroundDownload() { g_foregroundDownloadBusy = false; }

void CNuvarine2View::MapInternetCommands() {
  MapCommand(kCommandUpdateOrbitalElements, [this] { OnUpdateOrbitalElements(); });
  MapCommand(kCommandSettingProxy, [this] { OnSettingProxy(); });
  MapProgramUpdateCommands();
}

bool CNuvarine2View::PumpWhileDownloading() {
  if (!IsDrawingFrame())
    if (CWnd* main = AfxGetMainWnd()) main->Invalidate(FALSE);
  PumpMessages();
  ReportRunStatus();
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return m_closeRequested || g_internetShutdown || TerminationRequested();
}

bool CNuvarine2View::RunForegroundDownload(const std::function<void(DownloadProgress&)>& work) {
  if (!BeginForegroundDownload()) return false;
  RegisterInternetDialogs();
  DownloadProgress progress;
  progress.SetLabel(kTextInitialisationConnection);
  {
    CDownloadProgressDialog window(progress);
    window.Create(IDD_DOWNLOAD_PROGRESS, this);
    window.ShowWindow(SW_SHOW);
    std::atomic<bool> done{false};
    std::thread worker([&] {
      work(progress);
      done = true;
    });
    ++m_downloadDepth;
    while (!done)
      if (PumpWhileDownloading()) progress.stopRequested = true;
    --m_downloadDepth;
    worker.join();
    progress.stopRequested = true;
    window.KillTimer(1);
    window.DestroyWindow();
  }
  EndForegroundDownload();
  return true;
}

void CNuvarine2View::DownloadElements(int kind, bool showMessage) {
  LoadInstallEndpoints(m_installFolder);
  if (!ConnectionAvailable()) {
    ::MessageBox(nullptr, kTextNotConnected, kTextErrorCaption, MB_OK);
    return;
  }
  const ElementKind elementKind = static_cast<ElementKind>(kind);
  const ProxySettings proxy{m_useProxy, m_proxyName};
  const std::string folder = m_installFolder;
  ElementDownloadOutcome outcome;
  if (!RunForegroundDownload([&](DownloadProgress& progress) {
        outcome = DownloadElementFiles(elementKind, folder, g_endpoints(), proxy, progress, &g_internetShutdown);
      }))
    return;
  for (DownloadResult result : outcome.results)
    if (result == DownloadResult::Rejected)
      ::MessageBox(nullptr, ElementRejectedMessage(elementKind).c_str(), kTextErrorCaption, MB_OK);
    else if (result != DownloadResult::Complete && result != DownloadResult::Stopped)
      ::MessageBox(nullptr, kTextImpossibleToConnect, kTextErrorCaption, MB_OK);
  if (!outcome.replaced) return;
  int count = 0;
  switch (elementKind) {
    case ElementKind::Comets:
      g_cometCount = 0;
      LoadComets(m_installFolder);
      count = g_cometCount;
      break;
    case ElementKind::Asteroids:
      g_asteroidCount = 0;
      LoadAsteroids(m_installFolder);
      count = g_asteroidCount;
      break;
    case ElementKind::Satellites:
      LoadSatellites(m_installFolder);
      UpdateSkyPositions();
      break;
  }
  if (showMessage) ::MessageBox(nullptr, ElementSuccessMessage(elementKind, count).c_str(), "Nuvarine 2.0", MB_OK);
}

void CNuvarine2View::DownloadCometElements(bool showMessage) {
  DownloadElements(static_cast<int>(ElementKind::Comets), showMessage);
}
void CNuvarine2View::DownloadAsteroidElements(bool showMessage) {
  DownloadElements(static_cast<int>(ElementKind::Asteroids), showMessage);
}
void CNuvarine2View::DownloadSatelliteElements(bool showMessage) {
  DownloadElements(static_cast<int>(ElementKind::Satellites), showMessage);
}

void CNuvarine2View::OnUpdateOrbitalElements() {
  RegisterInternetDialogs();
  LoadInstallEndpoints(m_installFolder);
  UpdateOptions dialog;
  dialog.m_automatic = m_autoUpdateElements;
  dialog.m_updateComets = m_autoUpdateComets;
  dialog.m_updateAsteroids = m_autoUpdateAsteroids;
  dialog.m_updateSatellites = m_autoUpdateSatellites;
  if (dialog.DoModal() != IDOK) return;
  m_autoUpdateElements = dialog.m_automatic == 1;
  m_autoUpdateComets = dialog.m_updateComets == 1;
  m_autoUpdateAsteroids = dialog.m_updateAsteroids == 1;
  m_autoUpdateSatellites = dialog.m_updateSatellites == 1;
  if (!dialog.m_updateNow || !ConnectionAvailable()) return;
  if (m_autoUpdateComets) DownloadCometElements(true);
  if (m_autoUpdateAsteroids) DownloadAsteroidElements(true);
  if (m_autoUpdateSatellites) DownloadSatelliteElements(true);
}

bool AskElementUpdate(const CString& installFolder, bool& disableAutomatic) {
  RegisterInternetDialogs();
  LoadInstallEndpoints(installFolder);
  majon question;
  question.m_disableAutomatic = 0;
  const bool yes = question.DoModal() == IDOK;
  disableAutomatic = question.m_disableAutomatic != 0;
  return yes && ConnectionAvailable();
}

// Silent but for an address that cannot be used: no connection, a server
// error or a reply that is not a picture keep the previous cloud map. With
// no address at all the user hears it at once, once a run, and where to give one.
void CNuvarine2View::DownloadCloudMap() {
  LoadInstallEndpoints(m_installFolder);
  bool anyAddress = false;
  for (const std::string& url : g_endpoints().cloudMapUrl) anyAddress = anyAddress || !url.empty();
  if (!anyAddress) {
    if (!m_cloudMapAddressMissingTold)
      ::MessageBox(nullptr,
                   "No address is known for the real-time cloud map.\r\nIt can be given in the file endpoints.ini "
                   "of the install folder (cloudMapUrl1= to cloudMapUrl4=).",
                   "Nuvarine 2.0", MB_OK | MB_ICONINFORMATION);
    m_cloudMapAddressMissingTold = true;
    return;
  }
  const ProxySettings proxy{m_useProxy, m_proxyName};
  const std::string folder = m_installFolder;
  bool connected = false;
  DownloadResult result = DownloadResult::NoReply;
  if (!RunForegroundDownload([&](DownloadProgress& progress) {
        progress.SetLabel(kTextCloudSession);
        connected = ConnectionAvailable();
        if (connected) result = DownloadCloudMapFile(folder, g_endpoints(), proxy, progress, &g_internetShutdown);
      }))
    return;
  if (connected && result == DownloadResult::BadUrl)
    ::MessageBox(nullptr, kTextImpossibleToConnect, kTextErrorCaption, MB_OK);
}

void CNuvarine2View::ReadRegistryDates() {
  CRegKey key;
  if (key.Create(HKEY_CURRENT_USER, "Software\\Nuvarine2") != ERROR_SUCCESS) return;
  std::string clouds, elements;
  key.QueryStringValue("ChargementNuages", clouds);
  key.QueryStringValue("ActualisationPO", elements);
  m_lastCloudMapDate = AtofC(clouds);
  m_lastElementsUpdateDate = AtofC(elements);
}

void CNuvarine2View::OnSettingProxy() {
  RegisterInternetDialogs();
  Proxy dialog;
  dialog.m_useProxy = m_useProxy;
  dialog.m_proxyName = m_proxyName;
  if (dialog.DoModal() != IDOK) return;
  m_useProxy = dialog.m_useProxy;
  m_proxyName = dialog.m_proxyName;
}
