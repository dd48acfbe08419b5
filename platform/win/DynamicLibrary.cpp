#include "DynamicLibrary.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

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

// Reads `length` bytes at `offset` of the file, or false.
bool ReadAt(int fd, uint64_t offset, void* out, size_t length) {
  auto* bytes = static_cast<char*>(out);
  while (length > 0) {
    const ssize_t n = ::pread(fd, bytes, length, static_cast<off_t>(offset));
    if (n <= 0) return false;
    bytes += n, offset += static_cast<uint64_t>(n), length -= static_cast<size_t>(n);
  }
  return true;
}

bool WithinFile(uint64_t offset, uint64_t length, uint64_t fileSize) {
  return offset <= fileSize && length <= fileSize - offset;
}

}  // namespace

bool DynamicLibraryFileLoadable(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  bool ok = false;
  struct stat st;
  Elf64_Ehdr header;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAt(fd, 0, &header, sizeof header)) {
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    // A shared object of this process's own kind.
    ok = std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 && header.e_ident[EI_CLASS] == ELFCLASS64 &&
         header.e_ident[EI_DATA] == (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB) &&
         header.e_ident[EI_VERSION] == EV_CURRENT && header.e_type == ET_DYN &&
         header.e_ehsize == sizeof(Elf64_Ehdr) && header.e_phentsize == sizeof(Elf64_Phdr) && header.e_phnum > 0 &&
         WithinFile(header.e_phoff, uint64_t{header.e_phnum} * sizeof(Elf64_Phdr), size);
    // The section headers, when there are any, are the file's last part: a
    // file cut short loses them first.
    if (ok && header.e_shoff != 0)
      ok = header.e_shentsize == sizeof(Elf64_Shdr) &&
           WithinFile(header.e_shoff, uint64_t{header.e_shnum} * sizeof(Elf64_Shdr), size);
    // Every segment the loader maps or reads lies within the file: mapping
    // past its end would fault on first touch instead of failing.
    if (ok) {
      std::vector<Elf64_Phdr> segments(header.e_phnum);
      ok = ReadAt(fd, header.e_phoff, segments.data(), segments.size() * sizeof(Elf64_Phdr));
      for (size_t i = 0; ok && i < segments.size(); ++i)
        if (segments[i].p_type != PT_NULL) ok = WithinFile(segments[i].p_offset, segments[i].p_filesz, size);
    }
  }
  ::close(fd);
  return ok;
}

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
  if (!DynamicLibraryFileLoadable(file)) return nullptr;
  return ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<FARPROC>(::dlsym(module, name));
}

bool FreeLibrary(HMODULE module) { return module != nullptr && ::dlclose(module) == 0; }
