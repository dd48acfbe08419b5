// The read-only rich-text control: content from RTF, and printing into PDF
// files checked with poppler's tools.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include "RichTextCtrl.h"
#include "RtfReader.h"

namespace fs = std::filesystem;

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "info_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

const char kHeader[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss MS Sans Serif;}"
    "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fswiss Arial;}}{\\colortbl\\red0\\green0\\blue0;}";

std::string Run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

bool HaveProgram(const char* name) { return Run(std::string("command -v ") + name).size() > 0; }

class RichTextCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    folder = fs::temp_directory_path() / ("nv_richtext_" + std::to_string(getpid()) + "_" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder);
    RECT r{0, 0, 400, 300};
    ASSERT_TRUE(control.Create(WS_VISIBLE, r, nullptr, 1123));
  }
  void TearDown() override {
    SetPrintDialogHandler(nullptr);
    fs::remove_all(folder);
  }
  // Prints into a PDF of the folder; returns its path.
  std::string PrintToPdf(const char* name) {
    const std::string path = (folder / name).string();
    SetPrintDialogHandler([path](CString& out) {
      out = path.c_str();
      return TRUE;
    });
    control.Print(true);
    return path;
  }
  fs::path folder;
  CRichTextCtrl control;
};

TEST_F(RichTextCtrlTest, ShowsTheTextWithItsCodePageCharacters) {
  control.SetRtf(std::string(kHeader) + "\\f2\\fs26 Ast\xE9rix\\par\\plain\\f2\\fs18    Angle = 12 \xB0\\par 5 \x80\\par\\par}");
  EXPECT_EQ(control.GetDocumentText(), "Ast\xC3\xA9rix\n   Angle = 12 \xC2\xB0\n5 \xE2\x82\xAC\n\n");
  control.SetRtf("");
  EXPECT_EQ(control.GetTextLength(), 0);
  EXPECT_EQ(control.GetDocumentText(), "");
}

TEST_F(RichTextCtrlTest, FormatsReachTheDocument) {
  control.SetRtf(std::string(kHeader) + "\\f2\\fs26 Big\\par\\plain\\f2\\fs24\\ul Head\\plain\\par\\f2\\fs18 small}");
  auto* edit = dynamic_cast<QTextEdit*>(control.GetWidget());
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(edit->isReadOnly());
  EXPECT_EQ(edit->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QTextBlock block = edit->document()->firstBlock();
  QTextCharFormat big = block.begin().fragment().charFormat();
  EXPECT_DOUBLE_EQ(big.fontPointSize(), 13.0);
  EXPECT_EQ(QFontInfo(big.font()).family(), "Liberation Sans");
  block = block.next();
  QTextCharFormat head = block.begin().fragment().charFormat();
  EXPECT_TRUE(head.fontUnderline());
  EXPECT_DOUBLE_EQ(head.fontPointSize(), 12.0);
}

struct Word {
  double xMin, yMin, xMax, yMax;
  std::string text;
};

// Words of each page, from pdftotext's bounding boxes (points).
std::vector<std::vector<Word>> PdfWords(const std::string& pdf) {
  std::vector<std::vector<Word>> pages;
  const std::string html = Run("pdftotext -bbox '" + pdf + "' -");
  std::istringstream in(html);
  std::string line;
  const std::regex word(R"re(xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)<)re");
  while (std::getline(in, line)) {
    if (line.find("<page") != std::string::npos) pages.emplace_back();
    std::smatch m;
    if (!pages.empty() && std::regex_search(line, m, word))
      pages.back().push_back({std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4]), m[5]});
  }
  return pages;
}

TEST_F(RichTextCtrlTest, PrintsOnePageInsideOneInchMargins) {
  ASSERT_TRUE(HaveProgram("pdftotext")) << "pdftotext is missing: install the Debian package poppler-utils";
  // A line long enough to wrap: the text area decides where it breaks.
  std::string text = std::string(kHeader) + "\\f2\\fs18 Left";
  for (int i = 0; i < 60; ++i) text += " word";
  text += "\\par\\par}";
  control.SetRtf(text);
  const std::string pdf = PrintToPdf("short.pdf");
  ASSERT_TRUE(fs::exists(pdf));
  const auto pages = PdfWords(pdf);
  ASSERT_EQ(pages.size(), 1u);
  double left = 1e9, right = 0, top = 1e9;
  for (const Word& w : pages[0]) {
    left = std::min(left, w.xMin);
    right = std::max(right, w.xMax);
    top = std::min(top, w.yMin);
  }
  // A4 is 8.27 inches wide: 8 whole inches, text from 1 inch to 7 inches.
  EXPECT_NEAR(left, 72.0, 1.5);
  EXPECT_GT(right, 72.0 + 5.5 * 72.0);
  EXPECT_LE(right, 72.0 + 6.0 * 72.0);
  EXPECT_GE(top, 72.0 - 1.0);
  EXPECT_LT(top, 72.0 + 20.0);
}

