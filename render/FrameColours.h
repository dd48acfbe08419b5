#pragma once
// The colours of a frame (sky, light near the horizon, ambient grey) and the
// texts of its overlays, computed from plain inputs so that the frame and
// its tests share them.
#include <string>

#include "d3d9.h"

struct FrameColourInputs {
  bool planetariumMode = true;
  bool naturalSkyColor = true;
  double sunAltitudeDegrees = 0.0;
  double moonSunSeparationDegrees = 180.0;
  // The fixed sky colour of the solar-system mode, 0..255 each.
  unsigned char fixedRed = 0, fixedGreen = 0, fixedBlue = 0;
  // Cosine between the view direction and the direction of the Sun (0 when
  // the caller knows the Sun cannot glare), and the camera's distance from
  // the Sun in million km (solar-system mode).
  double sunDot = 0.0;
  double cameraSunDistance = 1.0;
};

struct FrameColours {
  double h = 0.0;                  // the Sun's altitude less 3 degrees, eclipse-corrected
  bool sunEclipsed = false;        // the Moon covers the Sun while it is up
  double red = 0.0, green = 0.0, blue = 0.0;                       // sky, 0..255
  double horizonRed = 0.0, horizonGreen = 0.0, horizonBlue = 0.0;  // 0..255
  D3DCOLORVALUE sky{};            // alpha 0
  D3DCOLORVALUE horizonLight{};   // alpha 245/255
  D3DCOLORVALUE ambientGrey{};    // alpha 1
};

FrameColours ComputeFrameColours(const FrameColourInputs& in);

// A colour value as 32-bit ARGB: 1 or more gives 255, 0 or less 0, otherwise
// the component x 255 + 0.5 truncated.
D3DCOLOR ColorValueToArgb(const D3DCOLORVALUE& value);

// The first overlay line: time, date, zoom and field of the view.
std::string FormatOverlayLine(double hour, double minute, double second, double month, double day, double year,
                              float fieldOfView, float width, float height);

// The animation overlay: `label` (the string "Animation"), followed by the
// speed factor with the animation method 1 outside real time.
std::string FormatAnimationText(const std::string& label, bool realTime, int animationMethod, double speedFactor);
