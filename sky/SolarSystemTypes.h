#pragma once
// Solar-system bodies, orbit slots, comets and asteroids: the records and the
// process-wide tables the sky model fills and the drawing reads.
#include <cstdint>

#include "CString.h"
#include "PlanetLibrary.h"
#include "SkyMath.h"

// ---- Body table -------------------------------------------------------------
constexpr int kBodyCount = 72;
constexpr int kOrbitSlotCount = 29;

// Body numbers used by name in the code.
enum BodyNumber {
  kBodySun = 0, kBodyMercury = 1, kBodyVenus = 2, kBodyEarth = 3, kBodyMars = 4, kBodyJupiter = 5, kBodySaturn = 6,
  kBodyUranus = 7, kBodyNeptune = 8, kBodyPluto = 9, kBodyMoon = 10, kBodyHubble = 11, kBodyIss = 12, kBodyIo = 13,
  kBodyEuropa = 14, kBodyGanymede = 15, kBodyCallisto = 16, kBodyGalileo = 17, kBodyPhobos = 18, kBodyDeimos = 19,
  kBodyMimas = 20, kBodyTitan = 21, kBodyEncelade = 22, kBodyTethys = 23, kBodyDione = 24, kBodyRhea = 25,
  kBodyHyperion = 26, kBodyIapetus = 27, kBodyPhoebe = 28, kBodyMiranda = 29, kBodyAriel = 30, kBodyUmbriel = 31,
  kBodyTitania = 32, kBodyOberon = 33, kBodyProtee = 34, kBodyTriton = 35, kBodyNereide = 36, kBodyCharon = 37,
  kBodyVoyager2 = 38, kBodySpirit = 39, kBodyCassini = 40, kBodyVoyager1 = 41, kBodyPionner10 = 42,
  kBodyRosetta = 43, kBodySedna = 44, kBodyDeepImpact = 45, kBodyTempel1 = 46, kBodyNewHorizons = 47,
  kBodyMarsExpress = 48, kBodyNoaa10 = 49, kBodyNoaa18 = 56, kBodyVenusExpress = 57, kBodyNear = 58,
  kBodyJason1 = 59, kBodyCorot = 70, kBodyHuygens = 71,
};

// Computed state of one body: 28 consecutive doubles. Angles in radians,
// positions in millions of km in the heliocentric ecliptic scene frame.
struct BodyState {
  double azimuth;
  double altitude;
  double eclipticLongitude;
  double eclipticLatitude;
  double earthDistance;      // AU; millions of km for bodies placed around a parent in solar-system mode
  double sunDistance;        // AU
  double diameter;           // km
  double apparentDiameter;
  double rightAscension;     // apparent topocentric, of date
  double declination;
  double magnitude;
  double phaseAngle;
  double illumination;
  double heliocentricLongitude;
  double heliocentricLatitude;
  double j2000RightAscension;
  double j2000Declination;
  double elongation;
  Vector3d position;
  double cameraDistance;     // millions of km
  double surfaceDistance;    // millions of km
  double rotationAngle;
  double sceneAzimuth;
  double sceneAltitude;
  double phaseOffset;
  double absoluteMagnitude;  // 100 = no meaningful brightness
};
static_assert(sizeof(BodyState) == 28 * sizeof(double), "BodyState is 28 doubles");

extern BodyState g_bodies[kBodyCount];
// North-pole direction of each body in the scene frame.
extern float g_bodyPoles[kBodyCount][3];

// Orbit types of a slot.
enum OrbitType : uint8_t { kOrbitKepler = 1, kOrbitPlanetLibrary = 2, kOrbitTwoLineElements = 3 };

struct OrbitRecord {
  double meanMotion;          // rad/day
  double epoch;               // Julian date
  double semiMajorAxis;       // AU
  double inclination;         // rad
  double argumentOfPeriapsis; // rad
  double ascendingNode;       // rad
  double meanAnomaly;         // rad at the epoch
  double eccentricity;
  double absoluteMagnitude;
  double position[3];         // millions of km: offset from the parent (types 1, 3) or heliocentric (2)
  uint8_t orbitType;
};

