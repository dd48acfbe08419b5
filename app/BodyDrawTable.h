#pragma once
// What each body is drawn with: its resource slot among the draw flags, and
// its texture (index into the view's body textures) or its mesh (index into
// the view's meshes); -1 where it has none.
#include "SolarSystemTypes.h"

struct BodyDrawResource {
  int flag;
  int texture;
  int mesh;
};

inline BodyDrawResource BodyDrawResourceOf(int body) {
  static constexpr BodyDrawResource kTable[kBodyCount] = {
      {0, 3, -1},   {1, 4, -1},   {2, 5, -1},   {3, 0, -1},   {4, 6, -1},   {5, 7, -1},   {6, 8, -1},
      {7, 9, -1},   {8, 10, -1},  {9, 11, -1},  {10, 12, -1}, {13, -1, 0},  {14, -1, 1},  {16, 13, -1},
      {17, 14, -1}, {18, 15, -1}, {19, 16, -1}, {15, -1, 2},  {20, -1, 3},  {21, -1, 4},  {22, 17, -1},
      {23, 18, -1}, {24, 20, -1}, {31, 26, -1}, {26, 21, -1}, {30, 19, -1}, {22, 17, -1}, {27, 22, -1},
      {22, 17, -1}, {28, 24, -1}, {25, 23, -1}, {34, 29, -1}, {32, 27, -1}, {29, 25, -1}, {22, 17, -1},
      {33, 28, -1}, {22, 17, -1}, {22, 17, -1}, {37, -1, 5},  {38, -1, 6},  {39, -1, 7},  {37, -1, 5},
      {41, -1, 9},  {43, -1, 11}, {22, 17, -1}, {44, -1, 12}, {42, -1, 10}, {45, -1, 13}, {46, -1, 14},
      {47, -1, 15}, {47, -1, 15}, {47, -1, 15}, {47, -1, 15}, {47, -1, 15}, {47, -1, 15}, {47, -1, 15},
      {47, -1, 15}, {48, -1, 16}, {49, -1, 17}, {50, -1, 18}, {51, -1, 19}, {52, -1, 20}, {52, -1, 20},
      {52, -1, 20}, {52, -1, 20}, {53, -1, 21}, {54, -1, 22}, {55, -1, 23}, {55, -1, 23}, {55, -1, 23},
      {56, -1, 24}, {40, -1, 8}};
  return body >= 0 && body < kBodyCount ? kTable[body] : BodyDrawResource{-1, -1, -1};
}

// Satellites whose positions exist only when computed (Hubble, the ISS and
// the Earth satellites other than Venus Express and Near).
inline bool IsComputedSatellite(int body) {
  return body == kBodyHubble || body == kBodyIss ||
         (body >= kBodyNoaa10 && body <= kBodyCorot && body != kBodyVenusExpress && body != kBodyNear);
}

// Detail level of a sphere from its apparent size v.
inline int SphereLevelOf(double v) {
  if (v > 0.2) return 1;
  if (v >= 0.1) return 2;
  if (v >= 0.05) return 3;
  if (v >= 0.001) return 4;
  return 5;
}
