#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "IniFile.h"
#include "InstallPath.h"
#include "SettingsKeys.h"
#include "ViewSettings.h"

ConfigurationFileDialog CViewSettings::OpenDialogTexts() const {
  return {".ini", m_englishUi ? "Configuration file| *.ini|" : "Fichier configuration| *.ini|"};
}

ConfigurationFileDialog CViewSettings::SaveAsDialogTexts() const {
  return {".ini", m_englishUi ? "Configuration file .ini| *.ini|" : "Fichier configuration .ini| *.ini|"};
}

ConfigurationFileDialog CViewSettings::ImportV1DialogTexts() const {
  return {".cfg", m_englishUi ? "Configuration file version 1| *.cfg|" : "Fichier configuration version 1| *.cfg|"};
}

SettingsCommandResult CViewSettings::OpenConfigurationFile(const CString& chosenPath) {
  SettingsCommandResult result;
  if (!HasFileExtension(chosenPath, ".ini")) return result;
  // A file that cannot be read, or holds none of the settings' sections, is
  // no configuration file: the user learns why and nothing changes.
  {
    CIniFile probe;
    if (!probe.Load(ResolveInstallPath("", chosenPath).c_str())) {
      result.message = m_englishUi ? "The configuration file could not be read (missing, unreadable, not a plain "
                                     "file, or larger than 16 MB):\n"
                                   : "Impossible de lire le fichier de configuration (absent, illisible, pas un "
                                     "fichier ordinaire, ou plus grand que 16 Mo) :\n";
      result.message += chosenPath;
      return result;
    }
    bool known = probe.HasSection("Comets") || probe.HasSection("Asteroids");
    for (const SettingKey& k : SettingsKeyTable(*this)) known = known || probe.HasSection(k.section);
    if (!known) {
      result.message = m_englishUi ? "This file holds no Nuvarine 2 settings; nothing was changed:\n"
                                   : "Ce fichier ne contient aucun r\xE9glage de Nuvarine 2 ; rien n'a chang\xE9 :\n";
      result.message += chosenPath;
      return result;
    }
  }
  // Whatever the file lacks keeps its current value; a gap in the observation
  // block leaves the values read before it in place.
  LoadSettings(chosenPath);
  UpdateObserverTerms();
  result.done = true;
  return result;
}

SettingsCommandResult CViewSettings::SaveConfigurationFileAs(const CString& chosenPath) {
  SettingsCommandResult result;
  if (!HasFileExtension(chosenPath, ".ini")) return result;
  result.done = SaveSettings(chosenPath);
  if (!result.done) {
    result.message = m_englishUi ? "The configuration file could not be written:\n"
                                 : "Impossible d'\xE9" "crire le fichier de configuration :\n";
    result.message += chosenPath;
  }
  return result;
}

