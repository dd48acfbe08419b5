// The view camera: default placement, billboard, projection and its
// 180-degree turn with a negative field of view.
#include <gtest/gtest.h>

#include "ViewCamera.h"
#include "d3dx9.h"

namespace {

void ExpectMatrixNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tolerance = 1e-5f) {
  for (unsigned r = 0; r < 4; ++r)
    for (unsigned c = 0; c < 4; ++c) EXPECT_NEAR(a(r, c), b(r, c), tolerance) << "row " << r << " column " << c;
}

D3DXVECTOR3 Project(const CViewCamera& camera, const D3DXVECTOR3& point) {
  D3DXMATRIX viewProjection = camera.m_viewMatrix * camera.m_projectionMatrix;
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &point, &viewProjection);
  return out;
}

}  // namespace

TEST(ViewCamera, DefaultCameraLooksAlongZWithAnIdentityBillboard) {
  CViewCamera camera;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  EXPECT_EQ(camera.m_eye, D3DXVECTOR3(0, 0, 0));
  EXPECT_EQ(camera.m_viewDirection, D3DXVECTOR3(0, 0, 1));
  EXPECT_EQ(camera.m_up, D3DXVECTOR3(0, 1, 0));
  // Left-handed: direction x up points to -x.
  EXPECT_EQ(camera.m_cross, D3DXVECTOR3(-1, 0, 0));
  ExpectMatrixNear(camera.m_viewMatrix, identity);
  ExpectMatrixNear(camera.GetBillboardMatrix(), identity);
  EXPECT_FLOAT_EQ(camera.m_fov, 0.7853982f);
  EXPECT_FLOAT_EQ(camera.m_aspect, 1.0f);
  EXPECT_FLOAT_EQ(camera.m_nearPlane, 1.0f);
  EXPECT_FLOAT_EQ(camera.m_farPlane, 1000.0f);
  // The look-at point is in the middle of the picture.
  D3DXVECTOR3 centre = Project(camera, D3DXVECTOR3(0, 0, 10));
  EXPECT_NEAR(centre.x, 0.0f, 1e-6f);
  EXPECT_NEAR(centre.y, 0.0f, 1e-6f);
}

TEST(ViewCamera, BillboardUndoesTheViewRotationWithoutTranslation) {
  CViewCamera camera;
  camera.SetViewParameters(D3DXVECTOR3(3, -2, 5), D3DXVECTOR3(4, 0, 7), D3DXVECTOR3(0, -1, 0));
  EXPECT_NEAR(camera.m_viewDirection.x, 1.0f / 3.0f, 1e-6f);
  EXPECT_NEAR(camera.m_viewDirection.y, 2.0f / 3.0f, 1e-6f);
  EXPECT_NEAR(camera.m_viewDirection.z, 2.0f / 3.0f, 1e-6f);
  // The cross product keeps the up vector's length (not normalised).
  camera.SetViewParameters(D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 1), D3DXVECTOR3(0, 2, 0));
  EXPECT_EQ(camera.m_cross, D3DXVECTOR3(-2, 0, 0));

  camera.SetViewParameters(D3DXVECTOR3(3, -2, 5), D3DXVECTOR3(4, 0, 7), D3DXVECTOR3(0, -1, 0));
  D3DXMATRIX billboard = camera.GetBillboardMatrix();
  EXPECT_EQ(billboard._41, 0.0f);
  EXPECT_EQ(billboard._42, 0.0f);
  EXPECT_EQ(billboard._43, 0.0f);
  // A sprite turned by the billboard and then viewed faces the eye: its
  // rotation cancels the view's.
  D3DXMATRIX rotation = camera.m_viewMatrix;
  rotation._41 = rotation._42 = rotation._43 = 0.0f;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  ExpectMatrixNear(billboard * rotation, identity);
}

TEST(ViewCamera, NegativeFieldOfViewTurnsThePictureHalfRound) {
  CViewCamera upright, turned;
  upright.SetProjectionParameters(0.8f, 1.7777778f, 1e-5f, 2.3f);
  turned.SetProjectionParameters(-0.8f, 1.7777778f, 1e-5f, 2.3f);
  EXPECT_FLOAT_EQ(turned.m_fov, -0.8f);
  EXPECT_FLOAT_EQ(turned.m_projectionMatrix._11, -upright.m_projectionMatrix._11);
  EXPECT_FLOAT_EQ(turned.m_projectionMatrix._22, -upright.m_projectionMatrix._22);
  EXPECT_FLOAT_EQ(turned.m_projectionMatrix._33, upright.m_projectionMatrix._33);
  EXPECT_FLOAT_EQ(turned.m_projectionMatrix._43, upright.m_projectionMatrix._43);
  // A point right of and above the centre goes left of and below it, at the
  // same depth.
  const D3DXVECTOR3 point(0.2f, 0.1f, 1.0f);
  D3DXVECTOR3 a = Project(upright, point), b = Project(turned, point);
  EXPECT_GT(a.x, 0.0f);
  EXPECT_GT(a.y, 0.0f);
  EXPECT_FLOAT_EQ(b.x, -a.x);
  EXPECT_FLOAT_EQ(b.y, -a.y);
  EXPECT_FLOAT_EQ(b.z, a.z);
}
