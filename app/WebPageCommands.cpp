// The satellite-pass pages: the user chooses the country of observation,
// whose time-zone code the pass site wants, and the page for the observer's
// place opens in the browser; the program does not wait for it.
#include "Endpoints.h"
#include "InternetDialogs.h"
#include "InternetServices.h"
#include "Nuvarine2View.h"
#include "Shell.h"
#include "UiDefs.h"

namespace {

constexpr int IDC_COUNTRY = 1023;
constexpr int IDC_COUNTRY_HELP = 1007;
constexpr UINT kCommandSatelliteVisibility = 32886;
constexpr UINT kCommandIridiumFlares = 32906;

const DialogControl kCountryControls[] = {
    {ControlKind::Static, -1, "Select the country where take place the observation :", 0, 7, 7, 300, 10},
    {ControlKind::ComboBox, IDC_COUNTRY, "", CBS_DROPDOWN | WS_TABSTOP, 7, 20, 380, 120},
    {ControlKind::DefPushButton, IDOK, "OK", WS_TABSTOP, 229, 40, 50, 14},
    {ControlKind::PushButton, IDCANCEL, "Cancel", WS_TABSTOP, 283, 40, 50, 14},
    {ControlKind::PushButton, IDC_COUNTRY_HELP, "Help", WS_TABSTOP, 337, 40, 50, 14},
};
const DialogTemplate kCountryDialog[] = {
    {ChoisirPays::IDD, "Visibility of artificial satellites...", WS_CAPTION | DS_CENTER, 0, 0, 394, 60,
     kCountryControls, sizeof kCountryControls / sizeof kCountryControls[0]},
};

const char* const kTextNoPassSite =
    "No web site is known for this page.\r\nIts address can be given in the file endpoints.ini of the install folder.";

// The browser is started detached; the user hears when none could be.
void OpenPage(CWnd* owner, const std::string& url) {
  if (ShellExecute(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL_SHELL) > 32) return;
  const std::string text = "The page could not be opened: no web browser could be started.\r\n\r\nIts address is " + url;
  ::MessageBox(owner->GetSafeHwnd(), text.c_str(), "Nuvarine 2.0", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

ChoisirPays::ChoisirPays() : CDialog(IDD) {
  static bool registered = false;
  if (!registered) AfxRegisterDialogs(kCountryDialog, 1);
  registered = true;
  MapCommand(IDC_COUNTRY_HELP, [this] { OnHelp(); });
}

BOOL ChoisirPays::OnInitDialog() {
  CDialog::OnInitDialog();
  for (const CString& country : m_countryNames) AfxAddComboString(this, IDC_COUNTRY, country.c_str());
  AfxSetComboText(this, IDC_COUNTRY, m_countryNames[kDefaultCountryRow].c_str());
  return TRUE;
}

void ChoisirPays::OnOK() {
  m_selectedCountry = AfxGetComboText(this, IDC_COUNTRY);
  EndDialog(IDOK);
}

void ChoisirPays::OnHelp() { OnCmdMsg(ID_HELP, nullptr); }

std::string CNuvarine2View::ChooseCountryCode() {
  ChoisirPays dialog;
  for (int i = 0; i < kCountryCount; ++i) dialog.m_countryNames[i] = g_countryTimeZones[i].country;
  if (RunDialog(dialog) != IDOK) return {};
  // A typed text that names no row gives no page.
  return CountryCodeOf(dialog.m_selectedCountry);
}

void CNuvarine2View::OnIridiumFlares() {
  if (!m_planetariumMode) return;
  LoadInstallEndpoints(m_installFolder);
  const std::string& host = g_endpoints().iridiumHost;
  if (host.empty()) {
    ::MessageBox(GetSafeHwnd(), kTextNoPassSite, "Nuvarine 2.0", MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (::MessageBox(GetSafeHwnd(), kTextIridiumQuestion, "Nuvarine 2.0", MB_YESNO) != IDYES) return;
  const std::string code = ChooseCountryCode();
  if (code.empty()) return;
  OpenPage(this, IridiumFlaresUrl(host, m_observerLatitude, m_observerLongitude, m_observerElevation, code));
}

void CNuvarine2View::OnSatelliteVisibility() {
  if (!m_planetariumMode) return;
  LoadInstallEndpoints(m_installFolder);
  const std::string& host = g_endpoints().passHost;
  if (host.empty()) {
    ::MessageBox(GetSafeHwnd(), kTextNoPassSite, "Nuvarine 2.0", MB_OK | MB_ICONINFORMATION);
    return;
  }
  const std::string code = ChooseCountryCode();
  if (code.empty()) return;
  OpenPage(this, SatelliteVisibilityUrl(host, m_observerLatitude, m_observerLongitude, m_observerElevation, code,
                                        m_julianDate, m_utcOffset, m_hour));
}

void CNuvarine2View::MapWebPageCommands() {
  MapCommand(kCommandSatelliteVisibility, [this] { OnSatelliteVisibility(); });
  MapCommand(kCommandIridiumFlares, [this] { OnIridiumFlares(); });
}
