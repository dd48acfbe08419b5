#pragma once
// Number formatting and parsing that ignore the process locale. Qt sets the
// locale from the environment, which would turn "%.10f" into a decimal comma
// and make atof stop at the dot; settings files and texts must not change.
#include <cstdarg>
#include <string>

// printf-compatible formatting in the "C" locale.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string VFormatC(const char* format, va_list args);

// atof-compatible: leading blanks skipped, the longest valid prefix read,
// 0 when there is none.
double AtofC(const char* text);
inline double AtofC(const std::string& text) { return AtofC(text.c_str()); }

// strtod-compatible in the "C" locale (end receives the first unread byte).
double StrtodC(const char* text, char** end);

// atoi/atol-compatible: leading blanks, optional sign, digits; 0 when none;
// saturates instead of overflowing.
long AtolC(const char* text);
inline int AtoiC(const char* text) { return static_cast<int>(AtolC(text)); }

// sscanf in the "C" locale.
int SscanfC(const char* text, const char* format, ...) __attribute__((format(scanf, 2, 3)));
