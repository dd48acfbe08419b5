#pragma once
// The LX200 hand panel: a modeless window whose buttons leave pending
// commands for the frame's telescope step and which shows the position
// texts that step writes. It never touches the serial line itself.
#include "Dialog.h"
#include "Lx200.h"

// The pending flags and texts (m_moveNorth.., m_raText..) are the shared
// panel state the telescope step reads and writes.
class LX200 : public CDialog, public Lx200PanelState {
 public:
  enum { IDD = 348 };
  LX200() : CDialog(IDD, nullptr) {}

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnTimer(UINT_PTR id) override;

  void OnNorth();
  void OnSouth();
  void OnEast();
  void OnWest();
  void OnStop();
  void OnSpeed(int command);
  void OnShowPosition();
  // Copies the position texts into the edits and shows the values.
  void RefreshPosition();

  CString m_raEdit;
  CString m_decEdit;
  int m_guideCheck = 0;
  int m_centerCheck = 0;
  int m_findCheck = 0;
  int m_slewCheck = 0;
  CString m_altitudeEdit;
  CString m_azimuthEdit;
  int m_showPositionCheck = 0;

 private:
  void Move(bool north, bool south, bool east, bool west);
  bool m_mapped = false;
};
