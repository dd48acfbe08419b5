#pragma once
// The start-up splash window and the loading window: a picture and one
// status line each, written by the main view while it cannot draw frames.
#include "Dialog.h"

class CSplashDialog : public CDialog {
 public:
  enum { IDD = 226 };
  CSplashDialog() : CDialog(IDD, nullptr) {}
  void DoDataExchange(CDataExchange* pDX) override;
  CString m_statusText;
};

class ChargementDialog : public CDialog {
 public:
  enum { IDD = 250 };
  ChargementDialog() : CDialog(IDD, nullptr) {}
  void DoDataExchange(CDataExchange* pDX) override;
  CString m_statusText;
};
