#include "AjouterImage.h"

namespace {

constexpr int IDC_PATH = 1020;
constexpr int IDC_BROWSE = 1007;
constexpr int IDC_SCALE = 1025;
constexpr int IDC_SCALE_SPIN = 1026;
constexpr int IDC_RA_CORRECTION = 1022;
constexpr int IDC_RA_SPIN = 1027;
constexpr int IDC_DEC_CORRECTION = 1040;
constexpr int IDC_DEC_SPIN = 1028;
constexpr int IDC_ROTATION = 1023;
constexpr int IDC_ROTATION_SPIN = 1029;
constexpr int IDC_PICTURE_OK = 1063;
constexpr int IDC_PICTURE_CANCEL = 1065;

}  // namespace

void AjouterImage::MapHandlers() {
  if (m_mapped) return;
  m_mapped = true;
  MapNotify(IDC_PATH, EN_CHANGE, [this](int) { OnPathChanged(); });
  MapCommand(IDC_BROWSE, [this]() { OnBrowse(); });
  MapNotify(IDC_SCALE_SPIN, UDN_DELTAPOS, [this](int d) { OnScaleStep(d); });
  MapNotify(IDC_RA_SPIN, UDN_DELTAPOS, [this](int d) { OnRaCorrectionStep(d); });
  MapNotify(IDC_DEC_SPIN, UDN_DELTAPOS, [this](int d) { OnDecCorrectionStep(d); });
  MapNotify(IDC_ROTATION_SPIN, UDN_DELTAPOS, [this](int d) { OnRotationStep(d); });
  MapCommand(IDC_PICTURE_OK, [this]() { m_okPressed = true; });
  MapCommand(IDC_PICTURE_CANCEL, [this]() { m_cancelPressed = true; });
}

BOOL AjouterImage::OnInitDialog() {
  MapHandlers();
  return CDialog::OnInitDialog();
}

void AjouterImage::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_PATH, m_path);
  DDX_Text(pDX, IDC_SCALE, m_editScale);
  DDX_Text(pDX, IDC_RA_CORRECTION, m_editRaCorrection);
  DDX_Text(pDX, IDC_DEC_CORRECTION, m_editDecCorrection);
  DDX_Text(pDX, IDC_ROTATION, m_editRotation);
}

void AjouterImage::LoadEditFields() {
  m_path = m_currentPath;
  m_editScale = m_scale;
  m_editRaCorrection = m_raCorrection;
  m_editDecCorrection = m_decCorrection;
  m_editRotation = m_rotation;
  m_okPressed = false;
  m_cancelPressed = false;
  m_pictureChanged = 1;
  UpdateData(FALSE);
}

void AjouterImage::OnCancel() { m_cancelPressed = true; }
void AjouterImage::OnOK() {}

void AjouterImage::OnPathChanged() {
  UpdateData(TRUE);
  m_pictureChanged = 1;
}

void AjouterImage::OnBrowse() {
  UpdateData(TRUE);
  CString chosen;
  if (!AfxChooseFile(TRUE, ".jpg", nullptr, "Fichier image n\xE9" "buleuses| *.jpg|", this, chosen)) return;
  // Picture files are named in either case ("M31.JPG" as cameras write it).
  CString lower = chosen;
  lower.MakeLower();
  if (lower.Find(".jpg") < 0) return;
  m_path = chosen;
  m_pictureChanged = 1;
  UpdateData(FALSE);
}

void AjouterImage::OnScaleStep(int delta) {
  if (delta == -1) m_editScale *= 1.01f;
  if (delta == 1) m_editScale *= 0.990099f;
  UpdateData(FALSE);
}

void AjouterImage::OnRaCorrectionStep(int delta) {
  if (delta == -1) m_editRaCorrection += 0.1f;
  if (delta == 1) m_editRaCorrection -= 0.1f;
  UpdateData(FALSE);
}

void AjouterImage::OnDecCorrectionStep(int delta) {
  if (delta == -1) m_editDecCorrection += 0.1f;
  if (delta == 1) m_editDecCorrection -= 0.1f;
  UpdateData(FALSE);
}

void AjouterImage::OnRotationStep(int delta) {
  if (delta == -1) m_editRotation += 1.0f;
  if (delta == 1) m_editRotation -= 1.0f;
  UpdateData(FALSE);
}
