#pragma once
// The small pictures of the sky drawn procedurally: the star sprite, the
// halo of bright objects, the two lens-flare sprites (radial profiles,
// 32-bit with opaque black edges, which the loader keys to transparent) and
// an overcast sky for the cloud dome.
#include <cstdint>
#include <string>
#include <vector>

namespace textures {

struct BgraImage {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // BGRA, rows top to bottom
};

// Intensity 0..1 at the distance r from the centre (1 at the edge's circle).
using RadialProfile = double (*)(double r);
double StarProfile(double r);
double HaloProfile(double r);
double LensProfile(double r);
double Lens2Profile(double r);

// A square picture of `size` pixels: white x profile x (red, green, blue)
// tint, alpha 255; pixels at or beyond the circle are exactly black.
BgraImage DrawRadial(int size, RadialProfile profile, double red, double green, double blue);
// Grey overcast sky, tileable across its width; no pixel is black.
BgraImage DrawOvercast(int width, int height, uint32_t seed);

// Uncompressed 32-bit TGA, top-left origin, written through a temporary file.
bool WriteTga(const std::string& path, const BgraImage& image, std::string& error);

}  // namespace textures
