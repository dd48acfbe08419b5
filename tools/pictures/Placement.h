#pragma once
// Where a picture with known corner coordinates goes on its deep-sky object,
// in the units the sky drawing applies to the picture list: the picture is a
// square sprite of half-width 0.01 x (scale x large size x 60) at radius 2.01
// around the object's place shifted by the offsets (thousandths of a radian of
// right ascension and declination), turned by the object's position angle
// minus the rotation (degrees).
namespace pictures {

struct Corner {
  double ra;   // J2000 degrees
  double dec;
};

struct Placement {
  double scale = 1.0;
  double raOffset = 0.0;
  double decOffset = 0.0;
  double rotation = 0.0;
  bool mirrored = false;  // east lies right of north: the columns must be mirrored
  double centreRa = 0.0;  // radians
  double centreDec = 0.0;
  double width = 0.0;     // radians across
};

// Corners in the order south-east, south-west, north-west, north-east of the
// picture (bottom left, bottom right, top right, top left as stored).
Placement PlacePicture(const Corner corners[4]);

// The placement fields for an object at (ra, dec) radians with its large
// size (radians) and position angle byte.
void FitToObject(Placement& p, double objectRa, double objectDec, double largeSize, int positionAngle);

// Position angle (radians, north through east) of b seen from a.
double PositionAngle(double raA, double decA, double raB, double decB);
double AngularDistance(double raA, double decA, double raB, double decB);

}  // namespace pictures
