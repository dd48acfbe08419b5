#pragma once
// Single-precision 3x3 rotations in the row-vector, left-handed convention of
// the scene's drawing layer (v' = v M; in a product A x B, A applies first).
// The moon and orbit routines build their matrices with these so that the
// positions they hand to the drawing match its own rotations bit for bit.

struct RowMatrix3f {
  float m[3][3];
};

RowMatrix3f RowRotationX(float angle);
RowMatrix3f RowRotationY(float angle);
RowMatrix3f RowRotationZ(float angle);
// Rotation by angle about an axis (normalised here).
RowMatrix3f RowRotationAxis(float ax, float ay, float az, float angle);
// a x b: a applies first.
RowMatrix3f RowMultiply(const RowMatrix3f& a, const RowMatrix3f& b);
void RowTransform(const RowMatrix3f& m, float x, float y, float z, float out[3]);
