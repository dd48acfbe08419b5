#include "DynamicLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cctype>

#include "InstallPath.h"

namespace {

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string DynamicLibraryFileName(const std::string& path) {
  const std::string resolved = ResolveInstallPath("", path);
  if (FileExists(resolved)) return resolved;
  const std::string lower = Lower(resolved);
  if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".dll") == 0) {
    const size_t slash = resolved.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : resolved.substr(0, slash + 1);
    const std::string stem = Lower(resolved.substr(folder.size(), resolved.size() - folder.size() - 4));
    const std::string candidate = ResolveInstallPath("", folder + "lib" + stem + ".so");
    if (FileExists(candidate)) return candidate;
  }
  return resolved;
}

HMODULE LoadLibrary(const char* path) {
  if (path == nullptr || *path == '\0') return nullptr;
  std::string file = DynamicLibraryFileName(path);
  // dlopen searches the system paths for a bare name; keep names as paths.
  if (file.find('/') == std::string::npos) file = "./" + file;
  return ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<FARPROC>(::dlsym(module, name));
}

bool FreeLibrary(HMODULE module) { return module != nullptr && ::dlclose(module) == 0; }
