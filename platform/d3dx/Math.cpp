// Row-vector, left-handed matrix, vector and quaternion routines.
#include <cmath>

#include "d3dx9.h"

D3DXMATRIX::D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
                       float m31, float m32, float m33, float m34, float m41, float m42, float m43, float m44)
    : D3DMATRIX{} {
  _11 = m11, _12 = m12, _13 = m13, _14 = m14;
  _21 = m21, _22 = m22, _23 = m23, _24 = m24;
  _31 = m31, _32 = m32, _33 = m33, _34 = m34;
  _41 = m41, _42 = m42, _43 = m43, _44 = m44;
}

D3DXMATRIX::D3DXMATRIX(const float* f) : D3DMATRIX{} {
  for (int i = 0; i < 16; ++i) m[i / 4][i % 4] = f[i];
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& o) const {
  D3DXMATRIX r;
  D3DXMatrixMultiply(&r, this, &o);
  return r;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& o) {
  D3DXMatrixMultiply(this, this, &o);
  return *this;
}

D3DXCOLOR::D3DXCOLOR(D3DCOLOR c)
    : r(((c >> 16) & 255) / 255.0f), g(((c >> 8) & 255) / 255.0f), b((c & 255) / 255.0f), a((c >> 24) / 255.0f) {}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
  *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m) {
  double a[4][8];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 8; ++j) a[i][j] = j < 4 ? m->m[i][j] : (j - 4 == i ? 1.0 : 0.0);
  double det = 1.0;
  for (int c = 0; c < 4; ++c) {
    int pivot = c;
    for (int r = c + 1; r < 4; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    if (std::fabs(a[pivot][c]) < 1e-30) return nullptr;
    if (pivot != c) {
      for (int j = 0; j < 8; ++j) std::swap(a[c][j], a[pivot][j]);
      det = -det;
    }
    double p = a[c][c];
    det *= p;
    for (int j = 0; j < 8; ++j) a[c][j] /= p;
    for (int r = 0; r < 4; ++r) {
      if (r == c) continue;
      double f = a[r][c];
      if (f != 0.0)
        for (int j = 0; j < 8; ++j) a[r][j] -= f * a[c][j];
    }
  }
  if (determinant) *determinant = static_cast<float>(det);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) out->m[i][j] = static_cast<float>(a[i][j + 4]);
  return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  D3DXMatrixIdentity(out);
  out->_41 = x, out->_42 = y, out->_43 = z;
  return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz) {
  *out = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  *out = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  *out = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  *out = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle) {
  D3DXVECTOR3 v;
  D3DXVec3Normalize(&v, axis);
  float c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  *out = D3DXMATRIX(t * v.x * v.x + c, t * v.x * v.y + s * v.z, t * v.x * v.z - s * v.y, 0,  //
                    t * v.x * v.y - s * v.z, t * v.y * v.y + c, t * v.y * v.z + s * v.x, 0,  //
                    t * v.x * v.z + s * v.y, t * v.y * v.z - s * v.x, t * v.z * v.z + c, 0,  //
                    0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
  float x = q->x, y = q->y, z = q->z, w = q->w;
  *out = D3DXMATRIX(1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0,  //
                    2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0,  //
                    2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0,  //
                    0, 0, 0, 1);
  return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll) {
  D3DXMATRIX z, x, y;
  D3DXMatrixRotationZ(&z, roll);
  D3DXMatrixRotationX(&x, pitch);
  D3DXMatrixRotationY(&y, yaw);
  *out = z * x * y;
  return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
  D3DXVECTOR3 zaxis = *at - *eye, xaxis, yaxis;
  D3DXVec3Normalize(&zaxis, &zaxis);
  D3DXVec3Cross(&xaxis, up, &zaxis);
  D3DXVec3Normalize(&xaxis, &xaxis);
  D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
  *out = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0, xaxis.y, yaxis.y, zaxis.y, 0, xaxis.z, yaxis.z, zaxis.z, 0,
                    -D3DXVec3Dot(&xaxis, eye), -D3DXVec3Dot(&yaxis, eye), -D3DXVec3Dot(&zaxis, eye), 1);
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zn, float zf) {
  float yScale = 1.0f / std::tan(fovY / 2);
  float xScale = yScale / aspect;
  *out = D3DXMATRIX(xScale, 0, 0, 0, 0, yScale, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0, -zn * zf / (zf - zn), 0);
  return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf) {
  *out = D3DXMATRIX(2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, 1 / (zf - zn), 0, (l + r) / (l - r),
                    (t + b) / (b - t), zn / (zn - zf), 1);
  return out;
}

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out) {
  *out = D3DXQUATERNION(0, 0, 0, 1);
  return out;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2) {
  // The product q2 * q1 in the usual notation: q1's rotation applied first.
  const D3DXQUATERNION a = *q2, b = *q1;
  D3DXQUATERNION r(a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                   a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
  *out = r;
  return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle) {
  D3DXVECTOR3 v;
  D3DXVec3Normalize(&v, axis);
  float s = std::sin(angle / 2);
  *out = D3DXQUATERNION(v.x * s, v.y * s, v.z * s, std::cos(angle / 2));
  return out;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  float len = std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w);
  if (len > 0)
    *out = D3DXQUATERNION(q->x / len, q->y / len, q->z / len, q->w / len);
  else
    *out = D3DXQUATERNION(0, 0, 0, 0);
  return out;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m) {
  float trace = m->_11 + m->_22 + m->_33;
  D3DXQUATERNION q;
  if (trace > 0) {
    float s = std::sqrt(trace + 1.0f) * 2;
    q = D3DXQUATERNION((m->_23 - m->_32) / s, (m->_31 - m->_13) / s, (m->_12 - m->_21) / s, 0.25f * s);
  } else if (m->_11 > m->_22 && m->_11 > m->_33) {
    float s = std::sqrt(1.0f + m->_11 - m->_22 - m->_33) * 2;
    q = D3DXQUATERNION(0.25f * s, (m->_12 + m->_21) / s, (m->_13 + m->_31) / s, (m->_23 - m->_32) / s);
  } else if (m->_22 > m->_33) {
    float s = std::sqrt(1.0f + m->_22 - m->_11 - m->_33) * 2;
    q = D3DXQUATERNION((m->_12 + m->_21) / s, 0.25f * s, (m->_23 + m->_32) / s, (m->_31 - m->_13) / s);
  } else {
    float s = std::sqrt(1.0f + m->_33 - m->_11 - m->_22) * 2;
    q = D3DXQUATERNION((m->_13 + m->_31) / s, (m->_23 + m->_32) / s, 0.25f * s, (m->_12 - m->_21) / s);
  }
  *out = q;
  return out;
}

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }

