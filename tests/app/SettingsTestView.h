#pragma once
// A settings object with loaded comet and asteroid records to match against.
#include <string>
#include <vector>

#include "ViewSettings.h"

class TestView : public CViewSettings {
 public:
  TestView() {
    SetDefaultSettings();
    SetDefaultFonts();
  }
  std::vector<std::string> comets;
  std::vector<std::string> asteroids;
  int LoadedCometCount() const override { return static_cast<int>(comets.size()); }
  const char* LoadedCometName(int i) const override { return comets[static_cast<size_t>(i)].c_str(); }
  int LoadedAsteroidCount() const override { return static_cast<int>(asteroids.size()); }
  const char* LoadedAsteroidName(int i) const override { return asteroids[static_cast<size_t>(i)].c_str(); }
};
