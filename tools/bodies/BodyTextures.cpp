#include "BodyTextures.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <functional>

namespace bodies {
namespace {

constexpr double kSaturnRadiusKm = 60268.0;
constexpr double kRingInnerKm = 74510.0, kRingOuterKm = 140390.0;
constexpr double kStripOuter = 2.27, kStripInnerFraction = 0.548;

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

int Luminance(const uint8_t* p) { return (p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000; }

enum class Kind { kJpeg, kPng, kPngAlpha, kBmp };

struct Entry {
  std::string name;
  Kind kind;
  Dxt dxt;
  std::function<bool(Image&, std::string&)> source;
};

}  // namespace

Image RingStrip(const Image& radial, int rows) {
  Image strip = MakeImage(4, rows, 0, 0, 0, 0);
  // The profile keeps its colours at about half brightness; the rings are
  // about as bright as the disc, so the brightest channel is brought to 235.
  int brightest = 1;
  for (int y = 0; y < radial.height; ++y)
    for (int x = 0; x < radial.width; ++x)
      if (radial.At(x, y)[3] > 0) brightest = std::max({brightest, int{radial.At(x, y)[0]}, int{radial.At(x, y)[1]},
                                                         int{radial.At(x, y)[2]}});
  const double gain = std::max(1.0, 235.0 / brightest);
  double s[4];
  for (int y = 0; y < rows; ++y) {
    const double v = (y + 0.5) / rows;
    const double radiusKm = kSaturnRadiusKm * kStripOuter * (1.0 - v * (1.0 - kStripInnerFraction));
    const double t = (radiusKm - kRingInnerKm) / (kRingOuterKm - kRingInnerKm);
    uint8_t texel[4] = {0, 0, 0, 0};
    if (t >= 0.0 && t <= 1.0) {
      Sample(radial, std::clamp(t, 0.5 / radial.width, (radial.width - 0.5) / radial.width), 0.5, s);
      for (int k = 0; k < 4; ++k)
        texel[k] = static_cast<uint8_t>(std::lround(std::clamp(k < 3 ? s[k] * gain : s[k], 0.0, 255.0)));
    }
    for (int x = 0; x < 4; ++x) std::copy(texel, texel + 4, strip.At(x, y));
  }
  return strip;
}

Image RingShadow(int width, int height) {
  Image image = MakeImage(width, height, 255, 255, 255, 255);
  const double planet = 1.0 / kStripOuter;  // Saturn's radius in units of the outer edge
  for (int y = height / 2; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double across = 2.0 * (x + 0.5) / width - 1.0;
      // A soft edge over one pixel keeps the boundary from stair-stepping.
      const double edge = std::clamp((std::fabs(across) - planet) * width * 0.5, 0.0, 1.0);
      // Black in the shadow: a dark grey would come out tinted in the
      // three-three-two format the uncompressed shadow texture is loaded in.
      const uint8_t value = static_cast<uint8_t>(std::lround(255.0 * edge));
      uint8_t* p = image.At(x, y);
      p[0] = p[1] = p[2] = value;
    }
  return image;
}

Image OceanMask(const Image& earth) {
  Image mask = MakeImage(earth.width, earth.height, 0, 0, 0, 255);
  for (int y = 0; y < earth.height; ++y)
    for (int x = 0; x < earth.width; ++x) {
      const uint8_t* p = earth.At(x, y);
      const bool ocean = p[2] > p[0] + 20 && p[2] >= p[1] && p[0] < 100;
      uint8_t* q = mask.At(x, y);
      q[0] = q[1] = q[2] = ocean ? 255 : 0;
    }
  return mask;
}

Image CloudLayer(const Image& cloudy, const Image& clear) {
  const Image base = Resample(clear, cloudy.width, cloudy.height);
  Image layer = MakeImage(cloudy.width, cloudy.height, 255, 255, 255, 0);
  for (int y = 0; y < cloudy.height; ++y)
    for (int x = 0; x < cloudy.width; ++x) {
      const int c = Luminance(cloudy.At(x, y)), g = Luminance(base.At(x, y));
      const double alpha = g >= 255 ? 0.0 : std::clamp((c - g) / (255.0 - g), 0.0, 1.0);
      layer.At(x, y)[3] = static_cast<uint8_t>(std::lround(alpha * 255.0));
    }
  return layer;
}

Image HeightsFromNormals(const Image& normals) {
  const int w = normals.width, h = normals.height;
  // Slopes in height per pixel: dh/dx = -nx / nz, dh/dy (downwards) = ny / nz.
  std::vector<double> gx(static_cast<size_t>(w) * h), gy(gx.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = normals.At(x, y);
      const double nx = p[0] / 127.5 - 1.0, ny = p[1] / 127.5 - 1.0, nz = std::max(p[2] / 127.5 - 1.0, 0.1);
      gx[static_cast<size_t>(y) * w + x] = -nx / nz;
      gy[static_cast<size_t>(y) * w + x] = ny / nz;
    }
  // Divergence of the slopes; the heights solve the Poisson equation, the
  // columns wrapping, the poles closed.
  std::vector<double> div(gx.size(), 0.0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(y) * w + x;
      const size_t left = static_cast<size_t>(y) * w + (x + w - 1) % w;
      double d = gx[i] - gx[left];
      if (y > 0) d += gy[i] - gy[i - w];
      div[i] = d;
    }
  // Coarse-to-fine relaxation: each level starts from the coarser solution.
  std::function<std::vector<double>(const std::vector<double>&, int, int)> solve =
      [&](const std::vector<double>& f, int cw, int ch) {
        std::vector<double> u(f.size(), 0.0);
        if (cw >= 16 && ch >= 16 && cw % 2 == 0 && ch % 2 == 0) {
          const int hw = cw / 2, hh = ch / 2;
          std::vector<double> coarse(static_cast<size_t>(hw) * hh);
          for (int y = 0; y < hh; ++y)
            for (int x = 0; x < hw; ++x) {
              const size_t a = static_cast<size_t>(2 * y) * cw + 2 * x;
              coarse[static_cast<size_t>(y) * hw + x] = f[a] + f[a + 1] + f[a + cw] + f[a + cw + 1];
            }
          const std::vector<double> uc = solve(coarse, hw, hh);
          for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x) u[static_cast<size_t>(y) * cw + x] = uc[static_cast<size_t>(y / 2) * hw + x / 2];
        }
        const int sweeps = cw <= 32 ? 400 : 40;
        for (int s = 0; s < sweeps; ++s)
          for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x) {
              const size_t i = static_cast<size_t>(y) * cw + x;
              double sum = u[static_cast<size_t>(y) * cw + (x + 1) % cw] + u[static_cast<size_t>(y) * cw + (x + cw - 1) % cw];
              int n = 2;
              if (y > 0) sum += u[i - cw], ++n;
              if (y + 1 < ch) sum += u[i + cw], ++n;
              u[i] = (sum - f[i]) / n;
            }
        return u;
      };
  std::vector<double> heights = solve(div, w, h);
  // The map's slopes carry a small bias that integrates into a broad drift
  // across the map; only the relief of craters and maria is wanted, so the
  // broad shape (a box mean over 1/32 of the width) is taken away.
  const int radius = std::max(2, w / 32);
  std::vector<double> blurred = heights, row(static_cast<size_t>(std::max(w, h)));
  for (int pass = 0; pass < 2; ++pass) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        double sum = 0;
        for (int k = -radius; k <= radius; ++k) sum += blurred[static_cast<size_t>(y) * w + (x + k + w) % w];
        row[x] = sum / (2 * radius + 1);
      }
      for (int x = 0; x < w; ++x) blurred[static_cast<size_t>(y) * w + x] = row[x];
    }
    for (int x = 0; x < w; ++x) {
      for (int y = 0; y < h; ++y) {
        double sum = 0;
        for (int k = -radius; k <= radius; ++k) sum += blurred[static_cast<size_t>(std::clamp(y + k, 0, h - 1)) * w + x];
        row[y] = sum / (2 * radius + 1);
      }
      for (int y = 0; y < h; ++y) blurred[static_cast<size_t>(y) * w + x] = row[y];
    }
  }
  for (size_t i = 0; i < heights.size(); ++i) heights[i] -= blurred[i];
  // Scaled so that the rarest one percent at each end saturates.
  std::vector<double> sorted = heights;
  std::sort(sorted.begin(), sorted.end());
  const double lo = sorted[sorted.size() / 100], hi = sorted[sorted.size() - 1 - sorted.size() / 100];
  const double span = std::max(hi - lo, 1e-9);
  Image out = MakeImage(w, h, 0, 0, 0, 255);
  for (size_t i = 0; i < heights.size(); ++i) {
    const uint8_t v = static_cast<uint8_t>(std::lround(std::clamp((heights[i] - lo) / span, 0.0, 1.0) * 255.0));
    out.rgba[i * 4] = out.rgba[i * 4 + 1] = out.rgba[i * 4 + 2] = v;
  }
  return out;
}

