// The work unit a volunteer-computing client is processing, found through its
// state file and read from the work-unit file.
#include <cstdio>
#include <optional>
#include <string>

#include "InstallPath.h"
#include "NumberFormat.h"
#include "SkyModel.h"

const char* const kDefaultSetiClientStatePath = "/var/lib/boinc-client/client_state.xml";

namespace {

// The project whose work units are shown: its master-URL line and its folder
// under "projects" in the client's data folder.
constexpr const char* kMasterUrlLine = "<master_url>http://setiathome.berkeley.edu/</master_url>";
constexpr const char* kProjectFolder = "setiathome.berkeley.edu";

// Values are short numbers and names; anything longer is cut.
constexpr size_t kMaxValueLength = 256;
// Files larger than this are not work units.
constexpr long kMaxFileSize = 64L * 1024 * 1024;

std::optional<std::string> ReadWholeFile(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::nullopt;
  std::string text;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    const long size = std::ftell(f);
    if (size < 0 || size > kMaxFileSize || std::fseek(f, 0, SEEK_SET) != 0) {
      std::fclose(f);
      return std::nullopt;
    }
    text.resize(static_cast<size_t>(size));
    const size_t got = size > 0 ? std::fread(text.data(), 1, text.size(), f) : 0;
    std::fclose(f);
    if (got != text.size()) return std::nullopt;
    return text;
  }
  std::fclose(f);
  return std::nullopt;
}

// The text from the end of `tag` (found at or after `from`) up to the next '<';
// empty when no '<' follows. nullopt when the tag is absent.
std::optional<std::string> ValueAfter(const std::string& text, const char* tag, size_t from = 0) {
  const size_t at = text.find(tag, from);
  if (at == std::string::npos) return std::nullopt;
  const size_t start = at + std::char_traits<char>::length(tag);
  const size_t end = text.find('<', start);
  if (end == std::string::npos) return std::string();
  return text.substr(start, std::min(end - start, kMaxValueLength));
}

std::optional<double> NumberAfter(const std::string& text, const char* tag, size_t from = 0) {
  const auto v = ValueAfter(text, tag, from);
  if (!v) return std::nullopt;
  return AtofC(v->c_str());
}

}  // namespace

bool CSkyModel::LoadSetiWorkUnit(CString clientStatePath) {
  const size_t marker = clientStatePath.find("client_state.xml");
  if (marker == std::string::npos) return false;
  const std::string folder = clientStatePath.substr(0, marker);

  const auto state = ReadWholeFile(NormalizeSeparators(folder + "//client_state.xml"));
  if (!state) return false;

  const size_t project = state->find(kMasterUrlLine);
  if (project == std::string::npos) return false;
  const size_t workunit = state->find("<workunit>", project);
  if (workunit == std::string::npos) return false;
  const std::string block = state->substr(workunit, 200);
  const size_t nameTag = block.find("<name>");
  if (nameTag == std::string::npos) return false;
  const std::string afterName = block.substr(nameTag + 6, 100);
  const size_t lt = afterName.find('<');
  const std::string fileName = lt == std::string::npos ? std::string() : afterName.substr(0, lt);

  const auto unit =
      ReadWholeFile(NormalizeSeparators(folder + "\\projects\\" + kProjectFolder + "\\" + fileName));
  if (!unit) return false;

  std::optional<double> startRa, startDec, endRa, endDec, range, base;
  if (unit->find("<astropulse_workunit>") != std::string::npos) {
    startRa = NumberAfter(*unit, "<ra>");
    if (startRa) endRa = NumberAfter(*unit, "<ra>", unit->find("<ra>") + 10);
    startDec = NumberAfter(*unit, "<dec>");
    if (startDec) endDec = NumberAfter(*unit, "<dec>", unit->find("<dec>") + 10);
  } else {
    startRa = NumberAfter(*unit, "<start_ra>");
    startDec = NumberAfter(*unit, "<start_dec>");
    endRa = NumberAfter(*unit, "<end_ra>");
    endDec = NumberAfter(*unit, "<end_dec>");
    range = NumberAfter(*unit, "<true_angle_range>");
    base = NumberAfter(*unit, "<base>");
  }
  const auto name = ValueAfter(*unit, "<name>");
  if (!startRa || !startDec || !endRa || !endDec || !name) return false;

  m_setiStartRa = *startRa * kPi / 12.0;
  m_setiStartDec = *startDec * kPi / 180.0;
  m_setiEndRa = *endRa * kPi / 12.0;
  m_setiEndDec = *endDec * kPi / 180.0;
  m_setiAngleRange = range.value_or(0.0);
  m_setiWorkUnitName = *name;
  m_setiBaseFrequency = base.value_or(0.0);
  return true;
}
