#pragma once
// The driver chooser ("DriverHelper.Chooser"): lists the telescope drivers of
// INDI's driver list and the telescope devices a server at a given address
// offers, and returns the chosen ProgID (empty on Cancel).
#include <functional>
#include <string>

#include "Dialog.h"

class CTelescopeChooserDialog : public CDialog {
 public:
  enum { IDD = 5100 };
  CTelescopeChooserDialog() : CDialog(IDD, nullptr) {}
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
  // Adds the telescope devices the server at the typed address offers.
  void OnLookForDevices();

  std::string m_previous;  // the ProgID chosen before
  std::string m_chosen;    // the result
  CString m_address = "localhost:7624";
  int m_choice = 0;

 private:
  void Add(const std::string& label, const std::string& progId);
  std::vector<std::string> m_progIds;
};

// Registers the chooser class and the INDI driver classes (once). `run`
// shows the chooser: previous ProgID in, chosen ProgID out (empty: Cancel).
void RegisterTelescopeDriverClasses(std::function<std::string(const std::string& previous)> run = nullptr);
