#pragma once
// The system's text type: a byte string of code page 1252 with the few
// MFC-style operations the system's code uses. Formatting ignores the locale.
#include <cstdarg>
#include <string>

class CString : public std::string {
 public:
  CString() = default;
  CString(const char* s) : std::string(s ? s : "") {}
  CString(const char* s, size_t n) : std::string(s, n) {}
  CString(const std::string& s) : std::string(s) {}
  CString(std::string&& s) : std::string(std::move(s)) {}
  CString(size_t n, char c) : std::string(n, c) {}

  int GetLength() const { return static_cast<int>(size()); }
  bool IsEmpty() const { return empty(); }
  void Empty() { clear(); }
  const char* GetString() const { return c_str(); }

  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

  CString Left(int count) const;
  CString Mid(int first, int count = -1) const;
  CString Right(int count) const;
  int Find(const char* sub, int start = 0) const;
  int Find(char c, int start = 0) const;
  void TrimLeft();
  void TrimRight();
  void Trim() { TrimRight(); TrimLeft(); }
  void MakeUpper();
  void MakeLower();
  int Replace(const char* from, const char* to);
};
