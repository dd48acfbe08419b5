#include "RegularFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

int OpenRegularFileDescriptor(const std::string& path, int extraFlags) {
  // Without O_NONBLOCK the open of a named pipe waits for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | extraFlags);
  if (fd < 0) return -1;
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = error;
    return -1;
  }
  // Plain blocking reads from here on (a regular file never blocks anyway).
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

std::FILE* OpenRegularFile(const std::string& path) {
  const int fd = OpenRegularFileDescriptor(path);
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, "rb");
  if (!f) ::close(fd);
  return f;
}

int64_t RegularFileSize(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

int RemoveLeftTemporaries(const std::string& target, const std::string& infix) {
  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash == 0 ? 1 : slash);
  const std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + infix;
  if (prefix == infix) return 0;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    bool suffix = true, word = true;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(name[i]);
      suffix = suffix && std::isalnum(c);
      word = word && std::islower(c);
    }
    // Six small letters may be a name a person gave ("nuvarine.ini.backup"):
    // kept, at the cost of a rare temporary staying.
    if (!suffix || word) continue;
    const std::string path = folder + "/" + name;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::unlink(path.c_str()) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}
