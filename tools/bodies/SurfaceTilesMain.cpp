// make-surface-tiles STELLARIUM INSTALL_FOLDER [STAMP]: cuts the Earth's,
// Mars's and the Moon's maps into the surface tiles of "Textures thr", with a
// README naming the sources. Runs after make-bodies, whose finest Earth and
// Moon textures it cuts.
#include <cstdio>
#include <string>
#include <vector>

#include "BodyImages.h"
#include "SurfaceTiles.h"

namespace {

const char* kReadme =
    "Surface tiles, written by tools/bodies/make-surface-tiles: the maps of the\n"
    "bodies' textures cut at their own resolution (never enlarged) into the grids\n"
    "streamed near each body; file tx_<column>_<row>, row 0 at the north.\n"
    "- Earth-BlueMarble 0, 1, 2 (8 x 16, 16 x 32, 32 x 64 tiles, DXT1): the blocks\n"
    "  of Textures hr/earth.dds, from earth.jpg of the Debian package\n"
    "  xplanet-images (NASA Blue Marble, 2048 x 1024).\n"
    "- Moon 0, 1 (8 x 16, 16 x 32, DXT1): the blocks of Textures hr/moon.dds, from\n"
    "  moon_4k.jpg of stellarium-data (4096 x 2048).\n"
    "- Mars 0 (8 x 16, JPEG): mars.png of stellarium-data; column f holds the\n"
    "  map's block f + 8, the grid of Mars starting half a turn away.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make-surface-tiles STELLARIUM INSTALL_FOLDER [STAMP]\n");
    return 2;
  }
  std::string error;
  const std::string install = argv[2];
  const std::string readme = kReadme;
  if (!bodies::MakeSurfaceTiles(argv[1], install, error) ||
      !bodies::WriteFileAtomically(install + "/Textures thr/README",
                                   std::vector<uint8_t>(readme.begin(), readme.end()), error)) {
    std::fprintf(stderr, "make-surface-tiles: %s\n", error.c_str());
    return 1;
  }
  if (argc > 3)
    if (FILE* f = std::fopen(argv[3], "wb")) std::fclose(f);
  return 0;
}
