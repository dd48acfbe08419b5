#pragma once
// The install folder of a run: the current directory at start-up, whatever
// its length; when it cannot be read (removed under the program), the
// program's own folder.
#include <string>

std::string CurrentInstallFolder();
// The folder of the running program ("/" when it cannot be found).
std::string ExecutableFolder();
