// Turning and placing the 3D camera, and the switch between the planetarium
// and the solar system.
#include <cmath>

#include "Nuvarine2View.h"
#include "Resource.h"
#include "SolarSystemTypes.h"

D3DXQUATERNION g_lastAcceptedOrientation{0.0f, 0.0f, 0.0f, 1.0f};

namespace {

D3DXQUATERNION operator*(const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
  D3DXQUATERNION out;
  D3DXQuaternionMultiply(&out, &a, &b);
  return out;
}

D3DXQUATERNION AxisRotation(const D3DXVECTOR3& axis, float angle) {
  D3DXQUATERNION q;
  D3DXQuaternionRotationAxis(&q, &axis, angle);
  return q;
}

double Distance(const Vector3d& a, const Vector3d& b) {
  const double x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
  return std::sqrt(x * x + y * y + z * z);
}

}  // namespace

void CNuvarine2View::ReadCameraAxes() {
  D3DXMATRIX m;
  D3DXMatrixRotationQuaternion(&m, &m_cameraOrientation);
  m_cameraSide = D3DXVECTOR3(m._11, m._12, m._13);
  m_cameraUp = D3DXVECTOR3(m._21, m._22, m._23);
}

D3DXVECTOR3 CNuvarine2View::CameraBackAxis() const {
  D3DXVECTOR3 c;
  D3DXVec3Cross(&c, &m_cameraUp, &m_cameraSide);
  D3DXVec3Normalize(&c, &c);
  return c;
}

void CNuvarine2View::RebuildCameraView(const D3DXVECTOR3& up) {
  m_camera.SetViewParameters(D3DXVECTOR3(0.0f, 0.0f, 0.0f), -CameraBackAxis(), up);
}

void CNuvarine2View::RotateCamera(int mode, float a1, float a2) {
  if (mode == 1) {
    const D3DXQUATERNION pitch = AxisRotation(m_cameraSide, a2);
    const D3DXQUATERNION yaw =
        AxisRotation(m_planetariumMode ? D3DXVECTOR3(0.0f, 1.0f, 0.0f) : m_cameraUp, a1);
    const D3DXVECTOR3 oldUp = m_cameraUp, oldSide = m_cameraSide;
    m_cameraOrientation = m_cameraOrientation * pitch * yaw;
    ReadCameraAxes();
    if (!m_planetariumMode) {
      RebuildCameraView(-m_cameraUp);
      return;
    }
    D3DXVECTOR3 c;
    D3DXVec3Cross(&c, &m_cameraUp, &m_cameraSide);
    if (m_cameraUp.y > 0.0f && c.y >= 0.0f) {
      RebuildCameraView(D3DXVECTOR3(0.0f, -1.0f, 0.0f));
      g_lastAcceptedOrientation = m_cameraOrientation;
    } else {
      // Upside down or below the horizon: nothing moves.
      m_cameraOrientation = g_lastAcceptedOrientation;
      m_cameraUp = oldUp;
      m_cameraSide = oldSide;
    }
  } else if (mode == 2) {
    if (m_planetariumMode || m_lockedObject < 0) return;
    m_cameraOrientation = m_cameraOrientation * AxisRotation(m_cameraUp, a1) * AxisRotation(m_cameraSide, a2);
    ReadCameraAxes();
    D3DXVECTOR3 c;
    D3DXVec3Cross(&c, &m_cameraUp, &m_cameraSide);
    Vector3d centre;
    double k = 0.0;
    if (!LockedObjectPlace(centre, k)) return;
    m_cameraPosition = Vector3d{centre.x + k * c.x, centre.y + k * c.y, centre.z + k * c.z};
    RebuildCameraView(-m_cameraUp);
  } else if (mode == 3) {
    if (m_planetariumMode) return;
    D3DXVECTOR3 c;
    D3DXVec3Cross(&c, &m_cameraUp, &m_cameraSide);
    m_cameraOrientation = m_cameraOrientation * AxisRotation(c, a1);
    ReadCameraAxes();
    RebuildCameraView(-m_cameraUp);
  }
}

