#pragma once
// The meshes of the install folder's "Objets" folder as text .x files: the
// two moons of Mars and the small-body nucleus from published shape models,
// and simple spacecraft built from their published dimensions. Every mesh
// lies inside the unit sphere (the scene scales it by the body's radius).
#include <array>
#include <string>
#include <vector>

namespace bodies {

struct MeshMaterial {
  float r, g, b, a;
  float power;
  float specular;
  std::string texture;  // empty: none
};

struct Mesh {
  std::vector<std::array<float, 3>> positions, normals;
  std::vector<std::array<float, 2>> uvs;  // empty, or one per position
  std::vector<std::array<int, 3>> faces;
  std::vector<int> faceMaterials;
  std::vector<MeshMaterial> materials;
};

// A Wavefront model (plain or gzip-compressed) centred and scaled into the
// unit sphere, one material naming `texture`.
bool LoadObjModel(const std::string& path, const std::string& texture, Mesh& mesh, std::string& error);
// Text .x of the mesh.
std::string FormatXFile(const Mesh& mesh);
// The spacecraft meshes by file name ("voyager", "cassini", ...).
std::vector<std::string> SpacecraftNames();
Mesh BuildSpacecraft(const std::string& name);
// Largest distance of a vertex from the origin.
float MeshRadius(const Mesh& mesh);

bool MakeBodyMeshes(const std::string& stellarium, const std::string& install, std::string& error);

}  // namespace bodies
