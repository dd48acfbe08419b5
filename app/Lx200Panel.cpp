#include "Lx200Panel.h"

namespace {

constexpr int IDC_NORTH = 1065;
constexpr int IDC_SOUTH = 1066;
constexpr int IDC_EAST = 1007;
constexpr int IDC_WEST = 1063;
constexpr int IDC_STOP = 1067;
constexpr int IDC_RA = 1019;
constexpr int IDC_DEC = 1020;
constexpr int IDC_ALTITUDE = 1021;
constexpr int IDC_AZIMUTH = 1022;
constexpr int IDC_GUIDE = 1030;
constexpr int IDC_CENTER = 1031;
constexpr int IDC_FIND = 1040;
constexpr int IDC_SLEW = 1069;
constexpr int IDC_SHOW_POSITION = 1060;
constexpr UINT_PTR kRefreshTimer = 10;

}  // namespace

BOOL LX200::OnInitDialog() {
  if (!m_mapped) {
    m_mapped = true;
    MapCommand(IDC_NORTH, [this]() { OnNorth(); });
    MapCommand(IDC_SOUTH, [this]() { OnSouth(); });
    MapCommand(IDC_EAST, [this]() { OnEast(); });
    MapCommand(IDC_WEST, [this]() { OnWest(); });
    MapCommand(IDC_STOP, [this]() { OnStop(); });
    MapCommand(IDC_GUIDE, [this]() { OnSpeed(1); });
    MapCommand(IDC_CENTER, [this]() { OnSpeed(2); });
    MapCommand(IDC_FIND, [this]() { OnSpeed(3); });
    MapCommand(IDC_SLEW, [this]() { OnSpeed(4); });
    MapCommand(IDC_SHOW_POSITION, [this]() { OnShowPosition(); });
  }
  SetTimer(kRefreshTimer, 1000);
  m_speedCommand = 4;
  m_guideCheck = m_centerCheck = m_findCheck = 0;
  m_slewCheck = 1;
  m_showPosition = false;
  m_showPositionCheck = 0;
  UpdateData(FALSE);
  return TRUE;
}

void LX200::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_RA, m_raEdit);
  DDX_Text(pDX, IDC_DEC, m_decEdit);
  DDX_Check(pDX, IDC_GUIDE, m_guideCheck);
  DDX_Check(pDX, IDC_CENTER, m_centerCheck);
  DDX_Check(pDX, IDC_FIND, m_findCheck);
  DDX_Check(pDX, IDC_SLEW, m_slewCheck);
  DDX_Text(pDX, IDC_ALTITUDE, m_altitudeEdit);
  DDX_Text(pDX, IDC_AZIMUTH, m_azimuthEdit);
  DDX_Check(pDX, IDC_SHOW_POSITION, m_showPositionCheck);
}

void LX200::Move(bool north, bool south, bool east, bool west) {
  m_moveNorth = north;
  m_moveSouth = south;
  m_moveEast = east;
  m_moveWest = west;
  m_stopMotion = false;
}

void LX200::OnNorth() { Move(true, false, false, false); }
void LX200::OnSouth() { Move(false, true, false, false); }
void LX200::OnEast() { Move(false, false, true, false); }
void LX200::OnWest() { Move(false, false, false, true); }

void LX200::OnStop() {
  Move(false, false, false, false);
  m_stopMotion = true;
}

void LX200::OnSpeed(int command) {
  m_speedCommand = command;
  m_guideCheck = command == 1;
  m_centerCheck = command == 2;
  m_findCheck = command == 3;
  m_slewCheck = command == 4;
  RefreshPosition();
}

void LX200::OnShowPosition() {
  UpdateData(TRUE);
  m_showPosition = m_showPositionCheck != 0;
  RefreshPosition();
}

void LX200::OnTimer(UINT_PTR id) {
  if (id == kRefreshTimer) RefreshPosition();
}

void LX200::RefreshPosition() {
  m_raEdit = m_raText;
  m_decEdit = m_decText;
  m_altitudeEdit = m_altitudeText;
  m_azimuthEdit = m_azimuthText;
  if (HasWindow()) UpdateData(FALSE);
}
