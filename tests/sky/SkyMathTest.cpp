#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "SkyMath.h"

TEST(SkyMath, Rounding) {
  struct Case {
    double in, round, trunc;
  } cases[] = {
      {0.5, 1, 0}, {-0.5, -1, -0}, {599.5, 600, 599}, {2.5, 3, 2}, {-2.5, -3, -2}, {2.4999, 2, 2}, {-3.7, -4, -3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RoundHalfAwayFromZero(c.in), c.round) << c.in;
    EXPECT_EQ(TruncateTowardZero(c.in), c.trunc) << c.in;
  }
  double x = -3.7;
  EXPECT_EQ(TruncateInPlace(x), 3);
  EXPECT_EQ(x, -3.0);
}

TEST(SkyMath, AngleReduction) {
  EXPECT_NEAR(NormalizeAngle(-kPi / 2), 3 * kPi / 2, 1e-12);
  EXPECT_NEAR(NormalizeAngle(7 * kPi), kPi, 1e-12);
  EXPECT_NEAR(FoldAngle(3 * kPi / 2), kPi / 2, 1e-12);
  EXPECT_NEAR(NormalizeAngleFloat(-1.0f), kTwoPi - 1.0, 1e-6);
  for (double a : {-1e-18, -kTwoPi, kTwoPi, 1e6, -1e6}) {
    const double r = NormalizeAngle(a);
    EXPECT_GE(r, 0.0) << a;
    EXPECT_LT(r, kTwoPi) << a;
  }
}

TEST(SkyMath, Vectors) {
  Vector3d v;
  SetVector3d(3, 0, 4, v);
  const Vector3d n = NormalizeVector3d(v);
  EXPECT_DOUBLE_EQ(n.x, 0.6);
  EXPECT_DOUBLE_EQ(n.z, 0.8);
  const Vector3d zero = NormalizeVector3d(Vector3d{});
  EXPECT_EQ(zero.x, 0.0);
  EXPECT_EQ(zero.y, 0.0);
  EXPECT_EQ(zero.z, 0.0);
  Vector3d sum, diff, scaled, widened;
  AddVector3d(sum, v, n);
  SubtractVector3d(diff, sum, n);
  ScaleVector3d(2.0, scaled, diff);
  SetVector3dFromFloats(widened, 1.5f, -2.0f, 0.25f);
  EXPECT_DOUBLE_EQ(scaled.x, 6.0);
  EXPECT_DOUBLE_EQ(scaled.z, 8.0);
  EXPECT_DOUBLE_EQ(widened.y, -2.0);
}

TEST(SkyMath, AngularSeparationIsNeverNaN) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> ra(0, kTwoPi), dec(-kPi / 2, kPi / 2);
  for (int i = 0; i < 100000; ++i) {
    const double a = ra(rng), d = dec(rng);
    const double s = AngularSeparation(a, a, d, d);
    ASSERT_FALSE(std::isnan(s)) << a << " " << d;
    ASSERT_LT(s, 1e-6);
  }
  EXPECT_NEAR(AngularSeparation(0, 1, kPi / 2, -kPi / 2), kPi, 1e-12);
  EXPECT_NEAR(AngularSeparation(0, kPi / 2, 0, 0), kPi / 2, 1e-12);
}
