#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "InstallPath.h"

namespace fs = std::filesystem;

TEST(InstallPath, SeparatorsAreRewrittenAndFolded) {
  EXPECT_EQ(NormalizeSeparators("\\donnees\\cometes.dat"), "/donnees/cometes.dat");
  EXPECT_EQ(NormalizeSeparators("a\\\\b//c"), "a/b/c");
}

TEST(InstallPath, ComponentsMatchWithoutRegardToCase) {
  const fs::path root = fs::temp_directory_path() / ("nv_path_" + std::to_string(::getpid()));
  fs::create_directories(root / "Textures" / "CP");
  std::ofstream(root / "Textures" / "CP" / "CP.ini") << "x";

  const std::string base = root.string();
  EXPECT_EQ(ResolveInstallPath(base, "\\textures\\cp\\cp.ini"), base + "/Textures/CP/CP.ini");
  EXPECT_EQ(ResolveInstallPath(base, "\\Textures\\CP\\CP.ini"), base + "/Textures/CP/CP.ini");
  // A file about to be written keeps its given name inside the matched folder.
  EXPECT_EQ(ResolveInstallPath(base, "\\TEXTURES\\new.jpg"), base + "/Textures/new.jpg");
  // A folder that does not exist is kept as given.
  EXPECT_EQ(ResolveInstallPath(base, "\\cache\\DSS\\a.jpg"), base + "/cache/DSS/a.jpg");
  EXPECT_EQ(ResolveInstallPath(base + "/", "Textures"), base + "/Textures");
  fs::remove_all(root);
}
