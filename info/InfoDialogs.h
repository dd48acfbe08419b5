#pragma once
// The information dialogs (planetarium mode with Center and Follow,
// solar-system mode with Lock) and the notes dialog. The caller sets the
// members, runs DoModal and performs the chosen action itself.
#include <memory>

#include "Dialog.h"
#include "RichTextCtrl.h"

enum ObjectKind {
  OBJECT_STAR = 0,
  OBJECT_DEEP_SKY = 1,
  OBJECT_PLANET = 2,
  OBJECT_MOON = 3,
  OBJECT_SUN = 4,
  OBJECT_COMET = 5,
  OBJECT_ASTEROID = 6,
  OBJECT_SETI_WORK_UNIT = 7,
  OBJECT_SPACECRAFT = 8,
};

// The banner picture of a kind; 0 (no picture) outside 0..8.
UINT BannerBitmapOfKind(int kind);

// The information dialogs' font: 8 points on a screen of exactly 96 pixels
// per inch, 10 points on any other.
int InfoDialogFontPoints(int pixelsPerInchY);

class CObjectInfoDialog : public CDialog {
 public:
  CObjectInfoDialog();
  ~CObjectInfoDialog() override;

  // Runs the dialog in the information font of the screen.
  INT_PTR DoModal() override;

  CString m_rtfText;
  bool m_center = false;
  bool m_follow = false;
  bool m_belowHorizon = false;
  int m_objectKind = OBJECT_STAR;
  std::unique_ptr<CBitmap> m_pBanner;
  CRichTextCtrl m_richText;

  BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(CDataExchange* pDX) override;

 private:
  void OnCenter();
  void OnFollow();
};

class CObjectInfoDialog3D : public CDialog {
 public:
  CObjectInfoDialog3D();
  ~CObjectInfoDialog3D() override;

  // Runs the dialog in the information font of the screen.
  INT_PTR DoModal() override;

  CString m_rtfText;
  bool m_lock = false;
  int m_objectKind = OBJECT_PLANET;
  std::unique_ptr<CBitmap> m_pBanner;
  CRichTextCtrl m_richText;

  BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(CDataExchange* pDX) override;
};

// "Add a note...": m_text in, m_text out after OK (line breaks CR LF).
class Notes : public CDialog {
 public:
  Notes();
  CString m_text;
  CString m_editText;

  BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(CDataExchange* pDX) override;
};
