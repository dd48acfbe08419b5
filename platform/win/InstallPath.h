#pragma once
// Designed paths look like "\donnees\cometes.dat" and mix the case of folder
// names ("Textures", "textures"). On a case-sensitive file system each
// component is matched without regard to case when the exact name is absent.
#include <string>

// Turns a designed path into a real one: '\' becomes '/', repeated separators
// are folded, and each existing component is matched case-insensitively.
// Components that do not exist (a file about to be written) are kept as given.
// A relative path is resolved against `folder` (empty: the current directory).
std::string ResolveInstallPath(const std::string& folder, const std::string& designedPath);

// Only the separator rewrite and folding, without touching the file system.
std::string NormalizeSeparators(const std::string& designedPath);
