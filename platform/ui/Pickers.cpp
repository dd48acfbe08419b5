// The system's colour and font pickers.
#include <QColorDialog>
#include <algorithm>
#include <cstdio>

#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>

#include "Dialog.h"
#include "UiPrivate.h"

namespace {

std::function<BOOL(COLORREF&, COLORREF*)> g_colorChooser;
std::function<BOOL(LOGFONT&)> g_fontChooser;

// A picker font's size in pixels (the picker works in points).
int PickerPixels(const QFont& font) {
  return font.pixelSize() > 0 ? font.pixelSize() : static_cast<int>(font.pointSizeF() * 96.0 / 72.0 + 0.5);
}

}  // namespace

void SetColorChooserHandler(std::function<BOOL(COLORREF& color, COLORREF* customColors)> handler) {
  g_colorChooser = std::move(handler);
}

void SetFontChooserHandler(std::function<BOOL(LOGFONT& font)> handler) { g_fontChooser = std::move(handler); }

BOOL AfxChooseColor(COLORREF& color, COLORREF* customColors, CWnd* parent) {
  if (g_colorChooser) return g_colorChooser(color, customColors);
  for (int i = 0; i < 16 && customColors; ++i) QColorDialog::setCustomColor(i, ToQColor(customColors[i]));
  QColorDialog dialog(ToQColor(color), parent ? parent->GetWidget() : nullptr);
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  int result;
  {
    ModalScope modal;
    result = dialog.exec();
  }
  // The custom colours the user set stay for the next picker of the run.
  for (int i = 0; i < 16 && customColors; ++i) customColors[i] = FromQColor(QColorDialog::customColor(i));
  if (result != QDialog::Accepted) return FALSE;
  color = FromQColor(dialog.selectedColor());
  return TRUE;
}

BOOL AfxChooseFont(LOGFONT& font, CWnd* parent) {
  if (g_fontChooser) return g_fontChooser(font);
  QFont initial(QString::fromLatin1(font.lfFaceName));
  // A negative height is the characters' height in pixels, a positive one the cell's.
  if (font.lfHeight != 0) initial.setPixelSize(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight);
  if (font.lfWeight > 0) initial.setWeight(static_cast<QFont::Weight>(std::clamp<int>(font.lfWeight, 1, 1000)));
  initial.setItalic(font.lfItalic != 0);
  // A designed face name ("Arial") is often an alias the font system
  // resolves to another family: the picker opens on the family actually
  // used, not on whatever it falls back to when the name is not in its list.
  const QString used = QFontInfo(initial).family();
  if (!used.isEmpty()) initial.setFamily(used);
  QFontDialog dialog(initial, parent ? parent->GetWidget() : nullptr);
  dialog.setOption(QFontDialog::DontUseNativeDialog);
  // What the picker shows before any choice, after its own rounding to the
  // styles and sizes it offers.
  const QFont shown = dialog.currentFont();
  // Labels are drawn in their own colour, never underlined or struck out, and
  // in one script: no effects and no script choice.
  for (QGroupBox* box : dialog.findChildren<QGroupBox*>())
    if (box->title().contains(QStringLiteral("Effects"))) box->hide();
  for (QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!label->text().remove(QLatin1Char('&')).contains(QStringLiteral("Writing System"))) continue;
    label->hide();
    if (label->buddy()) label->buddy()->hide();
  }
  int result;
  {
    ModalScope modal;
    result = dialog.exec();
  }
  if (result != QDialog::Accepted) return FALSE;
  // Only what the user changed is taken: OK without a change keeps the
  // font exactly as it was (its designed face name, height and weight).
  const QFont chosen = dialog.selectedFont();
  if (chosen.family() != shown.family()) {
    // A face name carries no foundry: "P052 [urw]" is kept as "P052".
    QString family = chosen.family();
    const qsizetype foundry = family.indexOf(QStringLiteral(" ["));
    if (foundry > 0 && family.endsWith(QLatin1Char(']'))) family.truncate(foundry);
    const QByteArray face = family.toLatin1();
    std::snprintf(font.lfFaceName, sizeof(font.lfFaceName), "%s", face.constData());
  }
  if (PickerPixels(chosen) != PickerPixels(shown)) font.lfHeight = -PickerPixels(chosen);
  if (chosen.weight() != shown.weight()) font.lfWeight = chosen.weight();
  if (chosen.italic() != shown.italic()) font.lfItalic = chosen.italic() ? 1 : 0;
  return TRUE;
}
