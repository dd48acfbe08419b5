#pragma once
// D3DX-shaped utilities over the drawing layer: row-vector left-handed math,
// texture files (bmp, jpg, png, tga, dds), normal maps, text ".x" meshes,
// screen-space lines, surface saving as BMP and vertex-program "assembly"
// (the program files are GLSL vertex code; see IDirect3DDevice9::CreateVertexShader).
#include <cstdint>
#include <string>
#include <vector>

#include "d3d9.h"

// ---- Math -------------------------------------------------------------------
struct D3DXVECTOR2 {
  float x = 0, y = 0;
  D3DXVECTOR2() = default;
  D3DXVECTOR2(float x_, float y_) : x(x_), y(y_) {}
};
struct D3DXVECTOR3 : public D3DVECTOR {
  D3DXVECTOR3() : D3DVECTOR{0, 0, 0} {}
  D3DXVECTOR3(float x_, float y_, float z_) : D3DVECTOR{x_, y_, z_} {}
  D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
  explicit D3DXVECTOR3(const float* f) : D3DVECTOR{f[0], f[1], f[2]} {}
  operator float*() { return &x; }
  operator const float*() const { return &x; }
  D3DXVECTOR3 operator+(const D3DXVECTOR3& o) const { return {x + o.x, y + o.y, z + o.z}; }
  D3DXVECTOR3 operator-(const D3DXVECTOR3& o) const { return {x - o.x, y - o.y, z - o.z}; }
  D3DXVECTOR3 operator*(float s) const { return {x * s, y * s, z * s}; }
  D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
  D3DXVECTOR3& operator+=(const D3DXVECTOR3& o) { x += o.x, y += o.y, z += o.z; return *this; }
  D3DXVECTOR3& operator-=(const D3DXVECTOR3& o) { x -= o.x, y -= o.y, z -= o.z; return *this; }
  D3DXVECTOR3& operator*=(float s) { x *= s, y *= s, z *= s; return *this; }
  bool operator==(const D3DXVECTOR3& o) const { return x == o.x && y == o.y && z == o.z; }
};
inline D3DXVECTOR3 operator*(float s, const D3DXVECTOR3& v) { return v * s; }

struct D3DXVECTOR4 {
  float x = 0, y = 0, z = 0, w = 0;
  D3DXVECTOR4() = default;
  D3DXVECTOR4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
  operator float*() { return &x; }
  operator const float*() const { return &x; }
};
struct D3DXQUATERNION {
  float x = 0, y = 0, z = 0, w = 1;
  D3DXQUATERNION() = default;
  D3DXQUATERNION(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
  operator float*() { return &x; }
  operator const float*() const { return &x; }
};
struct D3DXMATRIX : public D3DMATRIX {
  D3DXMATRIX() : D3DMATRIX{} {}
  D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}
  D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24, float m31,
             float m32, float m33, float m34, float m41, float m42, float m43, float m44);
  explicit D3DXMATRIX(const float* f);
  operator float*() { return &_11; }
  operator const float*() const { return &_11; }
  float& operator()(unsigned row, unsigned col) { return m[row][col]; }
  float operator()(unsigned row, unsigned col) const { return m[row][col]; }
  D3DXMATRIX operator*(const D3DXMATRIX& o) const;
  D3DXMATRIX& operator*=(const D3DXMATRIX& o);
};
struct D3DXCOLOR {
  float r = 0, g = 0, b = 0, a = 0;
  D3DXCOLOR() = default;
  D3DXCOLOR(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}
  explicit D3DXCOLOR(D3DCOLOR c);
  operator D3DCOLOR() const { return D3DCOLOR_COLORVALUE(r, g, b, a); }
};

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
// Null when the matrix cannot be inverted (out is left unchanged).
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle);
D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);
// Roll about z, then pitch about x, then yaw about y (row vectors).
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf);

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out);
// out = q1 then q2 (the rotation of q1 followed by that of q2).
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2);
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, float angle);
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q);
D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m);

float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b);
float D3DXVec3Length(const D3DXVECTOR3* v);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
// A zero vector normalises to zero.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
// (x, y, z, 1) x M, divided by the resulting w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// True when the ray (origin, direction) meets the sphere (in front of the origin or around it).
BOOL D3DXSphereBoundProbe(const D3DXVECTOR3* center, float radius, const D3DXVECTOR3* rayPosition,
                          const D3DXVECTOR3* rayDirection);

// ---- Buffers ----------------------------------------------------------------
class ID3DXBuffer : public IUnknown {
 public:
  explicit ID3DXBuffer(size_t size) : m_data(size) {}
  void* GetBufferPointer() { return m_data.data(); }
  DWORD GetBufferSize() const { return static_cast<DWORD>(m_data.size()); }

