// Sky directions, scene points and pixels; the Sun-hiding tests.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "../shell/ShellTestSupport.h"
#include "Nuvarine2View.h"
#include "SolarSystemTypes.h"

namespace {

constexpr float kDeg = 0.017453292f;

// A view looking from the scene origin along a sky direction, 1920 x 1080.
class ProjectionView : public CNuvarine2View {
 public:
  void Aim(bool planetarium, float latitude, float longitude, float fov = 0.8f) {
    m_planetariumMode = planetarium;
    m_obliquity = 0.40909;
    m_backBufferWidth = 1920.0f;
    m_backBufferHeight = 1080.0f;
    m_fieldOfView = fov;
    const D3DXVECTOR3 eye(0, 0, 0);
    const D3DXVECTOR3 at = SkyToScenePoint(planetarium, latitude, longitude, 2.0f);
    // Up: the zenith (-y) in planetarium mode, the equatorial pole otherwise.
    const D3DXVECTOR3 up = planetarium ? D3DXVECTOR3(0, -1, 0) : SkyToScenePoint(false, 1.5707f, 0, 1.0f);
    m_camera.SetViewParameters(eye, at, up);
    m_camera.SetProjectionParameters(fov, 1920.0f / 1080.0f, 1e-5f, 2.3f);
    m_viewProjectionMatrix = m_camera.m_viewMatrix * m_camera.m_projectionMatrix;
  }
  // The pixel of a sky direction.
  D3DXVECTOR2 Pixel(float latitude, float longitude) {
    D3DXVECTOR3 p = SkyToScenePoint(m_planetariumMode, latitude, longitude, 2.0f);
    D3DXVec3TransformCoord(&p, &p, &m_viewProjectionMatrix);
    NdcToScreen(p.x, p.y);
    return {p.x, p.y};
  }
};

class SkyProjection : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellTestApplication();
    for (BodyState& b : g_bodies) b = BodyState{};
  }
  void TearDown() override { for (BodyState& b : g_bodies) b = BodyState{}; }
};

void ExpectNear(const D3DXVECTOR3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-5f);
  EXPECT_NEAR(v.y, y, 1e-5f);
  EXPECT_NEAR(v.z, z, 1e-5f);
}

// Angle between two sky directions of the same frame.
float Separation(float lat1, float lon1, float lat2, float lon2) {
  const float c = std::sin(lat1) * std::sin(lat2) + std::cos(lat1) * std::cos(lat2) * std::cos(lon1 - lon2);
  return std::acos(std::fmin(1.0f, std::fmax(-1.0f, c)));
}

}  // namespace

TEST_F(SkyProjection, SkyToScenePointInBothFrames) {
  ProjectionView view;
  view.m_obliquity = 0.40909;
  // Direct frame: azimuth 0 on the horizon is +z, the zenith is -y.
  ExpectNear(view.SkyToScenePoint(true, 0.0f, 0.0f, 2.0f), 0, 0, 2);
  ExpectNear(view.SkyToScenePoint(true, 1.5707964f, 0.0f, 2.0f), 0, -2, 0);
  ExpectNear(view.SkyToScenePoint(true, 0.0f, 1.5707964f, 1.0f), -1, 0, 0);
  // Ecliptic frame: the equinox stays on +y; right ascension 6 h turns by the obliquity about y.
  ExpectNear(view.SkyToScenePoint(false, 0.0f, 0.0f, 2.0f), 0, 2, 0);
  const float c = std::cos(0.40909f), s = std::sin(0.40909f);
  ExpectNear(view.SkyToScenePoint(false, 0.0f, 1.5707964f, 1.0f), c, 0, -s);
  ExpectNear(view.SkyToScenePoint(false, 1.5707964f, 0.0f, 1.0f), s, 0, c);
  // The array form gives the same point.
  float out[3];
  view.SkyToScenePoint(out, false, 0.3f, 1.2f, 1.9f);
  ExpectNear(view.SkyToScenePoint(false, 0.3f, 1.2f, 1.9f), out[0], out[1], out[2]);
}

