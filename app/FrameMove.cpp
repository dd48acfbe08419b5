// The per-frame update: device checks, animated time, following a locked
// object, the camera's flight to an object, picture placement, and the steps
// of the downloads, telescope and survey tiles, in their fixed order.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "AjouterImage.h"
#include "InstallPath.h"
#include "MediaSearch.h"
#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"
#include "Trajectory.h"

double g_flightAcceleration = 1e-07;
Vector3d g_previousCameraPosition{};

namespace {

constexpr double kSecondsPerDay = 1.1574074074074073e-05;  // days in a second
constexpr int kPictureCacheSlots = 15;

template <class T>
void ReleaseInterface(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

double Length(const Vector3d& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

// Position, camera distance and size (km) of an object number; false for a
// number without a record.
bool ObjectPlace(int n, Vector3d*& position, double*& cameraDistance, double& size) {
  if (n >= 0 && n < kBodyCount) {
    position = &g_bodies[n].position;
    cameraDistance = &g_bodies[n].cameraDistance;
    size = g_bodies[n].diameter;
    return true;
  }
  if (n >= 1000 && n < 2000 && g_asteroids && n - 1000 < g_asteroidCount) {
    position = &g_asteroids[n - 1000].position;
    cameraDistance = &g_asteroids[n - 1000].cameraDistance;
    size = g_asteroids[n - 1000].displaySize;
    return true;
  }
  if (n >= 2000 && n < 3000 && g_comets && n - 2000 < g_cometCount) {
    position = &g_comets[n - 2000].position;
    cameraDistance = &g_comets[n - 2000].cameraDistance;
    size = g_comets[n - 2000].displaySize;
    return true;
  }
  return false;
}

bool EndsWithJpg(const CString& path) {
  const std::string s = path.c_str();
  if (s.size() < 4) return false;
  std::string tail = s.substr(s.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".jpg";
}

}  // namespace

// The sky looks for placed pictures in textures/CP only: a picture chosen
// elsewhere is copied there (through a temporary name), unless a file of
// that name is there already, which is kept. False when the copy failed.
namespace {

bool SameFileContent(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error)) return true;
  const auto sizeA = std::filesystem::file_size(a, error);
  if (error) return false;
  const auto sizeB = std::filesystem::file_size(b, error);
  if (error || sizeA != sizeB) return false;
  std::ifstream inA(a, std::ios::binary), inB(b, std::ios::binary);
  if (!inA || !inB) return false;
  char bufA[8192], bufB[8192];
  while (inA && inB) {
    inA.read(bufA, sizeof bufA);
    inB.read(bufB, sizeof bufB);
    if (inA.gcount() != inB.gcount() || std::memcmp(bufA, bufB, static_cast<size_t>(inA.gcount())) != 0) return false;
  }
  return inA.eof() && inB.eof();
}

}  // namespace

bool CNuvarine2View::CopyPictureIntoFolder(const std::string& chosenPath, std::string& name) const {
  namespace fs = std::filesystem;
  if (name.empty()) return true;
  std::error_code error;
  const fs::path source = ResolveInstallPath("", chosenPath);
  fs::path target = ResolveInstallPath(m_installFolder.c_str(), "textures\\CP\\" + name);
  if (!fs::is_regular_file(source, error)) return true;  // nothing to copy: the preview showed nothing either
  if (fs::exists(target, error)) {
    if (SameFileContent(source, target)) return true;
    // Another picture already has this name: both are kept, the new one under
    // the first free numbered name (m1-2.jpg, m1-3.jpg...), which the list records.
    const size_t dot = name.find_last_of('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    bool found = false;
    for (int n = 2; n < 1000 && !found; ++n) {
      const std::string candidate = stem + "-" + std::to_string(n) + extension;
      const fs::path path = ResolveInstallPath(m_installFolder.c_str(), "textures\\CP\\" + candidate);
      if (fs::exists(path, error) && !SameFileContent(source, path)) continue;
      name = candidate;
      if (fs::exists(path, error)) return true;  // this very picture was kept before
      target = path;
      found = true;
    }
    if (!found) return false;
  }
  fs::create_directories(target.parent_path(), error);
  const fs::path temporary = target.string() + ".part";
  fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, error);
  if (!error) fs::rename(temporary, target, error);
  if (error) {
    fs::remove(temporary, error);
    return false;
  }
  return true;
}

double CNuvarine2View::AbsoluteTime() const { return ApplyTimerCommand(TIMER_ABSOLUTE_TIME); }

bool CNuvarine2View::LocalClock(double& year, double& month, double& day, double& hour, double& minute,
                                double& second) const {
  timespec now{};
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  tm local{};
  if (!localtime_r(&now.tv_sec, &local)) return false;
  year = local.tm_year + 1900.0;
  month = local.tm_mon + 1.0;
  day = local.tm_mday;
  hour = local.tm_hour;
  minute = local.tm_min;
  second = local.tm_sec + std::floor(now.tv_nsec / 1e6) * 0.001;
  return true;
}

// A clock that cannot be read keeps the instant shown (rather than year 0
// and hour -1).
void CNuvarine2View::TakeClockTime() {
  double y, mo, d, h, mi, s;
  if (!LocalClock(y, mo, d, h, mi, s)) return;
  m_year = y, m_month = mo, m_day = d, m_hour = h, m_minute = mi, m_second = s;
}

void CNuvarine2View::FrameMove(float frameTime) {
  // 1. The trail restarts every frame once the first frame's copy exists.
  BeginFrameTrail();

  // 2. Options the device cannot honour.
  if (const D3DCAPS9* caps = m_pDeviceCaps) {
    if (!(caps->PrimitiveMiscCaps & D3DPMISCCAPS_TSSARGTEMP)) m_reflection = false;
    if (!(caps->TextureOpCaps & D3DTEXOPCAPS_DOTPRODUCT3)) m_bumpMapping = 0;
    if (!(caps->TextureCaps & D3DPTEXTURECAPS_MIPMAP)) m_mipMapping = false;
    m_depthTestMode = 1;
    if (caps->MaxSimultaneousTextures < 3) m_bumpMapping = 0;
    if (caps->MaxSimultaneousTextures < 4) m_reflection = false;
  }

  // 3. A lost device is reset once it can be.
  if (m_videoConfigValid && m_pd3dDevice && m_pd3dDevice->TestCooperativeLevel() == D3DERR_DEVICENOTRESET)
    ResetObjects(static_cast<int>(m_backBufferWidth), static_cast<int>(m_backBufferHeight));

  // 4. Huygens drawn on Cassini until the separation.
  UpdateHuygensMaterials();

  // 5-7. Downloads and surface tiles work on the computer's own date.
  const double computerJulianDate = JulianDayOfSystemClock();
  RunAutomaticRefreshes(computerJulianDate);
  RunSurfaceTiles();

  // 8. Time and following.
  if (m_animationRunning) AdvanceAnimation();

  // 9. Picture placement.
  if (m_planetariumMode && m_pictureTargetObject != -1) UpdatePicturePlacement();

  // 10. Flight to an object.
  if (m_flightTargetBody != -1) FlyCamera();

  // 11-12. Telescope.
  FollowObjectWithTelescope();
  CloseIdleTelescopePort();

  // 13. Survey tiles.
  RequestSurveyTiles();

  // 14. Camera speed in km/s, smoothed while it moves.
  const Vector3d moved{g_previousCameraPosition.x - m_cameraPosition.x, g_previousCameraPosition.y - m_cameraPosition.y,
                       g_previousCameraPosition.z - m_cameraPosition.z};
  double speed = frameTime > 0.0f ? Length(moved) * 1000000.0 / frameTime : 0.0;
  if (speed != 0.0) speed = (speed - m_cameraSpeed) * 0.5 + m_cameraSpeed;
  m_cameraSpeed = speed;

  // 15. Bodies' draw flags to the texture and mesh manager.
  UpdateBodyDrawFlags();
  SyncBodyTexturesAndMeshes();

  // 16.
  g_previousCameraPosition = m_cameraPosition;
}

void CNuvarine2View::AdvanceAnimation() {
  if (m_realTime) {
    TakeClockTime();
  } else if (m_animationMethod == 1) {
    const double elapsed = (AbsoluteTime() - m_animationStartTime) * m_animationSpeedFactor * kSecondsPerDay;
    const double date = m_animationStartDate + (m_animationReversed ? -elapsed : elapsed);
    // A date that is no number would stay so for the rest of the run.
    if (std::isfinite(date)) m_julianDate = date;
    CalendarFromJulianDay(m_year, m_month, m_day, m_hour, m_minute, m_second, m_julianDate);
  } else if (m_animationMethod == 2) {
    const int n = m_animationStepCount;
    if (m_animationFps > 0.0 && n / m_animationFps <= AbsoluteTime() - m_animationStartTime) {
      m_animationStepCount = n + 1;
      const double step = m_animationStepDays + m_animationStepHours * 0.041666666666666664 +
                          m_animationStepMinutes * 0.0006944444444444445 + m_animationStepSeconds * kSecondsPerDay;
      m_julianDate += m_animationReversed ? -step : step;
      CalendarFromJulianDay(m_year, m_month, m_day, m_hour, m_minute, m_second, m_julianDate);
    }
    if (!m_animationAutomatic) m_animationRunning = false;
  }

  // A probe's trajectory holds only for its own dates.
  if (g_trajectory[0].julianDate != 0.0 && !IsDateInTrajectory()) {
    std::memset(g_trajectory, 0, sizeof g_trajectory);
    m_lockedObject = -1;
    m_trajectoryBody = -1;
  }

  // The camera keeps its offset to the locked object.
  Vector3d* position = nullptr;
  double* distance = nullptr;
  double size = 0.0;
  if (m_lockedObject == -1 || !ObjectPlace(m_lockedObject, position, distance, size)) {
    UpdateSkyPositions();
    return;
  }
  const Vector3d offset{m_cameraPosition.x - position->x, m_cameraPosition.y - position->y,
                        m_cameraPosition.z - position->z};
  UpdateSkyPositions();
  m_cameraPosition = Vector3d{position->x + offset.x, position->y + offset.y, position->z + offset.z};
}

void CNuvarine2View::UpdatePicturePlacement() {
  AjouterImage* window = m_pAddPictureDialog;
  if (!window) return;
  window->UpdateData(TRUE);
  if (window->m_pictureChanged) {
    ReleaseInterface(m_placementPictureTexture);
    if (!window->m_path.IsEmpty() && EndsWithJpg(window->m_path)) {
      IDirect3DTexture9* texture = nullptr;
      if (SUCCEEDED(D3DXCreateTextureFromFileExA(m_pd3dDevice, window->m_path.c_str(), 0, 0, 1, 0, D3DFMT_R8G8B8,
                                                 D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_NONE, 0, nullptr,
                                                 nullptr, &texture)))
        m_placementPictureTexture = texture;
    }
    window->m_pictureChanged = 0;
  }
  if (window->m_cancelPressed) {
    // Cancel abandons the placement: the preview ends and the deep-sky
    // objects are drawn again.
    window->m_cancelPressed = false;
    window->m_okPressed = false;
    window->ShowWindow(SW_HIDE);
    ReleaseInterface(m_placementPictureTexture);
    m_pictureTargetObject = -1;
    return;
  }
  if (!window->m_okPressed) return;
  window->m_okPressed = false;
  window->ShowWindow(SW_HIDE);
  int slot = -1;
  for (int i = 0; i < kDeepSkyPictureLimit; ++i) {
    const int number = g_deepSkyPictures[i].objectNumber;
    if (number == -1 || number == m_pictureTargetObject) {
      slot = i;
      break;
    }
  }
  if (slot < 0) {
    // Every entry is taken: say so and keep the list as it is.
    AfxMessageBox("The picture could not be placed: the list already holds 500 pictures.", MB_OK | MB_ICONWARNING);
    m_pictureTargetObject = -1;
    return;
  }
  DeepSkyPicture& entry = g_deepSkyPictures[slot];
  const bool wasEnd = entry.objectNumber == -1;
  entry.scale = window->m_editScale;
  entry.fileName = window->m_path;
  entry.objectNumber = m_pictureTargetObject;
  entry.raOffset = window->m_editRaCorrection;
  entry.decOffset = window->m_editDecCorrection;
  entry.rotation = window->m_editRotation;
  // The list ends at the first free entry: a new last picture moves the end.
  if (wasEnd && slot + 1 <= kDeepSkyPictureLimit) g_deepSkyPictures[slot + 1].objectNumber = -1;
  if (!entry.fileName.IsEmpty()) {
    // The list keeps the file name only: the path may come from either kind
    // of file chooser, with '\\' or '/' between its folders.
    const std::string chosen = entry.fileName.c_str();
    const size_t cut = chosen.find_last_of("\\/");
    std::string name = cut == std::string::npos ? chosen : chosen.substr(cut + 1);
    const bool copied = CopyPictureIntoFolder(chosen, name);
    entry.fileName = name.c_str();
    if (!copied)
      AfxMessageBox(("The picture could not be copied into the pictures folder textures/CP: the sky will not find "
                     "it.\r\n\r\n" + chosen).c_str(),
                    MB_OK | MB_ICONWARNING);
    ReleaseInterface(m_placementPictureTexture);
    ReleasePictureCache();
  }
  if (!SaveDeepSkyPictures()) AfxMessageBox("The list of pictures could not be saved.", MB_OK | MB_ICONWARNING);
  m_pictureTargetObject = -1;
}

void CNuvarine2View::FlyCamera() {
  const int t = m_flightTargetBody;
  UpdateSkyPositions();
  Vector3d* position = nullptr;
  double* distance = nullptr;
  double size = 0.0;
  if (!ObjectPlace(t, position, distance, size)) {
    m_flightTargetBody = -1;
    return;
  }
  m_flightSpeed += g_flightAcceleration;
  g_flightAcceleration *= 1.1;
  m_flightSpeed = std::min(m_flightSpeed, 20.0);
  if (*distance < 30.0) m_flightSpeed = 0.0402264605 * std::pow(*distance, 0.992551548199);

  Vector3d u{position->x - m_cameraPosition.x, position->y - m_cameraPosition.y, position->z - m_cameraPosition.z};
  const double length = Length(u);
  if (length > 0.0) {
    u = Vector3d{u.x / length, u.y / length, u.z / length};
    // Never past the target: the last step lands on it.
    const double step = std::min(m_flightSpeed, length);
    m_cameraPosition = Vector3d{m_cameraPosition.x + u.x * step, m_cameraPosition.y + u.y * step,
                                m_cameraPosition.z + u.z * step};

    D3DXVECTOR3 look = m_flightLookDirection;
    D3DXVec3Normalize(&look, &look);
    const D3DXVECTOR3 towards(static_cast<float>(u.x), static_cast<float>(u.y), static_cast<float>(u.z));
    D3DXVECTOR3 axis;
    D3DXVec3Cross(&axis, &towards, &look);
    const float cosine = std::clamp(D3DXVec3Dot(&towards, &look), -1.0f, 1.0f);
    if (D3DXVec3Length(&axis) < 1e-12f && cosine < 0.0f) {
      // Looking exactly away from the target: turn about any perpendicular.
      const D3DXVECTOR3 other = std::fabs(look.x) < 0.9f ? D3DXVECTOR3(1, 0, 0) : D3DXVECTOR3(0, 1, 0);
      D3DXVec3Cross(&axis, &look, &other);
    }
    if (D3DXVec3Length(&axis) >= 1e-12f) {
      D3DXVec3Normalize(&axis, &axis);
      D3DXMATRIX turn;
      D3DXMatrixRotationAxis(&turn, &axis, -0.9f * std::acos(cosine));
      D3DXVec3TransformNormal(&look, &look, &turn);
    }
    m_flightLookDirection = look;
    m_camera.SetViewParameters(D3DXVECTOR3(0.0f, 0.0f, 0.0f), m_flightLookDirection, -m_cameraUp);
  }

  // Arrival: within the distance at which the object fills the view, or at it.
  const Vector3d d{position->x - m_cameraPosition.x, position->y - m_cameraPosition.y, position->z - m_cameraPosition.z};
  *distance = Length(d);
  if (t < kBodyCount) g_bodies[t].surfaceDistance = *distance - size * 5e-07;
  const double arrival = size / (std::tan(0.4) * 1000000.0);
  if (*distance > arrival && length > 0.0) return;
  m_cameraPosition = *position;
  *distance = arrival;
  if (t < kBodyCount) g_bodies[t].surfaceDistance = arrival - size * 5e-07;
  const int locked = m_lockedObject;
  m_lockedObject = t;
  const D3DXVECTOR3 look = m_flightLookDirection;
  PlaceCameraNearObject(t, look.x, look.y, look.z);
  if (locked != -1) {
    m_centeringPending = true;
  } else {
    m_lockedObject = -1;
  }
  m_flightTargetBody = -1;
  m_flightSpeed = 0.0;
  g_flightAcceleration = 1e-07;
}

void CNuvarine2View::MoveCameraAlongView(short delta) {
  const D3DXVECTOR3 v = CameraBackAxis();
  double step = 30.0;
  // A body whose step would exceed 20 million km is too far to slow the
  // camera: far from every body a notch moves the full 30.
  auto consider = [&step](double distance) {
    const double t = 0.04022646 * std::pow(distance, 0.99255157);
    if (t > 0.0 && t <= 20.0 && t < step) step = t;
  };
  for (int k = 0; k <= 71 && k < kBodyCount; ++k) {
    const bool satellite = k == 11 || k == 12 || (k >= 49 && k <= 56) || (k >= 59 && k <= 70);
    if (g_bodies[k].diameter >= 1.0 || k == m_lockedObject || satellite) consider(g_bodies[k].surfaceDistance);
  }
  if (m_showComets && g_comets)
    for (int i = 0; i < std::min(g_displayedCometCount, kDisplayListSize); ++i) {
      const int c = g_displayedCometIndices[i];
      if (c >= 0 && c < g_cometCount) consider(g_comets[c].cameraDistance);
    }
  if (m_showAsteroids && g_asteroids)
    for (int i = 0; i < std::min(g_displayedAsteroidCount, kDisplayListSize); ++i) {
      const int a = g_displayedAsteroidIndices[i];
      if (a >= 0 && a < g_asteroidCount) consider(g_asteroids[a].cameraDistance);
    }
  const double sign = delta < 0 ? -1.0 : delta > 0 ? 1.0 : 0.0;
  m_cameraPosition = Vector3d{m_cameraPosition.x + sign * step * v.x, m_cameraPosition.y + sign * step * v.y,
                              m_cameraPosition.z + sign * step * v.z};
  Vector3d* position = nullptr;
  double* distance = nullptr;
  double size = 0.0;
  if (m_lockedObject != -1 && ObjectPlace(m_lockedObject, position, distance, size)) {
    const Vector3d d{position->x - m_cameraPosition.x, position->y - m_cameraPosition.y,
                     position->z - m_cameraPosition.z};
    *distance = Length(d);
    if (m_lockedObject < kBodyCount) g_bodies[m_lockedObject].surfaceDistance = *distance - size * 5e-7;
  }
  RebuildCameraView(-m_cameraUp);
}

void CNuvarine2View::PlaceCameraNearObject(int objectNumber, double dx, double dy, double dz) {
  Vector3d* position = nullptr;
  double* distance = nullptr;
  double size = 0.0;
  if (ObjectPlace(objectNumber, position, distance, size))
    m_cameraPosition = Vector3d{position->x - *distance * dx, position->y - *distance * dy,
                                position->z - *distance * dz};
  m_camera.SetViewParameters(D3DXVECTOR3(0.0f, 0.0f, 0.0f),
                             D3DXVECTOR3(static_cast<float>(dx), static_cast<float>(dy), static_cast<float>(dz)),
                             -m_cameraUp);
}