TEST_F(RichTextCtrlTest, LongTextRunsOverSeveralPagesInOrder) {
  ASSERT_TRUE(HaveProgram("pdftotext")) << "pdftotext is missing: install the Debian package poppler-utils";
  std::string text = std::string(kHeader) + "\\plain\\f2\\fs18 ";
  for (int i = 1; i <= 200; ++i) text += "\\par Line" + std::to_string(i);
  text += "\\par\\par}";
  control.SetRtf(text);
  const auto pages = PdfWords(PrintToPdf("long.pdf"));
  ASSERT_GE(pages.size(), 3u);
  int expected = 1;
  for (const auto& page : pages) {
    ASSERT_FALSE(page.empty());
    for (const Word& w : page) {
      EXPECT_EQ(w.text, "Line" + std::to_string(expected));
      ++expected;
      // The text ends one inch above the foot of the page.
      EXPECT_LE(w.yMax, 842.0 - 72.0 + 1.0);
    }
  }
  EXPECT_EQ(expected, 201);
}

TEST_F(RichTextCtrlTest, CancelPrintsNothing) {
  control.SetRtf(std::string(kHeader) + "\\f2\\fs18 x}");
  int asked = 0;
  SetPrintDialogHandler([&asked](CString&) {
    ++asked;
    return FALSE;
  });
  control.Print(true);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(fs::is_empty(folder));
}

// Without a test handler the print dialog of the toolkit runs: no page
// range, no selection, a PDF file when the system has no printer; closing it
// prints nothing.
TEST_F(RichTextCtrlTest, PrintDialogOptions) {
  control.SetRtf(std::string(kHeader) + "\\f2\\fs18 x}");
  bool seen = false, pageRange = true, selection = true, toFile = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen = true;
    pageRange = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
    selection = dialog->testOption(QAbstractPrintDialog::PrintSelection);
    toFile = dialog->testOption(QAbstractPrintDialog::PrintToFile);
    dialog->reject();
  });
  const auto cwd = fs::current_path();
  fs::current_path(folder);
  control.Print(true);
  fs::current_path(cwd);
  ASSERT_TRUE(seen);
  EXPECT_FALSE(pageRange);
  EXPECT_FALSE(selection);
  if (QPrinterInfo::availablePrinters().isEmpty()) EXPECT_TRUE(toFile);
  EXPECT_TRUE(fs::is_empty(folder));
}

