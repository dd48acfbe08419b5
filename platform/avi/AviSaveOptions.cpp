// The save-options dialog of a movie: "Full frames (uncompressed)" or
// "Motion JPEG" with a quality. Cancel records nothing.
#include <algorithm>
#include <functional>

#include "AviFile.h"
#include "AviSaveOptions.h"
#include "Dialog.h"
#include "NumberFormat.h"
#include "UiDefs.h"

namespace {

constexpr UINT kTemplateId = 29301;
constexpr int kFullFrames = 1001, kMotionJpeg = 1002, kQuality = 1003;

const DialogControl kControls[] = {
    {ControlKind::GroupBox, -1, "Compressor", 0, 7, 7, 186, 58},
    {ControlKind::RadioButton, kFullFrames, "Full frames (uncompressed)", WS_GROUP | WS_TABSTOP, 14, 19, 170, 10},
    {ControlKind::RadioButton, kMotionJpeg, "Motion JPEG", 0, 14, 32, 80, 10},
    {ControlKind::Static, -1, "Quality:", 0, 100, 33, 34, 8},
    {ControlKind::Edit, kQuality, "", ES_NUMBER | WS_TABSTOP, 136, 31, 30, 12},
    {ControlKind::DefPushButton, IDOK, "OK", WS_TABSTOP, 86, 72, 50, 14},
    {ControlKind::PushButton, IDCANCEL, "Cancel", WS_TABSTOP, 143, 72, 50, 14},
};
const DialogTemplate kTemplate = {kTemplateId, "Video Compression", WS_CAPTION | DS_CENTER | DS_MODALFRAME,
                                  0, 0, 200, 93, kControls, sizeof kControls / sizeof kControls[0]};

std::function<BOOL(AVICOMPRESSOPTIONS&)> g_handler;

class CAviSaveOptionsDialog : public CDialog {
 public:
  explicit CAviSaveOptionsDialog(AVICOMPRESSOPTIONS& options) : CDialog(kTemplateId), m_options(options) {}
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    CheckDlgButton(m_options.fccHandler == kAviHandlerMotionJpeg ? kMotionJpeg : kFullFrames, 1);
    CheckDlgButton(m_options.fccHandler == kAviHandlerMotionJpeg ? kFullFrames : kMotionJpeg, 0);
    m_quality = static_cast<int>(m_options.dwQuality ? m_options.dwQuality : 75);
    UpdateData(FALSE);
    return TRUE;
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, kQuality, m_quality);
    DDV_MinMaxInt(pDX, m_quality, 1, 100);
  }
  void OnOK() override {
    if (!UpdateData(TRUE)) return;
    m_options.fccType = streamtypeVIDEO;
    m_options.fccHandler = IsDlgButtonChecked(kMotionJpeg) ? kAviHandlerMotionJpeg : kAviHandlerFullFrames;
    m_options.dwQuality = static_cast<DWORD>(m_quality);
    EndDialog(IDOK);
  }

 private:
  AVICOMPRESSOPTIONS& m_options;
  int m_quality = 75;
};

}  // namespace

void SetAviSaveOptionsHandler(std::function<BOOL(AVICOMPRESSOPTIONS& options)> handler) {
  g_handler = std::move(handler);
}

BOOL AVISaveOptions(HWND, UINT, int streams, PAVISTREAM*, AVICOMPRESSOPTIONS** options) {
  if (streams != 1 || !options || !options[0]) return FALSE;
  AVICOMPRESSOPTIONS& chosen = *options[0];
  if (!chosen.dwQuality) chosen.dwQuality = 75;
  if (g_handler) return g_handler(chosen);
  if (!AfxFindDialog(kTemplateId)) AfxRegisterDialogs(&kTemplate, 1);
  CAviSaveOptionsDialog dialog(chosen);
  return dialog.DoModal() == IDOK ? TRUE : FALSE;
}