TEST_F(SkyProjection, ScreenCentreIsTheViewAxisAndSidesKeepTheirLongitude) {
  struct Case {
    bool planetarium;
    float latitude, longitude;
  };
  const Case cases[] = {{true, 20 * kDeg, 30 * kDeg}, {true, 10 * kDeg, 300 * kDeg}, {false, 15 * kDeg, 80 * kDeg},
                        {false, -30 * kDeg, 200 * kDeg}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.planetarium << " " << c.latitude << " " << c.longitude);
    ProjectionView view;
    view.Aim(c.planetarium, c.latitude, c.longitude);
    float lat = 0, lon = 0;
    view.ScreenToSky(960, 540, lat, lon);
    EXPECT_LT(Separation(lat, lon, c.latitude, c.longitude), 0.002f);
    // A direction 5 degrees further in longitude and one 5 degrees less come
    // back on their own side of the axis.
    for (float step : {5 * kDeg, -5 * kDeg}) {
      const D3DXVECTOR2 p = view.Pixel(c.latitude, c.longitude + step);
      view.ScreenToSky(static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)), lat, lon);
      float d = lon - c.longitude;
      d = std::remainder(d, 6.2831853f);
      EXPECT_NEAR(d, step, 0.3f * kDeg);
    }
  }
}

TEST_F(SkyProjection, DirectionsRoundTripThroughPixelsWithinOnePixel) {
  for (bool planetarium : {true, false}) {
    ProjectionView view;
    view.Aim(planetarium, 25 * kDeg, 350 * kDeg);
    // One pixel of this view, in radians.
    const float pixel = 2.0f * std::tan(0.4f) / 1080.0f;
    for (float dLat : {-15 * kDeg, -4 * kDeg, 0.0f, 7 * kDeg, 16 * kDeg})
      for (float dLon : {-25 * kDeg, -9 * kDeg, 0.0f, 5 * kDeg, 12 * kDeg, 25 * kDeg}) {
        const float latitude = 25 * kDeg + dLat;
        const float longitude = std::fmod(350 * kDeg + dLon + 6.2831853f, 6.2831853f);
        const D3DXVECTOR2 p = view.Pixel(latitude, longitude);
        float lat = 0, lon = 0;
        view.ScreenToSky(static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y)), lat, lon);
        SCOPED_TRACE(testing::Message() << planetarium << " " << latitude << " " << longitude);
        EXPECT_GE(lon, 0.0f);
        EXPECT_LT(lon, 6.2831853f);
        EXPECT_LT(Separation(lat, lon, latitude, longitude), pixel);
      }
  }
}

TEST_F(SkyProjection, LongitudeStaysInOneTurnAcrossTheWholeScreen) {
  for (bool planetarium : {true, false}) {
    ProjectionView view;
    view.Aim(planetarium, 0.0f, 1 * kDeg, 1.4f);  // the view straddles longitude 0
    for (int px = 0; px <= 1920; px += 64)
      for (int py = 0; py <= 1080; py += 90) {
        float lat = 0, lon = 0;
        view.ScreenToSky(px, py, lat, lon);
        EXPECT_GE(lon, 0.0f);
        EXPECT_LT(lon, 6.2831855f);
      }
  }
}

TEST_F(SkyProjection, ProjectPointToSkyFollowsTheCameraAndClampsPointsBehindIt) {
  ProjectionView view;
  view.Aim(false, 10 * kDeg, 40 * kDeg);
  view.m_cameraPosition = {100.0, -50.0, 20.0};
  // A point 300 million km away along the view axis.
  const D3DXVECTOR3 axis = view.SkyToScenePoint(false, 10 * kDeg, 40 * kDeg, 150.0f);
  double lon = 0, lat = 0;
  view.ProjectPointToSky(100.0 + axis.x, -50.0 + axis.y, 20.0 + axis.z, lon, lat);
  EXPECT_LT(Separation(static_cast<float>(lat), static_cast<float>(lon), 10 * kDeg, 40 * kDeg), 0.003f);
  // Behind the camera and on its plane: finite directions, no overflow.
  for (const D3DXVECTOR3& offset : {axis * -1.0f, D3DXVECTOR3(0, 0, 0), axis * -1e-6f}) {
    view.ProjectPointToSky(100.0 + offset.x, -50.0 + offset.y, 20.0 + offset.z, lon, lat);
    EXPECT_TRUE(std::isfinite(lon) && std::isfinite(lat));
    EXPECT_GE(lon, 0.0);
    EXPECT_LT(lon, 6.2831855);
  }
  // A body's projection lands in its J2000 fields.
  g_bodies[kBodyMars].position = {100.0 + axis.x, -50.0 + axis.y, 20.0 + axis.z};
  view.ProjectBodyToSky(kBodyMars);
  EXPECT_NEAR(g_bodies[kBodyMars].j2000RightAscension, 40 * kDeg, 0.003);
  EXPECT_NEAR(g_bodies[kBodyMars].j2000Declination, 10 * kDeg, 0.003);
}

