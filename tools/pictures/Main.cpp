// make-pictures: the deep-sky pictures of the install folder and their
// placement list, from the placed nebula textures of stellarium-data.
//
//   make-pictures <nebulae folder> <install folder> <stamp file>
//
// Reads textures.json and its PNG files, links each picture to the deep-sky
// record it shows (by the designation in its file name, else the largest
// record it covers), converts the pictures to JPEG in "\textures\CP\" and
// writes the list to "\Textures\CP\CP.ini" through the sky model's writer.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Catalogues.h"
#include "Image.h"
#include "InstallPath.h"
#include "Json.h"
#include "Placement.h"
#include "SkyModel.h"

namespace {

using namespace pictures;

constexpr int kMaxSide = 1024;
constexpr int kJpegQuality = 88;

struct Texture {
  std::string png;
  Corner corners[4];
};

struct Chosen {
  const Texture* texture;
  int object;
  Placement placement;
};

bool ReadText(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  out = s.str();
  return true;
}

bool ReadTextures(const std::string& path, std::vector<Texture>& out, std::string& error) {
  std::string text;
  if (!ReadText(path, text)) {
    error = path + ": cannot read";
    return false;
  }
  JsonValue root;
  if (!ParseJson(text, root, error)) return false;
  const JsonValue* tiles = root.Find("subTiles");
  if (tiles == nullptr || tiles->kind != JsonValue::kArray) {
    error = path + ": no subTiles";
    return false;
  }
  for (const JsonValue& t : tiles->items) {
    const JsonValue* url = t.Find("imageUrl");
    const JsonValue* world = t.Find("worldCoords");
    if (url == nullptr || url->kind != JsonValue::kString || world == nullptr || world->items.size() != 1) continue;
    const JsonValue& ring = world->items[0];
    if (ring.items.size() != 4) continue;
    Texture tex;
    tex.png = url->text;
    bool ok = tex.png.find('/') == std::string::npos && tex.png.find("..") == std::string::npos;
    for (int i = 0; i < 4 && ok; ++i) {
      const JsonValue& c = ring.items[i];
      ok = c.items.size() == 2 && c.items[0].kind == JsonValue::kNumber && c.items[1].kind == JsonValue::kNumber;
      if (ok) tex.corners[i] = {c.items[0].number, c.items[1].number};
    }
    if (ok) out.push_back(tex);
  }
  return true;
}

// "m42.png" -> "M 42", "n869-884spano.png" -> "NGC 869", "ic434.png" -> "IC 434",
// "u1810.png" -> "UGC 1810", "p143.png" -> "PGC 143"; empty otherwise.
std::string DesignationOf(const std::string& file) {
  static const std::pair<const char*, const char*> kPrefixes[] = {
      {"ic", "IC"}, {"m", "M"}, {"n", "NGC"}, {"u", "UGC"}, {"p", "PGC"}};
  for (auto [prefix, catalogue] : kPrefixes) {
    const size_t n = std::char_traits<char>::length(prefix);
    if (file.compare(0, n, prefix) != 0) continue;
    size_t end = n;
    while (end < file.size() && std::isdigit(static_cast<unsigned char>(file[end]))) ++end;
    if (end == n || end - n > 6) return {};
    return std::string(catalogue) + " " + std::to_string(std::stol(file.substr(n, end - n)));
  }
  return {};
}

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  while (!s.empty() && s.front() == ' ') s.erase(s.begin());
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make-pictures <nebulae folder> <install folder> <stamp>\n");
    return 2;
  }
  const std::string source = argv[1], install = argv[2], stamp = argv[3];
  std::string error;

  // The deep-sky records exactly as the program loads them, so indices match.
  g_deepSkyObjects = new DeepSkyObject[kDeepSkyCapacity];
  g_deepSkyCount = 0;
  for (int z = 1; z <= kZoneCount; ++z) {
    if (!LoadDeepSkyZone(install, z)) {
      std::fprintf(stderr, "make-pictures: deep-sky zone %d missing in %s\n", z, install.c_str());
      return 1;
    }
  }
  std::map<std::string, int> byDesignation;
  for (int i = 0; i < g_deepSkyCount; ++i) {
    const DeepSkyObject& o = g_deepSkyObjects[i];
    auto add = [&](const std::string& key) {
      if (!key.empty()) byDesignation.emplace(key, i);
    };
    add(Trim(std::string(o.name, strnlen(o.name, sizeof o.name))));
    std::stringstream others(std::string(o.otherName, strnlen(o.otherName, sizeof o.otherName)));
    std::string token;
    while (std::getline(others, token, ';')) add(Trim(token));
  }

  std::vector<Texture> textures;
  if (!ReadTextures(source + "/textures.json", textures, error)) {
    std::fprintf(stderr, "make-pictures: %s\n", error.c_str());
    return 1;
  }

  // Named pictures first, then the others on the largest record they cover.
  std::vector<Chosen> chosen;
  std::vector<bool> taken(static_cast<size_t>(g_deepSkyCount), false);
  auto take = [&](const Texture& t, int object, Placement p) {
    const DeepSkyObject& o = g_deepSkyObjects[object];
    if (taken[object] || !(o.largeSize > 0.0f) || chosen.size() >= kDeepSkyPictureLimit) return;
    FitToObject(p, o.rightAscension, o.declination, o.largeSize, o.positionAngle);
    taken[object] = true;
    chosen.push_back({&t, object, p});
  };
  for (const Texture& t : textures) {
    const auto it = byDesignation.find(DesignationOf(t.png));
    if (it != byDesignation.end()) take(t, it->second, PlacePicture(t.corners));
  }
  for (const Texture& t : textures) {
    if (byDesignation.count(DesignationOf(t.png))) continue;
    const Placement p = PlacePicture(t.corners);
    int best = -1;
    for (int i = 0; i < g_deepSkyCount; ++i) {
      const DeepSkyObject& o = g_deepSkyObjects[i];
      if (taken[i] || o.largeSize < 0.2 * p.width) continue;
      if (AngularDistance(p.centreRa, p.centreDec, o.rightAscension, o.declination) > p.width / 2) continue;
      if (best < 0 || o.largeSize > g_deepSkyObjects[best].largeSize) best = i;
    }
    if (best >= 0) take(t, best, p);
  }

  // Convert on two threads.
  const std::string folder = ResolveInstallPath(install, "\\textures\\CP");
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::atomic<size_t> next{0};
  std::atomic<int> failures{0};
  std::vector<std::string> names(chosen.size());
  auto work = [&]() {
    for (size_t k = next++; k < chosen.size(); k = next++) {
      const Chosen& c = chosen[k];
      RgbImage image;
      std::string err;
      std::string base = c.texture->png.substr(0, c.texture->png.rfind('.'));
      names[k] = base + ".jpg";
      if (!ReadPng(source + "/" + c.texture->png, image, err)) {
        std::fprintf(stderr, "make-pictures: %s\n", err.c_str());
        names[k].clear();
        ++failures;
        continue;
      }
      if (c.placement.mirrored) FlipColumns(image);
      ShrinkTo(image, kMaxSide);
      if (!WriteJpeg(folder + "/" + names[k], image, kJpegQuality, err)) {
        std::fprintf(stderr, "make-pictures: %s\n", err.c_str());
        names[k].clear();
        ++failures;
      }
    }
  };
  std::thread helper(work);
  work();
  helper.join();

  int n = 0;
  for (size_t k = 0; k < chosen.size(); ++k) {
    if (names[k].empty()) continue;
    const Placement& p = chosen[k].placement;
    g_deepSkyPictures[n++] = DeepSkyPicture{CString(names[k]), chosen[k].object, static_cast<float>(p.scale),
                                            static_cast<float>(p.raOffset), static_cast<float>(p.decOffset),
                                            static_cast<float>(p.rotation)};
  }
  g_deepSkyPictures[n].objectNumber = -1;
  CSkyModel model;
  model.m_installFolder = install;
  if (!model.SaveDeepSkyPictures()) {
    std::fprintf(stderr, "make-pictures: cannot write the picture list\n");
    return 1;
  }
  std::printf("pictures: %d placed of %zu textures (%d failed)\n", n, textures.size(), failures.load());
  std::ofstream(stamp) << n << "\n";
  return failures > 0 ? 1 : 0;
}
