#include "FindObject.h"

#include <cctype>
#include <cstring>
#include <string>

#include "Catalogues.h"
#include "ConstellationTables.h"
#include "SkyModel.h"
#include "SolarSystemTypes.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool EqualNoCase(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::string WithoutBlanks(std::string s) {
  std::string out;
  for (char c : s)
    if (c != ' ') out += c;
  return out;
}

// A fixed-size text field up to its first zero byte.
template <size_t N>
std::string Field(const char (&text)[N]) {
  return std::string(text, strnlen(text, N));
}

// printf's "%3s" of a field (right-aligned in three characters), cut to three.
template <size_t N>
std::string ThreeWide(const char (&text)[N]) {
  std::string s = Field(text);
  if (s.size() < 3) s.insert(0, 3 - s.size(), ' ');
  return s.substr(0, 3);
}

// The needle of a comet or asteroid text; a text of blanks has none.
std::string MinorNeedle(const CString& text) {
  return Lower(WithoutBlanks(StripFrenchAccents(Lower(text))));
}

template <typename Record>
int LastContaining(const Record* records, int count, const std::string& needle) {
  int found = -1;
  if (needle.empty() || !records) return -1;
  for (int i = 0; i < count; ++i) {
    const std::string haystack = Lower(WithoutBlanks(StripFrenchAccents(Lower(Field(records[i].name)))));
    if (haystack.find(needle) != std::string::npos) found = i;
  }
  return found;
}

// Reads every Sky2000 tile into the shared table in turn and returns the
// first star for which `match` holds (its index in the table, which then
// holds its tile), or -1.
template <typename Match>
int ScanSky2000Tiles(const CString& folder, Match match) {
  if (!g_sky2000Stars) g_sky2000Stars = new Sky2000Star[kSky2000StarLimit + 1];
  for (int tile = 1; tile <= kSky2000TileCount; ++tile) {
    g_sky2000StarCount = 0;
    if (!LoadSky2000Tile(folder, tile)) continue;
    for (int i = 0; i < g_sky2000StarCount; ++i)
      if (match(g_sky2000Stars[i])) return i;
  }
  return -1;
}

}  // namespace

CString StripFrenchAccents(const CString& text) {
  CString out = text;
  for (char& c : out) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u == 0xE9 || u == 0xE8 || u == 0xEA) c = 'e';
    else if (u == 0xF4) c = 'o';
  }
  return out;
}

CString GreekQuery(const CString& symbol) {
  // Two-letter names are padded with a blank, as the catalogue writes them.
  std::string s = std::string(symbol.c_str()) + "   ";
  return CString(s.substr(0, 3).c_str());
}

CString ConstellationQuery(const CString& text) {
  std::string key = std::string(text.c_str()).substr(0, 10);
  for (const ConstellationEntry& c : g_constellations) {
    if (EqualNoCase(key, std::string(c.latinName).substr(0, 10)) ||
        EqualNoCase(key, std::string(c.englishName).substr(0, 10))) {
      key = c.abbreviation;
      break;
    }
  }
  return CString(key.substr(0, 3).c_str());
}

