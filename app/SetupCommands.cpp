// The view's setup commands: each copies the view's values into its dialog,
// runs it and takes the results back only on OK.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "AboutDialog.h"
#include "InstallPath.h"
#include "NumberFormat.h"
#include "IniFile.h"
#include "Nuvarine2View.h"
#include "OpticsDialogs.h"
#include "RichTextCtrl.h"
#include "RunStatus.h"
#include "Shell.h"
#include "SystemReport.h"
#include "WebLinks.h"
#include "UiDefs.h"
#include "SkyMath.h"
#include "TimeLocationDialog.h"
#include "TimePlace.h"
#include "TipsDialog.h"

namespace {
constexpr double kDegree = 3.14159265358979323846 / 180.0;

// The system report's window: the whole text in one scrolling edit.
class ParametresVideo : public CDialog {
 public:
  explicit ParametresVideo(CWnd* parent) : CDialog(247, parent) {}
  CString m_reportText;
  void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, 1019, m_reportText); }
};
}

void CNuvarine2View::MapSetupCommands() {
  MapCommand(32771, [this] { OnTimeAndLocation(); });
  MapCommand(32772, [this] { OnTimeAndLocation(); });
  MapCommand(32867, [this] { OnEyepieceField(); });
  MapUpdateCommandUI(32867, [this](CCmdUI* ui) { ui->Enable(m_planetariumMode); });
  MapCommand(248, [this] { OnSystemDiagnostic(); });
  MapCommand(291, [this] { OnPrintChart(); });
  MapCommand(32885, [this] { OnWeatherReports(); });
  MapCommand(32841, [this] { OnVisitHomepage(); });
  MapCommand(32887, [this] { OnSendMessage(); });
  MapCommand(ID_APP_ABOUT, [this] { OnAbout(); });
}

int CNuvarine2View::RunStartupBox(const CString& alertText, int& choice) {
  // Unattended runs have nobody to close the box: it counts as closed with
  // its first entry, which changes nothing.
  if (RunningUnattended()) {
    choice = 0;
    return IDCANCEL;
  }
  CTipsDialog box;
  box.m_english = m_englishUi;
  box.m_text = alertText;
  const INT_PTR result = RunDialog(box);
  choice = box.m_choice;
  return static_cast<int>(result);
}

void CNuvarine2View::OnAbout() {
  CAboutDialog box(this);
  box.m_english = m_englishUi;
  box.m_textVariant = false;
  box.m_version = m_programVersion;
  box.m_privateBuild = m_privateBuildText;
  box.m_specialBuild = m_specialBuildText;
  RunDialog(box);
}

void CNuvarine2View::OnSystemDiagnostic() {
  SystemReportInput in;
  in.programVersion = m_programVersion.c_str();
  in.facts = ReadSystemFacts();
  in.caps = m_pDeviceCaps;
  in.adapter = m_pAdapterIdentifier;
  D3DDISPLAYMODE mode{};
  if (m_pd3dDevice && SUCCEEDED(m_pd3dDevice->GetDisplayMode(0, &mode))) {
    in.displayWidth = mode.Width;
    in.displayHeight = mode.Height;
  }
  in.framesPerSecondMax = m_framesPerSecondMax;
  in.availableTextureMemory = m_availableTextureMemory;
  in.rgbTexture = m_rgbTextureAccepted;
  in.argbTexture = m_argbTextureAccepted;
  in.multisample2 = m_multisample2Accepted;
  in.multisample4 = m_multisample4Accepted;
  in.savedTrace.assign(m_savedTraceCodes, m_savedTraceCodes + std::clamp(m_savedTraceCount, 0, kTraceCapacity));
  in.currentTrace.assign(m_traceCodes, m_traceCodes + std::clamp(m_traceCount, 0, kTraceCapacity));
  const std::string report = BuildSystemReport(in);
  // Unattended runs record message boxes, never wait on a window.
  const char* status = std::getenv("NUVARINE_STATUS_FILE");
  if (status && *status) {
    ::MessageBox(GetSafeHwnd(), report.c_str(), "Diagnostic...", MB_OK);
    return;
  }
  ParametresVideo dialog(this);
  dialog.m_reportText = report.c_str();
  RunDialog(dialog);
}

