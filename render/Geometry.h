#pragma once
// The vertex records every drawing routine uses and the builders of the
// scene's fixed geometry: ring, filled ellipse, open tube, banded dome, UV
// spheres, sphere tile patches; the small matrix and colour helpers.
// Geometry is left-handed; buffers are write-only in the default pool and
// indices are 16-bit.
#include <cstdint>

#include "d3d9.h"
#include "d3dx9.h"

// Spheres of every level, tile patches, atmosphere halo.
struct SphereVertex {
  float x, y, z;
  float nx, ny, nz;
  D3DCOLOR diffuse;
  D3DCOLOR specular;
  float tu0, tv0, tu1, tv1, tu2, tv2;
};
constexpr DWORD kSphereVertexFvf = 0x3d2;

// Planetary rings (drawn with the ring vertex program).
struct RingVertex {
  float x, y, z;
  float nx, ny, nz;
  D3DCOLOR diffuse;
  float tu0, tv0, tu1, tv1;
};
constexpr DWORD kRingVertexFvf = 0x252;

// Sprite quad, tube, dome.
struct SpriteVertex {
  float x, y, z;
  D3DCOLOR diffuse;
  float tu, tv;
};
constexpr DWORD kSpriteVertexFvf = 0x142;

// Filled ellipse, coloured lines.
struct LineVertex {
  float x, y, z;
  D3DCOLOR diffuse;
};
constexpr DWORD kLineVertexFvf = 0x42;

// Glyph quads of the texture fonts, in screen pixels.
struct ScreenTextVertex {
  float x, y, z, rhw;
  D3DCOLOR diffuse;
  float tu, tv;
};
constexpr DWORD kScreenTextVertexFvf = 0x144;

static_assert(sizeof(SphereVertex) == 56);
static_assert(sizeof(RingVertex) == 44);
static_assert(sizeof(SpriteVertex) == 24);
static_assert(sizeof(LineVertex) == 16);
static_assert(sizeof(ScreenTextVertex) == 28);

// One UV sphere of a detail level: vertex buffer, then index buffer.
struct SphereBuffers {
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
};

// Rings x segments of the detail levels 1 to 5 and what one draw of them takes.
struct SphereLevel {
  int rings, segments;
  UINT vertices, triangles;
};
constexpr SphereLevel kSphereLevels[5] = {
    {128, 128, 16641, 33022}, {60, 60, 3721, 7318}, {40, 40, 1681, 3278}, {20, 20, 441, 838}, {5, 5, 36, 58}};

// Tile patch of a type (1, 2 or 3; any other value is 1).
struct TilePatchShape {
  int polarSteps, azimuthSteps;
  float radius;
  UINT vertices, triangles;
};
TilePatchShape TilePatchShapeOf(int patchType);

// Builders: S_OK, or E_FAIL when a buffer cannot be created or locked (a
// buffer already made stays with the caller).
HRESULT CreateRingVertexBuffer(IDirect3DDevice9* device, IDirect3DVertexBuffer9** out, float innerRadius);
HRESULT CreateEllipseVertexBuffer(IDirect3DDevice9* device, D3DCOLOR colour, IDirect3DVertexBuffer9** out,
                                  float radiusX, float radiusY);
HRESULT CreateTubeVertexBuffer(IDirect3DDevice9* device, D3DCOLOR bottomColour, IDirect3DVertexBuffer9** out,
                               int segments, D3DCOLOR topColour);
HRESULT CreateDomeVertexBuffer(IDirect3DDevice9* device, D3DCOLOR colour, IDirect3DVertexBuffer9** out, int bands,
                               int segments);
HRESULT CreateSphereBuffers(IDirect3DDevice9* device, IDirect3DVertexBuffer9** outVertices,
                            IDirect3DIndexBuffer9** outIndices, int rings, int segments);
HRESULT CreateTilePatchBuffers(int patchType, IDirect3DDevice9* device, IDirect3DVertexBuffer9** outVertices,
                               IDirect3DIndexBuffer9** outIndices, int row);

// One halo band along the visible limb of a sphere whose centre is relative to
// the eye; nothing when outerFactor is 0.
void DrawAtmosphereHalo(IDirect3DDevice9* device, const D3DXVECTOR3& centre, float radius, float innerFactor,
                        float outerFactor, const D3DXVECTOR3& sunVector, const D3DXCOLOR& innerColour,
                        const D3DXCOLOR& outerColour, bool terminatorTint);

// The inverse of the rotation that turns `from` (normalised here) towards `to`
// (a unit vector) plus an extra angle about the same axis. Parallel or
// opposite vectors turn about any axis perpendicular to `from`.
D3DXMATRIX* BuildRotationBetweenVectors(D3DXMATRIX* out, const D3DXVECTOR3& from, const D3DXVECTOR3& to,
                                        float extraAngle);

// Scaling by s, then translation by (x, y, z).
D3DXMATRIX BuildScaleTranslationMatrix(float s, float x, float y, float z);

// A COLORREF (0x00BBGGRR) as (r, g, b, 1).
D3DXCOLOR UnpackColorRef(DWORD colorRef);

// A colour channel 0..1 (clamped) as a byte, rounded.
inline DWORD ColourChannelByte(float v) {
  v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
  return static_cast<DWORD>(v * 255.0f + 0.5f);
}