FindResult FindObject(CSkyModel& sky, const FindQuery& q, const FindContext& c) {
  FindResult r;
  auto found = [&r](int kind, int index) {
    r.kind = kind;
    r.index = index;
    return r;
  };

  // 1. The work unit ("Seti" as the page's hint writes it, in any case).
  if (c.showSetiWorkUnits && Lower(q.objectName.c_str()).find("seti") != std::string::npos)
    return found(FOUND_WORK_UNIT, 0);

  // 2. A constellation by its English name (the page's list), else by its
  // Latin name, which users type as often.
  if (c.planetarium && !q.constellationName.empty()) {
    const std::string wanted = StripFrenchAccents(q.constellationName).c_str();
    for (int i = 0; i < kConstellationCount; ++i)
      if (EqualNoCase(wanted, StripFrenchAccents(g_constellations[i].englishName).c_str()))
        return found(FOUND_CONSTELLATION, i);
    for (int i = 0; i < kConstellationCount; ++i)
      if (EqualNoCase(wanted, StripFrenchAccents(g_constellations[i].latinName).c_str()))
        return found(FOUND_CONSTELLATION, i);
  }

  // 3. A star by its proper name.
  if (!q.starName.empty() && g_brightStars) {
    const std::string typed = StripFrenchAccents(q.starName).c_str();
    for (int n = 0; n < kStarNameCount; ++n) {
      if (!g_starNames[n].name || !EqualNoCase(typed, StripFrenchAccents(g_starNames[n].name).c_str())) continue;
      for (int i = 0; i < g_brightStarCount; ++i)
        if (g_brightStars[i].bscNumber == g_starNames[n].bscNumber) return found(FOUND_BRIGHT_STAR, i);
    }
  }

  // 4. A deep-sky object by name or other name: "Messier 42", "M 42" and
  // "m42" are one name.
  if (!q.objectName.empty() && g_deepSkyObjects) {
    std::string wanted = Lower(q.objectName.c_str());
    for (size_t p; (p = wanted.find("messier")) != std::string::npos;) wanted.replace(p, 7, "m");
    wanted = WithoutBlanks(wanted);
    if (!wanted.empty())
      for (int i = 0; i < g_deepSkyCount; ++i)
        if (EqualNoCase(wanted, WithoutBlanks(Field(g_deepSkyObjects[i].name))) ||
            EqualNoCase(wanted, WithoutBlanks(Field(g_deepSkyObjects[i].otherName))))
          return found(FOUND_DEEP_SKY, i);
  }

  // 5, 6. Comets and asteroids: the last record whose name contains the text.
  if (!q.comet.empty()) {
    const int i = LastContaining(g_comets, g_cometCount, MinorNeedle(q.comet));
    if (i >= 0) return found(FOUND_COMET, i);
  }
  if (!q.asteroid.empty()) {
    const int i = LastContaining(g_asteroids, g_asteroidCount, MinorNeedle(q.asteroid));
    if (i >= 0) return found(FOUND_ASTEROID, i);
  }

  // 7. A Greek letter with a constellation.
  const std::string abbreviation = StripFrenchAccents(ConstellationQuery(q.constellation)).c_str();
  if (!abbreviation.empty() && g_brightStars) {
    const std::string greek = GreekQuery(q.symbol).c_str();
    for (int i = 0; i < g_brightStarCount; ++i) {
      const BrightStar& s = g_brightStars[i];
      if (EqualNoCase(ThreeWide(s.bayer), greek) &&
          EqualNoCase(StripFrenchAccents(ThreeWide(s.constellation).c_str()).c_str(), abbreviation))
        return found(FOUND_BRIGHT_STAR, i);
    }
  }

  // 8. An HD number: the bright stars, then every Sky2000 tile.
  if (q.hdNumber != 0) {
    if (!sky.m_sky2000Loaded && g_brightStars)
      for (int i = 0; i < g_brightStarCount; ++i)
        if (g_brightStars[i].hdNumber == static_cast<int32_t>(q.hdNumber)) return found(FOUND_BRIGHT_STAR, i);
    if (c.planetarium && c.useSky2000) {
      r.sky2000TilesScanned = true;
      const int i = ScanSky2000Tiles(c.installFolder, [&q](const Sky2000Star& s) {
        return s.hdNumber == static_cast<int32_t>(q.hdNumber);
      });
      if (i >= 0) return found(FOUND_SKY2000_STAR, i);
    }
  }

  // 9. An SAO number, through the Sky2000 tiles.
  if (q.saoNumber != 0 && c.planetarium && c.useSky2000) {
    r.sky2000TilesScanned = true;
    const int i = ScanSky2000Tiles(c.installFolder, [&q](const Sky2000Star& s) {
      return s.saoNumber == static_cast<int32_t>(q.saoNumber);
    });
    if (i >= 0) return found(FOUND_SKY2000_STAR, i);
  }

  // 10. A body of the planet list by its first three letters.
  if (!q.planet.empty()) {
    const std::string typed = std::string(StripFrenchAccents(q.planet).c_str()).substr(0, 3);
    int body = -1;
    for (int k = 0; k <= kBodyMoon && k < c.bodyNameCount && c.bodyNames; ++k)
      if (EqualNoCase(typed, std::string(StripFrenchAccents(c.bodyNames[k]).c_str()).substr(0, 3))) body = k;
    if (body >= 0) return found(FOUND_PLANET, body);
  }
  r.kind = FOUND_NONE;
  return r;
}
