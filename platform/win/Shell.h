#pragma once
// Opening a document or an address with the program the desktop associates
// with it (xdg-open), in the shape of the Windows shell call. The call does
// not wait for the program. Results above 32 mean success; SE_ERR_NOASSOC
// when the desktop's opener (xdg-open) cannot be found or started.
#include <cstdint>

#include "NativeWindow.h"

constexpr intptr_t SE_ERR_FNF = 2;
constexpr intptr_t SE_ERR_NOASSOC = 31;
constexpr int SW_SHOWNORMAL_SHELL = 1;

// verb: "open" (others are treated as "open"); file: a path or an address.
intptr_t ShellExecute(HWND owner, const char* verb, const char* file, const char* parameters,
                      const char* directory, int showCommand);