// With no printer the dialog proposes a PDF file in a folder that exists and
// can be written: the documents folder when it is one, else the home folder
// (a new account has no documents folder).
TEST_F(RichTextCtrlTest, PrintToFileProposesAFolderThatCanBeWritten) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer exists: no file is proposed";
  control.SetRtf(std::string(kHeader) + "\\f2\\fs18 x}");
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string savedConfigValue = savedConfig ? savedConfig : "";
  struct Case {
    const char* name;
    std::function<void(const fs::path& documents)> make;
    bool inDocuments;
    bool needsPermissions;  // the super-user writes anywhere
  } cases[] = {
      {"no documents folder", [](const fs::path&) {}, false, false},
      {"a documents folder", [](const fs::path& d) { fs::create_directories(d); }, true, false},
      {"a file named Documents", [](const fs::path& d) { std::ofstream(d) << "x"; }, false, false},
      {"a documents folder that cannot be written",
       [](const fs::path& d) {
         fs::create_directories(d);
         fs::permissions(d, fs::perms::owner_read | fs::perms::owner_exec);
       },
       false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.needsPermissions && geteuid() == 0) continue;
    const fs::path home = folder / (std::string("home-") + std::to_string(&c - cases));
    fs::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    c.make(home / "Documents");
    QString proposed;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      proposed = dialog->printer()->outputFileName();
      dialog->reject();
    });
    control.Print(true);
    EXPECT_EQ(proposed.toStdString(), ((c.inDocuments ? home / "Documents" : home) / "Nuvarine2.pdf").string());
    std::error_code ignored;
    fs::permissions(home / "Documents", fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  setenv("HOME", savedHome.c_str(), 1);
  if (savedConfig)
    setenv("XDG_CONFIG_HOME", savedConfigValue.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace

// ---- Editing through the control's text -------------------------------------------------

namespace {

// The runs of the read-back text: text and bold, italic, underline.
std::vector<std::string> RunsOf(const std::string& rtf) {
  std::vector<std::string> out;
  for (const RtfParagraph& p : ReadRtf(rtf).paragraphs)
    for (const RtfRun& r : p.runs)
      out.push_back(r.text + "|" + (r.format.bold ? "b" : "") + (r.format.italic ? "i" : "") +
                    (r.format.underline ? "u" : ""));
  return out;
}

std::string Rtf(const CRichTextCtrl& control) {
  const CString text = control.GetRtf();
  return std::string(text.GetString(), static_cast<size_t>(text.GetLength()));
}

}  // namespace

TEST_F(RichTextCtrlTest, ToggleBoldMakesAPartlyBoldSelectionBoldAndAWhollyBoldOnePlain) {
  control.SetRtf(std::string(kHeader) + "\\f2\\fs20 Hello \\b world\\b0  again\\par}");
  ASSERT_EQ(RunsOf(Rtf(control)), (std::vector<std::string>{"Hello |", "world|b", " again|"}));
  control.SetSel(0, 11);  // "Hello world", partly bold
  EXPECT_FALSE(control.IsSelectionBold());
  CHARFORMAT cf;
  control.GetCharFormat(cf);
  EXPECT_EQ(cf.dwMask & CFM_BOLD, 0u) << "bold is not the same over the selection";
  EXPECT_NE(cf.dwMask & CFM_ITALIC, 0u);
  control.ToggleBold();
  EXPECT_TRUE(control.IsSelectionBold());
  EXPECT_EQ(RunsOf(Rtf(control)), (std::vector<std::string>{"Hello world|b", " again|"}));
  control.ToggleBold();
  EXPECT_FALSE(control.IsSelectionBold());
  EXPECT_EQ(RunsOf(Rtf(control)), (std::vector<std::string>{"Hello world again|"}));
  // The other effects go the same way; the selection alone changes.
  struct Case {
    void (CRichTextCtrl::*toggle)();
    bool (CRichTextCtrl::*query)() const;
    const char* flag;
  } cases[] = {{&CRichTextCtrl::ToggleItalic, &CRichTextCtrl::IsSelectionItalic, "i"},
               {&CRichTextCtrl::ToggleUnderline, &CRichTextCtrl::IsSelectionUnderlined, "u"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flag);
    control.SetSel(6, 11);
    (control.*c.toggle)();
    EXPECT_TRUE((control.*c.query)());
    EXPECT_EQ(RunsOf(Rtf(control)), (std::vector<std::string>{"Hello |", std::string("world|") + c.flag, " again|"}));
    (control.*c.toggle)();
    EXPECT_EQ(RunsOf(Rtf(control)), (std::vector<std::string>{"Hello world again|"}));
  }
}

TEST_F(RichTextCtrlTest, SizeFaceAndColourOfTheSelectionAreReadBack) {
  control.SetRtf(std::string(kHeader) + "\\f2\\fs20 Orion Nebula\\par}");
  control.SetSel(0, 5);
  EXPECT_EQ(control.GetSelectionFontSize(), 10);
  EXPECT_EQ(control.GetSelectionFontName(), "Arial");
  control.SetSelectionFontSize(14);
  control.SetSelectionFontName("Liberation Serif");
  EXPECT_EQ(control.GetSelectionFontSize(), 14);
  EXPECT_EQ(control.GetSelectionFontName(), "Liberation Serif");
  // A name longer than the format holds is cut to 31 characters.
  control.SetSel(6, 12);
  control.SetSelectionFontName(CString(std::string(40, 'x').c_str()));
  EXPECT_EQ(control.GetSelectionFontName(), CString(std::string(31, 'x').c_str()));

  // The colour picker's choice, then Cancel, which makes the colour explicit.
  control.SetSel(0, 5);
  CHARFORMAT cf;
  control.GetCharFormat(cf);
  EXPECT_NE(cf.dwEffects & CFE_AUTOCOLOR, 0u);
  COLORREF offered = 1;
  SetColorChooserHandler([&](COLORREF& color, COLORREF*) {
    offered = color;
    color = RGB(200, 10, 20);
    return TRUE;
  });
  control.ChooseSelectionColor();
  EXPECT_EQ(offered, RGB(0, 0, 0));
  control.SetSel(6, 12);
  SetColorChooserHandler([](COLORREF&, COLORREF*) { return FALSE; });
  control.ChooseSelectionColor();
  SetColorChooserHandler(nullptr);
  control.GetCharFormat(cf);
  EXPECT_EQ(cf.dwEffects & CFE_AUTOCOLOR, 0u);
  EXPECT_EQ(cf.crTextColor, RGB(0, 0, 0));

  const std::string rtf = Rtf(control);
  const RtfDocument doc = ReadRtf(rtf);
  ASSERT_EQ(doc.paragraphs.size(), 2u);  // the text's own last, empty paragraph
  ASSERT_GE(doc.paragraphs[0].runs.size(), 2u);
  EXPECT_EQ(doc.paragraphs[0].runs[0].text, "Orion");
  EXPECT_EQ(doc.FontName(doc.paragraphs[0].runs[0].format.font), "Liberation Serif");
  EXPECT_EQ(doc.paragraphs[0].runs[0].format.halfPoints, 28);
  EXPECT_EQ(doc.PlainText(), "Orion Nebula\n");
  EXPECT_NE(rtf.find("{\\colortbl ;\\red200\\green10\\blue20;\\red0\\green0\\blue0;}"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\cf1 Orion"), std::string::npos) << rtf;
}

TEST_F(RichTextCtrlTest, AlignmentAndBulletsOfTheParagraphs) {
  control.SetRtf(std::string(kHeader) + "\\f2\\fs20 Stars\\par Planets\\par Moons\\par}");
  control.SetSel(0, 0);
  EXPECT_TRUE(control.IsParagraphLeft());
  control.SetParagraphCenter();
  EXPECT_TRUE(control.IsParagraphCenter());
  EXPECT_FALSE(control.IsParagraphLeft());
  control.SetSel(7, 8);  // inside "Planets"
  control.SetParagraphRight();
  EXPECT_TRUE(control.IsParagraphRight());
  // Two paragraphs aligned differently: the alignment is not valid over both.
  control.SetSel(0, 8);
  PARAFORMAT pf;
  control.GetParaFormat(pf);
  EXPECT_EQ(pf.dwMask & PFM_ALIGNMENT, 0u);
  EXPECT_NE(pf.dwMask & PFM_NUMBERING, 0u);

  // Bullets on the last two paragraphs, with the designed 4-twip offset, and off again.
  control.SetSel(7, -1);
  EXPECT_FALSE(control.IsParagraphBulleted());
  control.ToggleParagraphBullet();
  EXPECT_TRUE(control.IsParagraphBulleted());
  control.GetParaFormat(pf);
  EXPECT_EQ(pf.dxOffset, 4);
  EXPECT_EQ(pf.dxStartIndent, 0);
  std::string rtf = Rtf(control);
  const size_t stars = rtf.find("Stars"), planets = rtf.find("Planets"), moons = rtf.find("Moons");
  ASSERT_NE(moons, std::string::npos) << rtf;
  EXPECT_NE(rtf.rfind("\\qc", stars), std::string::npos);
  EXPECT_EQ(rtf.find("\\pnlvlblt"), rtf.find("\\pnlvlblt", stars));
  EXPECT_NE(rtf.find("\\qr", stars), std::string::npos);
  EXPECT_LT(rtf.find("\\qr", stars), planets);
  EXPECT_LT(rtf.find("\\pnlvlblt", planets), moons);
  EXPECT_EQ(ReadRtf(rtf).PlainText().find("Stars\n"), 0u);
  control.SetSel(7, -1);
  control.ToggleParagraphBullet();
  EXPECT_FALSE(control.IsParagraphBulleted());
  control.GetParaFormat(pf);
  EXPECT_EQ(pf.dxOffset, 0);
  rtf = Rtf(control);
  EXPECT_EQ(rtf.find("\\pnlvlblt"), std::string::npos);
  EXPECT_TRUE(control.IsParagraphRight()) << "alignment kept";
}
