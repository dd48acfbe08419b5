// Operations of the view that other subsystems provide. Until they join,
// these keep the frame loop running: the frame's sky and body passes draw
// nothing, no tips box, options dialog or system report is shown; the camera
// turn only sets the orientation. Each definition here goes away when its
// owner's code arrives.
#include <algorithm>

#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"

void CNuvarine2View::FrameMove(float) {
  BeginFrameTrail();
  FollowObjectWithTelescope();
  CloseIdleTelescopePort();
}

void CNuvarine2View::ResetAndRotateCamera(float yaw, float pitch) {
  const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f), side(0.0f, 0.0f, 1.0f);
  D3DXQUATERNION turn, tilt;
  D3DXQuaternionRotationAxis(&turn, &up, yaw);
  D3DXQuaternionRotationAxis(&tilt, &side, pitch);
  D3DXQuaternionMultiply(&m_cameraOrientation, &tilt, &turn);
}

void CNuvarine2View::DrawSkyScene() {}

void CNuvarine2View::RenderBodiesFromEarth(D3DCOLOR) {}

void CNuvarine2View::RenderSolarSystem() {}

// The view's keys: so far only those of screenshots and movies.
void CNuvarine2View::OnKeyDown(UINT nChar, UINT, UINT) {
  AbortSlewOnEscape(nChar);
  HandleCaptureKey(nChar);
}

void CNuvarine2View::OnConfiguration() {}

void CNuvarine2View::OnSystemDiagnostic() {}

int CNuvarine2View::RunStartupBox(const CString&, int& choice) {
  choice = 0;
  return IDOK;
}