bool MakeBodyTextures(const std::string& stellarium, const std::string& xplanet, const std::string& install,
                      std::string& error) {
  const std::string maps = stellarium + "/textures/", models = stellarium + "/models/";
  auto file = [&](const std::string& path) {
    return [path](Image& image, std::string& e) { return ReadImage(path, image, e); };
  };
  auto uniform = [](uint8_t grey) {
    return [grey](Image& image, std::string&) {
      image = MakeImage(256, 128, grey, grey, grey, 255);
      return true;
    };
  };
  std::vector<Entry> entries = {
      {"earth", Kind::kJpeg, Dxt::kDxt1, file(xplanet + "/earth.jpg")},
      {"bumpearth", Kind::kJpeg, Dxt::kDxt1, uniform(128)},
      {"blanc", Kind::kJpeg, Dxt::kDxt1, uniform(255)},
      {"earthspecular", Kind::kJpeg, Dxt::kDxt1,
       [&](Image& image, std::string& e) {
         Image earth;
         if (!ReadImage(xplanet + "/earth.jpg", earth, e)) return false;
         image = OceanMask(earth);
         return true;
       }},
      {"clouds", Kind::kPngAlpha, Dxt::kDxt5,
       [&](Image& image, std::string& e) {
         Image cloudy, clear;
         if (!ReadImage(maps + "earth-clouds.png", cloudy, e) || !ReadImage(maps + "earth_cmap.png", clear, e))
           return false;
         image = CloudLayer(cloudy, clear);
         return true;
       }},
      {"sun", Kind::kBmp, Dxt::kDxt1, file(maps + "sun.png")},
      {"mercury", Kind::kJpeg, Dxt::kDxt1, file(maps + "mercury.png")},
      {"mercurybump", Kind::kJpeg, Dxt::kDxt1, uniform(128)},
      {"venus", Kind::kJpeg, Dxt::kDxt1, file(maps + "venus.png")},
      {"venus2", Kind::kJpeg, Dxt::kDxt1, file(maps + "venus.png")},
      {"mars", Kind::kJpeg, Dxt::kDxt1, file(maps + "mars.png")},
      {"marsbump1k", Kind::kJpeg, Dxt::kDxt1, uniform(128)},
      {"jupiter", Kind::kJpeg, Dxt::kDxt1, file(maps + "jupiter.png")},
      {"saturn", Kind::kJpeg, Dxt::kDxt1, file(maps + "saturn.png")},
      {"saturn-rings", Kind::kPngAlpha, Dxt::kDxt3,
       [&](Image& image, std::string& e) {
         Image radial;
         if (!ReadImage(maps + "saturn_rings_radial.png", radial, e)) return false;
         image = RingStrip(radial, radial.width);
         return true;
       }},
      {"ombre", Kind::kPng, Dxt::kDxt3,
       [](Image& image, std::string&) {
         image = RingShadow(256, 256);
         return true;
       }},
      {"uranus", Kind::kJpeg, Dxt::kDxt1, file(maps + "uranus.png")},
      {"neptune", Kind::kJpeg, Dxt::kDxt1, file(maps + "neptune.png")},
      {"pluto", Kind::kJpeg, Dxt::kDxt1, file(maps + "pluto.png")},
      {"plutobump1k", Kind::kJpeg, Dxt::kDxt1, uniform(128)},
      {"moon", Kind::kJpeg, Dxt::kDxt1, file(maps + "moon_4k.jpg")},
      {"moonbump1k", Kind::kJpeg, Dxt::kDxt1,
       [&](Image& image, std::string& e) {
         Image normals;
         if (!ReadImage(maps + "moon_normals.png", normals, e)) return false;
         image = HeightsFromNormals(normals);
         return true;
       }},
      {"io", Kind::kJpeg, Dxt::kDxt1, file(maps + "io.png")},
      {"europa", Kind::kJpeg, Dxt::kDxt1, file(maps + "europa.png")},
      {"ganymede", Kind::kJpeg, Dxt::kDxt1, file(maps + "ganymede.png")},
      {"callisto", Kind::kJpeg, Dxt::kDxt1, file(maps + "callisto.png")},
      {"mimas", Kind::kJpeg, Dxt::kDxt1, file(maps + "mimas.png")},
      {"titan-clouds", Kind::kJpeg, Dxt::kDxt1, file(maps + "titan.png")},
      {"titan", Kind::kJpeg, Dxt::kDxt1, file(maps + "titan.png")},
      {"enceladus", Kind::kJpeg, Dxt::kDxt1, file(maps + "enceladus.png")},
      {"ariel", Kind::kJpeg, Dxt::kDxt1, file(maps + "ariel.png")},
      {"dione", Kind::kJpeg, Dxt::kDxt1, file(maps + "dione.png")},
      {"iapetus", Kind::kJpeg, Dxt::kDxt1, file(maps + "iapetus.png")},
      {"miranda", Kind::kJpeg, Dxt::kDxt1, file(maps + "miranda.png")},
      {"oberon", Kind::kJpeg, Dxt::kDxt1, file(maps + "oberon.png")},
      {"rhea", Kind::kJpeg, Dxt::kDxt1, file(maps + "rhea.png")},
      {"tethys", Kind::kJpeg, Dxt::kDxt1, file(maps + "tethys.png")},
      {"titania", Kind::kJpeg, Dxt::kDxt1, file(maps + "titania.png")},
      {"triton", Kind::kJpeg, Dxt::kDxt1, file(maps + "triton.png")},
      {"umbriel", Kind::kJpeg, Dxt::kDxt1, file(maps + "umbriel.png")},
  };
  struct Level {
    const char* folder;
    int limit;
  };
  const Level levels[3] = {{"/Textures br", 1024}, {"/textures", 2048}, {"/Textures hr", 4096}};
  for (const Level& level : levels)
    if (!MakeFolder(install + level.folder)) {
      error = "cannot make " + install + level.folder;
      return false;
    }
  for (const Entry& entry : entries) {
    Image full;
    if (!entry.source(full, error)) return false;
    for (const Level& level : levels) {
      const Image image = ShrinkTo(full, level.limit);
      const std::string base = install + level.folder + "/" + entry.name;
      bool ok = false;
      switch (entry.kind) {
        case Kind::kJpeg: ok = WriteJpeg(base + ".jpg", image, 90, error); break;
        case Kind::kPng: ok = WritePng(base + ".png", image, false, error); break;
        case Kind::kPngAlpha: ok = WritePng(base + ".png", image, true, error); break;
        case Kind::kBmp: ok = WriteBmp(base + ".bmp", image, error); break;
      }
      if (!ok || !WriteDds(base + ".dds", image, entry.dxt, error)) return false;
    }
  }
  // The maps of the meshes (named by the mesh table, level 2 only).
  const struct {
    const char* source;
    const char* name;
  } meshMaps[] = {{"m1phobos.png", "phobos.jpg"}, {"m2deimos.png", "Deimos.jpg"}, {"243ida.png", "asteroid.jpg"}};
  for (const auto& m : meshMaps) {
    Image image;
    if (!ReadImage(models + m.source, image, error) ||
        !WriteJpeg(install + "/textures/" + m.name, ShrinkTo(image, 2048), 90, error))
      return false;
  }
  return true;
}

}  // namespace bodies
