#pragma once
// The one way the system reads and writes INI-style text files (the settings
// file, configuration files, the deep-sky picture placement file, notes and
// optics lists): typed getters with fixed "missing" markers and typed setters
// with fixed text formats over the SimpleIni engine. Callers create it as a
// local object for one read or one write.
//
// Files are written with CR LF line ends, "key=value" without blanks, and two
// empty lines before every section after the first. Section and key names
// match without regard to case; setting a key again replaces its value in
// place. Numbers never depend on the process locale.
#include <string>

#include "CString.h"

// What GetInt returns for a missing key (also the most negative 32-bit value).
constexpr long kIniMissingInt = -2147483647L - 1;
// What GetDouble returns for a missing key: 2^-126, the smallest normal float.
constexpr double kIniMissingDouble = 1.1754943508222875e-38;

class CIniEngine;

class CIniFile {
 public:
  CIniFile();
  ~CIniFile();
  CIniFile(const CIniFile&) = delete;
  CIniFile& operator=(const CIniFile&) = delete;

  // A new, empty working engine, for writing a file from scratch.
  bool Create();
  // A new working engine loaded from `path`. False when the file cannot be
  // opened or read; the engine then stays, empty, and must still be closed.
  // LoadFoundNoFile and GetProblem then tell a missing file (a first start)
  // from one that exists but could not be read, which must not be replaced.
  bool Load(const char* path);
  // True when the loaded content has the section (names match without regard
  // to case).
  bool HasSection(const char* section) const;
  // Writes the content to `path` through a temporary file renamed into place,
  // so the old file survives a failed write; then closes the object. False
  // when the file could not be written (GetProblem says why), or when it
  // would be larger than Load reads back.
  bool Save(const char* path);
  // The largest file Load reads and Save writes (16 MB unless set).
  void SetSizeLimit(size_t bytes) { m_sizeLimit = bytes; }
  size_t GetSizeLimit() const { return m_sizeLimit; }
  // After a failed Load: true when no file was there at all.
  bool LoadFoundNoFile() const { return m_noFile; }
  // Why the last Load or Save failed, in a few words; empty after a success.
  const CString& GetProblem() const { return m_problem; }
  // Releases the working engine; nothing happens when there is none.
  void Close();

  // Getters take the key first and the section second. Texts are limited to
  // 999 characters.
  CString GetValue(const char* key, const char* section) const;
  CString GetString(const char* key, const char* section) const { return GetValue(key, section); }
  // True only for the exact text "True".
  bool GetBool(const char* key, const char* section) const;
  // kIniMissingInt when the key is missing or its value holds an upper-case
  // 'F'; otherwise the leading decimal integer (0 when there is none),
  // saturated to 32 bits.
  long GetInt(const char* key, const char* section) const;
  // kIniMissingDouble when the key is missing or its value holds an
  // upper-case 'F'; otherwise the leading decimal number (0 when none).
  double GetDouble(const char* key, const char* section) const;

  // Setters create the section and key, or replace the value in place. The
  // comment is accepted for the callers' sake and never written.
  bool SetString(const char* key, const char* value, const char* comment, const char* section);
  bool SetBool(const char* key, bool value, const char* comment, const char* section);
  bool SetInt(const char* key, long value, const char* comment, const char* section);
  // The value comes last here, after the section.
  bool SetDouble(const char* key, const char* comment, const char* section, double value);
  // Texts longer than 999 characters (user notes): the same with the bound given.
  CString GetLongValue(const char* key, const char* section, size_t maxLength) const;
  bool SetLongString(const char* key, const char* value, const char* section, size_t maxLength);
  // Writes nothing: no comment ever reaches a file.
  bool SetSectionComment(const char* section, const char* comment) { return true; }

 private:
  CIniEngine* m_pIni = nullptr;
  size_t m_sizeLimit;
  bool m_noFile = false;
  CString m_problem;
};

// Before a file that could not be read whole is written over: copies it to
// "<path>.bak" (else ".bak2" ... ".bak99", never over an existing file) and
// gives the copy's path. True with an empty copy when there is nothing to
// keep (no file, or not a regular file); false, with the reason, when the
// copy could not be made (the file must then be left as it is).
bool KeepCopyBeside(const char* path, std::string& copy, std::string& problem);

// The longest prefix of `text` that reads as a decimal number (blanks first,
// optional sign, digits with an optional point, optional exponent), converted
// without regard to the locale; 0 when there is none. No hexadecimal, no
// "inf" or "nan". `length` bounds the bytes looked at (a zero byte ends too).
double ParseLeadingDecimal(const char* text, size_t length);
