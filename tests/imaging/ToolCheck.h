#pragma once
// Runs the independent readers and writers the tests compare with.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

// Output and exit status of a shell command.
struct ToolResult {
  int status = -1;
  std::string out;
};

inline ToolResult RunTool(const std::string& command) {
  ToolResult r;
  FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!p) return r;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
  const int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// Fails the test, naming the Debian package, when a program is missing.
#define REQUIRE_PROGRAM(path, package)                                                                 \
  do {                                                                                                 \
    if (::access(path, X_OK) != 0) FAIL() << path << " is missing: install the package " << package; \
  } while (0)

inline bool PillowAvailable() { return RunTool("/usr/bin/python3 -c 'import PIL'").status == 0; }