TEST_F(SkyProjection, ViewConeAndFront) {
  ProjectionView view;
  view.Aim(true, 0.0f, 0.0f);  // looking along +z
  EXPECT_TRUE(view.IsInViewCone(0.0f, 0.0f, 2.0f, 0.1f));
  EXPECT_TRUE(view.IsInViewCone(0.5f, 0.0f, 2.0f, 0.8f));   // 14 degrees off, cone 46
  EXPECT_FALSE(view.IsInViewCone(2.0f, 0.0f, 1.0f, 0.8f));  // 63 degrees off
  EXPECT_TRUE(view.IsInFrontOfCamera(2.0f, 0.0f, 0.1f));
  EXPECT_FALSE(view.IsInFrontOfCamera(0.0f, 1.0f, -0.1f));
}

TEST_F(SkyProjection, SunHiddenOnlyByANearBodyOnTheLineOfSight) {
  ProjectionView view;
  view.m_planetariumMode = false;
  // Camera 1 AU from the Sun along +x; the Moon 0.05 million km sunward of it.
  view.m_cameraPosition = {149.6, 0.0, 0.0};
  g_bodies[kBodySun].cameraDistance = 149.6;
  BodyState& moon = g_bodies[kBodyMoon];
  moon.position = {149.55, 0.0, 0.0};
  moon.cameraDistance = 0.05;
  moon.diameter = 3474.0;
  EXPECT_FALSE(view.IsSunVisibleFromCamera());
  // Moved off the line of sight by ten of its radii it hides nothing.
  moon.position = {149.55, 0.0174, 0.0};
  EXPECT_TRUE(view.IsSunVisibleFromCamera());
  // A body beyond the camera (further from the Sun) does not count.
  moon.position = {149.65, 0.0, 0.0};
  EXPECT_TRUE(view.IsSunVisibleFromCamera());
}

TEST_F(SkyProjection, SunVisibilityShortcuts) {
  ProjectionView view;
  BodyState& moon = g_bodies[kBodyMoon];
  view.m_cameraPosition = {149.6, 0.0, 0.0};
  moon.position = {149.55, 0.0, 0.0};
  moon.cameraDistance = 0.05;
  moon.diameter = 3474.0;
  g_bodies[kBodySun].cameraDistance = 149.6;
  // Planetarium with the Sun 6 degrees up: visible whatever lies in front.
  view.m_planetariumMode = true;
  g_bodies[kBodySun].altitude = 6 * kDeg;
  EXPECT_TRUE(view.IsSunVisibleFromCamera());
  // A camera 5 million km from the Sun never sees it.
  view.m_planetariumMode = false;
  moon.cameraDistance = 50.0;
  view.m_cameraPosition = {5.0, 0.0, 0.0};
  g_bodies[kBodySun].cameraDistance = 5.0;
  EXPECT_FALSE(view.IsSunVisibleFromCamera());
}

TEST_F(SkyProjection, BodySunlitUnlessAnotherBodyShadowsIt) {
  // The Moon straight behind the Earth as seen from the Sun.
  g_bodies[kBodyEarth].position = {149.6, 0.0, 0.0};
  g_bodies[kBodyEarth].sunDistance = 1.0;
  g_bodies[kBodyEarth].diameter = 12742.0;
  g_bodies[kBodyMoon].position = {150.0, 0.0, 0.0};
  g_bodies[kBodyMoon].sunDistance = 1.0027;
  g_bodies[kBodyMoon].diameter = 3474.0;
  EXPECT_FALSE(IsBodySunlit(kBodyMoon));
  EXPECT_TRUE(IsBodySunlit(kBodyEarth));
  g_bodies[kBodyMoon].position = {150.0, 0.2, 0.0};
  EXPECT_TRUE(IsBodySunlit(kBodyMoon));
  // Asteroids, comets and body 45 are always lit.
  EXPECT_TRUE(IsBodySunlit(1005));
  EXPECT_TRUE(IsBodySunlit(kBodyDeepImpact));
}
