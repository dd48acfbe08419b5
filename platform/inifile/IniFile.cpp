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
constexpr size_t kDefaultSizeLimit = 16 * 1024 * 1024;

std::string SizeText(size_t bytes) {
  return bytes >= 1024 * 1024 ? FormatC("%zu MB", bytes / (1024 * 1024)) : FormatC("%zu bytes", bytes);
}

// The whole file, or false with the reason (errno's text, "not a regular
// file", "larger than ..."); `missing` tells a file that is not there.
bool ReadWholeFile(const char* path, std::string& out, size_t limit, std::string& problem, bool& missing) {
  missing = false;
  // Opened without waiting: a named pipe or a device in place of the file
  // would otherwise block the open until something writes to it. Regular
  // files, the only ones read, ignore the flag.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    missing = errno == ENOENT;
    problem = std::strerror(errno);
    return false;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0)
    problem = std::strerror(errno);
  else if (!S_ISREG(st.st_mode))
    problem = "not a regular file";
  else if (static_cast<unsigned long long>(st.st_size) > limit)
    problem = "larger than " + SizeText(limit);
  if (!problem.empty()) {
    ::close(fd);
    return false;
  }
  out.clear();
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      problem = std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    out.append(buffer, static_cast<size_t>(n));
    if (out.size() > limit) {
      problem = "larger than " + SizeText(limit);
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
// interrupted write leaves the old file as it was. False with the reason.
bool ReplaceFile(const char* path, const std::string& data, std::string& problem) {
  std::string temp = std::string(path) + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    problem = std::strerror(errno);
    return false;
  }
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
  if (!ok) problem = std::strerror(errno);
  if (::close(fd) != 0 && ok) {
    ok = false;
    problem = std::strerror(errno);
  }
  if (ok && ::rename(temp.c_str(), path) != 0) {
    ok = false;
    problem = std::strerror(errno);
  }
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace

bool KeepCopyBeside(const char* path, std::string& copy, std::string& problem) {
  copy.clear();
  // Opened without waiting: a named pipe in the file's place holds nothing to keep.
  const int in = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0) {
    if (errno == ENOENT) return true;
    problem = std::strerror(errno);
    return false;
  }
  struct stat st;
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return true;
  }
  auto copyName = [&](int n) { return std::string(path) + (n == 1 ? std::string(".bak") : FormatC(".bak%d", n)); };
  // A second name for the same bytes costs nothing, however large the file
  // (a copy of a 1 GB file held the exit for most of a minute); the save
  // then puts a new file in its place by rename, so the copy keeps the old
  // bytes. Only where the file system has no such names is it copied.
  struct stat own;
  const bool plain = ::lstat(path, &own) == 0 && S_ISREG(own.st_mode);
  for (int n = 1; n < 100 && plain; ++n) {
    const std::string name = copyName(n);
    if (::link(path, name.c_str()) == 0) {
      ::close(in);
      copy = name;
      return true;
    }
    if (errno != EEXIST) break;
  }
  int out = -1;
  std::string name;
  for (int n = 1; n < 100 && out < 0; ++n) {
    name = copyName(n);
    out = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, st.st_mode & 0666);
    if (out < 0 && errno != EEXIST) break;
  }
  if (out < 0) {
    problem = std::string("no copy can be made beside it: ") + std::strerror(errno);
    ::close(in);
    return false;
  }
  bool ok = true;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    if (!WriteAll(out, std::string(buffer, static_cast<size_t>(n)))) {
      ok = false;
      break;
    }
  }
  if (ok && ::fsync(out) != 0) ok = false;
  if (!ok) problem = std::string("no copy can be made beside it: ") + std::strerror(errno);
  if (::close(out) != 0 && ok) {
    ok = false;
    problem = std::string("no copy can be made beside it: ") + std::strerror(errno);
  }
  ::close(in);
  if (!ok) {
    ::unlink(name.c_str());
    return false;
  }
  copy = name;
  return true;
}

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

CIniFile::CIniFile() : m_sizeLimit(kDefaultSizeLimit) {}

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
  m_noFile = false;
  m_problem.Empty();
  std::string data, problem;
  if (!path || !ReadWholeFile(path, data, m_sizeLimit, problem, m_noFile)) {
    m_problem = path ? problem : std::string("no file name");
    return false;
  }
  if (m_pIni->LoadData(data) >= 0) return true;
  m_problem = "cannot be read as a settings text";
  return false;
}

bool CIniFile::HasSection(const char* section) const {
  return m_pIni && section && m_pIni->GetSection(section) != nullptr;
}

bool CIniFile::Save(const char* path) {
  bool ok = false;
  m_problem = "nothing to write";
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
      std::string problem;
      // A file Load would refuse is never written: it would read back as empty.
      if (crlf.size() > m_sizeLimit)
        problem = "it would be larger than " + SizeText(m_sizeLimit);
      else
        ok = ReplaceFile(path, crlf, problem);
      m_problem = ok ? std::string() : problem;
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
