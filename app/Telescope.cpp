// The view's telescope and GPS work: the frame's following of the locked
// object with the telescope exchange, the telescope and GPS commands.
#include <cmath>
#include <ctime>

#include "Lx200Panel.h"
#include "NumberFormat.h"
#include "Nuvarine2View.h"
#include "ProcessObjects.h"
#include "Resource.h"
#include "SolarSystemTypes.h"
#include "TelescopeChooser.h"
#include "TelescopeClient.h"
#include "TelescopeDialogs.h"
#include "ViewSettings.h"

namespace {

constexpr UINT ID_TELESCOPE_CONFIGURATION = 32879;
constexpr UINT ID_TELESCOPE_OPEN = 32881;
constexpr UINT ID_TELESCOPE_CLOSE = 32883;
constexpr UINT ID_START_GPS = 314;
constexpr UINT ID_STOP_GPS = 318;

}  // namespace

INT_PTR CNuvarine2View::RunDialog(CDialog& dialog) { return m_runDialog ? m_runDialog(dialog) : dialog.DoModal(); }

Lx200Io CNuvarine2View::Lx200IoForPort() {
  Lx200Io io;
  io.port = &m_lx200SerialPort;
  io.log = [](const char* text) { WriteTelescopeLog(text); };
  io.sleep = m_telescopeSleep;
  return io;
}

// ---- The LX200 connection ------------------------------------------------------------------
void ConnectLx200Telescope(CNuvarine2View* view) {
  view->m_lx200ConnectDone = false;
  Lx200LineSettings line;
  line.port = g_telescopePort;
  line.baudRate = g_telescopeBaudRate;
  line.parity = g_telescopeParity;
  line.dataBits = g_telescopeDataBits;
  line.stopBits = g_telescopeStopBits;
  // The computer's local date and time, to the nearest second, become the
  // mount's and the view's; read when they are sent.
  auto readClock = [] {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const time_t seconds = now.tv_sec + (now.tv_nsec >= 500000000L ? 1 : 0);
    tm local{};
    localtime_r(&seconds, &local);
    return Lx200LocalTimeNow{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                             local.tm_hour,        local.tm_min,     local.tm_sec};
  };
  Lx200LocalTimeNow clock;
  const Lx200ConnectResult result = ConnectLx200(view->Lx200IoForPort(), line, view->m_observerLatitude,
                                                 view->m_observerLongitude, view->m_utcOffset, readClock, &clock);
  switch (result) {
    case Lx200ConnectResult::PortFailed: {
      // A speed the system cannot set is named, not left behind the generic error.
      const CString speed = CSerialPort::UnsupportedBaudRateText(line.baudRate);
      if (speed.IsEmpty()) AfxMessageBox(IDS_SERIAL_PORT_ERROR);
      else AfxMessageBox((AfxString(IDS_SERIAL_PORT_ERROR) + "\r\n\r\n" + speed).c_str());
      view->m_telescopeConnected = false;
      break;
    }
    case Lx200ConnectResult::NoAnswer:
      AfxMessageBox(IDS_NO_TELESCOPE_ANSWER);
      view->m_telescopeConnected = false;
      break;
    case Lx200ConnectResult::Connected:
      view->m_year = clock.year, view->m_month = clock.month, view->m_day = clock.day;
      view->m_hour = clock.hour, view->m_minute = clock.minute, view->m_second = clock.second;
      view->m_telescopeConnected = true;
      break;
  }
  view->m_lx200ConnectDone = true;
}

