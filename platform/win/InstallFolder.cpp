#include "InstallFolder.h"

#include <unistd.h>

#include <climits>
#include <vector>

std::string ExecutableFolder() {
  std::vector<char> buffer(PATH_MAX + 1, '\0');
  ssize_t n = readlink("/proc/self/exe", buffer.data(), PATH_MAX);
  if (n <= 0) return "/";
  std::string path(buffer.data(), static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string CurrentInstallFolder() {
  std::vector<char> buffer(PATH_MAX + 1, '\0');
  if (getcwd(buffer.data(), buffer.size())) return std::string(buffer.data());
  return ExecutableFolder();
}
