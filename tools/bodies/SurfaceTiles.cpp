#include "SurfaceTiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace bodies {
namespace {

bool MakeFolders(const std::string& path) {
  for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    const std::string part = path.substr(0, at);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (at == std::string::npos) return true;
  }
}

std::string TileFolder(const SurfaceTileLevel& level, const std::string& install, std::string& error) {
  const std::string folder = install + "/" + level.folder;
  if (!MakeFolders(folder)) {
    error = "cannot make " + folder;
    return {};
  }
  return folder;
}

std::string TileName(int column, int row, const char* extension) {
  char name[64];
  std::snprintf(name, sizeof name, "/tx_%i_%i.%s", column, row, extension);
  return name;
}

int Wrap(int column, int columns) { return ((column % columns) + columns) % columns; }

}  // namespace

Image CutTile(const Image& map, int rows, int columns, int row, int column) {
  const int w = map.width / columns, h = map.height / rows;
  const int c = Wrap(column, columns);
  Image tile = MakeImage(w, h, 0, 0, 0, 255);
  for (int y = 0; y < h; ++y) {
    const uint8_t* from = map.At(c * w, row * h + y);
    std::copy(from, from + static_cast<size_t>(w) * 4, tile.At(0, y));
  }
  return tile;
}

std::vector<uint8_t> CutBlocks(const std::vector<uint8_t>& blocks, int width, int height, int rows, int columns,
                               int row, int column) {
  const int across = width / 4, tileAcross = across / columns, tileDown = height / 4 / rows;
  const int c = Wrap(column, columns);
  std::vector<uint8_t> tile;
  tile.reserve(static_cast<size_t>(tileAcross) * tileDown * 8);
  for (int y = 0; y < tileDown; ++y) {
    const size_t from = (static_cast<size_t>(row * tileDown + y) * across + static_cast<size_t>(c) * tileAcross) * 8;
    tile.insert(tile.end(), blocks.begin() + static_cast<long>(from),
                blocks.begin() + static_cast<long>(from + static_cast<size_t>(tileAcross) * 8));
  }
  return tile;
}

bool WriteJpegTiles(const Image& map, const SurfaceTileLevel& level, const std::string& install, std::string& error) {
  if (map.width % level.columns != 0 || map.height % level.rows != 0 || map.width < level.columns ||
      map.height < level.rows) {
    error = std::string("the map does not divide into the tiles of ") + level.folder;
    return false;
  }
  const std::string folder = TileFolder(level, install, error);
  if (folder.empty()) return false;
  for (int f = 0; f < level.columns; ++f)
    for (int r = 0; r < level.rows; ++r)
      if (!WriteJpeg(folder + TileName(f, r, "jpg"), CutTile(map, level.rows, level.columns, r, f + level.shift), 90,
                     error))
        return false;
  return true;
}

bool WriteDxt1Tiles(const std::vector<uint8_t>& blocks, int width, int height, const SurfaceTileLevel& level,
                    const std::string& install, std::string& error) {
  if (width % (4 * level.columns) != 0 || height % (4 * level.rows) != 0 || width <= 0 || height <= 0 ||
      blocks.size() != static_cast<size_t>(width / 4) * (height / 4) * 8) {
    error = std::string("the map does not divide into whole blocks for the tiles of ") + level.folder;
    return false;
  }
  const std::string folder = TileFolder(level, install, error);
  if (folder.empty()) return false;
  for (int f = 0; f < level.columns; ++f)
    for (int r = 0; r < level.rows; ++r)
      if (!WriteDdsBlocks(folder + TileName(f, r, "dds"), width / level.columns, height / level.rows, Dxt::kDxt1,
                          CutBlocks(blocks, width, height, level.rows, level.columns, r, f + level.shift), error))
        return false;
  return true;
}

bool MakeSurfaceTiles(const std::string& stellarium, const std::string& install, std::string& error) {
  Image mars;
  if (!ReadImage(stellarium + "/textures/mars.png", mars, error) ||
      !WriteJpegTiles(mars, {"Textures thr/Mars/0", 8, 16, 8}, install, error))
    return false;
  struct Body {
    const char* texture;
    SurfaceTileLevel levels[3];
    int count;
  };
  const Body bodies[] = {
      {"/Textures hr/earth.dds",
       {{"Textures thr/Earth-BlueMarble/0", 8, 16, 0},
        {"Textures thr/Earth-BlueMarble/1", 16, 32, 0},
        {"Textures thr/Earth-BlueMarble/2", 32, 64, 0}},
       3},
      {"/Textures hr/moon.dds", {{"Textures thr/Moon/0", 8, 16, 0}, {"Textures thr/Moon/1", 16, 32, 0}}, 2},
  };
  for (const Body& body : bodies) {
    int width = 0, height = 0;
    std::vector<uint8_t> blocks;
    if (!ReadDxt1(install + body.texture, width, height, blocks, error)) return false;
    for (int i = 0; i < body.count; ++i)
      if (!WriteDxt1Tiles(blocks, width, height, body.levels[i], install, error)) return false;
  }
  return true;
}

}  // namespace bodies
