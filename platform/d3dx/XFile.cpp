// Reader of text ".x" model files (frames, meshes, normals, texture
// coordinates, vertex colours, materials). Input is untrusted: counts are
// checked against what the file holds.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "../../platform/win/NumberFormat.h"
#include "../d3d9/DeviceImpl.h"
#include "ImageFile.h"
#include "XFileData.h"

namespace {

struct XNode {
  std::string type, name, reference;
  std::vector<double> numbers;
  std::vector<std::string> strings;
  std::vector<XNode> children;
};

struct Token {
  enum Kind { kWord, kNumber, kString, kOpen, kClose } kind;
  std::string text;
  double value = 0;
};

bool Tokenize(const std::string& s, std::vector<Token>& out) {
  size_t i = 0;
  if (s.compare(0, 4, "xof ") != 0 || s.size() < 16 || s.compare(8, 4, "txt ") != 0) return false;
  i = 16;
  while (i < s.size()) {
    char c = s[i];
    if (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == ';') {
      ++i;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (c == '#') {
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (c == '{') {
      out.push_back({Token::kOpen, "{"});
      ++i;
    } else if (c == '}') {
      out.push_back({Token::kClose, "}"});
      ++i;
    } else if (c == '"') {
      size_t end = s.find('"', i + 1);
      if (end == std::string::npos) return false;
      out.push_back({Token::kString, s.substr(i + 1, end - i - 1)});
      i = end + 1;
    } else if (c == '-' || c == '+' || c == '.' || std::isdigit(static_cast<unsigned char>(c))) {
      size_t start = i;
      while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.' || s[i] == '-' ||
                              s[i] == '+' || s[i] == 'e' || s[i] == 'E'))
        ++i;
      Token t{Token::kNumber, s.substr(start, i - start)};
      t.value = StrtodC(t.text.c_str(), nullptr);
      out.push_back(t);
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '<') {
      size_t start = i;
      while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_' || s[i] == '-' ||
                              s[i] == '.' || s[i] == '<' || s[i] == '>'))
        ++i;
      out.push_back({Token::kWord, s.substr(start, i - start)});
    } else {
      ++i;
    }
    if (out.size() > 50000000) return false;
  }
  return true;
}

// Parses the body of an object after its '{'.
bool ParseBody(const std::vector<Token>& t, size_t& i, XNode& node, int depth) {
  if (depth > 64) return false;
  while (i < t.size()) {
    const Token& k = t[i];
    if (k.kind == Token::kClose) {
      ++i;
      return true;
    }
    if (k.kind == Token::kNumber) {
      node.numbers.push_back(k.value);
      ++i;
    } else if (k.kind == Token::kString) {
      node.strings.push_back(k.text);
      ++i;
    } else if (k.kind == Token::kOpen) {
      // A reference: { Name }
      XNode ref;
      ++i;
      if (i < t.size() && t[i].kind == Token::kWord) ref.reference = t[i++].text;
      while (i < t.size() && t[i].kind != Token::kClose) ++i;
      if (i >= t.size()) return false;
      ++i;
      ref.type = "Reference";
      node.children.push_back(std::move(ref));
    } else {
      XNode child;
      child.type = k.text;
      ++i;
      if (i < t.size() && t[i].kind == Token::kWord) child.name = t[i++].text;
      if (i >= t.size() || t[i].kind != Token::kOpen) {
        // A bare word inside data (e.g. an array type name): ignore it.
        continue;
      }
      ++i;
      if (!ParseBody(t, i, child, depth + 1)) return false;
      if (child.type != "template") node.children.push_back(std::move(child));
    }
  }
  return false;
}

using Built = nvd3dx::XMeshData;

void Transform(const D3DXMATRIX& m, float* p, bool direction) {
  D3DXVECTOR3 v(p[0], p[1], p[2]), r;
  if (direction) {
    D3DXVec3TransformNormal(&r, &v, &m);
    D3DXVec3Normalize(&r, &r);
  } else {
    D3DXVec3TransformCoord(&r, &v, &m);
  }
  p[0] = r.x, p[1] = r.y, p[2] = r.z;
}

bool MaterialFrom(const XNode& n, D3DMATERIAL9& m, std::string& texture) {
  if (n.numbers.size() < 11) return false;
  const auto& v = n.numbers;
  std::memset(&m, 0, sizeof(m));
  m.Diffuse = {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2]), static_cast<float>(v[3])};
  m.Power = static_cast<float>(v[4]);
  m.Specular = {static_cast<float>(v[5]), static_cast<float>(v[6]), static_cast<float>(v[7]), 1};
  m.Emissive = {static_cast<float>(v[8]), static_cast<float>(v[9]), static_cast<float>(v[10]), 1};
  texture.clear();
  for (const XNode& c : n.children)
    if (c.type == "TextureFilename" && !c.strings.empty()) texture = c.strings[0];
  return true;
}