 private:
  std::vector<uint8_t> m_data;
};
using LPD3DXBUFFER = ID3DXBuffer*;
HRESULT D3DXCreateBuffer(DWORD size, ID3DXBuffer** buffer);

// ---- Textures -----------------------------------------------------------------
constexpr UINT D3DX_DEFAULT = static_cast<UINT>(-1);
constexpr UINT D3DX_DEFAULT_NONPOW2 = static_cast<UINT>(-2);
constexpr UINT D3DX_FROM_FILE = static_cast<UINT>(-3);
constexpr D3DFORMAT D3DFMT_FROM_FILE = static_cast<D3DFORMAT>(-3);
constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr DWORD D3DX_FILTER_POINT = 2;
constexpr DWORD D3DX_FILTER_LINEAR = 3;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
constexpr DWORD D3DX_FILTER_BOX = 5;
constexpr DWORD D3DX_CHANNEL_RED = 1;
constexpr DWORD D3DX_CHANNEL_BLUE = 2;
constexpr DWORD D3DX_CHANNEL_GREEN = 4;
constexpr DWORD D3DX_CHANNEL_ALPHA = 8;
constexpr DWORD D3DX_CHANNEL_LUMINANCE = 16;

enum D3DXIMAGE_FILEFORMAT : DWORD {
  D3DXIFF_BMP = 0,
  D3DXIFF_JPG = 1,
  D3DXIFF_TGA = 2,
  D3DXIFF_PNG = 3,
  D3DXIFF_DDS = 4
};
struct D3DXIMAGE_INFO {
  UINT Width, Height, Depth, MipLevels;
  D3DFORMAT Format;
  D3DRESOURCETYPE ResourceType;
  D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

HRESULT D3DXGetImageInfoFromFileA(const char* file, D3DXIMAGE_INFO* info);
// Width/height 0, D3DX_DEFAULT_NONPOW2 or D3DX_FROM_FILE take the file's size;
// D3DX_DEFAULT rounds it up to powers of two. A non-zero colour key turns the
// texels equal to it (as A8R8G8B8) into transparent black.
HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* device, const char* file, UINT width, UINT height,
                                     UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                                     DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                     PALETTEENTRY* palette, IDirect3DTexture9** texture);
HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, const char* file, IDirect3DTexture9** texture);
// Normal map from the height in one channel of `source` (amplitude scales the slopes).
HRESULT D3DXComputeNormalMap(IDirect3DTexture9* texture, IDirect3DTexture9* source, const PALETTEENTRY* palette,
                             DWORD flags, DWORD channel, float amplitude);
// Writes the surface (or `sourceRect` of it) as a 24-bit BMP; only D3DXIFF_BMP.
HRESULT D3DXSaveSurfaceToFileA(const char* file, D3DXIMAGE_FILEFORMAT format, IDirect3DSurface9* surface,
                               const PALETTEENTRY* palette, const RECT* sourceRect);

// ---- Vertex programs ----------------------------------------------------------
struct D3DXMACRO {
  const char* Name;
  const char* Definition;
};
using LPD3DXINCLUDE = void*;
// Reads a vertex program file into a code buffer for CreateVertexShader. The
// file holds either GLSL vertex code (a `void main()` reading vPosition,
// vNormal (vec3), vColor, vSpecular, vTexCoord0..7 and the constants c[0..7],
// writing gl_Position in D3D clip space, oD0, oD1, oT0..oT7), or vertex-shader
// assembly starting with "vs_1_1" (dcl_position/normal/color/texcoord, mov add
// sub mul mad dp3 dp4 min max slt sge rcp rsq exp log frc m4x4 m4x3 m3x4 m3x3
// m3x2 def; registers v#, r0..r11, c0..c7, oPos oD0 oD1 oT0..oT7), which is
// translated. When a drawing context is current the program is also compiled;
// a faulty one fails with D3DXERR_INVALIDDATA and its log in `errors`.
HRESULT D3DXAssembleShaderFromFileA(const char* file, const D3DXMACRO* defines, LPD3DXINCLUDE include, DWORD flags,
                                    ID3DXBuffer** shader, ID3DXBuffer** errors);

UINT D3DXGetFVFVertexSize(DWORD fvf);

