#include "ViewCamera.h"

CViewCamera::CViewCamera() {
  SetViewParameters(D3DXVECTOR3(0.0f, 0.0f, 0.0f), D3DXVECTOR3(0.0f, 0.0f, 1.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f));
  SetProjectionParameters(0.7853982f, 1.0f, 1.0f, 1000.0f);
}

void CViewCamera::SetViewParameters(const D3DXVECTOR3& eye, const D3DXVECTOR3& lookAt, const D3DXVECTOR3& up) {
  m_eye = eye;
  m_lookAt = lookAt;
  m_up = up;
  D3DXVECTOR3 direction = m_lookAt - m_eye;
  D3DXVec3Normalize(&m_viewDirection, &direction);
  D3DXVec3Cross(&m_cross, &m_viewDirection, &m_up);
  D3DXMatrixLookAtLH(&m_viewMatrix, &m_eye, &m_lookAt, &m_up);
  D3DXMatrixInverse(&m_billboardMatrix, nullptr, &m_viewMatrix);
  m_billboardMatrix._41 = 0.0f;
  m_billboardMatrix._42 = 0.0f;
  m_billboardMatrix._43 = 0.0f;
}

void CViewCamera::SetProjectionParameters(float fov, float aspect, float nearPlane, float farPlane) {
  m_fov = fov;
  m_aspect = aspect;
  m_nearPlane = nearPlane;
  m_farPlane = farPlane;
  D3DXMatrixPerspectiveFovLH(&m_projectionMatrix, fov, aspect, nearPlane, farPlane);
}