// ---- The frame's following -------------------------------------------------------------------
void CNuvarine2View::FollowObjectWithTelescope() {
  if (!m_planetariumMode || (!m_telescopeFollowTarget && m_lockedObject == -1)) return;
  const int n = m_lockedObject;
  // The locked object's place; an unknown number keeps the place set by the
  // follow commands.
  if (n >= 0 && n < kBodyCount) {
    m_followRightAscension = g_bodies[n].rightAscension;
    m_followDeclination = g_bodies[n].declination;
  } else if (n >= 1000 && n < 2000 && g_asteroids && n - 1000 < g_asteroidCount) {
    m_followRightAscension = g_asteroids[n - 1000].rightAscension;
    m_followDeclination = g_asteroids[n - 1000].declination;
  } else if (n >= 2000 && n < 3000 && g_comets && n - 2000 < g_cometCount) {
    m_followRightAscension = g_comets[n - 2000].rightAscension;
    m_followDeclination = g_comets[n - 2000].declination;
  }
  if (n >= 0 && n <= 9) {
    m_followAzimuth = g_bodies[n].azimuth;
    m_followAltitude = g_bodies[n].altitude;
  } else {
    EquatorialToHorizontal(m_followAzimuth, m_followAltitude, m_localSiderealTime, m_followRightAscension,
                           m_followDeclination);
  }
  // Below the horizon nothing happens, not even a pending hand-panel command.
  if (m_followAltitude < 0.0) return;

  m_targetAzimuth = m_followAzimuth;
  m_targetAltitude = m_followAltitude;
  m_targetRightAscension = m_followRightAscension;
  m_targetDeclination = m_followDeclination;
  m_targetMarked = true;
  ResetAndRotateCamera(static_cast<float>(-m_followAzimuth), static_cast<float>(m_followAltitude));

  if (!m_telescopeConnected) return;
  if (m_useLx200Driver) ExchangeWithLx200();
  else ExchangeWithTelescopeDriver();
}

void CNuvarine2View::ExchangeWithLx200() {
  if (!m_pLx200Panel) return;
  Lx200FollowState state;
  state.followTarget = m_telescopeFollowTarget;
  state.followRightAscension = m_followRightAscension;
  state.followDeclination = m_followDeclination;
  state.lastSlewRightAscension = m_lastSlewRightAscension;
  state.lastSlewDeclination = m_lastSlewDeclination;
  state.telescopeRightAscension = m_telescopeRightAscension;
  state.telescopeDeclination = m_telescopeDeclination;
  state.replyDelay = m_lx200ReplyDelay;
  Lx200Exchange(Lx200IoForPort(), *m_pLx200Panel, state, [this](double rightAscension, double declination) {
    double azimuth = 0.0, altitude = 0.0;
    EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, rightAscension, declination);
    m_targetAzimuth = azimuth;
    m_targetAltitude = altitude;
    m_targetRightAscension = rightAscension;
    m_targetDeclination = declination;
    ResetAndRotateCamera(static_cast<float>(-azimuth), static_cast<float>(altitude));
  });
  m_lastSlewRightAscension = state.lastSlewRightAscension;
  m_lastSlewDeclination = state.lastSlewDeclination;
  m_telescopeRightAscension = state.telescopeRightAscension;
  m_telescopeDeclination = state.telescopeDeclination;
}

void CNuvarine2View::ExchangeWithTelescopeDriver() {
  const double rightAscension = GetTelescopeRightAscension() * 0.2617993877991494;
  const double declination = GetTelescopeDeclination() * kPi / 180.0;
  if (rightAscension != 0.0 && declination != 0.0) {
    double azimuth = 0.0, altitude = 0.0;
    EquatorialToHorizontal(azimuth, altitude, m_localSiderealTime, rightAscension, declination);
    m_targetAzimuth = azimuth;
    m_targetAltitude = altitude;
    m_targetRightAscension = rightAscension;
    m_targetDeclination = declination;
    ResetAndRotateCamera(static_cast<float>(-azimuth), static_cast<float>(altitude));
  }
  if (g_telescopeReportsEquatorial) {
    if (AngularDistance(m_lastSlewRightAscension, m_followRightAscension) > 0.0001 ||
        AngularDistance(m_lastSlewDeclination, m_followDeclination) > 0.0001) {
      m_lastSlewRightAscension = m_followRightAscension;
      m_lastSlewDeclination = m_followDeclination;
      const double hours = m_followRightAscension * 180.0 / kPi * 0.06666666666666667;
      const double degrees = m_followDeclination * 180.0 / kPi;
      if (SlewTelescope(hours, degrees) == -1) SyncTelescope(hours, degrees);
    }
  } else if (AngularDistance(m_lastSlewRightAscension, m_followAzimuth) > 0.001 ||
             AngularDistance(m_lastSlewDeclination, m_followAltitude) > 0.001) {
    m_lastSlewRightAscension = m_followAzimuth;
    m_lastSlewDeclination = m_followAltitude;
    const double azimuth = m_followAzimuth * 180.0 / kPi, altitude = m_followAltitude * 180.0 / kPi;
    if (SlewTelescope(azimuth, altitude) == -1) SyncTelescope(azimuth, altitude);
  }
}

