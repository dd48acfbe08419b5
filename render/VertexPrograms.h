#pragma once
// The five vertex programs of the scene, assembled at run time from the
// sources of the install folder's "VS" folder, each with the declaration of
// the vertex record its passes draw.
#include "Scene3D.h"
#include "d3d9.h"

// Which program: its source, trail marker and declaration.
enum class VertexProgram { Plane, Lens, Tube, Disc, Rings };

struct VertexProgramInfo {
  const char* source;                    // designed path below the install folder
  int marker;                            // trail marker recorded first
  const D3DVERTEXELEMENT9* declaration;  // ends with D3DDECL_END()
};
const VertexProgramInfo& VertexProgramInfoOf(VertexProgram program);

// Records the marker, creates the declaration, assembles the source at
// `path` (a designed path: separators and letter case are resolved) and
// creates the shader, recording each result in `trail`. Stops at the first
// failure and returns its result; the shader then stays null (a declaration
// made before the failure stays in `declaration` for the caller to release).
HRESULT LoadVertexProgram(IDirect3DDevice9* device, CScene3D& trail, VertexProgram program, const char* path,
                          IDirect3DVertexShader9** shader, IDirect3DVertexDeclaration9** declaration);
