#pragma once
// The sky-survey settings dialog and the country choice of the satellite-pass
// pages.
#include "Dialog.h"
#include "WebPages.h"

// "DSS (Digitized Sky Survey) dynamic function...": the server, image type
// and option of the survey tiles and the switch of the whole function.
class CDssDialog : public CDialog {
 public:
  enum { IDD = 289 };
  CDssDialog();
  BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnServerChanged();
  void OnClearCache();
  void OnHelp();

  int m_server = 3;     // 1 to 3
  int m_imageType = 1;  // 1 or 2 (server 1 only)
  int m_option = 1;     // 1 normal, 2 inverted, 3 false colour (server 3 only)
  bool m_enabled = false;
  CString m_installFolder;
  int m_enabledCheck = 0;

 private:
  // Fills the image-type and option lists for m_server.
  void FillTypeAndOptionLists();
};

// "Visibility of artificial satellites...": the country of observation, which
// gives the pass site its time-zone code.
class ChoisirPays : public CDialog {
 public:
  enum { IDD = 291 };
  ChoisirPays();
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnHelp();

  CString m_countryNames[kCountryCount];
  CString m_selectedCountry;
};

// Texts of the survey dialog, shared with its tests.
extern const char* const kTextQuickV;             // 552
extern const char* const kTextDss2Plates;         // 553
extern const char* const kTextNormalPictures;     // 554
extern const char* const kTextInvertedPictures;   // 555
extern const char* const kTextFalseColour;        // 556
extern const char* const kTextCleaningCompleted;  // 1060
