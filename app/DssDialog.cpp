// The sky-survey settings: which of the three survey servers the tiles come
// from, the image type and option each server offers, the switch of the
// whole function and the emptying of the tile cache.
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "Endpoints.h"
#include "InstallPath.h"
#include "InternetDialogs.h"
#include "InternetServices.h"
#include "Nuvarine2View.h"
#include "NumberFormat.h"
#include "UiDefs.h"

const char* const kTextQuickV = "Quick-V pictures";
const char* const kTextDss2Plates = "DSS2 optical plates";
const char* const kTextNormalPictures = "Normal pictures (IN)";
const char* const kTextInvertedPictures = "Inverted pictures";
const char* const kTextFalseColour = "False color images";
const char* const kTextCleaningCompleted = "Cleaning completed.\r\n(%3.2f Mo removed on the HDD...)";

namespace {

constexpr int IDC_SERVER = 1023;
constexpr int IDC_IMAGE_TYPE = 1024;
constexpr int IDC_OPTION = 1025;
constexpr int IDC_ENABLED = 1030;
constexpr int IDC_CLEAR_CACHE = 1065;
constexpr int IDC_DSS_OK = 1007;
constexpr int IDC_DSS_HELP = 1063;
constexpr UINT kCommandCallDss = 32842;

const DialogControl kDssControls[] = {
    {ControlKind::GroupBox, -1, "", 0, 5, 3, 262, 84},
    {ControlKind::Static, -1, "Server :", 0, 12, 15, 50, 10},
    {ControlKind::ComboBox, IDC_SERVER, "", CBS_DROPDOWN | WS_TABSTOP, 65, 13, 195, 60},
    {ControlKind::Static, -1, "Image type :", 0, 12, 33, 50, 10},
    {ControlKind::ComboBox, IDC_IMAGE_TYPE, "", WS_TABSTOP, 65, 31, 195, 60},
    {ControlKind::Static, -1, "Options :", 0, 12, 51, 50, 10},
    {ControlKind::ComboBox, IDC_OPTION, "", WS_TABSTOP, 65, 49, 195, 60},
    {ControlKind::CheckBox, IDC_ENABLED, "Activate the dynamic DSS function", WS_TABSTOP, 12, 70, 200, 10},
    {ControlKind::PushButton, IDC_CLEAR_CACHE, "Clear DSS cache on HDD", WS_TABSTOP, 5, 94, 100, 14},
    {ControlKind::DefPushButton, IDC_DSS_OK, "OK", WS_TABSTOP, 115, 94, 46, 14},
    {ControlKind::PushButton, IDCANCEL, "Cancel", WS_TABSTOP, 167, 94, 46, 14},
    {ControlKind::PushButton, IDC_DSS_HELP, "Help", WS_TABSTOP, 219, 94, 46, 14},
};
const DialogTemplate kDssDialog[] = {
    {CDssDialog::IDD, "DSS (Digitized Sky Survey) dynamic function...", WS_CAPTION | DS_CENTER, 0, 0, 272, 114,
     kDssControls, sizeof kDssControls / sizeof kDssControls[0]},
};

void RegisterDssDialog() {
  static bool done = false;
  if (done) return;
  done = true;
  AfxRegisterDialogs(kDssDialog, 1);
}

}  // namespace

CDssDialog::CDssDialog() : CDialog(IDD) {
  RegisterDssDialog();
  m_enabledCheck = 0;
  MapNotify(IDC_SERVER, CBN_SELCHANGE, [this](int) { OnServerChanged(); });
  MapCommand(IDC_CLEAR_CACHE, [this] { OnClearCache(); });
  MapCommand(IDC_DSS_OK, [this] { OnOK(); });
  MapCommand(IDC_DSS_HELP, [this] { OnHelp(); });
}

void CDssDialog::DoDataExchange(CDataExchange* pDX) { DDX_Check(pDX, IDC_ENABLED, m_enabledCheck); }

void CDssDialog::FillTypeAndOptionLists() {
  AfxAddComboString(this, IDC_IMAGE_TYPE, kTextDss2Plates);
  if (m_server == 1) AfxAddComboString(this, IDC_IMAGE_TYPE, kTextQuickV);
  AfxAddComboString(this, IDC_OPTION, kTextNormalPictures);
  AfxAddComboString(this, IDC_OPTION, kTextInvertedPictures);
  if (m_server == 3) AfxAddComboString(this, IDC_OPTION, kTextFalseColour);
}