void CNuvarine2View::AbortSlewOnEscape(UINT key) {
  if (key == VK_ESCAPE && m_telescopeConnected) AbortTelescopeSlew();
}

void CNuvarine2View::CloseIdleTelescopePort() {
  if (m_telescopeConnected || !m_lx200ConnectDone || !m_useLx200Driver) return;
  if (m_lx200SerialPort.m_isOpen) m_lx200SerialPort.Close();
  if (m_pLx200Panel && m_pLx200Panel->IsWindowVisible()) m_pLx200Panel->ShowWindow(SW_HIDE);
}

// ---- Telescope commands -----------------------------------------------------------------------
void CNuvarine2View::MapTelescopeCommands() {
  RegisterTelescopeDriverClasses();
  SetTelescopeClientHooks({[](const char* text) { WriteTelescopeLog(text); },
                           [](const char* text) { ::MessageBox(nullptr, text, nullptr, MB_OK | MB_ICONERROR); }});
  MapCommand(ID_TELESCOPE_CONFIGURATION, [this]() { OnTelescopeConfiguration(); });
  MapCommand(ID_TELESCOPE_OPEN, [this]() { OnTelescopeOpenConnection(); });
  MapCommand(ID_TELESCOPE_CLOSE, [this]() { OnTelescopeCloseConnection(); });
  MapCommand(ID_START_GPS, [this]() { OnStartGps(); });
  MapCommand(ID_STOP_GPS, [this]() { OnStopGps(); });
  for (UINT id : {ID_TELESCOPE_CONFIGURATION, ID_TELESCOPE_OPEN, ID_TELESCOPE_CLOSE, ID_START_GPS, ID_STOP_GPS})
    MapUpdateCommandUI(id, [this](CCmdUI* ui) { ui->Enable(m_planetariumMode); });
}

void CNuvarine2View::OnTelescopeConfiguration() {
  if (!m_planetariumMode) return;
  ChoisirTypeTelescope type;
  type.m_useLx200 = m_useLx200Driver;
  if (RunDialog(type) != IDOK) return;
  m_useLx200Driver = type.m_useLx200;
  if (!m_useLx200Driver) {
    ChooseTelescopeDriver();
    return;
  }
  ConfigSerie serial;
  serial.m_portName = g_telescopePort;
  serial.m_speedText = CString(std::to_string(g_telescopeBaudRate));
  serial.m_stopBitsText = CString(std::to_string(g_telescopeStopBits));
  serial.m_dataBitsText = CString(std::to_string(g_telescopeDataBits));
  serial.m_parity = g_telescopeParity;
  if (RunDialog(serial) != IDOK) return;
  g_telescopePort = serial.m_portName;
  g_telescopeParity = NormaliseParityLetter(serial.m_parity);
  // A text that is not a number gives 0 (the connection then fails plainly).
  g_telescopeBaudRate = AtoiC(serial.m_speedText.c_str());
  g_telescopeStopBits = AtoiC(serial.m_stopBitsText.c_str());
  g_telescopeDataBits = AtoiC(serial.m_dataBitsText.c_str());
}

