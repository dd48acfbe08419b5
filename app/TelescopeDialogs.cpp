#include "TelescopeDialogs.h"

#include <string>

#include "Gps.h"
#include "SerialPort.h"


namespace {

constexpr int IDC_USE_LX200 = 1030;
constexpr int IDC_USE_DRIVER = 1031;
constexpr int IDC_PORT = 1023;
constexpr int IDC_SPEED = 1024;
constexpr int IDC_DATA_BITS = 1025;
constexpr int IDC_PARITY = 1082;
constexpr int IDC_STOP_BITS = 1087;
constexpr int IDC_DEFAULTS = 1007;

// The speeds a Linux serial line can be set to (there is no 14400).
const char* const kSpeeds[] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};

// The port list: the serial devices present by their paths, then the COM
// ports by their designed names; any other device can be typed.
void FillLists(CWnd* dialog, int ports) {
  for (const std::string& device : CSerialPort::PresentDevices()) AfxAddComboString(dialog, IDC_PORT, device.c_str());
  for (int i = 1; i <= ports; ++i) AfxAddComboString(dialog, IDC_PORT, ("COM" + std::to_string(i)).c_str());
  for (const char* speed : kSpeeds) AfxAddComboString(dialog, IDC_SPEED, speed);
  for (const char* bits : {"4", "5", "6", "7", "8"}) AfxAddComboString(dialog, IDC_DATA_BITS, bits);
  for (const char* parity : {"N", "E", "O"}) AfxAddComboString(dialog, IDC_PARITY, parity);
  for (const char* stop : {"1", "2"}) AfxAddComboString(dialog, IDC_STOP_BITS, stop);
}

}  // namespace

char NormaliseParityLetter(char letter) {
  if (letter == 'I') return 'O';
  if (letter == 'P') return 'E';
  return letter;
}

// ---- Select your scope -------------------------------------------------------------------
BOOL ChoisirTypeTelescope::OnInitDialog() {
  MapCommand(IDC_USE_LX200, [this]() { OnChoose(true); });
  MapCommand(IDC_USE_DRIVER, [this]() { OnChoose(false); });
  m_lx200Check = m_useLx200 ? 1 : 0;
  m_ascomCheck = m_useLx200 ? 0 : 1;
  UpdateData(FALSE);
  return TRUE;
}

void ChoisirTypeTelescope::DoDataExchange(CDataExchange* pDX) {
  DDX_Check(pDX, IDC_USE_LX200, m_lx200Check);
  DDX_Check(pDX, IDC_USE_DRIVER, m_ascomCheck);
}

void ChoisirTypeTelescope::OnChoose(bool lx200) {
  m_lx200Check = lx200 ? 1 : 0;
  m_ascomCheck = lx200 ? 0 : 1;
  UpdateData(FALSE);
}

void ChoisirTypeTelescope::OnOK() {
  if (!UpdateData(TRUE)) return;
  m_useLx200 = m_lx200Check != 0;
  EndDialog(IDOK);
}

// ---- Serial port configuration -----------------------------------------------------------
BOOL ConfigSerie::OnInitDialog() {
  MapCommand(IDC_DEFAULTS, [this]() { OnDefaults(); });
  FillLists(this, 4);
  m_parityText = CString(std::string(1, m_parity));
  UpdateData(FALSE);
  return TRUE;
}

void ConfigSerie::DoDataExchange(CDataExchange* pDX) {
  DDX_CBString(pDX, IDC_STOP_BITS, m_stopBitsText);
  DDX_CBString(pDX, IDC_PARITY, m_parityText);
  DDX_CBString(pDX, IDC_DATA_BITS, m_dataBitsText);
  DDX_CBString(pDX, IDC_SPEED, m_speedText);
  DDX_CBString(pDX, IDC_PORT, m_portName);
}

void ConfigSerie::OnDefaults() {
  m_portName = "COM1";
  m_speedText = "9600";
  m_dataBitsText = "8";
  m_stopBitsText = "1";
  m_parityText = "N";
  UpdateData(FALSE);
}

void ConfigSerie::OnOK() {
  if (!UpdateData(TRUE)) return;
  if (!m_parityText.empty()) m_parity = m_parityText[0];
  EndDialog(IDOK);
}

// ---- GPS ------------------------------------------------------------------------------------------
BOOL GPS::OnInitDialog() {
  MapCommand(IDC_DEFAULTS, [this]() { OnDefaults(); });
  FillLists(this, 20);
  if (!m_portDevice.IsEmpty())
    m_portName = m_portDevice;
  else
    m_portName = m_portNumber >= 1 && m_portNumber <= 20 ? CString("COM" + std::to_string(m_portNumber)) : CString("COM1");
  m_speedIndex = GpsSpeedIndexFromBaudRate(m_baudRate);
  m_dataBitsIndex = m_dataBits >= 4 && m_dataBits <= 7 ? m_dataBits - 4 : 4;
  m_stopBitsIndex = m_stopBits == 2 ? 1 : 0;
  if (m_parity == 1) m_parityText = "N";
  if (m_parity == 2) m_parityText = "E";
  if (m_parity == 3) m_parityText = "O";
  UpdateData(FALSE);
  return TRUE;
}

void GPS::DoDataExchange(CDataExchange* pDX) {
  DDX_CBString(pDX, IDC_PORT, m_portName);
  DDX_CBIndex(pDX, IDC_SPEED, m_speedIndex);
  DDX_CBIndex(pDX, IDC_DATA_BITS, m_dataBitsIndex);
  DDX_CBString(pDX, IDC_PARITY, m_parityText);
  DDX_CBIndex(pDX, IDC_STOP_BITS, m_stopBitsIndex);
}

void GPS::OnDefaults() {
  m_portName = "COM1";
  m_speedIndex = 3;
  m_dataBitsIndex = 4;
  m_stopBitsIndex = 0;
  m_parityText = "N";
  UpdateData(FALSE);
}

void GPS::OnOK() {
  if (!UpdateData(TRUE)) return;
  m_baudRate = GpsBaudRateFromSpeedIndex(m_speedIndex);
  m_dataBits = m_dataBitsIndex >= 0 && m_dataBitsIndex <= 3 ? 4 + m_dataBitsIndex : 8;
  m_stopBits = m_stopBitsIndex == 1 ? 2 : 1;
  if (CSerialPort::IsDeviceName(m_portName)) {
    m_portDevice = m_portName;
    m_portDevice.Trim();
  } else {
    m_portDevice = "";
    m_portNumber = GpsPortNumberFromText(m_portName, m_portNumber);
  }
  m_parity = GpsParityCodeFromText(m_parityText, m_parity);
  EndDialog(IDOK);
}
