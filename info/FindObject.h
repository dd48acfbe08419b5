#pragma once
// Finding an object by what the user typed in the find dialog: the queries
// are tried in a fixed order (work unit, constellation, star name, deep-sky
// object, comet, asteroid, Greek letter with constellation, HD number, SAO
// number, body) and the first that matches decides.
#include "CString.h"
#include "WinTypes.h"

class CSkyModel;

enum FoundKind {
  FOUND_NONE = 0,
  FOUND_WORK_UNIT,
  FOUND_CONSTELLATION,
  FOUND_BRIGHT_STAR,
  FOUND_DEEP_SKY,
  FOUND_COMET,
  FOUND_ASTEROID,
  FOUND_SKY2000_STAR,
  FOUND_PLANET,
};

struct FindQuery {
  CString symbol;             // Greek letter
  CString constellation;      // with the Greek letter
  CString starName;
  UINT hdNumber = 0;
  UINT saoNumber = 0;
  CString objectName;         // deep-sky object or "Seti"
  CString planet;
  CString comet;
  CString asteroid;
  CString constellationName;  // constellation page
};

struct FindContext {
  bool planetarium = true;
  bool showSetiWorkUnits = false;
  bool useSky2000 = true;
  CString installFolder;
  // Body names by number (the planet query reads bodies 0 to 10).
  const CString* bodyNames = nullptr;
  int bodyNameCount = 0;
};

struct FindResult {
  int kind = FOUND_NONE;
  // Index in its table (a body number for a planet, a constellation's row).
  int index = 0;
  // The Sky2000 tiles were read into the shared star table: the display's
  // tiles must be given back to it.
  bool sky2000TilesScanned = false;
};

// Copy with the code-page-1252 letters é, è, ê made "e" and ô made "o".
CString StripFrenchAccents(const CString& text);

// The Greek letter brought to the three characters of the catalogue's
// Bayer field ("Alpha" -> "Alp", "Mu" -> "Mu ").
CString GreekQuery(const CString& symbol);
// The constellation's abbreviation from its Latin or English name, or the
// typed text cut to three characters.
CString ConstellationQuery(const CString& text);

FindResult FindObject(CSkyModel& sky, const FindQuery& query, const FindContext& context);
