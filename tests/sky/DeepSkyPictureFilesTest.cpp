// The picture generator's placement and the generated picture list of the
// install folder (skipped when the folder was not generated).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "Catalogues.h"
#include "Json.h"
#include "Placement.h"
#include "SkyModel.h"

namespace {

using namespace pictures;

// The M42 picture of the nebula textures: south-east, south-west, north-west, north-east.
const Corner kM42[4] = {{86.083, -7.122}, {82.8645, -7.5215}, {82.4686, -4.3286}, {85.6746, -3.9321}};

TEST(PicturePlacement, CornersGiveCentreSizeAndTurn) {
  Placement p = PlacePicture(kM42);
  EXPECT_NEAR(p.centreRa / kDegToRad, 84.27, 0.02);
  EXPECT_NEAR(p.centreDec / kDegToRad, -5.73, 0.02);
  EXPECT_NEAR(p.width / kDegToRad, 3.2, 0.05);
  EXPECT_FALSE(p.mirrored);
  const double up = p.rotation;  // position angle of the picture's top before fitting
  EXPECT_NEAR(up, -7.15, 0.1);  // the top leans west: its middle has the smaller right ascension

  // Fitted to an object 0.2 degree west of the centre with position angle 90.
  const double objRa = p.centreRa - 0.2 * kDegToRad, objDec = p.centreDec;
  const double largeSize = 85.0 * 0.00029088821611367166;  // 85 arcminutes
  FitToObject(p, objRa, objDec, largeSize, 90);
  EXPECT_NEAR(p.raOffset, 0.2 * kDegToRad * 1000.0, 1e-9);
  EXPECT_NEAR(p.decOffset, 0.0, 1e-12);
  EXPECT_NEAR(p.rotation, 90.0 - up, 1e-9);
  // The sprite's half-side at radius 2.01 spans half the picture.
  EXPECT_NEAR(std::atan(0.01 * p.scale * largeSize * 60.0 / 2.01), p.width / 2, 1e-12);

  // The same corners seen in a mirror.
  const Corner mirrored[4] = {kM42[1], kM42[0], kM42[3], kM42[2]};
  EXPECT_TRUE(PlacePicture(mirrored).mirrored);
  // Right ascensions given past 360 or negative wrap.
  Corner shifted[4];
  for (int i = 0; i < 4; ++i) shifted[i] = {kM42[i].ra + 360.0, kM42[i].dec};
  EXPECT_NEAR(PlacePicture(shifted).centreRa, PlacePicture(kM42).centreRa, 1e-12);
}

TEST(PicturePlacement, JsonOfTheTextureList) {
  JsonValue v;
  std::string error;
  ASSERT_TRUE(ParseJson(R"({"subTiles":[{"ImageUrl":"a.png","worldCoords":[[[1,-.5],[2.5e1,.25]]]}]})", v, error))
      << error;
  const JsonValue* tiles = v.Find("subtiles");
  ASSERT_NE(tiles, nullptr);
  ASSERT_EQ(tiles->items.size(), 1u);
  EXPECT_EQ(tiles->items[0].Find("imageUrl")->text, "a.png");
  const JsonValue& ring = tiles->items[0].Find("worldCoords")->items[0];
  EXPECT_EQ(ring.items[0].items[1].number, -0.5);
  EXPECT_EQ(ring.items[1].items[0].number, 25.0);
  EXPECT_EQ(ring.items[1].items[1].number, 0.25);
  for (const char* bad : {"{\"a\":}", "[1,2", "{\"a\" 1}", "\"open", "[1] x"}) {
    EXPECT_FALSE(ParseJson(bad, v, error)) << bad;
  }
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

TEST(PictureInstall, GeneratedListPointsAtPicturesAndObjects) {
  const std::string install = NUVARINE_INSTALL_DIR;
  if (!Exists(install + "/textures/CP/CP.ini") || !Exists(install + "/sac/50.dat")) {
    GTEST_SKIP() << "install folder not generated";
  }
  CSkyModel model;
  model.m_installFolder = install;
  ASSERT_TRUE(model.LoadDeepSkyPictures());
  g_deepSkyObjects = new DeepSkyObject[kDeepSkyCapacity];
  g_deepSkyCount = 0;
  for (int z = 1; z <= kZoneCount; ++z) ASSERT_TRUE(LoadDeepSkyZone(install, z));

  int count = 0, m42 = -1;
  for (; count < kDeepSkyPictureLimit && g_deepSkyPictures[count].objectNumber != -1; ++count) {
    const DeepSkyPicture& p = g_deepSkyPictures[count];
    ASSERT_GE(p.objectNumber, 0);
    ASSERT_LT(p.objectNumber, g_deepSkyCount);
    EXPECT_TRUE(Exists(install + "/textures/CP/" + p.fileName.c_str())) << p.fileName.c_str();
    EXPECT_GT(p.scale, 0.0f);
    if (p.fileName == "m42.jpg") m42 = count;
  }
  EXPECT_GT(count, 400);
  ASSERT_GE(m42, 0);
  const DeepSkyPicture& p = g_deepSkyPictures[m42];
  EXPECT_STREQ(g_deepSkyObjects[p.objectNumber].name, "M 42");
  // The picture's centre lies a third of a degree or so from the catalogue place.
  EXPECT_LT(std::hypot(p.raOffset, p.decOffset), 15.0f);
  delete[] g_deepSkyObjects;
  g_deepSkyObjects = nullptr;
}

}  // namespace