extern OrbitRecord g_orbits[kOrbitSlotCount];

// Fills the constant parts of g_bodies, g_orbits and g_bodyPoles; once at start-up.
void InitBodyConstants();

// ---- Planet library ---------------------------------------------------------
// Entry point of the loaded planet library; null until LoadPlanetLibrary succeeds.
extern PlanetesCalculProc g_pPlanetesCalcul;
// Text and caption of the message shown when the library cannot be loaded.
constexpr int kPlanetLibraryFailureStringId = 300;
constexpr const char* kPlanetLibraryFailureText = "Impossible to load the Orbicalc.dll file";
constexpr const char* kPlanetLibraryFailureCaption = "Nuvarine 2.0";

// ---- Comets and asteroids ---------------------------------------------------
constexpr int kMaxCometRecords = 999;
constexpr int kMaxAsteroidFileRecords = 999;
constexpr int kBuiltInAsteroidCount = 3;
constexpr int kMaxDisplayedObjects = 101;

struct CometRecord {
  char name[40];                // at most 39 characters and a terminating zero
  double perihelionTime;        // Julian date
  double perihelionDistance;    // AU
  double inclination;           // rad
  double argumentOfPerihelion;  // rad
  double ascendingNode;         // rad
  double eccentricity;
  float absoluteMagnitude;
  float magnitudeSlope;
  float magnitude;              // computed
  float displaySize;            // km
  double rightAscension;
  double declination;
  double altitude;
  double azimuth;
  double apparentDiameter;
  double sunDistance;           // heliocentric distance, millions of km
  Vector3d position;            // heliocentric, millions of km
  double cameraDistance;        // millions of km
  double earthDistance;         // AU
};

struct AsteroidRecord {
  char name[21];                // at most 20 characters and a terminating zero
  double epoch;                 // Julian date
  double semiMajorAxis;         // AU
  double inclination;           // rad
  double argumentOfPerihelion;  // rad
  double ascendingNode;         // rad
  double meanAnomaly;           // rad
  double eccentricity;
  float absoluteMagnitude;
  float slope;
  float magnitude;              // computed
  float displaySize;            // km
  double rightAscension;
  double declination;
  double altitude;
  double azimuth;
  double apparentDiameter;
  double sunDistance;           // heliocentric distance, millions of km
  double illumination;
  Vector3d position;
  double cameraDistance;
  double earthDistance;         // AU
};

extern CometRecord* g_comets;
extern int g_cometCount;
extern int g_cometFile2Count;
extern AsteroidRecord* g_asteroids;
extern int g_asteroidCount;

// Record indices of the comets and asteroids chosen for display.
extern int g_displayedCometIndices[kMaxDisplayedObjects];
extern int g_displayedCometCount;
extern int g_displayedAsteroidIndices[kMaxDisplayedObjects];
extern int g_displayedAsteroidCount;

// Reads "\donnees\cometes2.dat" into target (room for 999 records); sets g_cometFile2Count.
bool ReadCometFile(CometRecord* target, CString installFolder);

// Parsers of one element file's contents (exposed for tests): each returns
// the number of records stored in target, at most `capacity`.
int ParseCometText(const char* data, size_t size, CometRecord* target, int capacity);
// One line of comet elements in the fixed columns: a printable name, blanks
// between the fields, each field one plain number (magnitude and slope may be
// blank), a real date, and an orbit in physical ranges.
bool CometLineValid(const char* text, size_t length);
int ParseAsteroidText(const char* data, size_t size, AsteroidRecord* target, int capacity);
// True when two comet names designate the same comet: whole names, trailing
// and leading blanks ignored, letter case ignored.
bool SameCometName(const char* a, const char* b);
