#pragma once
// The view's camera: eye, look-at and up vectors with the left-handed view
// matrix built from them, the billboard matrix that turns sprites towards the
// eye, and the perspective projection.
#include "d3dx9.h"

class CViewCamera {
 public:
  // Eye at the origin looking along +z with up +y; projection pi/4, aspect 1,
  // planes 1 and 1000.
  CViewCamera();

  void SetViewParameters(const D3DXVECTOR3& eye, const D3DXVECTOR3& lookAt, const D3DXVECTOR3& up);
  // A negative field of view turns the image by 180 degrees.
  void SetProjectionParameters(float fov, float aspect, float nearPlane, float farPlane);
  D3DXMATRIX GetBillboardMatrix() const { return m_billboardMatrix; }

  D3DXVECTOR3 m_eye{};
  D3DXVECTOR3 m_lookAt{};
  D3DXVECTOR3 m_up{};
  D3DXVECTOR3 m_viewDirection{};  // unit vector from the eye to the look-at point
  D3DXVECTOR3 m_cross{};          // m_viewDirection x m_up, not normalised
  D3DXMATRIX m_viewMatrix{};
  D3DXMATRIX m_billboardMatrix{};  // inverse view matrix without its translation
  float m_fov = 0.0f;
  float m_aspect = 0.0f;
  float m_nearPlane = 0.0f;
  float m_farPlane = 0.0f;
  D3DXMATRIX m_projectionMatrix{};
};
