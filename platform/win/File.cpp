#include "File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "InstallPath.h"

CFile::~CFile() { Close(); }

BOOL CFile::Open(const char* path, UINT flags) {
  Close();
  if (!path || !*path) return FALSE;
  std::string real = ResolveInstallPath("", path);
  int mode = (flags & modeReadWrite) ? O_RDWR : (flags & modeWrite) ? O_WRONLY : O_RDONLY;
  if (flags & modeCreate) {
    mode |= O_CREAT;
    if (!(flags & modeNoTruncate)) mode |= O_TRUNC;
  }
  m_hFile = open(real.c_str(), mode | O_CLOEXEC, 0644);
  return m_hFile >= 0;
}

void CFile::Close() {
  if (m_hFile >= 0) close(m_hFile);
  m_hFile = -1;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (m_hFile < 0 || !buffer) return 0;
  size_t done = 0;
  while (done < count) {
    ssize_t n = read(m_hFile, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<UINT>(done);
}

BOOL CFile::Write(const void* buffer, UINT count) {
  if (m_hFile < 0 || (!buffer && count)) return FALSE;
  size_t done = 0;
  while (done < count) {
    ssize_t n = write(m_hFile, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return FALSE;
    done += static_cast<size_t>(n);
  }
  return TRUE;
}

uint64_t CFile::Seek(int64_t offset, UINT from) {
  if (m_hFile < 0) return 0;
  int whence = from == end ? SEEK_END : from == current ? SEEK_CUR : SEEK_SET;
  off_t pos = lseek(m_hFile, static_cast<off_t>(offset), whence);
  return pos < 0 ? 0 : static_cast<uint64_t>(pos);
}

uint64_t CFile::GetPosition() const {
  if (m_hFile < 0) return 0;
  off_t pos = lseek(m_hFile, 0, SEEK_CUR);
  return pos < 0 ? 0 : static_cast<uint64_t>(pos);
}

uint64_t CFile::GetLength() const {
  struct stat st;
  if (m_hFile < 0 || fstat(m_hFile, &st) != 0) return 0;
  return static_cast<uint64_t>(st.st_size);
}

BOOL CFile::SetLength(uint64_t length) {
  return m_hFile >= 0 && ftruncate(m_hFile, static_cast<off_t>(length)) == 0;
}
