#include "IniFile.h"

// Narrow text only: no wide-character conversion layer is needed.
#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "NumberFormat.h"

// The engine: no UTF-8 storage, no repeated keys, no multi-line values, so
// names match without regard to case and a key set twice is stored once.
class CIniEngine : public CSimpleIniA {
 public:
  CIniEngine() : CSimpleIniA(false, false, false) { SetSpaces(false); }
};

namespace {

// Texts cross the object through 1000-byte buffers in the design: at most 999
// characters each way.
constexpr size_t kMaxText = 999;

std::string Bounded(const char* text, size_t limit = kMaxText) {
  if (!text) return std::string();
  return std::string(text, strnlen(text, limit));
}

// A settings file is small; anything beyond this is not one.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;

bool ReadWholeFile(const char* path, std::string& out) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileSize) {
    ::close(fd);
    return false;
  }
  out.clear();
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    out.append(buffer, static_cast<size_t>(n));
    if (out.size() > static_cast<size_t>(kMaxFileSize)) {
      ::close(fd);
      return false;
    }
  }
  ::close(fd);
  return true;
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes `data` beside `path` and renames it into place: a failed or
// interrupted write leaves the old file as it was.
bool ReplaceFile(const char* path, const std::string& data) {
  std::string temp = std::string(path) + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  // Keep the mode of the file being replaced; otherwise the usual one.
  struct stat st;
  mode_t mode;
  if (::stat(path, &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  (void)::fchmod(fd, mode);  // a mode we cannot set is no reason to lose the save
  bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), path) != 0) ok = false;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace

double ParseLeadingDecimal(const char* text, size_t length) {
  if (!text) return 0.0;
  size_t i = 0;
  auto at = [&](size_t k) -> char { return k < length ? text[k] : '\0'; };
  while (at(i) == ' ' || at(i) == '\t' || at(i) == '\n' || at(i) == '\r' || at(i) == '\v' || at(i) == '\f') ++i;
  const size_t start = i;
  if (at(i) == '+' || at(i) == '-') ++i;
  size_t digits = 0;
  while (at(i) >= '0' && at(i) <= '9') ++i, ++digits;
  if (at(i) == '.') {
    ++i;
    while (at(i) >= '0' && at(i) <= '9') ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  size_t end = i;
  if (at(i) == 'e' || at(i) == 'E') {
    size_t j = i + 1;
    if (at(j) == '+' || at(j) == '-') ++j;
    if (at(j) >= '0' && at(j) <= '9') {
      while (at(j) >= '0' && at(j) <= '9') ++j;
      end = j;
    }
  }
  const std::string number(text + start, end - start);
  return StrtodC(number.c_str(), nullptr);
}

CIniFile::CIniFile() = default;

// Releasing a forgotten engine costs nothing and loses nothing.
CIniFile::~CIniFile() { Close(); }

bool CIniFile::Create() {
  Close();
  m_pIni = new CIniEngine();
  return true;
}

bool CIniFile::Load(const char* path) {
  Close();
  m_pIni = new CIniEngine();
  std::string data;
  if (!path || !ReadWholeFile(path, data)) return false;
  return m_pIni->LoadData(data) >= 0;
}

bool CIniFile::Save(const char* path) {
  bool ok = false;
  if (m_pIni && path) {
    std::string text;
    if (m_pIni->Save(text, false) >= 0) {
      // The engine ends lines with LF on this system; the file format is CR LF.
      std::string crlf;
      crlf.reserve(text.size() + text.size() / 16);
      for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
      }
      ok = ReplaceFile(path, crlf);
    }
  }
  Close();
  return ok;
}

void CIniFile::Close() {
  delete m_pIni;
  m_pIni = nullptr;
}

CString CIniFile::GetValue(const char* key, const char* section) const {
  if (!m_pIni) return CString();
  const std::string k = Bounded(key), s = Bounded(section);
  return CString(Bounded(m_pIni->GetValue(s.c_str(), k.c_str(), "")));
}

bool CIniFile::GetBool(const char* key, const char* section) const {
  if (!m_pIni) return false;
  const std::string k = Bounded(key), s = Bounded(section);
  return Bounded(m_pIni->GetValue(s.c_str(), k.c_str(), "False")) == "True";
}

long CIniFile::GetInt(const char* key, const char* section) const {
  if (!m_pIni) return kIniMissingInt;
  const std::string k = Bounded(key), s = Bounded(section);
  const std::string v = Bounded(m_pIni->GetValue(s.c_str(), k.c_str(), "Fail"));
  if (v.find('F') != std::string::npos) return kIniMissingInt;
  long n = AtolC(v.c_str());
  // A long of the file format is 32 bits; larger texts saturate.
  if (n > INT_MAX) n = INT_MAX;
  if (n < INT_MIN) n = INT_MIN;
  return n;
}

double CIniFile::GetDouble(const char* key, const char* section) const {
  if (!m_pIni) return kIniMissingDouble;
  const std::string k = Bounded(key), s = Bounded(section);
  const std::string v = Bounded(m_pIni->GetValue(s.c_str(), k.c_str(), "Fail"));
  if (v.find('F') != std::string::npos) return kIniMissingDouble;
  return ParseLeadingDecimal(v.c_str(), v.size());
}

bool CIniFile::SetString(const char* key, const char* value, const char* comment, const char* section) {
  return SetLongString(key, value, section, kMaxText);
}

CString CIniFile::GetLongValue(const char* key, const char* section, size_t maxLength) const {
  if (!m_pIni) return CString();
  const std::string k = Bounded(key), s = Bounded(section);
  return CString(Bounded(m_pIni->GetValue(s.c_str(), k.c_str(), ""), maxLength));
}

bool CIniFile::SetLongString(const char* key, const char* value, const char* section, size_t maxLength) {
  if (!m_pIni) return false;
  const std::string k = Bounded(key), s = Bounded(section);
  // Values are single lines: a line break in typed text would otherwise start
  // a new key in the file.
  std::string v = Bounded(value, maxLength);
  v = v.substr(0, v.find_first_of("\r\n"));
  return m_pIni->SetValue(s.c_str(), k.c_str(), v.c_str()) >= 0;
}

bool CIniFile::SetBool(const char* key, bool value, const char* comment, const char* section) {
  return SetString(key, value ? "True" : "False", comment, section);
}

bool CIniFile::SetInt(const char* key, long value, const char* comment, const char* section) {
  return SetString(key, FormatC("%li", value).c_str(), comment, section);
}

bool CIniFile::SetDouble(const char* key, const char* comment, const char* section, double value) {
  return SetString(key, FormatC("%.10f", value).c_str(), comment, section);
}
