#include "FileVersionInfo.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <fstream>

#include "DynamicLibrary.h"
#include "InstallPath.h"
#include "VersionBlock.h"

namespace {

// The block's translation: US English, code page 1252.
constexpr uint32_t kBlockTranslation = 0x040904E4;

uint64_t Read(const std::vector<unsigned char>& b, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

std::string LocateFile(const char* fileName) {
  std::string resolved = ResolveInstallPath("", fileName);
  std::ifstream probe(resolved);
  if (probe) return resolved;
  const size_t n = resolved.size();
  if (n > 4 && strcasecmp(resolved.c_str() + n - 4, ".exe") == 0) return ResolveInstallPath("", resolved.substr(0, n - 4));
  return DynamicLibraryFileName(fileName);
}

}  // namespace

namespace {

// Finds `section` through `read(offset, size, bytes)`, which fills `bytes`
// with that part of the file or fails when the file is shorter.
template <typename Reader>
bool FindSection(Reader read, const char* section, std::vector<unsigned char>& out) {
  std::vector<unsigned char> header;
  if (!read(0, 64, header) || std::memcmp(header.data(), "\x7f" "ELF", 4) != 0 || header[4] != 2 || header[5] != 1)
    return false;
  const uint64_t shoff = Read(header, 0x28, 8);
  const uint64_t shentsize = Read(header, 0x3A, 2), shnum = Read(header, 0x3C, 2), shstrndx = Read(header, 0x3E, 2);
  std::vector<unsigned char> table, names;
  if (shentsize < 64 || shstrndx >= shnum || !read(shoff, shnum * shentsize, table)) return false;
  auto entry = [&](uint64_t i) { return static_cast<size_t>(i * shentsize); };
  if (!read(Read(table, entry(shstrndx) + 24, 8), Read(table, entry(shstrndx) + 32, 8), names)) return false;
  const size_t wanted = std::strlen(section);
  for (uint64_t i = 0; i < shnum; ++i) {
    const uint64_t name = Read(table, entry(i), 4);
    if (name + wanted >= names.size()) continue;
    if (std::strncmp(reinterpret_cast<const char*>(names.data() + name), section, wanted + 1) != 0) continue;
    return read(Read(table, entry(i) + 24, 8), Read(table, entry(i) + 32, 8), out);
  }
  return false;
}

}  // namespace

bool FindElfSection(const std::vector<unsigned char>& image, const char* section, std::vector<unsigned char>& out) {
  return FindSection(
      [&image](uint64_t offset, uint64_t size, std::vector<unsigned char>& bytes) {
        if (offset > image.size() || size > image.size() - offset) return false;
        bytes.assign(image.begin() + static_cast<long>(offset), image.begin() + static_cast<long>(offset + size));
        return true;
      },
      section, out);
}

bool ReadElfSection(const std::string& path, const char* section, std::vector<unsigned char>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  if (end <= 0) return false;
  const auto length = static_cast<uint64_t>(end);
  return FindSection(
      [&in, length](uint64_t offset, uint64_t size, std::vector<unsigned char>& bytes) {
        if (offset > length || size > length - offset) return false;
        bytes.resize(static_cast<size_t>(size));
        in.clear();
        in.seekg(static_cast<std::streamoff>(offset));
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
        return static_cast<bool>(in) || size == 0;
      },
      section, out);
}

BOOL CFileVersionInfo::Open(const char* fileName) {
  Close();
  if (!fileName || !*fileName) return FALSE;
  std::vector<unsigned char> block;
  if (!ReadElfSection(LocateFile(fileName), ".nvversion", block) || block.size() < 52) return FALSE;
  if (Read(block, 0, 4) != kFixedFileInfoSignature) return FALSE;
  m_block = new std::vector<unsigned char>(std::move(block));
  m_translation = kBlockTranslation;
  return TRUE;
}

void CFileVersionInfo::Close() {
  delete m_block;
  m_block = nullptr;
  m_translation = 0;
}

BOOL CFileVersionInfo::GetFixedFileInfo(void* out) const {
  if (!m_block) return FALSE;
  std::memcpy(out, m_block->data(), 52);
  return TRUE;
}

CString CFileVersionInfo::GetFileVersionText() const {
  if (!m_block) return CString();
  const uint32_t ms = static_cast<uint32_t>(Read(*m_block, 8, 4)), ls = static_cast<uint32_t>(Read(*m_block, 12, 4));
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u R%u", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
  return text;
}

CString CFileVersionInfo::GetStringValue(uint32_t translation, const char* name) const {
  if (!m_block || (translation != 0 && translation != m_translation)) return CString();
  const auto& b = *m_block;
  size_t at = 52;
  auto next = [&](std::string& s) {
    const size_t end = std::find(b.begin() + static_cast<long>(at), b.end(), 0) - b.begin();
    if (end >= b.size()) return false;
    s.assign(reinterpret_cast<const char*>(b.data() + at), end - at);
    at = end + 1;
    return true;
  };
  std::string key, value;
  while (at < b.size() && next(key) && !key.empty() && next(value))
    if (key == name) return value;
  return CString();
}
