// The information dialogs and the notes dialog, run modally offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <set>

#include "InfoDialogs.h"
#include "Notes.h"
#include "Nuvarine2View.h"
#include "Resource.h"
#include "UiDefs.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "info_dialog_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    RegisterNuvarineResources();
    return a;
  }();
  return *app;
}

const char kHeader[] =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss MS Sans Serif;}"
    "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fswiss Arial;}}{\\colortbl\\red0\\green0\\blue0;}";

std::string LongText() {
  std::string text = std::string(kHeader) + "\\f2\\fs26 Ast\xE9rix\\par\\plain\\f2\\fs18 ";
  for (int i = 0; i < 120; ++i) text += "\\par    Angle = " + std::to_string(i) + " \xB0";
  return text + "\\par\\par}";
}

// Runs `action` once the dialog's window is up, then returns DoModal's result.
INT_PTR RunWith(CDialog& dialog, std::function<void()> action) {
  App();
  QTimer::singleShot(0, [action] { action(); });
  return dialog.DoModal();
}

void Click(CDialog& dialog, int id) { dialog.SendControlNotify(id, BN_CLICKED); }

void PressEscape(CDialog& dialog) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(dialog.GetWidget(), &press);
}

class InfoDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    SetMessageBoxHandler([this](const CString& text, const CString& caption, UINT) {
      boxes.push_back(text);
      captions.push_back(caption);
      return IDOK;
    });
  }
  void TearDown() override { SetMessageBoxHandler(nullptr); }
  std::vector<CString> boxes, captions;
};

