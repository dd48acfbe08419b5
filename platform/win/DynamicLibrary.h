#pragma once
// Run-time loading of a shared library, shaped like the Windows calls the
// system makes. A designed name ending in ".dll" that does not exist is looked
// up as the Linux shared object "lib<name>.so" in the same folder.
#include <string>

typedef void* HMODULE;
typedef void (*FARPROC)();

// Loads the library at `path` (designed or real path); null on failure.
HMODULE LoadLibrary(const char* path);
// Address of an exported symbol; null when absent or when module is null.
FARPROC GetProcAddress(HMODULE module, const char* name);
// Unloads; false when module is null or unloading fails.
bool FreeLibrary(HMODULE module);

// The real file LoadLibrary tries for a designed path (exposed for tests).
std::string DynamicLibraryFileName(const std::string& path);
// True when the file is a shared object of this process's kind whose
// headers and segments all lie within it; LoadLibrary refuses any other
// (a library cut short would fault inside the loader, not fail).
bool DynamicLibraryFileLoadable(const std::string& path);
