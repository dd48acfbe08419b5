#pragma once
#include <QApplication>

#include "Resource.h"

// One offscreen toolkit application with the program's resources.
inline QApplication& ShellTestApplication() {
  static int argc = 1;
  static char name[] = "shell_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    auto* a = new QApplication(argc, argv);
    RegisterNuvarineResources();
    return a;
  }();
  return *app;
}
