#pragma once
// The eyepiece and camera field dialog and its three small editing dialogs.
#include "Dialog.h"
#include "Optics.h"

// The selected row, shared by the three lists; -1 when none.
extern int g_selectedOpticsItem;

class CEyepieceFieldDialog : public CDialog {
 public:
  explicit CEyepieceFieldDialog(CWnd* parent = nullptr) : CDialog(281, parent) {}
  float m_eyepieceFocal = 0.0f, m_telescopeFocal = 0.0f, m_apparentField = 0.0f;
  CString m_description;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
};

class CCD : public CDialog {
 public:
  explicit CCD(CWnd* parent = nullptr) : CDialog(334, parent) {}
  CString m_description;
  float m_width = 0.0f, m_height = 0.0f;
  float m_mountType = 0.0f;
  bool m_modify = false;  // opened by "Modify": the mount box starts from m_mountType
  CString m_mountText;
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  void OnOK() override;
};

class Autres : public CDialog {
 public:
  explicit Autres(CWnd* parent = nullptr) : CDialog(342, parent) {}
  CString m_description;
  float m_diameter = 0.0f;
  void DoDataExchange(CDataExchange* pDX) override;
};

class SelectOculaires : public CDialog {
 public:
  explicit SelectOculaires(CWnd* parent = nullptr) : CDialog(332, parent) {}
  OpticsLists m_lists;
  int m_currentTab = 0;
  float m_fieldOfView = 0.0f, m_magnification = 0.0f;
  float m_ccdWidth = 0.0f, m_ccdHeight = 0.0f, m_ccdMountType = 0.0f;

  BOOL OnInitDialog() override;
  void OnOK() override;  // "Select"

 private:
  void Refill();
  void OnTabChange();
  void OnAdd();
  void OnModify();
  void OnDelete();
  void OnErase();
  int ListId() const;
  bool m_refilling = false;
};
