#pragma once
// The About box: the program's picture and, beside it, the credits scrolling
// upwards line by line.
#include <vector>

#include "Dialog.h"

// A text that scrolls upwards line by line, without end. The last character
// of a line gives its kind: type A, B or C headings (bold, in their own
// height and colour; the code itself is not drawn), a picture line (the rest
// of the line names a bitmap resource), or a normal line drawn whole.
class CCreditsStatic : public CStatic {
 public:
  static constexpr UINT kScrollTimer = 150;
  CCreditsStatic();
  ~CCreditsStatic() override;

  // 0 background; 1 to 4 text of types A, B, C and normal lines.
  void SetColor(int index, COLORREF color);
  // Pixel heights of types A, B, C and normal lines (0 to 3).
  void SetFontHeight(int index, int height);
  // Last characters marking types A, B, C and picture lines (0 to 3).
  void SetTypeCode(int index, char code);
  // Speed level 0 to 2; a non-zero interval replaces that level's milliseconds.
  void SetSpeed(int level, int intervalMs = 0);
  // 0 solid background, 1 to 4 gradients from left to right.
  void SetGradient(int mode);
  // Picture lines drawn with their light-grey pixels transparent.
  void SetTransparent(bool transparent);
  // A picture tiled behind the text; FALSE when it cannot be loaded.
  BOOL SetBackgroundBitmap(UINT bitmapId);
  // The lines, split at every separator; the scrolling starts again from the first.
  void SetCredits(const CString& text, char separator);
  void SetCreditsFromResource(UINT stringId, char separator);
  // FALSE when there are no lines; otherwise the scrolling timer runs.
  BOOL StartScrolling();
  void StopScrolling();

  bool IsScrolling() const { return m_timer != 0; }
  // Milliseconds per step at the current speed.
  int TickInterval() const { return m_tickIntervals[m_speed]; }
  const CString& CurrentLine() const { return m_currentLine; }
  int LineHeight() const { return m_lineHeight; }
  int Scrolled() const { return m_scrolled; }
  bool FirstPass() const { return m_firstPass; }
  size_t LineCount() const { return m_lines.size(); }
  // The control's picture after the last step or paint.
  const CBitmap& Picture() const { return m_offscreen; }

  void OnTimer(UINT_PTR id) override;
  BOOL OnEraseBkgnd(CDC* pDC) override;
  void OnPaint() override;
  void OnDestroy() override;

 private:
  enum class Kind { A, B, C, Picture, Normal };
  struct Style {
    Kind kind;
    CString text;  // without the type code; the bitmap name of a picture line
    int height;
    COLORREF color;
    bool bold;
  };
  Style StyleOf(const CString& line) const;
  void ResetScrolling();
  void Step();
  // The background over the rows [top, bottom) of a picture `width` wide.
  void FillBackground(CDC& dc, int width, int top, int bottom) const;
  void DrawLine(CDC& dc, const Style& style, int width, int top);
  void DrawStill(int width, int height);
  void CopyToScreen(CDC& dc, int width, int height) const;

  COLORREF m_colors[5];
  int m_fontHeights[4];
  char m_typeCodes[4];
  int m_tickIntervals[3];
  int m_speed = 1;
  std::vector<CString> m_lines;
  CString m_currentLine;
  int m_stepCounter = 1;
  size_t m_nextLine = 0;
  int m_scrolled = 0;
  int m_step = -1;
  int m_lineHeight = 15;
  CBitmap m_picture;
  int m_pictureWidth = 0;
  int m_pictureHeight = 0;
  bool m_pictureInProgress = false;
  CBitmap m_background;
  int m_backgroundWidth = 0;
  int m_backgroundHeight = 0;
  int m_gradient = 0;
  bool m_transparent = false;
  int m_textWidth = 0;
  int m_timer = 0;
  bool m_firstPass = true;
  CBitmap m_offscreen;
};

class CAboutDialog : public CDialog {
 public:
  static constexpr UINT IDD = 100;
  explicit CAboutDialog(CWnd* parent = nullptr);

  bool m_english = true;      // the interface language (the credits exist in English only)
  bool m_textVariant = false;  // a second choice of text; false from the menu
  CString m_version;
  CString m_privateBuild;
  CString m_specialBuild;
  CCreditsStatic m_credits;

  // Our credits: version, data sources and libraries, lines separated by '|'.
  static CString CreditsText(const CString& version, const CString& privateBuild, const CString& specialBuild);

  // Runs the dialog in 10 points on a screen of 120 pixels per inch, 8 on any other.
  INT_PTR DoModal() override;
  BOOL OnInitDialog() override;
};
