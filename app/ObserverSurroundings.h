#pragma once
// The arithmetic of the planetarium's observing aids, apart from the device:
// which finder circles to draw, the CCD frame and its turn on the screen,
// and the strokes and texts of the coordinate rule.
#include "UiDefs.h"
#include "d3dx9.h"

// The marker-circle scales (degrees) of the finder fields at the window's
// centre. An eyepiece field (non-zero size) replaces the Telrad and the
// Quickfinder and turns both switches off; the two finders together draw
// nothing.
struct FinderCircles {
  int count = 0;
  float scales[3] = {};
};
FinderCircles ChooseFinderCircles(float eyepieceFieldSize, bool& showQuickfinder, bool& showTelrad);

// Half-width and half-height in pixels of a CCD frame of width x height
// degrees at the field of view (radians).
D3DXVECTOR2 CcdFrameHalfSize(float width, float height, float fieldOfView);
// The frame's four corners and the first again, turned by t (radians,
// counter-clockwise on the screen) about the centre (cx, cy).
void CcdFrameCorners(float cx, float cy, D3DXVECTOR2 half, double t, D3DXVECTOR2 out[5]);

// Right ascension and declination (radians) of the place at an azimuth
// (from the north through the east) and altitude, for the observer's
// latitude and the local sidereal time.
void HorizontalToEquatorialForFrame(double azimuth, double altitude, double latitude, double siderealTime,
                                    double& rightAscension, double& declination);
// The angle of the pixel direction (dx, dy) (y down) reduced into [0, 2 pi):
// 0 to the right, pi / 2 up. No direction gives 0.
double ScreenAngleOf(double dx, double dy);

// Half-length in pixels of the altitude scale's stroke at a whole degree.
int AltitudeStrokeHalfLength(int degree);
// Text of the altitude scale at a multiple of 10 (the zenith by name).
CString AltitudeLabel(int degree);
// Text of the azimuth scale at a multiple of 5: degrees at the multiples of
// 10, the eight wind directions by name, empty at the others.
CString AzimuthLabel(int degree);
// The stroke lengths of the azimuth scale at a degree, in drawing order.
struct AzimuthStrokes {
  int count = 0;
  float lengths[3] = {};
};
AzimuthStrokes AzimuthStrokesAt(int degree);
// Screen slope (dy / dx, pixels) from p towards q; a flat direction gives
// 1e-10, a vertical one the steep slope of a q a hair off towards the
// window's middle column.
float ZenithSlope(D3DXVECTOR2 p, D3DXVECTOR2 q, float middle);
// Offset of one stroke of length L towards the zenith, from the screen
// slope of the direction to the zenith (pixels); a stroke starting left of
// the window's middle mirrors its vertical part.
D3DXVECTOR2 AzimuthStrokeOffset(float length, float slope, bool leftOfMiddle);
