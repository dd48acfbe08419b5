#include "FrameColours.h"

#include <algorithm>
#include <cmath>

#include "NumberFormat.h"

namespace {

D3DCOLORVALUE FromRgb(double r, double g, double b, float alpha) {
  // Components are truncated to whole levels before they become a value.
  return {static_cast<float>(static_cast<int>(r)) / 255.0f, static_cast<float>(static_cast<int>(g)) / 255.0f,
          static_cast<float>(static_cast<int>(b)) / 255.0f, alpha};
}

DWORD Channel(float v) {
  if (v >= 1.0f) return 255;
  if (v <= 0.0f) return 0;
  return static_cast<DWORD>(v * 255.0f + 0.5f);
}

}  // namespace

D3DCOLOR ColorValueToArgb(const D3DCOLORVALUE& v) {
  return (Channel(v.a) << 24) | (Channel(v.r) << 16) | (Channel(v.g) << 8) | Channel(v.b);
}

FrameColours ComputeFrameColours(const FrameColourInputs& in) {
  FrameColours out;
  double h = in.sunAltitudeDegrees - 3.0;
  if (in.moonSunSeparationDegrees < 0.1 && h > 0.0) {
    out.sunEclipsed = true;
    h = 10.0 - 0.5 / in.moonSunSeparationDegrees;
  }
  out.h = h;

  double r = 0.0, g = 0.0, b = 0.0;
  if (in.planetariumMode) {
    if (in.naturalSkyColor) {
      r = 150.0, g = 190.0, b = 245.0;
      if (h < 10.0) {
        const double k = (10.0 - h) * 10.0;
        r -= k, g -= k, b -= k;
      }
    }
  } else {
    // The fixed colour's components run over the whole 0..255 range.
    r = in.fixedRed, g = in.fixedGreen, b = in.fixedBlue;
  }

  const double d = in.planetariumMode && in.sunAltitudeDegrees <= 0.0 ? 0.0 : in.sunDot;
  if (d > 0.0) {
    const double glare = in.planetariumMode ? 20.0 * d * d
                                            : std::min(2000.0 * d * d / std::max(in.cameraSunDistance, 1e-30), 50.0);
    r += glare, g += glare, b += glare;
  }
  r = std::clamp(r, 0.0, 255.0);
  g = std::clamp(g, 0.0, 255.0);
  b = std::clamp(b, 10.0, 255.0);
  out.red = r, out.green = g, out.blue = b;
  out.sky = FromRgb(r, g, b, 0.0f);

  const double grey = std::min(r + 40.0, 255.0);
  out.ambientGrey = FromRgb(grey, grey, grey, 1.0f);

  double hr = r, hg = g, hb = b;
  if (h < 10.0 && in.naturalSkyColor) {
    const double t = std::max(h, -5.0);
    hr = (((0.121333 * t - 1.06) * t + 4.666666) * t + 149.0) / 1.4;
    hg = (((0.221333 * t - 1.0) * t - 0.933333) * t + 122.0) / 1.4;
    hb = (((0.104 * t + 0.42) * t + 2.7) * t + 82.0) / 1.4;
    hr = std::min(hr * 1.3, 255.0);
    hg = std::min(hg * 1.3, 255.0);
    hb = std::min(hb * 1.3, 255.0);
  }
  if (!in.naturalSkyColor) {
    hr = std::max(hr, 78.0);
    hg = std::max(hg, 68.7);
    hb = std::max(hb, 61.3);
  }
  out.horizonRed = hr, out.horizonGreen = hg, out.horizonBlue = hb;
  out.horizonLight = FromRgb(hr, hg, hb, 245.0f / 255.0f);
  return out;
}

std::string FormatOverlayLine(double hour, double minute, double second, double month, double day, double year,
                              float fieldOfView, float width, float height) {
  const double degrees = 180.0 / 3.14159265358979323846;
  const double aspect = height != 0.0f ? static_cast<double>(width) / height : 1.0;
  return FormatC("%02.0f:%02.0f:%02.0f  %02.0f/%02.0f/%4.0f    Zoom:%4.1fx (%2.1f\xB0x%2.1f\xB0)", hour, minute,
                 std::floor(second), month, day, year, 0.8 / fieldOfView, fieldOfView * aspect * degrees,
                 fieldOfView * degrees);
}

std::string FormatAnimationText(const std::string& label, bool realTime, int animationMethod, double speedFactor) {
  std::string text = label;
  if (realTime || animationMethod != 1) return text;
  text += FormatC("\n%5.6f", speedFactor);
  if (speedFactor == std::floor(speedFactor)) {
    while (text.size() > 5 && text.back() == '0') text.pop_back();
    if (!text.empty()) text.pop_back();
  }
  text += " x";
  return text;
}
