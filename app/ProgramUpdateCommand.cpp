// "Update Nuvarine": the version page compared with the installed
// components, the list of newer ones, and either the maker's download page or
// the packages fetched into "\update\" with the updater's work list.
//
// Nothing downloaded is made executable, unpacked or run. Only an updater the
// user installed himself ("updatenuvarine" in the install folder) is started,
// and only after he said Yes; the program then closes the usual way, so the
// settings are saved before the updater replaces files.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "Dialog.h"
#include "ElementDownloads.h"
#include "Endpoints.h"
#include "InstallPath.h"
#include "InternetServices.h"
#include "Nuvarine2View.h"
#include "NumberFormat.h"
#include "ProgramUpdate.h"
#include "Shell.h"
#include "UiDefs.h"

namespace {

constexpr UINT IDD_UPDATE_PROGRESS = 296;
constexpr UINT IDD_UPDATES_AVAILABLE = 299;
constexpr UINT kCommandUpdateProgram = 32843;
constexpr int kTextEdit = 1019;
constexpr int kFileBar = 1059;
constexpr int kTotalBar = 1047;
constexpr int kCancelButton = 1007;
constexpr int kInstallRadio = 1105;
constexpr int kPageRadio = 1106;

const char* const kTextUpdateClose =  // 190
    "The program will have to close itself to make possible the update. Please turn off your antivirus protection "
    "before pressing on OK and do not forget to reactivate it at the end of the operation. Thank you...";
const char* const kTextLastVersion = "You have the last version of Nuvarine.";  // 1075
const char* const kUpdaterName = "updatenuvarine";
const char* const kTextReadingVersionPage = "Reading the version page of Nuvarine";
// The server answered, but not with a version page (a portal's page, a
// reply cut short or endless): no conclusion about the versions is drawn.
const char* const kTextUnreadableVersionPage =
    "The answer of the server could not be read: it is not the version page of Nuvarine.\r\nNo update was "
    "looked for.";
// No maker's site is known by default: the user is told where one can be given.
const char* const kTextNoVersionPage =
    "No address is known for the version page of Nuvarine.\r\nIt can be given in the file endpoints.ini of the "
    "install folder (versionPageUrl=).";
const char* const kTextNoDownloadPage =
    "No address is known for the download page of Nuvarine.\r\nIt can be given in the file endpoints.ini of the "
    "install folder (downloadPageUrl=).";

const DialogControl kProgressControls[] = {
    {ControlKind::Static, -1, "Downloading the file :", 0, 7, 7, 200, 10},
    {ControlKind::Edit, kTextEdit, "", ES_READONLY | ES_CENTER | WS_BORDER, 7, 19, 200, 13},
    {ControlKind::Progress, kFileBar, "", 0, 7, 38, 200, 10},
    {ControlKind::Progress, kTotalBar, "", 0, 7, 52, 200, 10},
    {ControlKind::PushButton, kCancelButton, "Cancel", WS_TABSTOP, 82, 68, 50, 14},
};
const DialogControl kAvailableControls[] = {
    {ControlKind::GroupBox, -1, "Updates available", 0, 7, 7, 236, 70},
    {ControlKind::Edit, kTextEdit, "", ES_READONLY | ES_MULTILINE | WS_VSCROLL | WS_BORDER, 13, 19, 224, 52},
    {ControlKind::GroupBox, -1, "Select an operation", 0, 7, 82, 236, 40},
    {ControlKind::RadioButton, kInstallRadio, "downloading and install update(s)", WS_GROUP | WS_TABSTOP, 13, 94, 220,
     10},
    {ControlKind::RadioButton, kPageRadio, "go to the \"download\" page of Nuvarine's web site", WS_TABSTOP, 13, 106,
     220, 10},
    {ControlKind::DefPushButton, IDOK, "OK", WS_TABSTOP, 70, 128, 50, 14},
    {ControlKind::PushButton, IDCANCEL, "Cancel", WS_TABSTOP, 130, 128, 50, 14},
};
constexpr DWORD kDialogStyle = WS_CAPTION | DS_CENTER;
const DialogTemplate kUpdateDialogs[] = {
    {IDD_UPDATE_PROGRESS, "Update Nuvarine 2", kDialogStyle, 0, 0, 214, 88, kProgressControls,
     sizeof kProgressControls / sizeof kProgressControls[0]},
    {IDD_UPDATES_AVAILABLE, "Update Nuvarine 2.0", kDialogStyle, 0, 0, 250, 148, kAvailableControls,
     sizeof kAvailableControls / sizeof kAvailableControls[0]},
};

void RegisterUpdateDialogs() {
  static bool done = false;
  if (done) return;
  done = true;
  AfxRegisterDialogs(kUpdateDialogs, sizeof kUpdateDialogs / sizeof kUpdateDialogs[0]);
}

// Starts the program detached from this one, in `folder`; false when it
// could not be started (the exec failure comes back through a pipe that
// closes on a successful exec).
bool StartDetached(const std::string& program, const std::string& folder) {
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    setsid();
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      if (chdir(folder.c_str()) != 0) {
      }
      char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
      execv(program.c_str(), argv);
      const int error = errno;
      if (write(report[1], &error, sizeof error) < 0) {
      }
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t n;
  while ((n = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

}  // namespace

// The progress window of the package downloads: it lives on the main thread
// and reads the shared counters every 100 ms while a worker downloads.
class CTelechargement : public CDialog {
 public:
  explicit CTelechargement(UpdateProgress& progress) : CDialog(IDD_UPDATE_PROGRESS), m_progress(progress) {
    MapCommand(kCancelButton, [this] { OnCancelDownload(); });
  }
  ~CTelechargement() override {
    m_fileProgress.DetachWidget();
    m_totalProgress.DetachWidget();
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, kFileBar, m_fileProgress);
    DDX_Control(pDX, kTotalBar, m_totalProgress);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_fileProgress.SetRange(0, 100);
    m_totalProgress.SetRange(0, 100);
    SetTimer(1, 100);
    return TRUE;
  }
  void OnTimer(UINT_PTR) override {
    m_fileProgress.SetPos(m_progress.filePercent);
    m_totalProgress.SetPos(m_progress.totalPercent);
    SetDlgItemText(kTextEdit, m_progress.Text().c_str());
  }
  // The current file stops after its current block; the window closes when
  // the worker is done.
  void OnCancelDownload() { m_progress.stopRequested = true; }
  void OnCancel() override { OnCancelDownload(); }
  void OnOK() override {}

 private:
  UpdateProgress& m_progress;
  CProgressCtrl m_fileProgress;
  CProgressCtrl m_totalProgress;
};

class CUpdatesAvailableDialog : public CDialog {
 public:
  CUpdatesAvailableDialog() : CDialog(IDD_UPDATES_AVAILABLE) {
    MapCommand(kInstallRadio, [this] { OnInstallChosen(); });
    MapCommand(kPageRadio, [this] { OnPageChosen(); });
  }
  int m_choice = 1;
  CString m_updateList;

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    OnInstallChosen();
    SetDlgItemText(kTextEdit, m_updateList.c_str());
    return TRUE;
  }
  void OnInstallChosen() {
    CheckDlgButton(kInstallRadio, 1);
    CheckDlgButton(kPageRadio, 0);
  }
  void OnPageChosen() {
    CheckDlgButton(kInstallRadio, 0);
    CheckDlgButton(kPageRadio, 1);
  }
  void OnOK() override {
    if (IsDlgButtonChecked(kInstallRadio)) m_choice = 1;
    if (IsDlgButtonChecked(kPageRadio)) m_choice = 2;
    CDialog::OnOK();
  }
};

void CNuvarine2View::MapProgramUpdateCommands() {
  MapCommand(kCommandUpdateProgram, [this] { OnUpdateProgram(); });
}

void CNuvarine2View::OnUpdateProgram() {
  RegisterUpdateDialogs();
  LoadInstallEndpoints(m_installFolder);
  if (g_endpoints().versionPageUrl.empty()) {
    ::MessageBox(nullptr, kTextNoVersionPage, "Nuvarine 2.0", MB_OK | MB_ICONINFORMATION);
    return;
  }
  std::error_code ignored;
  // The work list's records name the folder "update": it is made so.
  std::filesystem::create_directories(ResolveInstallPath(m_installFolder, "\\update"), ignored);
  const ProxySettings proxy{m_useProxy, m_proxyName};
  const std::string pageUrl = g_endpoints().versionPageUrl;

  // The page comes on a worker, within its own time limit, while this
  // thread keeps the frames going and shows the download window, whose Stop
  // (or the program's close) ends the request at once.
  std::string block;
  VersionPageResult fetched = VersionPageResult::NotFound;
  if (!RunForegroundDownload([&](DownloadProgress& progress) {
        progress.SetLabel(kTextReadingVersionPage);
        fetched = FetchVersionPage(pageUrl, proxy, VersionPageLimits(), &progress.stopRequested, block);
        progress.bytes = static_cast<int64_t>(block.size());
      }))
    return;
  if (fetched == VersionPageResult::Stopped || m_closeRequested) return;
  if (fetched == VersionPageResult::BadUrl) {
    ::MessageBox(nullptr, "Impossible to connect", "Error", MB_OK);
    return;
  }
  if (fetched == VersionPageResult::Unreadable) {
    ::MessageBox(nullptr, kTextUnreadableVersionPage, kTextErrorCaption, MB_OK);
    return;
  }
  if (fetched != VersionPageResult::Read) {
    ::MessageBox(nullptr, kTextImpossibleToConnect, kTextErrorCaption, MB_OK);
    return;
  }

  VersionPage page = ParseVersionPage(block);
  const std::string list =
      BuildUpdateList(page, InstalledVersions(m_installFolder, m_programVersion, m_planetLibraryVersion));
  if (list.empty()) {
    ::MessageBox(nullptr, kTextLastVersion, "Nuvarine 2.0", MB_OK);
    return;
  }
  CUpdatesAvailableDialog choice;
  choice.m_updateList = list.c_str();
  if (choice.DoModal() != IDOK) return;
  if (choice.m_choice == 2) {
    const std::string& downloadPage = g_endpoints().downloadPageUrl;
    if (downloadPage.empty()) {
      ::MessageBox(nullptr, kTextNoDownloadPage, "Nuvarine 2.0", MB_OK | MB_ICONINFORMATION);
      return;
    }
    if (ShellExecute(nullptr, "open", downloadPage.c_str(), nullptr, nullptr, SW_SHOWNORMAL_SHELL) <= 32)
      ::MessageBox(nullptr, kTextImpossibleToConnect, kTextErrorCaption, MB_OK);
    return;
  }
  if (!InstallUpdatePackages(page.url)) return;

  const std::string updater = ResolveInstallPath(m_installFolder, kUpdaterName);
  struct stat st;
  const bool haveUpdater = stat(updater.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(updater.c_str(), X_OK) == 0;
  if (!haveUpdater) {
    const std::string text = FormatC(
        "The update packages are in the folder %s.\r\nNo updater program (%s) is installed in %s to apply them: "
        "Nuvarine 2 goes on with its present version.",
        ResolveInstallPath(m_installFolder, "\\update").c_str(), kUpdaterName,
        ResolveInstallPath(m_installFolder, "").c_str());
    ::MessageBox(nullptr, text.c_str(), "Update", MB_OK | MB_ICONINFORMATION);
    return;
  }
  ::MessageBox(nullptr, kTextUpdateClose, "Update", MB_OK);
  const std::string question =
      FormatC("Start the updater %s now ?\r\nNuvarine 2 will then close so that it can replace its files.",
              updater.c_str());
  if (::MessageBox(nullptr, question.c_str(), "Update", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  if (!StartDetached(updater, ResolveInstallPath(m_installFolder, ""))) {
    ::MessageBox(nullptr, FormatC("The updater %s could not be started.", updater.c_str()).c_str(), "Update",
                 MB_OK | MB_ICONERROR);
    return;
  }
  // The usual close: the settings are written before the updater works.
  m_closeRequested = true;
}

bool CNuvarine2View::InstallUpdatePackages(const std::array<std::string, 6>& urls) {
  if (!BeginForegroundDownload()) return false;
  RegisterUpdateDialogs();
  const ProxySettings proxy{m_useProxy, m_proxyName};
  const std::string folder = m_installFolder;
  UpdateProgress progress;
  bool installed = false;
  {
    CTelechargement window(progress);
    window.Create(IDD_UPDATE_PROGRESS, this);
    window.ShowWindow(SW_SHOW);
    std::atomic<bool> done{false};
    std::thread worker([&] {
      installed = InstallUpdates(urls, folder, proxy, progress);
      done = true;
    });
    ++m_downloadDepth;
    // A close or the program's shutdown ends the transfer at once.
    while (!done)
      if (PumpWhileDownloading()) progress.stopRequested = true;
    --m_downloadDepth;
    worker.join();
    window.KillTimer(1);
    window.DestroyWindow();
  }
  EndForegroundDownload();
  if (progress.badAddress) ::MessageBox(nullptr, "Impossible to connect", "Error", MB_OK);
  return installed;
}
