#pragma once
// A plain file in the shape the system's code uses (open flags, seek, length).
// Paths may be designed ones ("\telescope.log"): they go through
// ResolveInstallPath. SetLength keeps the file position, as the system call does.
#include <cstdint>

#include "CString.h"
#include "WinTypes.h"

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0,
    modeWrite = 0x1,
    modeReadWrite = 0x2,
    shareDenyNone = 0x40,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeBinary = 0x8000,
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

  CFile() = default;
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Without modeCreate the file must exist; modeCreate truncates unless modeNoTruncate.
  BOOL Open(const char* path, UINT flags);
  void Close();
  bool IsOpen() const { return m_hFile >= 0; }
  UINT Read(void* buffer, UINT count);
  // FALSE when not every byte was written.
  BOOL Write(const void* buffer, UINT count);
  uint64_t Seek(int64_t offset, UINT from);
  uint64_t SeekToEnd() { return Seek(0, end); }
  void SeekToBegin() { Seek(0, begin); }
  uint64_t GetPosition() const;
  uint64_t GetLength() const;
  BOOL SetLength(uint64_t length);

  int m_hFile = -1;
};
