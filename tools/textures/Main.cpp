// make-textures INSTALL_FOLDER [STAMP]: writes the procedural pictures of the
// sky into the install folder's "textures" folder.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "Image.h"
#include "Textures.h"

namespace {

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make-textures INSTALL_FOLDER [STAMP]\n");
    return 2;
  }
  const std::string root = std::string(argv[1]) + "/textures";
  if (!MakeFolder(root) || !MakeFolder(root + "/stars")) {
    std::fprintf(stderr, "make-textures: cannot make %s\n", root.c_str());
    return 1;
  }
  struct Sprite {
    const char* name;
    int size;
    textures::RadialProfile profile;
    double red, green, blue;
  };
  const Sprite sprites[] = {
      {"/stars/etoile3.tga", 64, textures::StarProfile, 1.0, 1.0, 1.0},
      {"/halo.tga", 128, textures::HaloProfile, 1.0, 1.0, 0.95},
      {"/Lens.tga", 128, textures::LensProfile, 1.0, 0.95, 0.85},
      {"/Lens2.tga", 128, textures::Lens2Profile, 0.9, 0.95, 1.0},
  };
  std::string error;
  for (const Sprite& s : sprites)
    if (!textures::WriteTga(root + s.name, textures::DrawRadial(s.size, s.profile, s.red, s.green, s.blue), error)) {
      std::fprintf(stderr, "make-textures: %s\n", error.c_str());
      return 1;
    }
  const textures::BgraImage sky = textures::DrawOvercast(512, 256, 20070101u);
  pictures::RgbImage rgb;
  rgb.width = sky.width;
  rgb.height = sky.height;
  rgb.pixels.reserve(static_cast<size_t>(sky.width) * sky.height * 3);
  for (size_t i = 0; i < sky.pixels.size(); i += 4) {
    rgb.pixels.push_back(sky.pixels[i + 2]);
    rgb.pixels.push_back(sky.pixels[i + 1]);
    rgb.pixels.push_back(sky.pixels[i]);
  }
  if (!pictures::WriteJpeg(root + "/nuages.jpg", rgb, 88, error)) {
    std::fprintf(stderr, "make-textures: %s\n", error.c_str());
    return 1;
  }
  if (argc > 2)
    if (FILE* f = std::fopen(argv[2], "wb")) std::fclose(f);
  return 0;
}