// A count or an index read from the file: a whole number from 0 to limit,
// else false. Negative, NaN and huge values never reach an integer conversion.
bool Whole(double value, size_t limit, size_t& out) {
  if (!(value >= 0 && value <= static_cast<double>(limit)) || value != std::floor(value)) return false;
  out = static_cast<size_t>(value);
  return true;
}

bool AddMesh(const XNode& mesh, const D3DXMATRIX& world, const std::map<std::string, const XNode*>& named,
             Built& out) {
  const auto& v = mesh.numbers;
  // Every count is checked against the numbers left after it, so no product
  // can wrap and no read passes the end.
  size_t nv = 0, nf = 0;
  if (v.empty() || !Whole(v[0], std::min<size_t>(10000000, (v.size() - 1) / 3), nv)) return false;
  size_t pos = 1 + nv * 3;
  if (pos >= v.size() || !Whole(v[pos], (v.size() - pos - 1) / 4, nf)) return false;
  ++pos;
  std::vector<std::vector<uint32_t>> faces;
  for (size_t f = 0; f < nf; ++f) {
    size_t n = 0;
    if (pos >= v.size() || !Whole(v[pos++], 64, n)) return false;
    if (n < 3 || n > v.size() - pos) return false;
    std::vector<uint32_t> face;
    for (size_t k = 0; k < n; ++k) {
      size_t index = 0;
      if (nv == 0 || !Whole(v[pos++], nv - 1, index)) return false;
      face.push_back(static_cast<uint32_t>(index));
    }
    faces.push_back(std::move(face));
  }
  std::vector<float> normals;
  std::vector<std::vector<uint32_t>> normalFaces;
  std::vector<float> uvs;
  std::vector<D3DCOLOR> colors(nv, 0xFFFFFFFF);
  bool haveColors = false;
  std::vector<DWORD> faceMaterial(nf, 0);
  size_t materialBase = out.materials.size();
  size_t materialCount = 0;
  for (const XNode& c : mesh.children) {
    const auto& n = c.numbers;
    // A normal, texture or colour block whose counts or indices do not fit
    // the mesh is damaged: the whole file is refused.
    if (c.type == "MeshNormals" && !n.empty()) {
      size_t nn = 0, nfn = 0;
      if (!Whole(n[0], (n.size() - 1) / 3, nn)) return false;
      size_t p = 1 + nn * 3;
      if (p >= n.size() || !Whole(n[p++], nf, nfn) || nfn != nf) return false;
      normals.assign(n.begin() + 1, n.begin() + 1 + static_cast<long>(nn * 3));
      for (size_t f = 0; f < nfn; ++f) {
        size_t k = 0;
        if (p >= n.size() || !Whole(n[p++], 64, k) || k != faces[f].size() || k > n.size() - p) return false;
        std::vector<uint32_t> face;
        for (size_t j = 0; j < k; ++j) {
          size_t index = 0;
          if (nn == 0 || !Whole(n[p++], nn - 1, index)) return false;
          face.push_back(static_cast<uint32_t>(index));
        }
        normalFaces.push_back(std::move(face));
      }
    } else if (c.type == "MeshTextureCoords" && !n.empty()) {
      size_t nt = 0;
      if (!Whole(n[0], (n.size() - 1) / 2, nt) || nt != nv) return false;
      uvs.assign(n.begin() + 1, n.begin() + 1 + static_cast<long>(nt * 2));
    } else if (c.type == "MeshVertexColors" && !n.empty()) {
      size_t nc = 0;
      if (!Whole(n[0], (n.size() - 1) / 5, nc)) return false;
      for (size_t k = 0; k < nc; ++k) {
        size_t index = 0;
        if (nv == 0 || !Whole(n[1 + k * 5], nv - 1, index)) return false;
        colors[index] = D3DCOLOR_COLORVALUE(static_cast<float>(n[2 + k * 5]), static_cast<float>(n[3 + k * 5]),
                                            static_cast<float>(n[4 + k * 5]), static_cast<float>(n[5 + k * 5]));
        haveColors = true;
      }
    } else if (c.type == "MeshMaterialList" && n.size() >= 2) {
      size_t nIdx = 0;
      if (!Whole(n[0], 0x7FFFFFFF, materialCount) || !Whole(n[1], 0x7FFFFFFF, nIdx)) return false;
      for (size_t f = 0; f < nf && 2 + f < n.size(); ++f) {
        // A material index that is not a small whole number falls back to
        // the mesh's first material.
        size_t m = 0;
        if (!Whole(n[2 + std::min(f, nIdx ? nIdx - 1 : 0)], 0xFFFFFFFFu, m)) m = 0;
        faceMaterial[f] = static_cast<DWORD>(m);
      }
      for (const XNode& m : c.children) {
        const XNode* src = &m;
        if (m.type == "Reference") {
          auto it = named.find(m.reference);
          if (it == named.end()) continue;
          src = it->second;
        }
        if (src->type != "Material") continue;
        D3DMATERIAL9 mat;
        std::string texture;
        if (MaterialFrom(*src, mat, texture)) {
          out.materials.push_back(mat);
          out.textures.push_back(texture);
        }
      }
    }
  }
  size_t added = out.materials.size() - materialBase;
  if (added == 0) {
    D3DMATERIAL9 m{};
    m.Diffuse = {1, 1, 1, 1};
    out.materials.push_back(m);
    out.textures.emplace_back();
    added = 1;
  }
  (void)materialCount;
  // One output vertex per (position, normal) pair used by the faces.
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> vertexOf;
  for (size_t f = 0; f < nf; ++f) {
    std::vector<uint32_t> corner;
    for (size_t k = 0; k < faces[f].size(); ++k) {
      uint32_t p = faces[f][k];
      uint32_t nIndex = normalFaces.empty() ? p : normalFaces[f][k];
      auto key = std::make_pair(p, nIndex);
      auto it = vertexOf.find(key);
      if (it == vertexOf.end()) {
        uint32_t id = static_cast<uint32_t>(out.positions.size() / 3);
        float position[3] = {static_cast<float>(v[1 + p * 3]), static_cast<float>(v[2 + p * 3]),
                             static_cast<float>(v[3 + p * 3])};
        Transform(world, position, false);
        out.positions.insert(out.positions.end(), position, position + 3);
        float normal[3] = {0, 0, 0};
        if (!normalFaces.empty()) {
          std::copy(normals.begin() + nIndex * 3, normals.begin() + nIndex * 3 + 3, normal);
          Transform(world, normal, true);
        }
        out.normals.insert(out.normals.end(), normal, normal + 3);
        out.uvs.push_back(uvs.empty() ? 0.0f : uvs[p * 2]);
        out.uvs.push_back(uvs.empty() ? 0.0f : uvs[p * 2 + 1]);
        out.colors.push_back(colors[p]);
        it = vertexOf.emplace(key, id).first;
      }
      corner.push_back(it->second);
    }
    DWORD attribute = static_cast<DWORD>(materialBase + std::min<size_t>(faceMaterial[f], added - 1));
    for (size_t k = 1; k + 1 < corner.size(); ++k) {
      out.indices.insert(out.indices.end(), {corner[0], corner[k], corner[k + 1]});
      out.attributes.push_back(attribute);
    }
  }
  out.hasNormals = out.hasNormals || !normalFaces.empty();
  out.hasUv = out.hasUv || !uvs.empty();
  out.hasColors = out.hasColors || haveColors;
  return true;
}

