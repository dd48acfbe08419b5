// The system's font picker as the label fonts use it: it opens on the family
// the font system really draws a designed face with, and OK keeps a font the
// user did not change exactly as it was.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QTimer>
#include <cstring>
#include <functional>
#include <string>

#include "Dialog.h"
#include "UiTestSupport.h"

namespace {

LOGFONT Font(const char* face, LONG height, LONG weight, bool italic) {
  LOGFONT f;
  std::snprintf(f.lfFaceName, sizeof(f.lfFaceName), "%s", face);
  f.lfHeight = height;
  f.lfWeight = weight;
  f.lfItalic = italic ? 1 : 0;
  return f;
}

// "P052 [urw]" and "P052 [UKWN]" name the same family.
std::string WithoutFoundry(const QString& family) {
  const qsizetype bracket = family.indexOf(QStringLiteral(" ["));
  return (bracket > 0 ? family.left(bracket) : family).toStdString();
}

// Runs the real picker on `font`; `act` sees the open picker, then OK is pressed.
BOOL RunPicker(LOGFONT& font, const std::function<void(QFontDialog&)>& act) {
  bool seen = false;
  QTimer::singleShot(0, [&]() {
    auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    seen = true;
    act(*dialog);
    dialog->accept();
  });
  const BOOL result = AfxChooseFont(font, nullptr);
  EXPECT_TRUE(seen) << "the picker did not open";
  return result;
}

}  // namespace

TEST(FontPicker, OpensOnTheFamilyInUseAndOkWithoutChangeKeepsTheFont) {
  TestApplication();
  // Label fonts of the default settings.
  const LOGFONT fonts[] = {
      Font("Arial", -12, 400, true),         Font("Arial", -10, 600, false), Font("Verdana", -11, 400, true),
      Font("Georgia", -15, 200, true),       Font("Arial Narrow", -11, 400, false),
      Font("Palatino Linotype", -29, 400, true), Font("Quartz", -12, 400, false), Font("Symbol", -10, 600, false),
  };
  for (const LOGFONT& original : fonts) {
    SCOPED_TRACE(original.lfFaceName);
    LOGFONT font = original;
    QString shownFamily;
    ASSERT_TRUE(RunPicker(font, [&](QFontDialog& d) { shownFamily = d.currentFont().family(); }));
    EXPECT_STREQ(font.lfFaceName, original.lfFaceName);
    EXPECT_EQ(font.lfHeight, original.lfHeight);
    EXPECT_EQ(font.lfWeight, original.lfWeight);
    EXPECT_EQ(font.lfItalic, original.lfItalic);
    EXPECT_EQ(WithoutFoundry(shownFamily),
              WithoutFoundry(QFontInfo(QFont(QString::fromLatin1(original.lfFaceName))).family()));
  }
  // With the metric-compatible faces installed, "Arial" opens on the one
  // that stands in for it, not on the generic sans family.
  if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans"))) {
    LOGFONT font = Font("Arial", -12, 400, true);
    QString shownFamily;
    ASSERT_TRUE(RunPicker(font, [&](QFontDialog& d) { shownFamily = d.currentFont().family(); }));
    EXPECT_EQ(shownFamily.toStdString(), "Liberation Sans");
  }
}

TEST(FontPicker, TakesWhatTheUserChanged) {
  TestApplication();
  if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Serif")))
    GTEST_SKIP() << "DejaVu Serif missing (package fonts-dejavu-core)";
  LOGFONT font = Font("Arial", -12, 400, true);
  ASSERT_TRUE(RunPicker(font, [](QFontDialog& d) {
    QFont other(QStringLiteral("DejaVu Serif"));
    other.setPointSize(20);
    other.setItalic(d.currentFont().italic());
    other.setWeight(d.currentFont().weight());
    d.setCurrentFont(other);
  }));
  EXPECT_STREQ(font.lfFaceName, "DejaVu Serif");
  EXPECT_EQ(font.lfHeight, -27);  // 20 points at 96 pixels per inch
  // Cancel leaves the font alone.
  LOGFONT kept = Font("Arial", -12, 400, true);
  QTimer::singleShot(0, []() {
    if (auto* d = qobject_cast<QFontDialog*>(QApplication::activeModalWidget())) d->reject();
  });
  EXPECT_FALSE(AfxChooseFont(kept, nullptr));
  EXPECT_STREQ(kept.lfFaceName, "Arial");
  EXPECT_EQ(kept.lfHeight, -12);
}
