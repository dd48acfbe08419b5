#include "InstallPath.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <vector>

namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// The entry of `dir` whose name equals `name` without regard to ASCII case,
// or `name` itself when there is none.
std::string MatchComponent(const std::string& dir, const std::string& name) {
  const std::string probe = dir.empty() ? name : (dir == "/" ? "/" + name : dir + "/" + name);
  if (Exists(probe)) return name;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return name;
  std::string found = name;
  while (dirent* e = ::readdir(d)) {
    if (::strcasecmp(e->d_name, name.c_str()) == 0) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

std::string NormalizeSeparators(const std::string& designedPath) {
  std::string out;
  out.reserve(designedPath.size());
  for (char c : designedPath) {
    if (c == '\\') c = '/';
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out += c;
  }
  return out;
}

std::string ResolveInstallPath(const std::string& folder, const std::string& designedPath) {
  const std::string rel = NormalizeSeparators(designedPath);
  std::string base;
  std::string rest;
  if (!rel.empty() && rel[0] == '/' && folder.empty()) {
    base = "/";
    rest = rel.substr(1);
  } else {
    base = NormalizeSeparators(folder);
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    rest = (!rel.empty() && rel[0] == '/') ? rel.substr(1) : rel;
  }

  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= rest.size()) {
    const size_t slash = rest.find('/', start);
    const std::string part = rest.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (!part.empty()) parts.push_back(part);
    if (slash == std::string::npos) break;
    start = slash + 1;
  }

  std::string path = base;
  for (const std::string& part : parts) {
    const std::string matched = (part == "." || part == "..") ? part : MatchComponent(path, part);
    if (path.empty()) path = matched;
    else if (path == "/") path += matched;
    else path += "/" + matched;
  }
  if (path.empty()) path = ".";
  return path;
}