bool Walk(const XNode& node, const D3DXMATRIX& parent, const std::map<std::string, const XNode*>& named, Built& out) {
  D3DXMATRIX world = parent;
  if (node.type == "Frame") {
    for (const XNode& c : node.children)
      if (c.type == "FrameTransformMatrix" && c.numbers.size() >= 16) {
        D3DXMATRIX local;
        for (int k = 0; k < 16; ++k) local.m[k / 4][k % 4] = static_cast<float>(c.numbers[k]);
        world = local * parent;
      }
  }
  if (node.type == "Mesh" && !AddMesh(node, world, named, out)) return false;
  for (const XNode& c : node.children)
    if (c.type == "Frame" || c.type == "Mesh")
      if (!Walk(c, world, named, out)) return false;
  return true;
}

}  // namespace

HRESULT nvd3dx::ParseXFile(const std::vector<uint8_t>& data, XMeshData& built) {
  built = XMeshData();
  std::string text(data.begin(), data.end());
  std::vector<Token> tokens;
  if (!Tokenize(text, tokens)) return D3DXERR_INVALIDDATA;
  XNode root;
  size_t i = 0;
  while (i < tokens.size()) {
    if (tokens[i].kind != Token::kWord) return D3DXERR_INVALIDDATA;
    XNode child;
    child.type = tokens[i++].text;
    if (i < tokens.size() && tokens[i].kind == Token::kWord) child.name = tokens[i++].text;
    if (i >= tokens.size() || tokens[i].kind != Token::kOpen) return D3DXERR_INVALIDDATA;
    ++i;
    if (!ParseBody(tokens, i, child, 0)) return D3DXERR_INVALIDDATA;
    if (child.type != "template") root.children.push_back(std::move(child));
  }
  std::map<std::string, const XNode*> named;
  for (const XNode& c : root.children)
    if (c.type == "Material" && !c.name.empty()) named[c.name] = &c;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  for (const XNode& c : root.children)
    if ((c.type == "Frame" || c.type == "Mesh") && !Walk(c, identity, named, built)) return D3DXERR_INVALIDDATA;
  if (built.indices.empty()) return D3DXERR_LOADEDMESHHASNODATA;
  if (!built.hasNormals) {
    // Smooth normals from the faces.
    std::fill(built.normals.begin(), built.normals.end(), 0.0f);
    for (size_t f = 0; f + 2 < built.indices.size(); f += 3) {
      const float* a = &built.positions[built.indices[f] * 3];
      const float* b = &built.positions[built.indices[f + 1] * 3];
      const float* c = &built.positions[built.indices[f + 2] * 3];
      D3DXVECTOR3 e1(b[0] - a[0], b[1] - a[1], b[2] - a[2]), e2(c[0] - a[0], c[1] - a[1], c[2] - a[2]), n;
      D3DXVec3Cross(&n, &e1, &e2);
      for (int k = 0; k < 3; ++k) {
        float* out = &built.normals[built.indices[f + k] * 3];
        out[0] += n.x, out[1] += n.y, out[2] += n.z;
      }
    }
    for (size_t k = 0; k + 2 < built.normals.size(); k += 3) {
      D3DXVECTOR3 n(built.normals[k], built.normals[k + 1], built.normals[k + 2]);
      D3DXVec3Normalize(&n, &n);
      built.normals[k] = n.x, built.normals[k + 1] = n.y, built.normals[k + 2] = n.z;
    }
  }
  return D3D_OK;
}

