#include "FileVersionInfo.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

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

bool ReadFile(const std::string& path, std::vector<unsigned char>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
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

bool FindElfSection(const std::vector<unsigned char>& image, const char* section, std::vector<unsigned char>& out) {
  if (image.size() < 64 || std::memcmp(image.data(), "\x7f" "ELF", 4) != 0 || image[4] != 2 || image[5] != 1)
    return false;
  const uint64_t shoff = Read(image, 0x28, 8);
  const uint64_t shentsize = Read(image, 0x3A, 2), shnum = Read(image, 0x3C, 2), shstrndx = Read(image, 0x3E, 2);
  if (shentsize < 64 || shstrndx >= shnum || shoff > image.size() || shnum * shentsize > image.size() - shoff)
    return false;
  auto header = [&](uint64_t i) { return static_cast<size_t>(shoff + i * shentsize); };
  const uint64_t namesOffset = Read(image, header(shstrndx) + 24, 8), namesSize = Read(image, header(shstrndx) + 32, 8);
  if (namesOffset > image.size() || namesSize > image.size() - namesOffset) return false;
  const size_t wanted = std::strlen(section);
  for (uint64_t i = 0; i < shnum; ++i) {
    const uint64_t name = Read(image, header(i), 4);
    if (name + wanted >= namesSize) continue;
    const char* text = reinterpret_cast<const char*>(image.data() + namesOffset + name);
    if (std::strncmp(text, section, wanted + 1) != 0) continue;
    const uint64_t offset = Read(image, header(i) + 24, 8), size = Read(image, header(i) + 32, 8);
    if (offset > image.size() || size > image.size() - offset) return false;
    out.assign(image.begin() + static_cast<long>(offset), image.begin() + static_cast<long>(offset + size));
    return true;
  }
  return false;
}

BOOL CFileVersionInfo::Open(const char* fileName) {
  Close();
  if (!fileName || !*fileName) return FALSE;
  std::vector<unsigned char> image, block;
  if (!ReadFile(LocateFile(fileName), image)) return FALSE;
  if (!FindElfSection(image, ".nvversion", block) || block.size() < 52) return FALSE;
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
