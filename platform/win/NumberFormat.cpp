#include "NumberFormat.h"

#include <locale.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

// Switches the calling thread to the "C" locale for one call.
class ScopedCLocale {
 public:
  ScopedCLocale() : previous_(uselocale(CLocale())) {}
  ~ScopedCLocale() { uselocale(previous_); }
  ScopedCLocale(const ScopedCLocale&) = delete;
  ScopedCLocale& operator=(const ScopedCLocale&) = delete;

 private:
  locale_t previous_;
};

}  // namespace

std::string VFormatC(const char* format, va_list args) {
  ScopedCLocale c;
  char small[256];
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::vector<char> big(static_cast<size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), format, args);
  return std::string(big.data(), static_cast<size_t>(n));
}

std::string FormatC(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string s = VFormatC(format, args);
  va_end(args);
  return s;
}

double StrtodC(const char* text, char** end) {
  if (!text) {
    if (end) *end = nullptr;
    return 0.0;
  }
  return strtod_l(text, end, CLocale());
}

double AtofC(const char* text) { return text ? strtod_l(text, nullptr, CLocale()) : 0.0; }

long AtolC(const char* text) {
  if (!text) return 0;
  errno = 0;
  const long v = strtol_l(text, nullptr, 10, CLocale());
  return v;
}

int SscanfC(const char* text, const char* format, ...) {
  if (!text) return EOF;
  ScopedCLocale c;
  va_list args;
  va_start(args, format);
  const int n = std::vsscanf(text, format, args);
  va_end(args);
  return n;
}