float D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(D3DXVec3Dot(v, v)); }

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b) {
  D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
  *out = r;
  return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v) {
  float len = D3DXVec3Length(v);
  if (len > 0)
    *out = D3DXVECTOR3(v->x / len, v->y / len, v->z / len);
  else
    *out = D3DXVECTOR3(0, 0, 0);
  return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR4 r(v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + m->_41,
                v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + m->_42,
                v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + m->_43,
                v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + m->_44);
  *out = r;
  return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR4 r;
  D3DXVec3Transform(&r, v, m);
  float w = r.w != 0.0f ? r.w : 1.0f;
  *out = D3DXVECTOR3(r.x / w, r.y / w, r.z / w);
  return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m) {
  D3DXVECTOR3 r(v->x * m->_11 + v->y * m->_21 + v->z * m->_31, v->x * m->_12 + v->y * m->_22 + v->z * m->_32,
                v->x * m->_13 + v->y * m->_23 + v->z * m->_33);
  *out = r;
  return out;
}

BOOL D3DXSphereBoundProbe(const D3DXVECTOR3* center, float radius, const D3DXVECTOR3* rayPosition,
                          const D3DXVECTOR3* rayDirection) {
  // Solve |p + t d - c|^2 = r^2 for t and accept a root at or after the origin.
  D3DXVECTOR3 oc = *rayPosition - *center;
  double a = D3DXVec3Dot(rayDirection, rayDirection);
  double b = 2.0 * D3DXVec3Dot(&oc, rayDirection);
  double c = static_cast<double>(D3DXVec3Dot(&oc, &oc)) - static_cast<double>(radius) * radius;
  if (a <= 0) return c <= 0;
  double disc = b * b - 4 * a * c;
  if (disc < 0) return FALSE;
  double root = std::sqrt(disc);
  return ((-b + root) / (2 * a) >= 0) ? TRUE : FALSE;
}
