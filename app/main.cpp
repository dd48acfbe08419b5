// Entry point: the program works in its install folder, the folder of its own
// executable, whatever folder it was started from; then the resources go to the
// window layer and the application runs.
#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "App.h"
#include "InstallFolder.h"
#include "Nuvarine2App.h"
#include "ProcessObjects.h"
#include "Resource.h"

int main(int argc, char** argv) {
  // Pictures, texture levels and files are decoded into buffers of megabytes
  // that live for a moment. By default the allocator raises its threshold for
  // giving such blocks their own mappings each time one is freed, after which
  // they come from the heap and their pages stay with the process once freed:
  // tens of megabytes of resident memory held for nothing. A fixed threshold
  // hands every large block back to the system when it is freed.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  mallopt(M_TRIM_THRESHOLD, 1024 * 1024);
  // A file named on the command line (relative to the start folder) stays the
  // one the user meant.
  std::vector<char> startFolder(PATH_MAX + 1, '\0');
  std::vector<std::string> arguments(argv, argv + argc);
  if (getcwd(startFolder.data(), PATH_MAX)) {
    for (int i = 1; i < argc; ++i)
      if (argv[i][0] != '\0' && argv[i][0] != '-' && argv[i][0] != '/' && access(argv[i], F_OK) == 0)
        arguments[i] = std::string(startFolder.data()) + "/" + argv[i];
  }
  std::vector<char*> args;
  for (std::string& a : arguments) args.push_back(a.data());
  args.push_back(nullptr);

  const std::string installFolder = ExecutableFolder();
  if (installFolder != "/" && chdir(installFolder.c_str()) != 0) {
    std::fprintf(stderr, "nuvarine2: cannot work in the install folder %s: %s\n", installFolder.c_str(),
                 std::strerror(errno));
    return 1;
  }

  RegisterNuvarineResources();
  if (AfxGetApp() != reinterpret_cast<CWinApp*>(&g_app)) return 1;
  return AfxWinMain(argc, args.data());
}