TEST_F(InfoDialogTest, CloseAndEscape) {
  CObjectInfoDialog close;
  close.m_rtfText = LongText().c_str();
  close.m_center = close.m_follow = true;  // cleared when it opens
  EXPECT_EQ(RunWith(close, [&] { Click(close, IDOK); }), IDOK);
  EXPECT_FALSE(close.m_center);
  EXPECT_FALSE(close.m_follow);

  CObjectInfoDialog escape;
  EXPECT_EQ(RunWith(escape, [&] { PressEscape(escape); }), IDCANCEL);

  CObjectInfoDialog center;
  EXPECT_EQ(RunWith(center, [&] { Click(center, 1007); }), IDOK);
  EXPECT_TRUE(center.m_center);
  EXPECT_FALSE(center.m_follow);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(InfoDialogTest, TheFontFollowsTheScreensPixelsPerInch) {
  // 8 points on a screen of exactly 96 pixels per inch, 10 on any other.
  const std::pair<int, int> rule[] = {{96, 8}, {120, 10}, {95, 10}, {97, 10}, {144, 10}};
  for (const auto& [dpi, points] : rule) EXPECT_EQ(InfoDialogFontPoints(dpi), points) << dpi;
  // Both dialogs open in that size of the system's sans face, and grow with it
  // as their dialog units follow the font.
  const int dpi = AfxScreenPixelsPerInchY();
  const double points = InfoDialogFontPoints(dpi);
  CObjectInfoDialog planetarium;
  CObjectInfoDialog3D solarSystem;
  for (CDialog* dialog : {static_cast<CDialog*>(&planetarium), static_cast<CDialog*>(&solarSystem)}) {
    SCOPED_TRACE(dialog->GetTemplateId());
    QFont font;
    QSize size;
    RunWith(*dialog, [&] {
      font = dialog->GetWidget()->font();
      size = dialog->GetWidget()->size();
      Click(*dialog, IDOK);
    });
    EXPECT_EQ(font.pixelSize(), std::lround(points * dpi / 72.0));
    EXPECT_EQ(font.styleHint(), QFont::SansSerif);
    const DialogTemplate* tpl = AfxFindDialog(dialog->GetTemplateId());
    ASSERT_NE(tpl, nullptr);
    const double scale = points * dpi / 768.0;  // 1 for 8 points at 96 pixels per inch
    EXPECT_NEAR(size.width(), tpl->cx * 1.5 * scale, 1.0);
    EXPECT_NEAR(size.height(), tpl->cy * 1.625 * scale, 1.0);
  }
}

TEST_F(InfoDialogTest, BelowTheHorizonCenterAndFollowRefuse) {
  CObjectInfoDialog dialog;
  dialog.m_belowHorizon = true;
  bool stillOpen = false;
  const INT_PTR result = RunWith(dialog, [&] {
    Click(dialog, 1007);
    Click(dialog, 1063);
    stillOpen = dialog.GetWidget() && dialog.GetWidget()->isVisible();
    Click(dialog, IDOK);
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(dialog.m_center);
  EXPECT_FALSE(dialog.m_follow);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], "This object is below the horizon line ! Impossible to center");
  EXPECT_EQ(boxes[1], "This object is below the horizon line ! Impossible to follow");
  EXPECT_EQ(captions[0], "Nuvarine 2.0");
}

TEST_F(InfoDialogTest, LockByKind) {
  for (int kind = 0; kind <= 8; ++kind) {
    CObjectInfoDialog3D dialog;
    dialog.m_objectKind = kind;
    bool enabled = true;
    RunWith(dialog, [&] {
      enabled = dialog.GetDlgItem(1007)->IsWindowEnabled();
      Click(dialog, IDOK);
    });
    EXPECT_EQ(enabled, !(kind == 0 || kind == 1 || kind == 7)) << kind;
    EXPECT_FALSE(dialog.m_lock);
  }
  CObjectInfoDialog3D lock;
  lock.m_objectKind = OBJECT_COMET;
  EXPECT_EQ(RunWith(lock, [&] { Click(lock, 1007); }), IDOK);
  EXPECT_TRUE(lock.m_lock);
}

TEST_F(InfoDialogTest, BannerByKind) {
  std::set<qint64> pictures;
  for (int kind : {-1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}) {
    CObjectInfoDialog dialog;
    dialog.m_objectKind = kind;
    bool empty = true;
    RunWith(dialog, [&] {
      auto* banner = dynamic_cast<QLabel*>(dialog.GetDlgItem(1042)->GetWidget());
      empty = banner->pixmap().isNull();
      if (!empty) pictures.insert(banner->pixmap().toImage().cacheKey() ^ banner->pixmap().toImage().sizeInBytes());
      Click(dialog, IDOK);
    });
    EXPECT_EQ(empty, kind < 0 || kind > 8) << kind;
  }
}

// The text is shown with its code-page characters and drawn; a repaint keeps
// the reader where they scrolled to.
TEST_F(InfoDialogTest, TextDrawnAndKeptAcrossRepaints) {
  CObjectInfoDialog dialog;
  dialog.m_rtfText = LongText().c_str();
  dialog.m_objectKind = OBJECT_PLANET;
  std::string text;
  int opened = -1, before = -1, after = -2;
  QImage shot;
  RunWith(dialog, [&] {
    text = dialog.m_richText.GetDocumentText();
    opened = dialog.m_richText.GetVerticalScroll();
    QWidget* w = dialog.GetWidget();
    w->resize(w->size());
    shot = w->grab().toImage();
    dialog.m_richText.SetVerticalScroll(200);
    before = dialog.m_richText.GetVerticalScroll();
    w->repaint();
    QApplication::processEvents();
    after = dialog.m_richText.GetVerticalScroll();
    Click(dialog, IDOK);
  });
  EXPECT_NE(text.find("Ast\xC3\xA9rix"), std::string::npos);
  EXPECT_NE(text.find("Angle = 7 \xC2\xB0"), std::string::npos);
  EXPECT_EQ(opened, 0);  // the reader starts at the top
  EXPECT_EQ(before, 200);
  EXPECT_EQ(after, before);
  ASSERT_FALSE(shot.isNull());
  // Banner across the top: many colours; text area: dark glyphs on white.
  std::set<QRgb> bannerColours;
  for (int x = 0; x < shot.width(); x += 3) bannerColours.insert(shot.pixel(x, 30));
  EXPECT_GT(bannerColours.size(), 10u);
  int dark = 0, white = 0;
  const int top = 80, bottom = 300;
  for (int y = top; y < bottom; ++y)
    for (int x = 20; x < shot.width() - 40; ++x) {
      const QColor c = shot.pixelColor(x, y);
      if (c.lightness() < 100) ++dark;
      if (c.lightness() > 245) ++white;
    }
  EXPECT_GT(dark, 200);
  EXPECT_GT(white, dark);
}

TEST_F(InfoDialogTest, NotesDialog) {
  Notes ok;
  ok.m_text = "first\r\nsecond\ttab";
  std::string shown;
  EXPECT_EQ(RunWith(ok,
                    [&] {
                      auto* edit = dynamic_cast<QPlainTextEdit*>(ok.GetDlgItem(1019)->GetWidget());
                      shown = edit->toPlainText().toStdString();
                      // A character outside code page 1252 becomes "?".
                      edit->setPlainText(QString::fromUtf8("line one\nline \xE2\x9C\x93 two \xC3\xA9"));
                      Click(ok, IDOK);
                    }),
            IDOK);
  EXPECT_EQ(shown, "first\nsecond\ttab");
  EXPECT_EQ(ok.m_text, "line one\r\nline ? two \xE9");

  Notes cancel;
  cancel.m_text = "kept";
  EXPECT_EQ(RunWith(cancel,
                    [&] {
                      dynamic_cast<QPlainTextEdit*>(cancel.GetDlgItem(1019)->GetWidget())->setPlainText("changed");
                      Click(cancel, IDCANCEL);
                    }),
            IDCANCEL);
  EXPECT_EQ(cancel.m_text, "kept");
}

// The view tells the user when a note cannot be saved.
TEST_F(InfoDialogTest, ViewReportsAFailedNoteSave) {
  CNuvarine2View view;
  view.m_installFolder = "/nonexistent-nuvarine-folder";
  EXPECT_FALSE(view.SaveObjectNote(NOTE_PLANETS, 4, "red"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Find("The note could not be saved"), 0);
  EXPECT_EQ(captions[0], "Nuvarine 2.0");

  char pattern[] = "/tmp/nv_viewnotes_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  view.m_installFolder = pattern;
  EXPECT_TRUE(view.SaveObjectNote(NOTE_PLANETS, 4, "red"));
  EXPECT_EQ(boxes.size(), 1u);
  CString note;
  AppendObjectNote(view.m_installFolder, NOTE_PLANETS, 4, note, false);
  EXPECT_EQ(note, "red");
  std::remove((std::string(pattern) + "/notes.ini").c_str());
  rmdir(pattern);
}

}  // namespace
