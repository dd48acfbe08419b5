#include "InfoDialogs.h"

#include "Resource.h"
#include "UiDefs.h"

namespace {

constexpr int kCenterButton = 1007;
constexpr int kFollowButton = 1063;
constexpr int kPrintButton = 1066;
constexpr int kHelpButton = 1065;
constexpr int kRichEdit = 1123;
constexpr int kBanner2D = 1042;
constexpr int kBanner3D = 1041;
constexpr int kNoteEdit = 1019;

void ShowBanner(CWnd* dialog, int control, int kind, std::unique_ptr<CBitmap>& banner) {
  banner = std::make_unique<CBitmap>();
  const UINT id = BannerBitmapOfKind(kind);
  if (!id || !banner->LoadBitmap(id)) {
    AfxSetDlgItemBitmap(dialog, control, 0);
    return;
  }
  AfxSetDlgItemBitmap(dialog, control, id);
}

CString Replaced(CString text, const char* from, const char* to) {
  text.Replace(from, to);
  return text;
}

}  // namespace

UINT BannerBitmapOfKind(int kind) {
  static const UINT kBanners[] = {IDB_BANNER_STAR,     IDB_BANNER_DEEP_SKY, IDB_BANNER_PLANET,
                                  IDB_BANNER_MOON,     IDB_BANNER_SUN,      IDB_BANNER_COMET,
                                  IDB_BANNER_ASTEROID, IDB_BANNER_WORK_UNIT, IDB_BANNER_SPACECRAFT};
  return kind >= 0 && kind <= 8 ? kBanners[kind] : 0;
}

int InfoDialogFontPoints(int pixelsPerInchY) { return pixelsPerInchY == 96 ? 8 : 10; }

INT_PTR CObjectInfoDialog::DoModal() {
  SetTemplateFont(InfoDialogFontPoints(AfxScreenPixelsPerInchY()));
  return CDialog::DoModal();
}

INT_PTR CObjectInfoDialog3D::DoModal() {
  SetTemplateFont(InfoDialogFontPoints(AfxScreenPixelsPerInchY()));
  return CDialog::DoModal();
}

// ---- Planetarium mode -----------------------------------------------------------------

CObjectInfoDialog::CObjectInfoDialog() : CDialog(IDD_OBJECT_INFO) {
  MapCommand(kCenterButton, [this] { OnCenter(); });
  MapCommand(kFollowButton, [this] { OnFollow(); });
  MapCommand(kPrintButton, [this] { m_richText.Print(true); });
  MapCommand(kHelpButton, [this] { OnCmdMsg(ID_HELP, nullptr); });
}

CObjectInfoDialog::~CObjectInfoDialog() = default;

void CObjectInfoDialog::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, kRichEdit, m_richText); }

BOOL CObjectInfoDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  ShowBanner(this, kBanner2D, m_objectKind, m_pBanner);
  m_center = false;
  m_follow = false;
  // The text is loaded once: reloading it at each repaint would throw the
  // reader back to its beginning.
  m_richText.SetRtf(m_rtfText);
  m_richText.HideCaret();
  UpdateData(FALSE);
  return TRUE;
}

void CObjectInfoDialog::OnCenter() {
  if (m_belowHorizon) {
    MessageBox(AfxString(590).GetString(), "Nuvarine 2.0", MB_OK);
    return;
  }
  m_center = true;
  OnOK();
}

void CObjectInfoDialog::OnFollow() {
  if (m_belowHorizon) {
    MessageBox(AfxString(591).GetString(), "Nuvarine 2.0", MB_OK);
    return;
  }
  m_follow = true;
  OnOK();
}

void CObjectInfoDialog::OnOK() {
  m_pBanner.reset();
  CDialog::OnOK();
}

// ---- Solar-system mode --------------------------------------------------------------------

CObjectInfoDialog3D::CObjectInfoDialog3D() : CDialog(IDD_OBJECT_INFO_3D) {
  MapCommand(kCenterButton, [this] {
    m_lock = true;
    OnOK();
  });
  MapCommand(kPrintButton, [this] { m_richText.Print(true); });
  MapCommand(kHelpButton, [this] { OnCmdMsg(ID_HELP, nullptr); });
}

CObjectInfoDialog3D::~CObjectInfoDialog3D() = default;

void CObjectInfoDialog3D::DoDataExchange(CDataExchange* pDX) { DDX_Control(pDX, kRichEdit, m_richText); }

BOOL CObjectInfoDialog3D::OnInitDialog() {
  CDialog::OnInitDialog();
  ShowBanner(this, kBanner3D, m_objectKind, m_pBanner);
  // Stars, deep-sky objects and the work unit have no place to fly to.
  if (m_objectKind == OBJECT_STAR || m_objectKind == OBJECT_DEEP_SKY || m_objectKind == OBJECT_SETI_WORK_UNIT)
    if (CWnd* lock = GetDlgItem(kCenterButton)) lock->EnableWindow(FALSE);
  m_lock = false;
  m_richText.SetRtf(m_rtfText);
  m_richText.HideCaret();
  UpdateData(FALSE);
  return TRUE;
}

void CObjectInfoDialog3D::OnOK() {
  m_pBanner.reset();
  CDialog::OnOK();
}

// ---- Notes ----------------------------------------------------------------------------------

Notes::Notes() : CDialog(IDD_NOTES) {}

void Notes::DoDataExchange(CDataExchange* pDX) { DDX_Text(pDX, kNoteEdit, m_editText); }

BOOL Notes::OnInitDialog() {
  CDialog::OnInitDialog();
  if (CWnd* hidden = GetDlgItem(1007)) hidden->ShowWindow(SW_HIDE);
  // The edit control separates lines with LF alone.
  m_editText = Replaced(m_text, "\r\n", "\n");
  UpdateData(FALSE);
  return TRUE;
}

void Notes::OnOK() {
  if (!UpdateData(TRUE)) return;
  m_text = Replaced(Replaced(m_editText, "\r\n", "\n"), "\n", "\r\n");
  EndDialog(IDOK);
}
