#include "BodyMeshes.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <tuple>

#include "BodyImages.h"

namespace bodies {
namespace {

using V3 = std::array<float, 3>;
constexpr float kPi = 3.14159265358979f;

V3 Add(V3 a, V3 b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
V3 Scale(V3 a, float s) { return {a[0] * s, a[1] * s, a[2] * s}; }
V3 Cross(V3 a, V3 b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }
float Length(V3 a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }
V3 Unit(V3 a) {
  const float l = Length(a);
  return l > 0 ? Scale(a, 1.0f / l) : V3{0, 0, 1};
}
// Two unit vectors perpendicular to `axis` and to each other.
void Basis(V3 axis, V3& u, V3& v) {
  const V3 helper = std::fabs(axis[0]) < 0.9f ? V3{1, 0, 0} : V3{0, 1, 0};
  u = Unit(Cross(axis, helper));
  v = Cross(axis, u);
}

// Adds one flat-shaded triangle (its own three vertices).
void Triangle(Mesh& m, V3 a, V3 b, V3 c, int material) {
  const V3 n = Unit(Cross(Add(b, Scale(a, -1)), Add(c, Scale(a, -1))));
  const int base = static_cast<int>(m.positions.size());
  for (const V3& p : {a, b, c}) {
    m.positions.push_back(p);
    m.normals.push_back(n);
  }
  m.faces.push_back({base, base + 1, base + 2});
  m.faceMaterials.push_back(material);
}
void Quad(Mesh& m, V3 a, V3 b, V3 c, V3 d, int material) {
  Triangle(m, a, b, c, material);
  Triangle(m, a, c, d, material);
}

// A box with half-extents h around centre c.
void Box(Mesh& m, V3 c, V3 h, int material) {
  auto p = [&](int sx, int sy, int sz) { return V3{c[0] + sx * h[0], c[1] + sy * h[1], c[2] + sz * h[2]}; };
  Quad(m, p(-1, -1, -1), p(-1, 1, -1), p(1, 1, -1), p(1, -1, -1), material);
  Quad(m, p(-1, -1, 1), p(1, -1, 1), p(1, 1, 1), p(-1, 1, 1), material);
  Quad(m, p(-1, -1, -1), p(-1, -1, 1), p(-1, 1, 1), p(-1, 1, -1), material);
  Quad(m, p(1, -1, -1), p(1, 1, -1), p(1, 1, 1), p(1, -1, 1), material);
  Quad(m, p(-1, -1, -1), p(1, -1, -1), p(1, -1, 1), p(-1, -1, 1), material);
  Quad(m, p(-1, 1, -1), p(-1, 1, 1), p(1, 1, 1), p(1, 1, -1), material);
}

// A capped cylinder around `axis` through centre c; each side facet may take
// its own material (materials firstMaterial, firstMaterial + 1, ... when
// perFacet is set).
void Cylinder(Mesh& m, V3 c, V3 axis, float radius, float length, int segments, int firstMaterial,
              bool perFacet = false) {
  axis = Unit(axis);
  V3 u, v;
  Basis(axis, u, v);
  const V3 top = Add(c, Scale(axis, length / 2)), bottom = Add(c, Scale(axis, -length / 2));
  for (int i = 0; i < segments; ++i) {
    const float a0 = 2 * kPi * i / segments, a1 = 2 * kPi * (i + 1) / segments;
    const V3 r0 = Add(Scale(u, radius * std::cos(a0)), Scale(v, radius * std::sin(a0)));
    const V3 r1 = Add(Scale(u, radius * std::cos(a1)), Scale(v, radius * std::sin(a1)));
    const int material = perFacet ? firstMaterial + i : firstMaterial;
    Quad(m, Add(bottom, r0), Add(bottom, r1), Add(top, r1), Add(top, r0), material);
    Triangle(m, top, Add(top, r0), Add(top, r1), firstMaterial);
    Triangle(m, bottom, Add(bottom, r1), Add(bottom, r0), firstMaterial);
  }
}

// A parabolic dish whose rim is centred on c and whose hollow opens towards
// `facing`; both faces are drawn.
void Dish(Mesh& m, V3 c, V3 facing, float radius, float depth, int segments, int firstMaterial,
          bool perSector = false) {
  facing = Unit(facing);
  V3 u, v;
  Basis(facing, u, v);
  const int rings = 4;
  auto point = [&](int ring, int i) {
    const float r = radius * ring / rings, a = 2 * kPi * i / segments;
    const float back = depth * (1.0f - (r / radius) * (r / radius));
    return Add(Add(c, Scale(facing, -back)), Add(Scale(u, r * std::cos(a)), Scale(v, r * std::sin(a))));
  };
  for (int i = 0; i < segments; ++i) {
    const int material = perSector ? firstMaterial + i : firstMaterial;
    for (int k = 0; k < rings; ++k) {
      const V3 a = point(k, i), b = point(k + 1, i), cc = point(k + 1, i + 1), d = point(k, i + 1);
      Quad(m, a, d, cc, b, material);
      Quad(m, a, b, cc, d, material);
    }
  }
}

MeshMaterial Colour(float r, float g, float b) { return {r, g, b, 1.0f, 20.0f, 0.3f, ""}; }

void Fit(Mesh& m, float radius) {
  const float r = MeshRadius(m);
  if (r <= 0) return;
  for (V3& p : m.positions) p = Scale(p, radius / r);
}

bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  gzFile f = gzopen(path.c_str(), "rb");  // reads plain files too
  if (!f) return false;
  char buffer[4096];
  while (gzgets(f, buffer, sizeof(buffer))) lines.emplace_back(buffer);
  gzclose(f);
  return true;
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

}  // namespace

float MeshRadius(const Mesh& mesh) {
  float r = 0;
  for (const V3& p : mesh.positions) r = std::max(r, Length(p));
  return r;
}

bool LoadObjModel(const std::string& path, const std::string& texture, Mesh& mesh, std::string& error) {
  std::vector<std::string> lines;
  if (!ReadLines(path, lines)) {
    error = "cannot read " + path;
    return false;
  }
  std::vector<V3> v, vn;
  std::vector<std::array<float, 2>> vt;
  std::map<std::tuple<int, int, int>, int> index;
  for (const std::string& line : lines) {
    std::istringstream s(line);
    std::string tag;
    s >> tag;
    if (tag == "v" || tag == "vn") {
      V3 p{};
      s >> p[0] >> p[1] >> p[2];
      (tag == "v" ? v : vn).push_back(p);
    } else if (tag == "vt") {
      std::array<float, 2> t{};
      s >> t[0] >> t[1];
      vt.push_back(t);
    } else if (tag == "f") {
      std::vector<int> corners;
      std::string item;
      while (s >> item) {
        int a = 0, b = 0, c = 0;
        if (std::sscanf(item.c_str(), "%d/%d/%d", &a, &b, &c) < 1) continue;
        if (a < 1 || a > static_cast<int>(v.size())) {
          error = "bad face in " + path;
          return false;
        }
        const auto key = std::make_tuple(a, b, c);
        auto found = index.find(key);
        if (found == index.end()) {
          found = index.emplace(key, static_cast<int>(mesh.positions.size())).first;
          mesh.positions.push_back(v[a - 1]);
          mesh.normals.push_back(c >= 1 && c <= static_cast<int>(vn.size()) ? vn[c - 1] : V3{0, 0, 1});
          const auto t = b >= 1 && b <= static_cast<int>(vt.size()) ? vt[b - 1] : std::array<float, 2>{0, 0};
          mesh.uvs.push_back({t[0], 1.0f - t[1]});  // the model's v runs upwards
        }
        corners.push_back(found->second);
      }
      for (size_t k = 2; k < corners.size(); ++k) {
        mesh.faces.push_back({corners[0], corners[k - 1], corners[k]});
        mesh.faceMaterials.push_back(0);
      }
    }
  }
  if (mesh.faces.empty()) {
    error = "no faces in " + path;
    return false;
  }
  V3 lo = mesh.positions[0], hi = lo;
  for (const V3& p : mesh.positions)
    for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
  const V3 centre = Scale(Add(lo, hi), 0.5f);
  for (V3& p : mesh.positions) p = Add(p, Scale(centre, -1));
  Fit(mesh, 1.0f);
  mesh.materials = {{1, 1, 1, 1, 10.0f, 0.1f, texture}};
  return true;
}

std::string FormatXFile(const Mesh& m) {
  std::ostringstream s;
  s.imbue(std::locale::classic());
  s << "xof 0303txt 0032\n\nMesh {\n " << m.positions.size() << ";\n";
  for (size_t i = 0; i < m.positions.size(); ++i)
    s << " " << m.positions[i][0] << ";" << m.positions[i][1] << ";" << m.positions[i][2] << ";"
      << (i + 1 < m.positions.size() ? ",\n" : ";\n");
  s << " " << m.faces.size() << ";\n";
  for (size_t i = 0; i < m.faces.size(); ++i)
    s << " 3;" << m.faces[i][0] << "," << m.faces[i][1] << "," << m.faces[i][2] << ";"
      << (i + 1 < m.faces.size() ? ",\n" : ";\n");
  s << " MeshNormals {\n  " << m.normals.size() << ";\n";
  for (size_t i = 0; i < m.normals.size(); ++i)
    s << "  " << m.normals[i][0] << ";" << m.normals[i][1] << ";" << m.normals[i][2] << ";"
      << (i + 1 < m.normals.size() ? ",\n" : ";\n");
  s << "  " << m.faces.size() << ";\n";
  for (size_t i = 0; i < m.faces.size(); ++i)
    s << "  3;" << m.faces[i][0] << "," << m.faces[i][1] << "," << m.faces[i][2] << ";"
      << (i + 1 < m.faces.size() ? ",\n" : ";\n");
  s << " }\n";
  if (!m.uvs.empty()) {
    s << " MeshTextureCoords {\n  " << m.uvs.size() << ";\n";
    for (size_t i = 0; i < m.uvs.size(); ++i)
      s << "  " << m.uvs[i][0] << ";" << m.uvs[i][1] << ";" << (i + 1 < m.uvs.size() ? ",\n" : ";\n");
    s << " }\n";
  }
  s << " MeshMaterialList {\n  " << m.materials.size() << ";\n  " << m.faceMaterials.size() << ";\n";
  for (size_t i = 0; i < m.faceMaterials.size(); ++i)
    s << "  " << m.faceMaterials[i] << (i + 1 < m.faceMaterials.size() ? ",\n" : ";\n");
  for (const MeshMaterial& mat : m.materials) {
    s << "  Material {\n   " << mat.r << ";" << mat.g << ";" << mat.b << ";" << mat.a << ";;\n   " << mat.power
      << ";\n   " << mat.specular << ";" << mat.specular << ";" << mat.specular << ";;\n   0.0;0.0;0.0;;\n";
    if (!mat.texture.empty()) s << "   TextureFilename {\n    \"" << mat.texture << "\";\n   }\n";
    s << "  }\n";
  }
  s << " }\n}\n";
  return s.str();
}

std::vector<std::string> SpacecraftNames() {
  return {"voyager", "mer",   "cassini", "Huygens",      "pioneer", "hubble", "iss",    "galileo",
          "rosetta", "deepimpact", "newhorizons", "marsexpress", "noaa",  "venusexpress", "near", "jason1",
          "envisat", "cluster", "calipso", "demeter", "spot", "corot"};
}

// Dimensions in metres; every dish opens towards the Earth once the scene
// turns the mesh (along -y for the crafts whose mesh axis is y, -z for z, -x
// for x).
Mesh BuildSpacecraft(const std::string& name) {
  Mesh m;
  const MeshMaterial gold = Colour(0.85f, 0.7f, 0.3f), white = Colour(0.9f, 0.9f, 0.88f),
                     grey = Colour(0.55f, 0.55f, 0.58f), dark = Colour(0.25f, 0.25f, 0.28f),
                     panel = Colour(0.15f, 0.2f, 0.45f);
  m.materials = {gold, white, grey, dark, panel};
  enum { kGold, kWhite, kGrey, kDark, kPanel };
  const V3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
  const V3 minusY{0, -1, 0}, minusZ{0, 0, -1}, minusX{-1, 0, 0};
  auto panels = [&](V3 centre, float span, float width, V3 along) {
    // Two wings along `along`, flat in the plane of `along` and y or z.
    for (float side : {-1.0f, 1.0f}) {
      const V3 c = Add(centre, Scale(along, side * (span / 2 + 0.6f)));
      const V3 half = {std::fabs(along[0]) * span / 2 + 0.03f, along[0] != 0 ? 0.03f : width / 2,
                       along[0] != 0 ? width / 2 : 0.03f};
      Box(m, c, half, kPanel);
    }
  };
  if (name == "voyager" || name == "pioneer") {
    const float dish = name == "voyager" ? 1.83f : 1.37f;
    Cylinder(m, {0, 0.3f, 0}, y, 0.9f, 0.5f, 10, kGold);
    Dish(m, {0, -0.6f, 0}, minusY, dish, 0.45f, 24, kWhite);
    Cylinder(m, {-2.2f, 0.3f, 0}, x, 0.05f, 3.2f, 6, kDark);
    Cylinder(m, {-3.6f, 0.3f, 0}, x, 0.25f, 0.8f, 8, kGrey);
    Cylinder(m, {3.0f, 0.3f, 0}, x, 0.04f, 4.5f, 6, kDark);
  } else if (name == "cassini") {
    // Materials: 0-4 the common colours, 5-89 the dish sectors and the
    // orbiter's parts, 90-109 the attached Huygens probe, 110 on the facets
    // of the orbiter's body.
    m.materials.resize(5);
    for (int i = 5; i < 90; ++i) m.materials.push_back(i < 53 ? white : gold);
    for (int i = 90; i < 110; ++i) m.materials.push_back(Colour(0.8f, 0.6f, 0.35f));
    for (int i = 110; i < 310; ++i) m.materials.push_back(gold);
    Dish(m, {0, -3.0f, 0}, minusY, 2.0f, 0.6f, 48, 5, true);
    Cylinder(m, {0, 0.2f, 0}, y, 1.0f, 5.6f, 200, 110, true);
    Cylinder(m, {0, 3.4f, 0}, y, 0.35f, 0.8f, 12, kDark);
    Cylinder(m, {-1.8f, 1.0f, 0}, x, 0.3f, 1.0f, 10, kGrey);
    Cylinder(m, {0, -1.2f, 3.5f}, z, 0.05f, 6.0f, 6, kDark);
    Dish(m, {1.6f, 0.4f, 0}, x, 1.35f, 0.5f, 20, 90, true);
  } else if (name == "Huygens") {
    Dish(m, {0, -0.2f, 0}, y, 1.35f, 0.45f, 24, kGold);
    Cylinder(m, {0, 0.1f, 0}, y, 0.65f, 0.5f, 16, kWhite);
  } else if (name == "galileo") {
    Dish(m, {0, -2.0f, 0}, minusY, 2.4f, 0.7f, 18, kWhite);
    Cylinder(m, {0, 0.2f, 0}, y, 1.0f, 2.6f, 12, kGold);
    Cylinder(m, {0, 0.3f, 0}, x, 0.05f, 8.0f, 6, kDark);
    Cylinder(m, {0, 0.2f, 2.8f}, z, 0.05f, 5.0f, 6, kDark);
    Cylinder(m, {0, 2.0f, 0}, y, 0.6f, 0.9f, 12, kGrey);
  } else if (name == "mer") {
    Box(m, {0, 0.1f, 0}, {0.8f, 0.3f, 0.7f}, kWhite);
    Box(m, {0, 0.45f, 0}, {1.2f, 0.03f, 1.1f}, kPanel);
    Cylinder(m, {0.6f, 0.95f, 0.5f}, y, 0.05f, 1.0f, 6, kGrey);
    Box(m, {0.6f, 1.45f, 0.5f}, {0.12f, 0.08f, 0.2f}, kGrey);
    for (float sx : {-0.9f, 0.9f})
      for (float sz : {-0.7f, 0.0f, 0.7f}) Cylinder(m, {sx, -0.35f, sz}, x, 0.13f, 0.16f, 10, kDark);
  } else if (name == "hubble") {
    Cylinder(m, {0, 0, 0}, x, 2.1f, 13.2f, 20, kGrey);
    Cylinder(m, {6.7f, 0, 0}, x, 2.2f, 0.2f, 20, kWhite);
    for (float side : {-1.0f, 1.0f}) Box(m, {0, 0, side * 4.5f}, {1.3f, 0.03f, 2.6f}, kPanel);
  } else if (name == "iss") {
    Box(m, {0, 0, 0}, {25.0f, 0.6f, 0.6f}, kGrey);
    Cylinder(m, {0, -6.0f, 0}, y, 2.1f, 26.0f, 12, kWhite);
    for (float sx : {-22.0f, -16.0f, 16.0f, 22.0f})
      for (float sz : {-1.0f, 1.0f}) Box(m, {sx, 0, sz * 9.0f}, {2.3f, 0.05f, 8.0f}, kPanel);
  } else if (name == "rosetta" || name == "marsexpress" || name == "venusexpress") {
    const bool rosetta = name == "rosetta";
    const V3 dishFacing = rosetta ? minusZ : minusY;
    Box(m, {0, 0, 0}, {1.4f, 1.05f, 1.0f}, kGold);
    Dish(m, rosetta ? V3{0, 0, -1.4f} : V3{0, -1.4f, 0}, dishFacing, rosetta ? 1.1f : 0.8f, 0.3f, 20, kWhite);
    panels({0, 0, 0}, rosetta ? 14.0f : 5.7f, rosetta ? 2.2f : 1.6f, x);
  } else if (name == "deepimpact") {
    Cylinder(m, {0, 0, 0}, z, 1.0f, 1.5f, 6, kGold);
    Box(m, {0, 1.6f, 0}, {1.4f, 0.03f, 1.4f}, kPanel);
    Cylinder(m, {0, 0, -1.1f}, z, 0.5f, 0.8f, 12, kGrey);
    Dish(m, {0.9f, -0.9f, 0}, {1, -1, 0}, 0.5f, 0.15f, 12, kWhite);
  } else if (name == "newhorizons") {
    Cylinder(m, {0, 0.4f, 0}, y, 1.1f, 0.7f, 3, kGold);
    Dish(m, {0, -0.2f, 0}, minusY, 1.05f, 0.35f, 24, kWhite);
    Cylinder(m, {1.3f, 0.4f, 0.6f}, x, 0.2f, 1.1f, 10, kDark);
  } else if (name == "noaa") {
    Cylinder(m, {0, 0, 0}, x, 0.94f, 4.2f, 12, kGrey);
    Box(m, {-2.6f, 0, 2.4f}, {0.05f, 1.2f, 2.4f}, kPanel);
    Dish(m, {2.3f, 0, 0}, minusX, 0.4f, 0.1f, 12, kWhite);
  } else if (name == "near") {
    Cylinder(m, {0, 0.4f, 0}, y, 0.85f, 1.7f, 8, kGold);
    Dish(m, {0, -0.6f, 0}, minusY, 0.75f, 0.25f, 20, kWhite);
    for (int k = 0; k < 4; ++k) {
      const float a = kPi / 2 * k;
      Box(m, {std::cos(a) * 1.8f, 1.2f, std::sin(a) * 1.8f}, {0.9f, 0.03f, 0.9f}, kPanel);
    }
  } else {
    // Earth satellites never drawn as meshes: a bus and a solar wing.
    Box(m, {0, 0, 0}, {1.0f, 0.8f, 0.8f}, name == "cluster" ? kGrey : kGold);
    panels({0, 0, 0}, 5.0f, 1.5f, x);
  }
  Fit(m, 0.98f);
  return m;
}

bool MakeBodyMeshes(const std::string& stellarium, const std::string& install, std::string& error) {
  const std::string folder = install + "/Objets";
  if (!MakeFolder(folder)) {
    error = "cannot make " + folder;
    return false;
  }
  auto write = [&](const std::string& name, const Mesh& mesh) {
    const std::string text = FormatXFile(mesh);
    return WriteFileAtomically(folder + "/" + name + ".x", std::vector<uint8_t>(text.begin(), text.end()), error);
  };
  const std::string models = stellarium + "/models/";
  const struct {
    const char* source;
    const char* name;
    const char* texture;
  } shapes[] = {{"m1phobos.obj.gz", "phobos", "phobos.jpg"},
                {"m2deimos.obj.gz", "Deimos", "Deimos.jpg"},
                {"243ida_MLfix.obj", "asteroide", "asteroid.jpg"}};
  for (const auto& s : shapes) {
    Mesh mesh;
    if (!LoadObjModel(models + s.source, s.texture, mesh, error) || !write(s.name, mesh)) return false;
  }
  for (const std::string& name : SpacecraftNames())
    if (!write(name, BuildSpacecraft(name))) return false;
  return true;
}

}  // namespace bodies
