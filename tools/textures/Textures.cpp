#include "Textures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace textures {
namespace {

double Smooth(double edge0, double edge1, double x) {
  const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

// Value noise on a lattice that wraps every `period` cells across x.
double Noise(double x, double y, int period, uint32_t seed) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  auto at = [&](int ix, int iy) {
    const int wrapped = ((ix % period) + period) % period;
    return (Hash(static_cast<uint32_t>(wrapped), static_cast<uint32_t>(iy), seed) & 0xFFFF) / 65535.0;
  };
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
  const double b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
  return a + (b - a) * sy;
}

}  // namespace

// A bright disc with a soft glow. The sprites of faint stars cover a few
// pixels only: a narrow peak would be averaged away (mipmaps, linear
// filtering) and the star vanish; a full core keeps it a visible point.
double StarProfile(double r) {
  const double glow = r < 0.25 ? 1.0 : std::exp(-(r - 0.25) * (r - 0.25) * 10.0);
  return glow * (1.0 - Smooth(0.8, 1.0, r));
}

// A wide glow fading to nothing at the edge.
double HaloProfile(double r) {
  const double t = std::max(0.0, 1.0 - r);
  return t * t * t;
}

// A faint disc with a brighter rim.
double LensProfile(double r) {
  const double disc = 0.35 * (1.0 - Smooth(0.82, 0.9, r));
  const double rim = 0.65 * std::exp(-std::pow((r - 0.8) / 0.06, 2.0));
  return std::min(1.0, (disc + rim) * (1.0 - Smooth(0.92, 1.0, r)));
}

// A thin ring with an almost empty middle.
double Lens2Profile(double r) {
  const double ring = std::exp(-std::pow((r - 0.7) / 0.08, 2.0));
  return std::min(1.0, (ring + 0.08 * (1.0 - Smooth(0.6, 0.7, r))) * (1.0 - Smooth(0.9, 1.0, r)));
}

BgraImage DrawRadial(int size, RadialProfile profile, double red, double green, double blue) {
  BgraImage image;
  image.width = image.height = size;
  image.pixels.assign(static_cast<size_t>(size) * size * 4, 0);
  const double half = size * 0.5;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double dx = (x + 0.5 - half) / half, dy = (y + 0.5 - half) / half;
      const double r = std::sqrt(dx * dx + dy * dy);
      const double v = r >= 1.0 ? 0.0 : std::clamp(profile(r), 0.0, 1.0);
      uint8_t* p = &image.pixels[(static_cast<size_t>(y) * size + x) * 4];
      p[0] = static_cast<uint8_t>(std::lround(255.0 * v * blue));
      p[1] = static_cast<uint8_t>(std::lround(255.0 * v * green));
      p[2] = static_cast<uint8_t>(std::lround(255.0 * v * red));
      p[3] = 255;
    }
  return image;
}

BgraImage DrawOvercast(int width, int height, uint32_t seed) {
  BgraImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double sum = 0.0, amplitude = 0.5, total = 0.0;
      int period = 8;
      for (int octave = 0; octave < 6; ++octave) {
        const double scale = static_cast<double>(period) / width;
        sum += amplitude * Noise(x * scale, y * scale, period, seed + octave);
        total += amplitude;
        amplitude *= 0.5;
        period *= 2;
      }
      const double v = sum / total;                        // about 0.2 .. 0.8
      const double cloud = Smooth(0.25, 0.75, v);          // thicker where high
      const double grey = 110.0 + 125.0 * cloud;           // never black
      uint8_t* p = &image.pixels[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = static_cast<uint8_t>(std::min(255.0, grey + 6.0));
      p[1] = static_cast<uint8_t>(grey);
      p[2] = static_cast<uint8_t>(std::max(0.0, grey - 4.0));
      p[3] = 255;
    }
  return image;
}

bool WriteTga(const std::string& path, const BgraImage& image, std::string& error) {
  if (image.width <= 0 || image.height <= 0 || image.width > 65535 || image.height > 65535) {
    error = "bad picture size";
    return false;
  }
  uint8_t header[18] = {};
  header[2] = 2;  // uncompressed true colour
  header[12] = static_cast<uint8_t>(image.width & 255);
  header[13] = static_cast<uint8_t>(image.width >> 8);
  header[14] = static_cast<uint8_t>(image.height & 255);
  header[15] = static_cast<uint8_t>(image.height >> 8);
  header[16] = 32;
  header[17] = 0x28;  // 8 alpha bits, first row at the top
  const std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) {
    error = "cannot write " + temp;
    return false;
  }
  bool ok = std::fwrite(header, 1, sizeof(header), f) == sizeof(header) &&
            std::fwrite(image.pixels.data(), 1, image.pixels.size(), f) == image.pixels.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace textures
