#pragma once
// Little-endian field readers and whole-file reading shared by the catalogue
// loaders.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace catalogue_io {

inline uint32_t U32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
inline int32_t I32(const unsigned char* p) { return static_cast<int32_t>(U32(p)); }
inline uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline int16_t I16(const unsigned char* p) { return static_cast<int16_t>(U16(p)); }
inline float F32(const unsigned char* p) {
  uint32_t u = U32(p);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}
// Copies `count` bytes and adds a terminating zero (dest holds count + 1).
inline void CopyChars(char* dest, const unsigned char* src, int count) {
  for (int i = 0; i < count; ++i) dest[i] = static_cast<char>(src[i]);
  dest[count] = '\0';
}

// The whole file; false when it is missing, not a regular file, larger than
// `limit` bytes (nothing is read then) or cannot be read completely, with
// the reason in `problem` when given.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& data, size_t limit,
                   std::string* problem = nullptr);

}  // namespace catalogue_io
