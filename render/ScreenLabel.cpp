#include "ScreenLabel.h"

#include "TextureFont.h"

void ScreenLabelQueue::Add(float x, float y, const CString& text, BYTE kind) {
  ScreenLabel& slot = m_labels[m_count < kLimit ? m_count : kLimit];
  slot.x = x;
  slot.y = y;
  slot.text = text;
  slot.kind = kind;
  if (m_count < kLimit) ++m_count;
}

void ScreenLabelQueue::Draw(CTextureFont* const fontsByKind[4], const D3DCOLOR coloursByKind[4]) const {
  for (int i = 0; i < m_count; ++i) {
    const ScreenLabel& label = m_labels[i];
    if (label.kind < 1 || label.kind > 3 || !fontsByKind[label.kind]) continue;
    fontsByKind[label.kind]->DrawString(label.x, label.y, coloursByKind[label.kind], label.text.GetString(), 0);
  }
}
