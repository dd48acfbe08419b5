#include "CString.h"

#include <algorithm>
#include <cstring>

#include "NumberFormat.h"

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
}  // namespace

void CString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  assign(VFormatC(format, args));
  va_end(args);
}

void CString::AppendFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  append(VFormatC(format, args));
  va_end(args);
}

CString CString::Left(int count) const {
  if (count <= 0) return CString();
  return CString(substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (static_cast<size_t>(first) >= size()) return CString();
  if (count < 0) return CString(substr(static_cast<size_t>(first)));
  return CString(substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
  if (count <= 0) return CString();
  if (static_cast<size_t>(count) >= size()) return *this;
  return CString(substr(size() - static_cast<size_t>(count)));
}

int CString::Find(const char* sub, int start) const {
  if (!sub || start < 0 || static_cast<size_t>(start) > size()) return -1;
  const size_t p = find(sub, static_cast<size_t>(start));
  return p == npos ? -1 : static_cast<int>(p);
}

int CString::Find(char c, int start) const {
  if (start < 0 || static_cast<size_t>(start) > size()) return -1;
  const size_t p = find(c, static_cast<size_t>(start));
  return p == npos ? -1 : static_cast<int>(p);
}

void CString::TrimLeft() {
  size_t i = 0;
  while (i < size() && IsBlank((*this)[i])) ++i;
  erase(0, i);
}

void CString::TrimRight() {
  while (!empty() && IsBlank(back())) pop_back();
}

void CString::MakeUpper() {
  for (char& c : *this)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

void CString::MakeLower() {
  for (char& c : *this)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

int CString::Replace(const char* from, const char* to) {
  if (!from || !*from) return 0;
  const std::string f(from), t(to ? to : "");
  int n = 0;
  size_t p = 0;
  while ((p = find(f, p)) != npos) {
    replace(p, f.size(), t);
    p += t.size();
    ++n;
  }
  return n;
}
