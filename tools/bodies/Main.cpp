// make-bodies STELLARIUM XPLANET_IMAGES INSTALL_FOLDER [STAMP]: writes the
// bodies' textures and meshes into the install folder, with a README per
// folder naming the sources and every derivation.
#include <cstdio>
#include <string>
#include <vector>

#include "BodyImages.h"
#include "BodyMeshes.h"
#include "BodyTextures.h"

namespace {

const char* kTexturesReadme =
    "Body textures (Textures br: up to 1024 pixels a side; textures: up to 2048;\n"
    "Textures hr: up to 4096), written by tools/bodies/make-bodies. Each picture\n"
    "is the source at its best resolution within the folder's limit (halved until\n"
    "it fits, never enlarged), in its own format and as a .dds beside it (DXT1;\n"
    "the clouds DXT5; the rings and their shadow DXT3; compressed with libsquish).\n"
    "\n"
    "Sources:\n"
    "- Debian package stellarium-data (GPL-2+; the maps' own credits are listed in\n"
    "  /usr/share/stellarium/textures and the package's copyright file): the maps\n"
    "  of the Sun, the planets and the moons; moon_4k.jpg for the Moon; mimas.png\n"
    "  as the shared map of the small moons; titan.png for both Titan maps;\n"
    "  venus.png (the cloud tops) for both Venus maps; saturn_rings_radial.png for\n"
    "  the rings; m1phobos.png, m2deimos.png and 243ida.png (models folder) as\n"
    "  phobos.jpg, Deimos.jpg and asteroid.jpg.\n"
    "- Debian package xplanet-images (NASA Blue Marble, 2048 x 1024): earth.jpg.\n"
    "\n"
    "Derivations:\n"
    "- earthspecular: white where earth.jpg shows ocean (blue above red by more\n"
    "  than 20, blue at least green, red below 100), black on land.\n"
    "- clouds: white, with the opacity of how much brighter stellarium's\n"
    "  earth-clouds.png is than its cloud-free earth_cmap.png.\n"
    "- saturn-rings: the radial profile (74510 to 140390 km) resampled into the\n"
    "  ring strip, rows from the outer edge (2.27 Saturn radii) to the inner\n"
    "  (0.548 of it); transparent outside the profile; the colours scaled so\n"
    "  that the brightest channel reaches 235 (the profile keeps them at about\n"
    "  half brightness, the rings are about as bright as the disc).\n"
    "- ombre: Saturn's shadow on the rings, computed: in the strip's second\n"
    "  texture coordinates, the half turned from the Sun is black\n"
    "  within Saturn's radius of the shadow's axis.\n"
    "- moonbump1k: heights integrated (Poisson solution, coarse to fine) from the\n"
    "  slopes of stellarium's moon_normals.png.\n"
    "- bumpearth, mercurybump, marsbump1k, plutobump1k: no elevation data in the\n"
    "  packages; uniform grey, so the relief is flat. blanc: uniform white.\n";

const char* kMeshesReadme =
    "Meshes (text .x), written by tools/bodies/make-bodies; each lies inside the\n"
    "unit sphere, the scene scales it by the body's radius.\n"
    "- phobos.x, Deimos.x, asteroide.x: stellarium-data's shape models m1phobos,\n"
    "  m2deimos and 243 Ida (models folder), centred and scaled, one material\n"
    "  naming its map (textures/phobos.jpg, Deimos.jpg, asteroid.jpg).\n"
    "- The spacecraft: no public model in the packages; simple shapes (bus,\n"
    "  dish, booms, solar wings) built from published dimensions, the dish\n"
    "  towards the Earth once the scene turns the mesh. cassini.x has 310\n"
    "  materials: 90 to 109 are the attached Huygens probe.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: make-bodies STELLARIUM XPLANET_IMAGES INSTALL_FOLDER [STAMP]\n");
    return 2;
  }
  const std::string stellarium = argv[1], xplanet = argv[2], install = argv[3];
  std::string error;
  if (!bodies::MakeBodyTextures(stellarium, xplanet, install, error) ||
      !bodies::MakeBodyMeshes(stellarium, install, error)) {
    std::fprintf(stderr, "make-bodies: %s\n", error.c_str());
    return 1;
  }
  for (const char* folder : {"/Textures br", "/textures", "/Textures hr"}) {
    const std::string text = std::string(kTexturesReadme);
    if (!bodies::WriteFileAtomically(install + folder + "/README.bodies", std::vector<uint8_t>(text.begin(), text.end()),
                                     error)) {
      std::fprintf(stderr, "make-bodies: %s\n", error.c_str());
      return 1;
    }
  }
  const std::string meshes = kMeshesReadme;
  if (!bodies::WriteFileAtomically(install + "/Objets/README", std::vector<uint8_t>(meshes.begin(), meshes.end()),
                                   error)) {
    std::fprintf(stderr, "make-bodies: %s\n", error.c_str());
    return 1;
  }
  if (argc > 4)
    if (FILE* f = std::fopen(argv[4], "wb")) std::fclose(f);
  return 0;
}
