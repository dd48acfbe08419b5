#pragma once
// Star tiles (Sky2000 and the two Tycho-2 halves), bright-star zones and
// deep-sky zones: the records in memory, the process-wide arrays, and the
// loaders that fill them from the install folder's files.
//
// Every loader decodes its little-endian records field by field, ignores a
// trailing partial record and never writes past the capacity of its array.
#include <cstdint>

#include "CString.h"

// ---- Star catalogue tiles -------------------------------------------------

struct Sky2000Star {
  int32_t hdNumber;
  int32_t dmNumber;  // zone x 100000 + number, negative for negative zones; 0 none
  int32_t saoNumber;
  int16_t colorIndex;                    // B-V x 100
  int16_t companionMagnitudeDifference;  // x 100; 0 for a single star
  char spectralClass[4];
  char dmPrefix[3];
  float rightAscension;  // J2000, radians
  float declination;
  float azimuth;  // written by the sky drawing
  float altitude;
  float magnitude;
  uint8_t tile;  // 1..184
};

struct Tycho2Star {
  float rightAscension;  // J2000, radians
  float declination;
  float azimuth;
  float altitude;
  float btMagnitude;
  float vtMagnitude;
  float pmRightAscension;  // mas/yr
  float pmDeclination;
  int16_t tile;  // 1..746
};

struct TileCentre {
  double rightAscension;  // J2000, radians
  double declination;
  double altitude;
  double azimuth;
};

constexpr int kSky2000TileCount = 184;
constexpr int kTycho2TileCount = 746;
constexpr int kSky2000StarLimit = 50000;
constexpr int kTycho2StarLimit = 30000;
constexpr int kSky2000RecordSize = 40;
constexpr int kTycho2RecordSize = 20;

// Allocated by the sky drawing (50001 and 30001 records); null when inactive.
extern Sky2000Star* g_sky2000Stars;
extern int g_sky2000StarCount;
extern Tycho2Star* g_tycho2Stars;
extern int g_tycho2StarCount;
extern Tycho2Star* g_tycho2Part2Stars;
extern int g_tycho2Part2StarCount;

// Rows 1..184 and 1..746 (row 0 unused).
extern TileCentre g_sky2000Tiles[kSky2000TileCount + 1];
extern TileCentre g_tycho2Tiles[kTycho2TileCount + 1];

// Appends the stars of one tile file to its array; false when the array is
// not allocated or the file cannot be opened or read (nothing appended).
bool LoadSky2000Tile(CString installFolder, int tile);
bool LoadTycho2Part1Tile(CString installFolder, int tile);
bool LoadTycho2Part2Tile(CString installFolder, int tile);

// Fills both centre tables from the band layout (done once at start-up).
void InitTileCentres();
// Number of the tile whose centre is nearest to a J2000 place (radians),
// among the tiles of the band(s) within half a band height.
int FindSky2000Tile(double rightAscension, double declination);
int FindTycho2Tile(double rightAscension, double declination);

// Record decoders (exposed for the loaders' tests): `data` holds at least one
// whole record.
void DecodeSky2000Record(const unsigned char* data, Sky2000Star& star);
void DecodeTycho2Record(const unsigned char* data, Tycho2Star& star);

// ---- Bright-star and deep-sky zones ---------------------------------------

struct BrightStar {
  int32_t hdNumber;
  int32_t bscNumber;
  int16_t colorIndex;  // B-V x 100
  char bayer[4];       // three letters of the Greek letter's name, blanks when none
  uint8_t flamsteed;   // 0 none
  char constellation[5];
  char spectralType[21];
  float rightAscension;  // J2000, radians
  float declination;
  float azimuth;  // written by the per-instant update
  float altitude;
  float magnitude;
};

struct DeepSkyObject {
  float rightAscension;  // J2000, radians
  float declination;
  float magnitude;          // 79 or more: unknown
  float surfaceBrightness;  // mag/arcmin^2; 79 or more: unknown
  float largeSize;          // radians
  float smallSize;
  uint8_t positionAngle;  // degrees, 255 none
  char name[18];
  char otherName[19];
  char objectType[4];  // " Gx", " Oc", " Pl", "Neb", "C+N", "Unk", " Gb", " Nb"
  char constellation[4];
  char description[51];
  char objectClass[11];
  double azimuth;   // written by the per-instant update
  double altitude;  // -pi/2 when parked
};

struct BrightStarZone {
  double rightAscension;  // middle of the zone, J2000 radians
  double declination;
  double altitude;
  double azimuth;
  int32_t endIndex;  // array count after the zone was read
};

struct DeepSkyZone {
  double rightAscension;
  double declination;
  double altitude;
  int32_t endIndex;
};

constexpr int kZoneCount = 50;
constexpr int kBrightStarCapacity = 9100;
constexpr int kDeepSkyCapacity = 11000;
constexpr int kBrightStarRecordSize = 52;
constexpr int kDeepSkyRecordSize = 132;

// Allocated at start-up with the capacities above.
extern BrightStar* g_brightStars;
extern int g_brightStarCount;
extern DeepSkyObject* g_deepSkyObjects;
extern int g_deepSkyCount;
// Rows 1..50; row 0 stays zero so zone 1 starts at index 0.
extern BrightStarZone g_brightStarZones[kZoneCount + 1];
extern DeepSkyZone g_deepSkyZones[kZoneCount + 1];

// Append one zone file to its array and fill the zone's row. False when the
// array is not allocated or the file cannot be opened or read.
// `problem`, when given, names what was wrong with the zone file: why it
// was refused (false), or that it was empty or cut short (true).
bool LoadBrightStarZone(CString installFolder, int zone, std::string* problem = nullptr);
bool LoadDeepSkyZone(CString installFolder, int zone, std::string* problem = nullptr);

void DecodeBrightStarRecord(const unsigned char* data, BrightStar& star);
void DecodeDeepSkyRecord(const unsigned char* data, DeepSkyObject& object);