void CNuvarine2View::OnTelescopeOpenConnection() {
  if (!m_planetariumMode || m_telescopeConnected) return;
  m_lastSlewRightAscension = m_lastSlewDeclination = -100.0;
  m_telescopeFollowTarget = false;
  m_lockedObject = -1;
  CString notice;
  AfxLoadString(IDS_TELESCOPE_INIT_NOTICE, notice);
  ::MessageBox(nullptr, notice.c_str(), "Nuvarine 2.0", MB_OK | MB_ICONINFORMATION);
  // The sky follows the computer clock while a telescope is connected.
  m_realTime = true;
  m_animationRunning = true;
  if (m_useLx200Driver) {
    ConnectLx200Telescope(this);
    if (m_pLx200Panel) m_pLx200Panel->ShowWindow(SW_SHOW);
    return;
  }
  if (ConnectTelescope() == -1) {
    g_telescopeDriverConnected = true;
    DisconnectTelescope();
    ::MessageBox(nullptr, "Error init telescope", "Nuvarine 2.0", MB_OK);
    return;
  }
  PutSiteLatitude(m_observerLatitude * 180.0 / kPi);
  PutSiteLongitude(-m_observerLongitude * 180.0 / kPi);
  PutSiteElevation(m_observerElevation);
  m_telescopeConnected = true;
}

void CNuvarine2View::OnTelescopeCloseConnection() {
  if (!m_useLx200Driver) {
    g_telescopeDriverConnected = true;
    DisconnectTelescope();
  }
  m_telescopeConnected = false;
  m_telescopeFollowTarget = false;
  m_lockedObject = -1;
}

// ---- GPS ---------------------------------------------------------------------------------------------------
void CNuvarine2View::OnStartGps() {
  GPS dialog;
  dialog.m_portNumber = m_gpsPort;
  dialog.m_portDevice = m_gpsDevice;
  dialog.m_baudRate = m_gpsBaudRate;
  dialog.m_dataBits = m_gpsDataBits;
  dialog.m_parity = m_gpsParity;
  dialog.m_stopBits = m_gpsStopBits;
  if (RunDialog(dialog) != IDOK) return;
  m_gpsPort = dialog.m_portNumber;
  m_gpsDevice = dialog.m_portDevice;
  m_gpsBaudRate = dialog.m_baudRate;
  m_gpsDataBits = dialog.m_dataBits;
  m_gpsParity = dialog.m_parity;
  m_gpsStopBits = dialog.m_stopBits;
  const char parity = m_gpsParity == 2 ? 'E' : m_gpsParity == 3 ? 'O' : 'N';
  m_gpsFixValid = 0;
  if (m_gpsSerialPort.m_isOpen) m_gpsSerialPort.Close();
  const CString device = m_gpsDevice.IsEmpty() ? CSerialPort::DeviceName(m_gpsPort) : m_gpsDevice;
  if (m_gpsSerialPort.Open(device, m_gpsBaudRate, parity, m_gpsDataBits, m_gpsStopBits)) {
    m_gpsActive = 1;
  } else {
    const CString speed = CSerialPort::UnsupportedBaudRateText(m_gpsBaudRate);
    ::MessageBox(nullptr,
                 speed.IsEmpty() ? "Error, impossible to open serial port."
                                 : ("Error, impossible to open serial port.\r\n\r\n" + speed).c_str(),
                 "Nuvarine 2", MB_OK);
    m_gpsActive = 0;
  }
}

void CNuvarine2View::OnStopGps() {
  m_gpsActive = 0;
  m_gpsFixValid = 0;
  if (m_gpsSerialPort.m_isOpen) m_gpsSerialPort.Close();
}

void CNuvarine2View::PollGpsReceiver() {
  GpsPlace place{m_observerLatitude, m_observerLongitude, m_observerElevation};
  switch (m_gpsReader.Poll(m_gpsSerialPort, place)) {
    case GpsPollResult::Nothing:
      break;
    case GpsPollResult::Fix:
      m_observerLatitude = place.latitude;
      m_observerLongitude = place.westLongitude;
      m_observerElevation = place.elevation;
      m_sinLatitude = std::sin(m_observerLatitude);
      m_cosLatitude = std::cos(m_observerLatitude);
      m_gpsFixValid = 1;
      UpdateSkyPositions();
      break;
    case GpsPollResult::NoFix:
      m_gpsFixValid = 0;
      break;
    case GpsPollResult::GaveUp:
      ::MessageBox(nullptr, "Impossible to connect to GPS", "Nuvarine 2", MB_OK);
      m_gpsFixValid = 0;
      m_gpsActive = 0;
      m_gpsSerialPort.Close();
      break;
  }
}
