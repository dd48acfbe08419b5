#include "Shell.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Cp1252.h"
#include "InstallPath.h"

namespace {

bool LooksLikeAddress(const std::string& s) {
  return s.find("://") != std::string::npos || s.rfind("mailto:", 0) == 0;
}

// The desktop's opener must exist on the search path: without it nothing can
// be opened, and the caller must hear so instead of a silent success.
bool OpenerFound() {
  const char* path = std::getenv("PATH");
  std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string candidate = (end > start ? dirs.substr(start, end - start) : ".") + "/xdg-open";
    if (access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

intptr_t ShellExecute(HWND, const char*, const char* file, const char*, const char* directory, int) {
  if (!file || !*file) return SE_ERR_FNF;
  std::string target = file;
  if (!LooksLikeAddress(target)) {
    target = ResolveInstallPath(directory ? directory : "", target);
    struct stat st;
    if (stat(target.c_str(), &st) != 0) return SE_ERR_FNF;
  }
  target = Cp1252ToUtf8(target);
  if (!OpenerFound()) return SE_ERR_NOASSOC;
  // Double fork: the opener runs detached and leaves no zombie behind.
  pid_t child = fork();
  if (child < 0) return SE_ERR_NOASSOC;
  if (child == 0) {
    setsid();
    pid_t grandchild = fork();
    if (grandchild == 0) {
      char arg0[] = "xdg-open";
      char* argv[] = {arg0, const_cast<char*>(target.c_str()), nullptr};
      execvp("xdg-open", argv);
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return (WIFEXITED(status) && WEXITSTATUS(status) == 0) ? 42 : SE_ERR_NOASSOC;
}
