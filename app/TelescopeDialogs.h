#pragma once
// The telescope's and the GPS receiver's small configuration dialogs.
#include "Dialog.h"

// "Select your scope": the built-in LX200 driver or a driver object.
class ChoisirTypeTelescope : public CDialog {
 public:
  enum { IDD = 360 };
  ChoisirTypeTelescope() : CDialog(IDD, nullptr) {}
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  // Clicking one box of the pair sets it and clears the other.
  void OnChoose(bool lx200);

  int m_lx200Check = 0;  // control 1030
  int m_ascomCheck = 0;  // control 1031
  bool m_useLx200 = true;
};

// "Serial port configuration" of the LX200 line; every list takes typed text.
class ConfigSerie : public CDialog {
 public:
  enum { IDD = 361 };
  ConfigSerie() : CDialog(IDD, nullptr) {}
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  void OnDefaults();

  CString m_portName;
  CString m_speedText;
  CString m_stopBitsText;
  CString m_dataBitsText;
  char m_parity = 'N';

 private:
  CString m_parityText;
};

// The GPS receiver's line: dialog 315.
class GPS : public CDialog {
 public:
  enum { IDD = 315 };
  GPS() : CDialog(IDD, nullptr) {}
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  void OnDefaults();

  CString m_portName = "COM1";
  int m_speedIndex = 3;
  int m_dataBitsIndex = 4;
  CString m_parityText = "N";
  int m_stopBitsIndex = 0;
  // Exchanged with the caller: the device typed or picked by its path
  // (empty for a COM port), else the COM port's number.
  CString m_portDevice;
  int m_portNumber = 1;
  int m_baudRate = 9600;
  int m_dataBits = 8;
  int m_parity = 1;
  int m_stopBits = 1;
};

// What the LX200 serial dialog stores: 'I' becomes 'O', 'P' becomes 'E'.
char NormaliseParityLetter(char letter);