BOOL CDssDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  m_enabledCheck = m_enabled ? 1 : 0;
  for (const std::string& label : g_endpoints().surveyLabel) AfxAddComboString(this, IDC_SERVER, label.c_str());
  if (m_server < 1 || m_server > 3) {
    m_server = 3;
    m_imageType = 1;
    m_option = 1;
  }
  AfxSetComboText(this, IDC_SERVER, g_endpoints().surveyLabel[m_server - 1].c_str());
  FillTypeAndOptionLists();
  // A value the server does not offer shows its first entry.
  AfxSetComboText(this, IDC_IMAGE_TYPE, m_server == 1 && m_imageType == 2 ? kTextQuickV : kTextDss2Plates);
  const char* option = m_option == 2 ? kTextInvertedPictures
                       : m_option == 3 && m_server == 3 ? kTextFalseColour
                                                        : kTextNormalPictures;
  AfxSetComboText(this, IDC_OPTION, option);
  UpdateData(FALSE);
  return TRUE;
}

void CDssDialog::OnServerChanged() {
  UpdateData(TRUE);
  CDataExchange exchange(this, TRUE);
  int index = -1;
  DDX_CBIndex(&exchange, IDC_SERVER, index);
  if (index < 0 || index > 2) return;
  m_server = index + 1;
  AfxResetComboContent(this, IDC_IMAGE_TYPE);
  AfxResetComboContent(this, IDC_OPTION);
  FillTypeAndOptionLists();
  AfxSetComboText(this, IDC_OPTION, kTextNormalPictures);
  AfxSetComboText(this, IDC_IMAGE_TYPE, kTextDss2Plates);
  UpdateData(FALSE);
}

void CDssDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  const CString server = AfxGetComboText(this, IDC_SERVER);
  const CString type = AfxGetComboText(this, IDC_IMAGE_TYPE);
  const CString option = AfxGetComboText(this, IDC_OPTION);
  m_server = 1;
  m_imageType = 1;
  m_option = 1;
  for (int k = 0; k < 3; ++k)
    if (server == g_endpoints().surveyLabel[k].c_str()) {
      m_server = k + 1;
      break;
    }
  if (type.Find("Quick-V") >= 0) m_imageType = 2;
  if (option == kTextInvertedPictures) m_option = 2;
  if (option == kTextFalseColour) m_option = 3;
  m_enabled = m_enabledCheck == 1;
  EndDialog(IDOK);
}

void CDssDialog::OnClearCache() {
  namespace fs = std::filesystem;
  const fs::path folder = ResolveInstallPath(m_installFolder.c_str(), "\\cache\\DSS\\");
  std::uint64_t removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename().string().find(".jpg") == std::string::npos) continue;
    std::error_code sizeError;
    const std::uintmax_t size = it->is_regular_file(sizeError) ? it->file_size(sizeError) : 0;
    std::error_code removeError;
    if (fs::remove(it->path(), removeError) && !sizeError) removed += size;
  }
  const std::string text = FormatC(kTextCleaningCompleted, static_cast<double>(removed) / (1024.0 * 1024.0));
  ::MessageBox(GetSafeHwnd(), text.c_str(), "Nuvarine 2", MB_OK);
}

void CDssDialog::OnHelp() { OnCmdMsg(ID_HELP, nullptr); }

// ---- The view's command ---------------------------------------------------------------------

void CNuvarine2View::OnCallDssServer() {
  if (!m_planetariumMode) return;
  LoadInstallEndpoints(m_installFolder);
  CDssDialog dialog;
  dialog.m_server = g_dssServer;
  dialog.m_imageType = g_dssMode;
  dialog.m_option = g_dssOptions;
  dialog.m_enabled = g_dssEnabled;
  dialog.m_installFolder = m_installFolder;
  if (RunDialog(dialog) != IDOK) return;
  // The next tile request takes them; the settings file keeps them at exit.
  g_dssServer = static_cast<BYTE>(dialog.m_server);
  g_dssMode = static_cast<BYTE>(dialog.m_imageType);
  g_dssOptions = static_cast<BYTE>(dialog.m_option);
  g_dssEnabled = dialog.m_enabled;
}

void CNuvarine2View::MapSurveyAndPageCommands() {
  MapCommand(kCommandCallDss, [this] { OnCallDssServer(); });
  MapWebPageCommands();
}
