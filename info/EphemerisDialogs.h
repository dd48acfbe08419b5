#pragma once
// The dialogs of the events calendar: the choice of a month or a period, the
// result document, and the work-in-progress window with its Stop button.
#include <atomic>
#include <memory>

#include "Dialog.h"
#include "RichTextCtrl.h"

// A date control's value with the control's validity status.
struct DateValue {
  SYSTEMTIME time;
  bool valid = true;
};

class CEphemerisDialog : public CDialog {
 public:
  CEphemerisDialog();

  double m_startYear = -50000, m_startMonth = 0, m_startDay = 0;
  int m_lengthResult = 1;
  bool m_periodResult = false;
  bool m_planetsResult = false;
  int m_monthCheck = 0;
  int m_periodCheck = 0;
  int m_planetsCheck = 0;
  int m_length = 1;
  DateValue m_periodStart;
  DateValue m_monthDate;

  BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(CDataExchange* pDX) override;

 private:
  void SetMode(bool period);
};

class CEphemerisResultDialog : public CDialog {
 public:
  CEphemerisResultDialog();
  ~CEphemerisResultDialog() override;

  CString m_rtfText;
  CRichTextCtrl m_richText;

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
};

// The progress window of a calculation. It lives on the user-interface
// thread as a modeless window; the calculation, pumping messages on the same
// thread, writes the percentage and reads the stop flag.
class CWorkInProgressDialog : public CDialog {
 public:
  CWorkInProgressDialog();
  ~CWorkInProgressDialog() override;

  static std::atomic<int> m_percent;
  static std::atomic<bool> m_stopRequested;
  CProgressCtrl m_progress;

  BOOL OnInitDialog() override;
  void OnTimer(UINT_PTR id) override;
  void OnOK() override;
  void DoDataExchange(CDataExchange* pDX) override;
  // Closes the window now (the timer ends with it).
  void Close();

 private:
  void OnStop();
};

// The one progress window of the process, null while none is shown.
extern std::unique_ptr<CWorkInProgressDialog> g_workProgressDialog;
// Resets the percentage and the stop flag and shows a new progress window
// (without an owner window, so the main window stays usable).
void RunWorkProgressThread();
