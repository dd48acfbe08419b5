#include "EphemerisDialogs.h"

#include <ctime>

#include "Resource.h"
#include "UiDefs.h"

namespace {

constexpr int kMonthCheck = 1030;
constexpr int kPeriodCheck = 1031;
constexpr int kPlanetsCheck = 1038;
constexpr int kLengthEdit = 1021;
constexpr int kPeriodPicker = 1051;
constexpr int kMonthCalendar = 1050;
constexpr int kHelpButton = 1007;
constexpr int kPrintButton = 1007;
constexpr int kResultHelpButton = 1063;
constexpr int kRichEdit = 1123;
constexpr int kStopButton = 1007;
constexpr int kProgressBar = 1059;
constexpr UINT_PTR kProgressTimer = 1;

SYSTEMTIME Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  SYSTEMTIME t;
  t.wYear = static_cast<WORD>(local.tm_year + 1900);
  t.wMonth = static_cast<WORD>(local.tm_mon + 1);
  t.wDay = static_cast<WORD>(local.tm_mday);
  t.wDayOfWeek = static_cast<WORD>(local.tm_wday);
  return t;
}

void TakeDate(const DateValue& v, double& year, double& month, double& day) {
  if (!v.valid) {
    year = month = day = -1;
    return;
  }
  year = v.time.wYear;
  month = v.time.wMonth;
  day = v.time.wDay;
}

}  // namespace

// ---- Month or period ---------------------------------------------------------------

CEphemerisDialog::CEphemerisDialog() : CDialog(IDD_EPHEMERIS) {
  m_periodStart.time = m_monthDate.time = Today();
  MapCommand(kMonthCheck, [this] { SetMode(false); });
  MapCommand(kPeriodCheck, [this] { SetMode(true); });
  MapCommand(kHelpButton, [this] { OnCmdMsg(ID_HELP, nullptr); });
  MapNotify(kLengthEdit, EN_SETFOCUS, [this](int) { SetMode(true); });
  MapNotify(kMonthCalendar, MCN_SELCHANGE, [this](int) {
    if (m_periodCheck != 0) SetMode(false);
  });
  MapNotify(kPeriodPicker, DTN_DATETIMECHANGE, [this](int) {
    if (m_monthCheck != 0) SetMode(true);
  });
}

void CEphemerisDialog::SetMode(bool period) {
  UpdateData(TRUE);
  m_monthCheck = period ? 0 : 1;
  m_periodCheck = period ? 1 : 0;
  UpdateData(FALSE);
}

void CEphemerisDialog::DoDataExchange(CDataExchange* pDX) {
  DDX_Check(pDX, kMonthCheck, m_monthCheck);
  DDX_Check(pDX, kPeriodCheck, m_periodCheck);
  DDX_Check(pDX, kPlanetsCheck, m_planetsCheck);
  DDX_Text(pDX, kLengthEdit, m_length);
  DDV_MinMaxInt(pDX, m_length, 1, 50);
  DDX_DateTimeCtrl(pDX, kPeriodPicker, m_periodStart.time);
  DDX_MonthCalCtrl(pDX, kMonthCalendar, m_monthDate.time);
}

BOOL CEphemerisDialog::OnInitDialog() {
  m_startYear = -50000;
  m_monthCheck = 1;
  m_periodCheck = 0;
  m_planetsCheck = 0;
  m_length = 1;
  const SYSTEMTIME today = Today();
  m_startYear = today.wYear;
  m_startMonth = today.wMonth;
  m_startDay = today.wDay;
  m_periodStart = m_monthDate = DateValue{today, true};
  CDialog::OnInitDialog();
  return TRUE;
}

void CEphemerisDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  TakeDate(m_monthCheck != 0 ? m_monthDate : m_periodStart, m_startYear, m_startMonth, m_startDay);
  m_lengthResult = m_length;
  m_periodResult = m_periodCheck != 0;
  m_planetsResult = m_planetsCheck != 0;
  EndDialog(IDOK);
}

// ---- Result ----------------------------------------------------------------------------

CEphemerisResultDialog::CEphemerisResultDialog() : CDialog(IDD_EPHEMERIS_RESULT) {
  MapCommand(kPrintButton, [this] { m_richText.Print(true); });
  MapCommand(kResultHelpButton, [this] { OnCmdMsg(ID_HELP, nullptr); });
}

CEphemerisResultDialog::~CEphemerisResultDialog() = default;

void CEphemerisResultDialog::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, kRichEdit, m_richText); }

BOOL CEphemerisResultDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  // Loaded once: reloading the document at every repaint would throw the
  // reader back to its first line.
  m_richText.SetRtf(m_rtfText);
  m_richText.HideCaret();
  UpdateData(FALSE);
  return TRUE;
}

// ---- Work in progress ------------------------------------------------------------------

std::atomic<int> CWorkInProgressDialog::m_percent{0};
std::atomic<bool> CWorkInProgressDialog::m_stopRequested{false};
std::unique_ptr<CWorkInProgressDialog> g_workProgressDialog;

CWorkInProgressDialog::CWorkInProgressDialog() : CDialog(IDD_WORK_IN_PROGRESS) {
  MapCommand(kStopButton, [this] { OnStop(); });
}

CWorkInProgressDialog::~CWorkInProgressDialog() {
  m_progress.DetachWidget();
  if (HasWindow()) DestroyWindow();
}

void CWorkInProgressDialog::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, kProgressBar, m_progress); }

BOOL CWorkInProgressDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  SetTimer(kProgressTimer, 500);
  m_progress.SetRange(0, 100);
  m_progress.SetPos(0);
  return TRUE;
}

void CWorkInProgressDialog::OnTimer(UINT_PTR) {
  m_progress.SetPos(m_percent);
  if (m_percent >= 100) {
    OnOK();
    return;
  }
  Invalidate(FALSE);
}

void CWorkInProgressDialog::OnStop() {
  m_stopRequested = true;
  OnOK();
}

void CWorkInProgressDialog::OnOK() { Close(); }

void CWorkInProgressDialog::Close() {
  if (!HasWindow()) return;
  KillTimer(kProgressTimer);
  m_progress.DetachWidget();
  DestroyWindow();
}

void RunWorkProgressThread() {
  CWorkInProgressDialog::m_percent = 0;
  CWorkInProgressDialog::m_stopRequested = false;
  g_workProgressDialog = std::make_unique<CWorkInProgressDialog>();
  g_workProgressDialog->Create(IDD_WORK_IN_PROGRESS, nullptr);
  g_workProgressDialog->ShowWindow(SW_SHOW);
}
