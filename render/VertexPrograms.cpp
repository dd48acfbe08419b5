#include "VertexPrograms.h"

#include "InstallPath.h"
#include "d3dx9.h"

namespace {

constexpr BYTE kDefault = D3DDECLMETHOD_DEFAULT;

// Position, colour, one texture coordinate: the sprite record.
const D3DVERTEXELEMENT9 kSpriteElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, kDefault, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, kDefault, D3DDECLUSAGE_COLOR, 0},
    {0, 16, D3DDECLTYPE_FLOAT2, kDefault, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

// Position and colour: the line record.
const D3DVERTEXELEMENT9 kLineElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, kDefault, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_D3DCOLOR, kDefault, D3DDECLUSAGE_COLOR, 0},
    D3DDECL_END()};

// Position, normal, colour, two texture coordinates: the ring record.
const D3DVERTEXELEMENT9 kRingElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, kDefault, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, kDefault, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_D3DCOLOR, kDefault, D3DDECLUSAGE_COLOR, 0},
    {0, 28, D3DDECLTYPE_FLOAT2, kDefault, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 36, D3DDECLTYPE_FLOAT2, kDefault, D3DDECLUSAGE_TEXCOORD, 1},
    D3DDECL_END()};

const VertexProgramInfo kPrograms[] = {
    {"\\VS\\plan.vs", kTraceLoadPlaneShader, kSpriteElements},
    {"\\VS\\lens.vs", kTraceLoadLensShader, kSpriteElements},
    {"\\VS\\tube.vs", kTraceLoadTubeShader, kSpriteElements},
    {"\\VS\\disque.vs", kTraceLoadDiscShader, kLineElements},
    {"\\VS\\anneaux.vs", kTraceLoadRingsShader, kRingElements},
};

}  // namespace

const VertexProgramInfo& VertexProgramInfoOf(VertexProgram program) {
  return kPrograms[static_cast<int>(program)];
}

HRESULT LoadVertexProgram(IDirect3DDevice9* device, CScene3D& trail, VertexProgram program, const char* path,
                          IDirect3DVertexShader9** shader, IDirect3DVertexDeclaration9** declaration) {
  const VertexProgramInfo& info = VertexProgramInfoOf(program);
  trail.TraceCode(info.marker);
  if (!device || !shader || !declaration) return E_FAIL;
  HRESULT result = device->CreateVertexDeclaration(info.declaration, declaration);
  trail.TraceCode(result);
  if (FAILED(result)) return result;

  ID3DXBuffer* code = nullptr;
  ID3DXBuffer* errors = nullptr;
  const std::string resolved = ResolveInstallPath("", path ? path : "");
  result = D3DXAssembleShaderFromFileA(resolved.c_str(), nullptr, nullptr, 0, &code, &errors);
  trail.TraceCode(result);
  if (FAILED(result)) {
    // The assembler's message is not shown anywhere; the trail keeps the code.
    if (errors) errors->Release();
    if (code) code->Release();
    return result;
  }
  result = device->CreateVertexShader(static_cast<const DWORD*>(code->GetBufferPointer()), shader);
  trail.TraceCode(result);
  if (FAILED(result)) *shader = nullptr;
  code->Release();
  if (errors) errors->Release();
  return result;
}