bool CNuvarine2View::LockedObjectPlace(Vector3d& position, double& cameraDistance) const {
  const int n = m_lockedObject;
  if (n >= 0 && n < kBodyCount) {
    position = g_bodies[n].position;
    cameraDistance = g_bodies[n].cameraDistance;
    return true;
  }
  // A lock can outlive a reload of a shorter elements file: only a record
  // that is still there has a place.
  if (n >= 1000 && n < 2000 && g_asteroids && n - 1000 < g_asteroidCount) {
    position = g_asteroids[n - 1000].position;
    cameraDistance = g_asteroids[n - 1000].cameraDistance;
    return true;
  }
  if (n >= 2000 && n < 3000 && g_comets && n - 2000 < g_cometCount) {
    position = g_comets[n - 2000].position;
    cameraDistance = g_comets[n - 2000].cameraDistance;
    return true;
  }
  return false;
}

void CNuvarine2View::ResetAndRotateCamera(float yaw, float pitch) {
  if (!m_planetariumMode) return;
  m_cameraUp = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  m_cameraSide = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
  m_cameraOrientation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
  RotateCamera(1, 0.0f, 0.0f);
  RotateCamera(1, yaw, pitch);
}

// Locks the body and places the camera `distance` million km from its centre
// along the back axis of the reset orientation turned by `turn` about the
// side axis.
void CNuvarine2View::StandOffFromBody(int body, float turn, double distance) {
  m_lockedObject = body;
  m_cameraOrientation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
  m_cameraUp = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  m_cameraSide = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
  RotateCamera(1, 0.0f, 0.0f);
  RotateCamera(2, 0.0f, turn);
  const D3DXVECTOR3 v = CameraBackAxis();
  BodyState& b = g_bodies[body];
  m_cameraPosition = Vector3d{b.position.x + distance * v.x, b.position.y + distance * v.y,
                              b.position.z + distance * v.z};
  b.cameraDistance = Distance(b.position, m_cameraPosition);
  b.surfaceDistance = b.cameraDistance - b.diameter * 5e-7;
  RebuildCameraView(-m_cameraUp);
  UpdateSkyPositions();
}

// The default distance shows the body about 0.8 rad wide (twice 0.4 rad):
// it fills a good part of the view, whatever its size, the Sun and the Earth
// included.
void CNuvarine2View::GoToBody(int body, double distance) {
  // The planetarium's camera stays at the observer: moving it would put the
  // sky of the horizon frame thousands of million km away.
  if (m_planetariumMode || body < 0 || body >= kBodyCount) return;
  if (distance == 0.0) distance = g_bodies[body].diameter / std::tan(0.4) * 1e-6;
  StandOffFromBody(body, -1.2f, distance);
}

// The whole solar system: 30,000 million km from the Sun by default.
void CNuvarine2View::GoToSun(double distance) {
  if (m_planetariumMode) return;
  StandOffFromBody(kBodySun, 0.0f, distance == 0.0 ? 30000.0 : distance);
}

void CNuvarine2View::GoToEarth() {
  if (m_planetariumMode) return;
  StandOffFromBody(kBodyEarth, -0.01f, 1.0);
}

void CNuvarine2View::OnToggleMode() {
  if ((m_deviceReady && !m_sceneReady) || m_modeSwitchBusy) return;
  m_lockedObject = -1;
  m_flightTargetBody = -1;
  m_modeSwitchBusy = true;
  if (m_frameCounter > 3) {
    ShowLoadingMessage(2, IDS_INITIALIZING_3D, "");
    m_loadingWindow = 2;
  } else {
    m_loadingWindow = 1;
  }
  m_cameraOrientation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
  m_cameraUp = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  m_cameraSide = D3DXVECTOR3(0.0f, 0.0f, 1.0f);
  m_cameraPosition = Vector3d{};
  m_fieldOfView = 0.8f;
  UpdateProjection(0.0f, 0.0f, 0.0f);
  if (!m_planetariumMode) {
    m_planetariumMode = true;
    // The southern view.
    ResetAndRotateCamera(3.1515927f, 0.2f);
    m_cameraPosition = Vector3d{};
    m_lockedObject = -1;
  } else {
    m_planetariumMode = false;
    for (int i = 0; i < 2; ++i) {
      m_frameCounter = 0;
      OnInfoEarth();
    }
  }
  UpdateSkyPositions();
  ResetObjects(static_cast<int>(m_backBufferWidth), static_cast<int>(m_backBufferHeight));
  m_modeSwitchBusy = false;
}
