#pragma once
// The modeless add-a-picture window: the user picks a JPEG file and adjusts
// its scale, position correction and rotation; the buttons only raise flags
// that the view's frame update polls.
#include "Dialog.h"

class AjouterImage : public CDialog {
 public:
  enum { IDD = 238 };
  AjouterImage() : CDialog(IDD, nullptr) {}

  // Copies the stored values into the edited ones, clears the button flags,
  // marks the picture as changed and shows the values.
  void LoadEditFields();
  void DoDataExchange(CDataExchange* pDX) override;
  // Closing the window counts as Cancel: the view hides it and ends the placement.
  void OnCancel() override;
  void OnOK() override;

  void OnPathChanged();
  void OnBrowse();
  void OnScaleStep(int delta);
  void OnRaCorrectionStep(int delta);
  void OnDecCorrectionStep(int delta);
  void OnRotationStep(int delta);
  BOOL OnInitDialog() override;

  bool m_okPressed = false;
  bool m_cancelPressed = false;
  CString m_currentPath;
  float m_scale = 1.0f;
  float m_raCorrection = 0.0f;
  float m_decCorrection = 0.0f;
  float m_rotation = 0.0f;
  int m_pictureChanged = 0;
  CString m_path;
  float m_editScale = 1.0f;
  float m_editRaCorrection = 0.0f;
  float m_editDecCorrection = 0.0f;
  float m_editRotation = 0.0f;

 private:
  void MapHandlers();
  bool m_mapped = false;
};