// The picture just taken is printed, from the install folder where it was
// written; when it cannot be taken, nothing older is printed.
void CNuvarine2View::OnPrintChart() {
  const std::string path = ResolveInstallPath(m_installFolder.c_str(), "print.bmp");
  std::remove(path.c_str());
  if (!SaveViewPicture(path.c_str())) {
    ::MessageBox(GetSafeHwnd(), "The chart could not be copied for printing.", "Nuvarine 2.0", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  AfxPrintImageFile(this, path.c_str());
}

void CNuvarine2View::OnWeatherReports() {
  if (!m_planetariumMode) return;
  ShellExecute(nullptr, "open", TheWebLinks().weather.c_str(), nullptr, nullptr, SW_SHOWNORMAL_SHELL);
}

void CNuvarine2View::OnVisitHomepage() {
  ShellExecute(nullptr, "open", TheWebLinks().homepage.c_str(), nullptr, nullptr, SW_SHOWNORMAL_SHELL);
}

void CNuvarine2View::OnSendMessage() {
  ShellExecute(nullptr, "open", TheWebLinks().contactMail.c_str(), nullptr, nullptr, SW_SHOWNORMAL_SHELL);
}

void CNuvarine2View::LoadOpticsFile() {
  m_opticsReadProblem.clear();
  m_opticsReadWhole =
      ReadOpticsFile(ResolveInstallPath(m_installFolder.c_str(), "oculaires.ini"), m_optics, &m_opticsReadProblem);
}

void CNuvarine2View::SaveOpticsFile() {
  const std::string path = ResolveInstallPath(m_installFolder.c_str(), "oculaires.ini");
  m_opticsSaveProblem.clear();
  m_opticsKeptCopy.clear();
  // A file read in part keeps a copy beside it before it is written again.
  if (!m_opticsReadWhole && !KeepCopyBeside(path.c_str(), m_opticsKeptCopy, m_opticsSaveProblem)) {
    m_opticsSaveProblem = "the file was not read whole at start and " + m_opticsSaveProblem;
    return;
  }
  if (!WriteOpticsFile(path, m_optics)) {
    m_opticsSaveProblem = "it cannot be written";
    return;
  }
  m_opticsReadWhole = true;
}

void CNuvarine2View::OnEyepieceField() {
  if (!m_planetariumMode) return;
  SelectOculaires dialog(this);
  dialog.m_lists = m_optics;
  if (dialog.DoModal() != IDOK) return;
  m_optics = dialog.m_lists;
  m_eyepieceFieldSize = dialog.m_fieldOfView;
  m_selectedCcdSize1 = dialog.m_ccdHeight;
  m_selectedCcdSize2 = dialog.m_ccdWidth;
  m_selectedCcdType = dialog.m_ccdMountType;
  if (dialog.m_magnification != 0.0f && dialog.m_fieldOfView != 0.0f)
    ::MessageBox(GetSafeHwnd(),
                 FormatC(AfxString(1049).c_str(), static_cast<double>(dialog.m_fieldOfView),
                         static_cast<double>(dialog.m_magnification)).c_str(),
                 "Nuvarine 2.0", MB_OK);
}

void CNuvarine2View::OnTimeAndLocation() {
  CTimeLocationDialog dialog(this);
  dialog.m_latitude = m_observerLatitude / kDegree;
  dialog.m_longitude = m_observerLongitude / kDegree;
  dialog.m_year = m_year;
  dialog.m_month = m_month;
  dialog.m_day = m_day;
  dialog.m_hour = m_hour;
  dialog.m_minute = m_minute;
  dialog.m_second = m_second;
  dialog.m_timeZone = m_utcOffset;
  dialog.m_temperature = m_temperature;
  dialog.m_pressure = m_pressure;
  dialog.m_altitude = m_observerElevation;
  dialog.m_warnTimeZone = m_englishUi && m_showTimeZoneAlert;
  if (dialog.DoModal() != IDOK) return;

  m_observerLatitude = dialog.m_latitude * kDegree;
  m_observerLongitude = dialog.m_longitude * kDegree;
  m_year = dialog.m_year;
  m_month = dialog.m_month;
  m_day = dialog.m_day;
  m_hour = dialog.m_hour;
  m_minute = dialog.m_minute;
  m_second = dialog.m_second;
  m_utcOffset = dialog.m_timeZone;
  m_temperature = dialog.m_temperature;
  m_pressure = dialog.m_pressure;
  m_observerElevation = dialog.m_altitude;
  if (m_englishUi) m_showTimeZoneAlert = dialog.m_warnTimeZone;

  m_cosLatitude = std::cos(m_observerLatitude);
  m_sinLatitude = std::sin(m_observerLatitude);
  m_refractionFactor = DialogRefractionFactor(m_temperature, m_pressure);
  DialogParallaxTerms(m_observerLatitude, m_observerElevation, m_rhoSinPhi, m_rhoCosPhi);

  // Following an object in the solar system: the camera keeps its offset
  // from the object across the change of date.
  Vector3d before;
  double distance = 0.0;
  if (!m_planetariumMode && m_lockedObject != -1 && LockedObjectPlace(before, distance)) {
    Vector3d offset;
    SubtractVector3d(offset, m_cameraPosition, before);
    UpdateSkyPositions();
    Vector3d after;
    if (LockedObjectPlace(after, distance)) AddVector3d(m_cameraPosition, after, offset);
  }
  UpdateSkyPositions();
}
