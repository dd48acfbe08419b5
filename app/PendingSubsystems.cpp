// Operations of the view that other subsystems provide. Until they join,
// these keep the frame loop running: the scene has no objects of its own,
// each frame clears the back buffer to the sky's base colour and presents it
// while the start-up windows show as the loading state says, no tips box,
// options dialog or system report is shown; the camera turn only sets the
// orientation. Each definition here goes away when its owner's code arrives.
#include <algorithm>

#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"

bool CNuvarine2View::InitObjects() { return true; }

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

bool CNuvarine2View::Render() {
  ApplyLoadingWindowState();
  if (!m_pd3dDevice) return true;
  // The sky's base colour: a natural sky darkens as the Sun goes down.
  int red = 0, green = 0, blue = 0;
  if (!m_planetariumMode) {
    red = static_cast<signed char>(m_skyColorRed);
    green = static_cast<signed char>(m_skyColorGreen);
    blue = static_cast<signed char>(m_skyColorBlue);
  } else if (m_naturalSkyColor) {
    const double h = g_bodies[kBodySun].altitude / kDegToRad - 3.0;
    const int k = h < 10.0 ? static_cast<int>((10.0 - h) * 10.0) : 0;
    red = 150 - k, green = 190 - k, blue = 245 - k;
  }
  auto clamp = [](int v) { return static_cast<DWORD>(std::clamp(v, 0, 255)); };
  m_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                      D3DCOLOR_XRGB(clamp(red), clamp(green), clamp(blue)), 1.0f, 0);
  if (SUCCEEDED(m_pd3dDevice->BeginScene())) {
    TraceCode(kTraceEndOfFrame);
    TraceCode(m_pd3dDevice->EndScene());
  }
  TraceCode(m_pd3dDevice->Present(nullptr, nullptr, nullptr, nullptr));
  AddCapturedFrame();
  FinishFrameTrail();
  return true;
}

// The view's keys: so far only those of screenshots and movies.
void CNuvarine2View::OnKeyDown(UINT nChar, UINT, UINT) { HandleCaptureKey(nChar); }

void CNuvarine2View::ReleaseSceneResources() {}

void CNuvarine2View::LoadVertexShaders() {}

void CNuvarine2View::OnConfiguration() {}

void CNuvarine2View::OnSystemDiagnostic() {}

int CNuvarine2View::RunStartupBox(const CString&, int& choice) {
  choice = 0;
  return IDOK;
}

// Sky passes still to come: the Milky Way, the picture placement preview,
// deep-sky objects and survey tiles.
void CNuvarine2View::DrawMilkyWay() {}
void CNuvarine2View::DrawPicturePlacementPreview() {}
void CNuvarine2View::DrawDeepSkyObjects() {}
void CNuvarine2View::DrawSurveyTiles() {}
