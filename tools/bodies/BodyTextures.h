#pragma once
// The bodies' textures of the install folder: every picture at each of the
// three resolution levels ("Textures br" up to 1024 pixels a side, "textures"
// up to 2048, "Textures hr" up to 4096), never enlarged, in its own format
// and as a DXT-compressed .dds beside it.
#include <string>

#include "BodyImages.h"

namespace bodies {

// Saturn's ring strip: row v runs from the outer edge (2.27 Saturn radii) to
// the inner (0.548 of it); `radial` is the profile from the inner to the
// outer radius of the source (74510 to 140390 km).
Image RingStrip(const Image& radial, int rows);
// The planet's shadow on the rings in the ring's second texture coordinates:
// u = (x + 1) / 2 across the ring, v from the outer to the inner edge on
// each half (0..0.5 the half towards +y, 0.5..1 the half towards -y, away
// from the Sun); the cylinder of Saturn's radius behind the planet is dark.
Image RingShadow(int width, int height);
// White where the map shows ocean, black on land.
Image OceanMask(const Image& earth);
// Opacity of the clouds: how much brighter the cloudy map is than the
// cloud-free one, as alpha over white.
Image CloudLayer(const Image& cloudy, const Image& clear);
// Heights whose slopes best match a tangent-space normal map (red east,
// green north, blue up), scaled into 0..255.
Image HeightsFromNormals(const Image& normals);

// Writes every texture; false with a message when a source is missing or a
// file cannot be written.
bool MakeBodyTextures(const std::string& stellarium, const std::string& xplanet, const std::string& install,
                      std::string& error);

}  // namespace bodies
