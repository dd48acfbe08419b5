#pragma once
// Reads the version block of a program or library file (see VersionBlock.h):
// the fixed file information and the named texts. "name.exe" is looked up
// as "name" and "name.dll" as "libname.so" when the exact file is absent.
#include <cstdint>
#include <vector>

#include "CString.h"
#include "WinTypes.h"

class CFileVersionInfo {
 public:
  CFileVersionInfo() = default;
  ~CFileVersionInfo() { Close(); }
  CFileVersionInfo(const CFileVersionInfo&) = delete;
  CFileVersionInfo& operator=(const CFileVersionInfo&) = delete;

  // FALSE (and closed) when the file or its block cannot be read.
  BOOL Open(const char* fileName);
  void Close();
  // Copies the 52 bytes of fixed information; FALSE without a block.
  BOOL GetFixedFileInfo(void* out) const;
  // "a.b.c Rd"; empty without fixed information.
  CString GetFileVersionText() const;
  // The named text; translation 0 is the block's own. Empty when absent.
  CString GetStringValue(uint32_t translation, const char* name) const;
  CString GetPrivateBuild() const { return GetStringValue(0, "PrivateBuild"); }
  CString GetSpecialBuild() const { return GetStringValue(0, "SpecialBuild"); }
  uint32_t Translation() const { return m_translation; }

 private:
  std::vector<unsigned char>* m_block = nullptr;
  uint32_t m_translation = 0;
};

// The section bytes named `section` of an ELF file's image; false when the
// image is no 64-bit little-endian ELF file or lacks the section.
bool FindElfSection(const std::vector<unsigned char>& image, const char* section, std::vector<unsigned char>& out);
// The same read from the file itself, reading only the headers and the
// section (a program with debugging information is tens of megabytes).
bool ReadElfSection(const std::string& path, const char* section, std::vector<unsigned char>& out);
