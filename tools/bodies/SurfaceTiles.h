#pragma once
// The surface tiles of the install folder ("Textures thr"): the maps of the
// bodies' textures cut at their own resolution (never enlarged) into the
// grids the program streams near the Earth, Mars and the Moon. File
// "tx_<column>_<row>" of a level holds the map's block of that row (row 0 at
// the north) and of the column `shift` places further east: the program asks
// for the file one column west of the drawn tile (nine for Mars, whose grid
// starts half a turn away).
//
// The Earth's and the Moon's tiles are cut from the DXT1 blocks of their
// finest body textures, so no map is compressed twice: a tile of whole 4 x 4
// blocks compresses to exactly these blocks.
#include <cstdint>
#include <string>
#include <vector>

#include "BodyImages.h"

namespace bodies {

struct SurfaceTileLevel {
  const char* folder;  // under the install folder, e.g. "Textures thr/Moon/1"
  int rows, columns;
  int shift;  // map block of file column f: (f + shift) mod columns
};

// The block of `map` at (row, column) of a rows x columns grid, the columns
// wrapping.
Image CutTile(const Image& map, int rows, int columns, int row, int column);
// The same from the DXT blocks of a width x height map (8 bytes a block).
std::vector<uint8_t> CutBlocks(const std::vector<uint8_t>& blocks, int width, int height, int rows, int columns,
                               int row, int column);

// Every tile of a level as JPEG (from a picture) or DXT1 .dds (from blocks);
// false with a message when the map does not divide into whole tiles (of
// whole blocks) or a file cannot be written.
bool WriteJpegTiles(const Image& map, const SurfaceTileLevel& level, const std::string& install, std::string& error);
bool WriteDxt1Tiles(const std::vector<uint8_t>& blocks, int width, int height, const SurfaceTileLevel& level,
                    const std::string& install, std::string& error);

// All the levels of the three bodies: Mars from stellarium-data's map, the
// Earth and the Moon from "Textures hr" of the install folder.
bool MakeSurfaceTiles(const std::string& stellarium, const std::string& install, std::string& error);

}  // namespace bodies
