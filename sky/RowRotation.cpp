#include "RowRotation.h"

#include <cmath>

RowMatrix3f RowRotationX(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  return {{{1, 0, 0}, {0, c, s}, {0, -s, c}}};
}

RowMatrix3f RowRotationY(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  return {{{c, 0, -s}, {0, 1, 0}, {s, 0, c}}};
}

RowMatrix3f RowRotationZ(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  return {{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};
}

RowMatrix3f RowRotationAxis(float ax, float ay, float az, float angle) {
  const float len = std::sqrt(ax * ax + ay * ay + az * az);
  if (len > 0.0f) {
    ax /= len;
    ay /= len;
    az /= len;
  }
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  RowMatrix3f r;
  r.m[0][0] = t * ax * ax + c;
  r.m[1][0] = t * ax * ay - s * az;
  r.m[2][0] = t * ax * az + s * ay;
  r.m[0][1] = t * ay * ax + s * az;
  r.m[1][1] = t * ay * ay + c;
  r.m[2][1] = t * ay * az - s * ax;
  r.m[0][2] = t * az * ax - s * ay;
  r.m[1][2] = t * az * ay + s * ax;
  r.m[2][2] = t * az * az + c;
  return r;
}

RowMatrix3f RowMultiply(const RowMatrix3f& a, const RowMatrix3f& b) {
  RowMatrix3f r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
  return r;
}

void RowTransform(const RowMatrix3f& m, float x, float y, float z, float out[3]) {
  for (int j = 0; j < 3; ++j) out[j] = x * m.m[0][j] + y * m.m[1][j] + z * m.m[2][j];
}
