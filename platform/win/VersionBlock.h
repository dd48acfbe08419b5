#pragma once
// The version block a program or library carries in its own section
// (".nvversion"), read back by CFileVersionInfo: the 52-byte fixed file
// information, then "name\0value\0" pairs ending with an empty name.
#include <cstdint>

struct VersionBlockData {
  uint32_t fixed[13];
  char strings[240];
};

constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

// Defines the block of this binary: version a.b.c build d, with the private
// and special build texts.
#define NUVARINE_VERSION_BLOCK(a, b, c, d, privateBuild, specialBuild)                                     \
  extern "C" __attribute__((section(".nvversion"), used, visibility("default")))                            \
  const VersionBlockData g_nuvarineVersionBlock = {                                                         \
      {kFixedFileInfoSignature, 0x00010000u, ((a) << 16) | (b), ((c) << 16) | (d), ((a) << 16) | (b),      \
       ((c) << 16) | (d), 0x3Fu, 0u, 0x40004u, 1u, 0u, 0u, 0u},                                             \
      "PrivateBuild\0" privateBuild "\0SpecialBuild\0" specialBuild "\0"}