namespace {

// The first version's configuration file: fixed fields front to back.
constexpr size_t kV1FileSize = 1768;

enum class V1Kind : uint8_t {
  Ignored,
  Number,       // 30 bytes, a decimal number ended by a zero byte or any other character
  NumberFloat,  // the same, into a float
  Colour,       // 30 bytes, an unsigned decimal integer
  Flag,         // 1 byte, true only for the character '1'
  Byte,         // 1 byte, its value
  Font,         // 60 bytes, a little-endian font description
  Text,         // 100 bytes, a text ended by a zero byte
};

struct V1Field {
  uint16_t offset;
  uint16_t size;
  V1Kind kind;
  void* member;
};

int32_t ReadInt32(const unsigned char* p) {
  const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  return static_cast<int32_t>(u);
}

// Blanks, an optional sign and the digits that follow, within `length` bytes;
// the value is taken modulo 2^32 like an unsigned conversion and held at the
// largest value on overflow.
uint32_t ParseUnsigned(const unsigned char* p, size_t length) {
  size_t i = 0;
  while (i < length && (p[i] == ' ' || p[i] == '\t')) ++i;
  bool negative = false;
  if (i < length && (p[i] == '+' || p[i] == '-')) negative = p[i++] == '-';
  uint64_t v = 0;
  for (; i < length && p[i] >= '0' && p[i] <= '9'; ++i) {
    v = v * 10 + static_cast<uint64_t>(p[i] - '0');
    if (v > 0xFFFFFFFFull) return 0xFFFFFFFFu;
  }
  const uint32_t u = static_cast<uint32_t>(v);
  return negative ? static_cast<uint32_t>(0u - u) : u;
}

void DecodeFont(const unsigned char* p, LOGFONT& f) {
  f.lfHeight = ReadInt32(p);
  f.lfWidth = ReadInt32(p + 4);
  f.lfEscapement = ReadInt32(p + 8);
  f.lfOrientation = ReadInt32(p + 12);
  f.lfWeight = ReadInt32(p + 16);
  f.lfItalic = p[20];
  f.lfUnderline = p[21];
  f.lfStrikeOut = p[22];
  f.lfCharSet = p[23];
  f.lfOutPrecision = p[24];
  f.lfClipPrecision = p[25];
  f.lfQuality = p[26];
  f.lfPitchAndFamily = p[27];
  // The name ends at its first zero byte, and at 31 characters at most.
  std::memset(f.lfFaceName, 0, sizeof f.lfFaceName);
  const size_t n = strnlen(reinterpret_cast<const char*>(p + 28), LF_FACESIZE - 1);
  std::memcpy(f.lfFaceName, p + 28, n);
}

void TakeField(const V1Field& field, const unsigned char* p) {
  switch (field.kind) {
    case V1Kind::Ignored:
      break;
    case V1Kind::Number:
      *static_cast<double*>(field.member) = ParseLeadingDecimal(reinterpret_cast<const char*>(p), field.size);
      break;
    case V1Kind::NumberFloat:
      *static_cast<float*>(field.member) =
          static_cast<float>(ParseLeadingDecimal(reinterpret_cast<const char*>(p), field.size));
      break;
    case V1Kind::Colour:
      *static_cast<COLORREF*>(field.member) = ParseUnsigned(p, field.size);
      break;
    case V1Kind::Flag:
      *static_cast<bool*>(field.member) = p[0] == '1';
      break;
    case V1Kind::Byte:
      *static_cast<BYTE*>(field.member) = p[0];
      break;
    case V1Kind::Font:
      DecodeFont(p, *static_cast<LOGFONT*>(field.member));
      break;
    case V1Kind::Text: {
      const size_t n = strnlen(reinterpret_cast<const char*>(p), field.size);
      *static_cast<CString*>(field.member) = CString(reinterpret_cast<const char*>(p), n);
      break;
    }
  }
}

bool ReadPrefix(const char* path, unsigned char* buffer, size_t capacity, size_t& length) {
  // No wait on a named pipe: only a regular file is a configuration file.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  length = 0;
  while (length < capacity) {
    const ssize_t n = ::read(fd, buffer + length, capacity - length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    length += static_cast<size_t>(n);
  }
  ::close(fd);
  return true;
}

}  // namespace

SettingsCommandResult CViewSettings::ImportConfigurationV1(const CString& chosenPath) {
  SettingsCommandResult result;
  if (!HasFileExtension(chosenPath, ".cfg")) return result;

  using K = V1Kind;
  LOGFONT* fonts = m_labelLogFonts;
  const V1Field fields[] = {
      {0, 5, K::Ignored, nullptr},
      {5, 1, K::Ignored, nullptr},
      {6, 30, K::Number, &m_observerLatitude},  // radians
      {36, 30, K::Number, &m_observerLongitude},
      {66, 30, K::Number, &m_utcOffset},
      {96, 30, K::NumberFloat, &m_magnitudeZero},
      {126, 30, K::NumberFloat, &m_starMagnitudeLimit},
      {156, 30, K::Number, &m_deepSkyMagnitudeLimit},
      {186, 150, K::Ignored, nullptr},
      {336, 30, K::Number, &m_pressure},
      {366, 30, K::Number, &m_temperature},
      {396, 1, K::Byte, &m_constellationNameLanguage},
      {397, 1, K::Flag, &m_showRule},
      {398, 1, K::Flag, &m_showPlanetNames},
      {399, 1, K::Flag, &m_showConstellationNames},
      {400, 1, K::Flag, &m_showStarNames},
      {401, 1, K::Flag, &m_showConstellationBorders},
      {402, 1, K::Flag, &m_showDeepSkyObjects},
      {403, 1, K::Flag, &m_showDeepSkyNames},
      {404, 1, K::Flag, &m_showConstellationFigures},
      {405, 1, K::Flag, &m_showLandscape},
      {406, 1, K::Flag, &m_animationAutomatic},
      {407, 1, K::Flag, &m_showStatusLine},
      {408, 1, K::Flag, &m_showEquator},
      {409, 1, K::Flag, &m_showEcliptic},
      {410, 2, K::Ignored, nullptr},
      {412, 1, K::Flag, &m_useSky2000},
      {413, 1, K::Ignored, nullptr},
      {414, 30, K::Colour, &m_borderColor},
      {444, 30, K::Colour, &m_figureColor},
      {474, 30, K::Colour, &m_starNameColor},
      {504, 30, K::Colour, &m_deepSkyNameColor},
      {534, 30, K::Colour, &m_constellationNameColor},
      {564, 30, K::Colour, &m_planetNameColor},
      {594, 30, K::Colour, &m_ruleColor},
      {624, 30, K::Colour, &m_eclipticColor},
      {654, 30, K::Colour, &m_equatorColor},
      {684, 60, K::Font, &fonts[0]},
      {744, 60, K::Font, &fonts[1]},
      {804, 60, K::Font, &fonts[4]},
      {864, 60, K::Font, &fonts[2]},
      {924, 60, K::Font, &fonts[3]},
      {984, 60, K::Font, &fonts[5]},
      {1044, 60, K::Font, &fonts[6]},
      {1104, 1, K::Flag, &m_showDeepSkyPictures},
      {1105, 1, K::Flag, &m_useTycho2},
      {1106, 30, K::Number, &m_observerElevation},
      {1136, 1, K::Flag, &m_showComets},
      {1137, 30, K::Colour, &m_cometNameColor},
      {1167, 60, K::Font, &fonts[7]},
      {1227, 1, K::Flag, &m_showAsteroids},
      {1228, 30, K::Colour, &m_asteroidNameColor},
      {1258, 60, K::Font, &fonts[8]},
      {1318, 30, K::NumberFloat, &m_zoomStep},
      {1348, 30, K::Ignored, nullptr},
      {1378, 1, K::Flag, &m_naturalSkyColor},
      {1379, 1, K::Byte, &m_milkyWay},
      {1380, 1, K::Byte, &m_milkyWayLuminosity},
      {1381, 1, K::Byte, &m_starNameStyle},
      {1382, 1, K::Flag, &m_showEquatorialGrid},
      {1383, 1, K::Flag, &m_showHorizontalGrid},
      {1384, 30, K::Colour, &m_gridColor},
      {1414, 60, K::Font, &fonts[10]},
      {1474, 1, K::Flag, &m_optionsDialogFlag},
      {1475, 1, K::Flag, &m_showSetiWorkUnits},
      {1476, 100, K::Text, &m_setiClientStatePath},
      {1576, 100, K::Ignored, nullptr},
      {1676, 30, K::Number, &m_asteroidMagnitudeLimit},
      {1706, 30, K::Number, &m_cometMagnitudeLimit},
      {1736, 1, K::Ignored, nullptr},
      {1737, 30, K::Colour, &m_horizonLineColor},
      {1767, 1, K::Byte, &m_landscapeElevation},
  };

  unsigned char data[kV1FileSize];
  size_t length = 0;
  const CString file = ResolveInstallPath("", chosenPath);
  if (!ReadPrefix(file.c_str(), data, sizeof data, length)) {
    result.message = m_englishUi ? "The configuration file could not be read:\n"
                                 : "Impossible de lire le fichier de configuration :\n";
    result.message += chosenPath;
    return result;
  }

  // A field is taken only when the file holds all of it; after a short field
  // every later one stays as it was.
  for (const V1Field& field : fields) {
    if (static_cast<size_t>(field.offset) + field.size > length) break;
    TakeField(field, data + field.offset);
  }
  BoundSettingsRead();
  UpdateObserverTerms();
  result.done = true;
  return result;
}