// ---- Lines --------------------------------------------------------------------
// Screen-space lines one pixel wide (wider widths and patterns are kept but
// drawn as one-pixel lines; antialiasing is left to multisampling).
class ID3DXLine : public IUnknown {
 public:
  explicit ID3DXLine(IDirect3DDevice9* device);
  HRESULT GetDevice(IDirect3DDevice9** device);
  HRESULT Begin();
  HRESULT Draw(const D3DXVECTOR2* vertices, DWORD count, D3DCOLOR color);
  HRESULT DrawTransform(const D3DXVECTOR3* vertices, DWORD count, const D3DXMATRIX* transform, D3DCOLOR color);
  HRESULT SetPattern(DWORD pattern) { m_pattern = pattern; return D3D_OK; }
  DWORD GetPattern() const { return m_pattern; }
  HRESULT SetPatternScale(float scale) { m_patternScale = scale; return D3D_OK; }
  float GetPatternScale() const { return m_patternScale; }
  HRESULT SetWidth(float width) { m_width = width; return D3D_OK; }
  float GetWidth() const { return m_width; }
  HRESULT SetAntialias(BOOL on) { m_antialias = on; return D3D_OK; }
  BOOL GetAntialias() const { return m_antialias; }
  HRESULT SetGLLines(BOOL on) { m_glLines = on; return D3D_OK; }
  BOOL GetGLLines() const { return m_glLines; }
  HRESULT End();
  HRESULT OnLostDevice() { return D3D_OK; }
  HRESULT OnResetDevice() { return D3D_OK; }

 private:
  ~ID3DXLine() override;
  HRESULT DrawScreen(const std::vector<float>& vertices, D3DCOLOR color);
  IDirect3DDevice9* m_device;
  IDirect3DStateBlock9* m_saved = nullptr;
  bool m_inside = false;
  DWORD m_pattern = 0xFFFFFFFF;
  float m_patternScale = 1.0f, m_width = 1.0f;
  BOOL m_antialias = FALSE, m_glLines = FALSE;
};
using LPD3DXLINE = ID3DXLine*;
HRESULT D3DXCreateLine(IDirect3DDevice9* device, ID3DXLine** line);

// ---- Meshes -------------------------------------------------------------------
constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;
constexpr DWORD D3DXMESHOPT_ATTRSORT = 0x02000000;
constexpr DWORD D3DXMESHOPT_VERTEXCACHE = 0x04000000;
constexpr DWORD D3DXMESHOPT_STRIPREORDER = 0x08000000;

struct D3DXMATERIAL {
  D3DMATERIAL9 MatD3D;
  char* pTextureFilename;
};
struct D3DXATTRIBUTERANGE {
  DWORD AttribId, FaceStart, FaceCount, VertexStart, VertexCount;
};

// A triangle mesh: vertices of one flexible vertex format, faces with an
// attribute (subset) each. Drawing makes device buffers on first use.
class ID3DXMesh : public IUnknown {
 public:
  ID3DXMesh(IDirect3DDevice9* device, DWORD options, DWORD fvf);
  HRESULT GetDevice(IDirect3DDevice9** device);
  DWORD GetFVF() const { return m_fvf; }
  DWORD GetNumFaces() const { return static_cast<DWORD>(m_attributes.size()); }
  DWORD GetNumVertices() const { return m_stride ? static_cast<DWORD>(m_vertices.size() / m_stride) : 0; }
  DWORD GetNumBytesPerVertex() const { return m_stride; }
  DWORD GetOptions() const { return m_options; }
  HRESULT LockVertexBuffer(DWORD flags, void** data);
  HRESULT UnlockVertexBuffer();
  HRESULT LockAttributeBuffer(DWORD flags, DWORD** data);
  HRESULT UnlockAttributeBuffer();
  HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size);
  HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                          ID3DXBuffer** vertexRemap);
  HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** clone);
  HRESULT DrawSubset(DWORD attribId);

  // Layer internals: three indices per face.
  std::vector<uint8_t>& Vertices() { return m_vertices; }
  std::vector<uint32_t>& Indices() { return m_indices; }
  std::vector<DWORD>& Attributes() { return m_attributes; }

 private:
  ~ID3DXMesh() override;
  void ReleaseDeviceBuffers();
  IDirect3DDevice9* m_device;
  DWORD m_options, m_fvf, m_stride;
  std::vector<uint8_t> m_vertices;
  std::vector<uint32_t> m_indices;
  std::vector<DWORD> m_attributes;
  std::vector<D3DXATTRIBUTERANGE> m_table;
  IDirect3DVertexBuffer9* m_vb = nullptr;
  IDirect3DIndexBuffer9* m_ib = nullptr;
  std::vector<D3DXATTRIBUTERANGE> m_drawRanges;  // faces grouped by attribute in m_ib
};
using LPD3DXMESH = ID3DXMesh*;

// Text ".x" files: frames with their transforms, meshes with normals, texture
// coordinates, vertex colours and material lists (inline or by reference).
HRESULT D3DXLoadMeshFromXA(const char* file, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* materialCount,
                           ID3DXMesh** mesh);