HRESULT D3DXLoadMeshFromXA(const char* file, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* materialCount,
                           ID3DXMesh** mesh) {
  if (!file || !device || !mesh) return D3DERR_INVALIDCALL;
  *mesh = nullptr;
  std::vector<uint8_t> data;
  if (!nvd3dx::ReadWholeFile(file, data, 256u << 20)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  nvd3dx::XMeshData built;
  const HRESULT parsed = nvd3dx::ParseXFile(data, built);
  if (FAILED(parsed)) return parsed;
  DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | (built.hasColors ? D3DFVF_DIFFUSE : 0) | (built.hasUv ? D3DFVF_TEX1 : 0);
  auto* m = new ID3DXMesh(device, options, fvf);
  DWORD stride = m->GetNumBytesPerVertex();
  size_t count = built.positions.size() / 3;
  m->Vertices().assign(count * stride, 0);
  for (size_t k = 0; k < count; ++k) {
    uint8_t* out = m->Vertices().data() + k * stride;
    std::memcpy(out, &built.positions[k * 3], 12);
    std::memcpy(out + 12, &built.normals[k * 3], 12);
    size_t o = 24;
    if (built.hasColors) std::memcpy(out + o, &built.colors[k], 4), o += 4;
    if (built.hasUv) std::memcpy(out + o, &built.uvs[k * 2], 8);
  }
  m->Indices() = built.indices;
  m->Attributes() = built.attributes;
  size_t nm = built.materials.size();
  if (materials) {
    size_t textBytes = 0;
    for (const std::string& t : built.textures) textBytes += t.size() + 1;
    *materials = new ID3DXBuffer(nm * sizeof(D3DXMATERIAL) + textBytes);
    auto* mats = static_cast<D3DXMATERIAL*>((*materials)->GetBufferPointer());
    char* text = reinterpret_cast<char*>(mats + nm);
    for (size_t k = 0; k < nm; ++k) {
      mats[k].MatD3D = built.materials[k];
      mats[k].pTextureFilename = nullptr;
      if (!built.textures[k].empty()) {
        std::memcpy(text, built.textures[k].c_str(), built.textures[k].size() + 1);
        mats[k].pTextureFilename = text;
        text += built.textures[k].size() + 1;
      }
    }
  }
  if (materialCount) *materialCount = static_cast<DWORD>(nm);
  if (adjacency) {
    *adjacency = new ID3DXBuffer(built.attributes.size() * 3 * sizeof(DWORD));
    std::memset((*adjacency)->GetBufferPointer(), 0xFF, (*adjacency)->GetBufferSize());
  }
  if (effectInstances) *effectInstances = nullptr;
  *mesh = m;
  return D3D_OK;
}
