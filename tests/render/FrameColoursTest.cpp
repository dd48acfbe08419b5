// The frame's colours and overlay texts from their inputs.
#include <gtest/gtest.h>

#include "FrameColours.h"

namespace {

FrameColourInputs Planetarium(double sunAltitude) {
  FrameColourInputs in;
  in.planetariumMode = true;
  in.naturalSkyColor = true;
  in.sunAltitudeDegrees = sunAltitude;
  return in;
}

}  // namespace

TEST(FrameColours, NaturalSkyFollowsTheSun) {
  struct Case {
    double altitude;
    double red, green, blue;
  };
  const Case cases[] = {
      {13.0, 150, 190, 245}, {40.0, 150, 190, 245}, {3.0, 50, 90, 145}, {-7.0, 0, 0, 45}, {-10.5, 0, 0, 10},
      {-40.0, 0, 0, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.altitude);
    const FrameColours out = ComputeFrameColours(Planetarium(c.altitude));
    EXPECT_NEAR(out.red, c.red, 1e-9);
    EXPECT_NEAR(out.green, c.green, 1e-9);
    EXPECT_NEAR(out.blue, c.blue, 1e-9);
    EXPECT_FLOAT_EQ(out.sky.b, static_cast<float>(static_cast<int>(c.blue)) / 255.0f);
    EXPECT_EQ(out.sky.a, 0.0f);
    EXPECT_FALSE(out.sunEclipsed);
  }
}

TEST(FrameColours, EclipsedSunDarkensTheSkyAsAtSunset) {
  FrameColourInputs in = Planetarium(30.0);
  in.moonSunSeparationDegrees = 0.05;
  const FrameColours out = ComputeFrameColours(in);
  EXPECT_TRUE(out.sunEclipsed);
  EXPECT_NEAR(out.h, 0.0, 1e-9);
  EXPECT_NEAR(out.red, 50.0, 1e-9);
  EXPECT_NEAR(out.green, 90.0, 1e-9);
  EXPECT_NEAR(out.blue, 145.0, 1e-9);
  // The same separation with the Sun down is no eclipse.
  in.sunAltitudeDegrees = -20.0;
  EXPECT_FALSE(ComputeFrameColours(in).sunEclipsed);
}

TEST(FrameColours, GlareTowardsTheSun) {
  FrameColourInputs in = Planetarium(13.0);
  in.sunDot = 0.5;
  EXPECT_NEAR(ComputeFrameColours(in).red, 155.0, 1e-9);  // + 20 d^2
  in.sunAltitudeDegrees = 0.0;                             // a Sun on the horizon does not glare
  EXPECT_NEAR(ComputeFrameColours(in).blue, 245.0 - 130.0, 1e-9);
  in.sunDot = -0.5;
  in.sunAltitudeDegrees = 13.0;
  EXPECT_NEAR(ComputeFrameColours(in).red, 150.0, 1e-9);
}

TEST(FrameColours, SolarSystemFixedColourKeepsItsWholeRange) {
  FrameColourInputs in;
  in.planetariumMode = false;
  in.fixedRed = 200;
  in.fixedGreen = 128;
  in.fixedBlue = 255;
  in.cameraSunDistance = 150.0;
  FrameColours out = ComputeFrameColours(in);
  EXPECT_NEAR(out.red, 200.0, 1e-9);
  EXPECT_NEAR(out.green, 128.0, 1e-9);
  EXPECT_NEAR(out.blue, 255.0, 1e-9);
  EXPECT_EQ(ColorValueToArgb(out.sky) & 0x00FFFFFF, 0x00C880FFu);
  // Near the Sun the glare is capped at 50; far from it, 2000 d^2 / distance.
  in.fixedRed = in.fixedGreen = in.fixedBlue = 0;
  in.sunDot = 1.0;
  in.cameraSunDistance = 10.0;
  EXPECT_NEAR(ComputeFrameColours(in).red, 50.0, 1e-9);
  in.cameraSunDistance = 100.0;
  EXPECT_NEAR(ComputeFrameColours(in).red, 20.0, 1e-9);
  EXPECT_NEAR(ComputeFrameColours(in).blue, 20.0, 1e-9);
  in.sunDot = 0.0;
  EXPECT_NEAR(ComputeFrameColours(in).blue, 10.0, 1e-9);  // blue never below 10
}

TEST(FrameColours, HorizonLightAndAmbientGrey) {
  // Sun 8 degrees down: t = -5 after the floor.
  FrameColours out = ComputeFrameColours(Planetarium(-8.0));
  EXPECT_NEAR(out.horizonRed, 78.0, 0.01);
  EXPECT_NEAR(out.horizonGreen, 68.7, 0.02);
  EXPECT_NEAR(out.horizonBlue, 61.3, 0.02);
  EXPECT_FLOAT_EQ(out.horizonLight.r, 78.0f / 255.0f);
  EXPECT_FLOAT_EQ(out.horizonLight.g, 68.0f / 255.0f);  // whole levels are truncated
  EXPECT_FLOAT_EQ(out.horizonLight.a, 245.0f / 255.0f);
  // A high Sun keeps the sky's own colour; the grey is 40 above the red.
  out = ComputeFrameColours(Planetarium(20.0));
  EXPECT_NEAR(out.horizonBlue, 245.0, 1e-9);
  EXPECT_FLOAT_EQ(out.ambientGrey.r, 190.0f / 255.0f);
  EXPECT_FLOAT_EQ(out.ambientGrey.a, 1.0f);
  // A black sky without natural colour still lights the horizon.
  FrameColourInputs in = Planetarium(20.0);
  in.naturalSkyColor = false;
  out = ComputeFrameColours(in);
  EXPECT_NEAR(out.horizonRed, 78.0, 1e-9);
  EXPECT_NEAR(out.horizonGreen, 68.7, 1e-9);
  EXPECT_NEAR(out.horizonBlue, 61.3, 1e-9);
  EXPECT_FLOAT_EQ(out.ambientGrey.g, 40.0f / 255.0f);
}

TEST(FrameColours, ColourValueToArgbRule) {
  EXPECT_EQ(ColorValueToArgb({1.5f, -0.2f, 0.5f, 1.0f}), 0xFFFF0080u);
  EXPECT_EQ(ColorValueToArgb({0.0f, 1.0f, 0.2f, 0.0f}), 0x0000FF33u);
}

TEST(FrameTexts, AnimationSpeedFactor) {
  EXPECT_EQ(FormatAnimationText("Animation", false, 1, 100.0), "Animation\n100 x");
  EXPECT_EQ(FormatAnimationText("Animation", false, 1, 2.5), "Animation\n2.500000 x");
  EXPECT_EQ(FormatAnimationText("Animation", false, 1, 0.0), "Animation\n0 x");
  EXPECT_EQ(FormatAnimationText("Animation", true, 1, 100.0), "Animation");
  EXPECT_EQ(FormatAnimationText("Animation", false, 2, 100.0), "Animation");
}

TEST(FrameTexts, OverlayLineWithZoomAndField) {
  const std::string text = FormatOverlayLine(21.0, 5.0, 9.7, 3.0, 14.0, 2007.0, 0.8f, 1920.0f, 1080.0f);
  EXPECT_EQ(text, "21:05:09  03/14/2007    Zoom: 1.0x (81.5\xB0x45.8\xB0)");
  EXPECT_NE(FormatOverlayLine(0, 0, 0, 1, 1, 2000, 0.08f, 1600, 900).find("Zoom:10.0x (8.1\xB0x4.6\xB0)"),
            std::string::npos);
}
