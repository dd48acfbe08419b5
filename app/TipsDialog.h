#pragma once
// The box shown once per run after start-up: today's and tomorrow's events
// when there are any, else a tip of the day; its list lets the user switch
// the box off for later starts.
#include "Dialog.h"

// The text control of the box: an icon band on the left, a title over a
// separator and up to ten word-wrapped lines.
class CTipStatic : public CStatic {
 public:
  static constexpr int kLineCount = 10;
  // Longest line in characters, its last blank included.
  static constexpr int kLineCapacity = 100;

  CTipStatic();
  // Word-wraps the text into the lines and repaints.
  void SetText(const CString& text);
  void SetTitle(const CString& title);
  // 1 to 100 characters (larger values become 100, values below 1 are ignored).
  void SetMaxLineWidth(int width);
  void SetBandWidth(int width);
  void SetBandColor(COLORREF color);
  void SetBackgroundColor(COLORREF color);
  void SetIcon(UINT iconId);

  const CString& Line(int i) const { return m_lines[i]; }
  int GetLineCount() const { return m_lineCount; }
  const CString& GetTitle() const { return m_title; }

  BOOL OnEraseBkgnd(CDC* pDC) override;
  void OnPaint() override;

 private:
  CString m_title;
  int m_maxLineWidth = 50;
  int m_lineCount = 0;
  CString m_lines[kLineCount];
  UINT m_iconId = 128;
  CBitmap m_icon;
  int m_separatorThickness = 3;
  int m_separatorTop = 30;
  int m_bandWidth = 50;
  COLORREF m_bandColor = RGB(132, 130, 132);
  COLORREF m_backgroundColor = RGB(255, 255, 255);
};

class CTipsDialog : public CDialog {
 public:
  static constexpr UINT IDD = 102;
  static constexpr int kTipCount = 11;
  explicit CTipsDialog(CWnd* parent = nullptr);

  int m_choice = 0;       // the list's entry when the box was closed (1: never show)
  CString m_text;         // the alert text; empty for a tip
  int m_tipIndex = -1;    // the tip shown; with an alert "Next" starts at tip 0
  bool m_english = true;  // the interface language (the texts exist in English only)
  CTipStatic m_tipStatic;

  // Puts tip n (modulo 11) into the text control; a negative n shows nothing new.
  void ShowTip(int n);
  // Tip n modulo 11 (CP1252).
  static const char* TipText(int n);

  BOOL OnInitDialog() override;
  // "Next": the following tip.
  void OnOK() override;
  // "OK" and Escape: the list's choice is kept and the box closes.
  void OnCancel() override;
};
