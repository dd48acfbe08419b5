#pragma once
// One toolkit application for the whole test program (offscreen).
#include <QApplication>

inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}
