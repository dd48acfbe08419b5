#pragma once
// The per-frame queue of sky labels: deep-sky names, star names and Bayer
// letters queued while the sky is drawn and drawn after all geometry.
#include <memory>

#include "CString.h"
#include "d3d9.h"

class CTextureFont;

struct ScreenLabel {
  ScreenLabel() = default;
  ~ScreenLabel() = default;
  float x = 0.0f;  // left edge, back-buffer pixels
  float y = 0.0f;  // top edge
  CString text;
  BYTE kind = 0;  // 1 deep-sky name, 2 star name or Flamsteed number, 3 Bayer letter
};

// Label kinds.
constexpr BYTE kLabelDeepSky = 1, kLabelStarName = 2, kLabelBayer = 3;

// 510 slots of which at most 500 are filled: once 500 labels are queued,
// further ones land in the 501st slot, uncounted and never drawn.
class ScreenLabelQueue {
 public:
  static constexpr int kSlots = 510;
  static constexpr int kLimit = 500;
  ScreenLabelQueue() : m_labels(new ScreenLabel[kSlots]) {}
  void Add(float x, float y, const CString& text, BYTE kind);
  int Count() const { return m_count; }
  const ScreenLabel& operator[](int i) const { return m_labels[i]; }
  // Draws the counted labels in queue order, each with the font and colour
  // of its kind (index = kind), at its place with no flags.
  void Draw(CTextureFont* const fontsByKind[4], const D3DCOLOR coloursByKind[4]) const;

 private:
  std::unique_ptr<ScreenLabel[]> m_labels;
  int m_count = 0;
};
