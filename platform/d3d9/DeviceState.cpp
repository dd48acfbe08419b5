// Device states: defaults, setters and getters, and state blocks. While a
// state block records, the setters only record (the device keeps its state).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "DeviceImpl.h"

namespace {

DWORD FromFloat(float f) {
  DWORD v;
  std::memcpy(&v, &f, 4);
  return v;
}

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX* TransformSlot(IDirect3DDevice9::Impl& d, D3DTRANSFORMSTATETYPE state) {
  if (state == D3DTS_WORLD) return &d.world;
  if (state == D3DTS_VIEW) return &d.view;
  if (state == D3DTS_PROJECTION) return &d.proj;
  if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) return &d.texTransforms[state - D3DTS_TEXTURE0];
  return nullptr;
}

}  // namespace

void IDirect3DDevice9::Impl::SetDefaultStates() {
  std::memset(rs, 0, sizeof(rs));
  rs[D3DRS_ZENABLE] = pp.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[D3DRS_ALPHATESTENABLE] = FALSE;
  rs[D3DRS_LASTPIXEL] = TRUE;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAREF] = 0;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_FOGCOLOR] = 0;
  rs[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
  rs[D3DRS_FOGSTART] = FromFloat(0.0f);
  rs[D3DRS_FOGEND] = FromFloat(1.0f);
  rs[D3DRS_FOGDENSITY] = FromFloat(1.0f);
  rs[D3DRS_STENCILFAIL] = rs[D3DRS_STENCILZFAIL] = rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
  rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_STENCILMASK] = rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  rs[D3DRS_CLIPPING] = TRUE;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_AMBIENT] = 0;
  rs[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
  rs[D3DRS_COLORVERTEX] = TRUE;
  rs[D3DRS_LOCALVIEWER] = TRUE;
  rs[D3DRS_NORMALIZENORMALS] = FALSE;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_VERTEXBLEND] = D3DVBF_DISABLE;
  rs[D3DRS_POINTSIZE] = FromFloat(1.0f);
  rs[D3DRS_POINTSIZE_MIN] = FromFloat(1.0f);
  rs[D3DRS_POINTSIZE_MAX] = FromFloat(64.0f);
  rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
  rs[D3DRS_COLORWRITEENABLE] = 0xF;
  rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
  rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;
  for (unsigned s = 0; s < kD3DMaxTextureStages; ++s) {
    DWORD* t = tss[s];
    std::memset(t, 0, sizeof(tss[s]));
    t[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    t[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    t[D3DTSS_TEXCOORDINDEX] = s;
    t[D3DTSS_COLORARG0] = t[D3DTSS_ALPHAARG0] = t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    t[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
    DWORD* m = samp[s];
    std::memset(m, 0, sizeof(samp[s]));
    m[D3DSAMP_ADDRESSU] = m[D3DSAMP_ADDRESSV] = m[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    m[D3DSAMP_MAGFILTER] = m[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    m[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    m[D3DSAMP_MAXANISOTROPY] = 1;
    textures[s] = nullptr;
    texTransforms[s] = Identity();
  }
  world = view = proj = Identity();
  viewport = {0, 0, width, height, 0.0f, 1.0f};
  std::memset(&material, 0, sizeof(material));
  for (unsigned i = 0; i < kD3DMaxLights; ++i) {
    std::memset(&lights[i], 0, sizeof(lights[i]));
    lightEnabled[i] = false;
  }
  fvf = 0;
  declaration = nullptr;
  useDeclaration = false;
  vertexShader = nullptr;
  std::memset(vsConst, 0, sizeof(vsConst));
  for (Stream& s : streams) s = Stream{};
  indices = nullptr;
  ++transformSerial, ++lightSerial, ++materialSerial, ++pixelSerial, ++constSerial, ++viewportSerial;
  rasterDirty = samplerDirty = textureDirty = layoutDirty = true;
  currentProgram = nullptr;
}

// ---- Render, stage and sampler states ---------------------------------------

HRESULT IDirect3DDevice9::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  Impl& d = *m_impl;
  if (state >= kD3DRenderStateCount) return D3DERR_INVALIDCALL;
  if (d.recording) {
    d.recording->renderStates.push_back(state);
    d.recording->renderValues[state] = value;
    return D3D_OK;
  }
  if (d.rs[state] == value) return D3D_OK;
  d.BeforeStateChange();
  d.rs[state] = value;
  d.rasterDirty = true;
  d.currentProgram = nullptr;
  if (state == D3DRS_TEXTUREFACTOR || state == D3DRS_ALPHAREF) ++d.pixelSerial;
  if (state == D3DRS_AMBIENT) ++d.lightSerial;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (state >= kD3DRenderStateCount || !value) return D3DERR_INVALIDCALL;
  *value = m_impl->rs[state];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  Impl& d = *m_impl;
  if (stage >= kD3DMaxTextureStages || type >= kD3DTextureStageStateCount) return D3DERR_INVALIDCALL;
  if (d.recording) {
    d.recording->stageStates.push_back({stage, type});
    d.recording->stageValues[stage * 64 + type] = value;
    return D3D_OK;
  }
  if (d.tss[stage][type] == value) return D3D_OK;
  d.BeforeStateChange();
  d.tss[stage][type] = value;
  d.currentProgram = nullptr;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (stage >= kD3DMaxTextureStages || type >= kD3DTextureStageStateCount || !value) return D3DERR_INVALIDCALL;
  *value = m_impl->tss[stage][type];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  Impl& d = *m_impl;
  if (sampler >= kD3DMaxTextureStages || type >= kD3DSamplerStateCount) return D3DERR_INVALIDCALL;
  if (d.recording) {
    d.recording->samplerStates.push_back({sampler, type});
    d.recording->samplerValues[sampler * 64 + type] = value;
    return D3D_OK;
  }
  if (d.samp[sampler][type] == value) return D3D_OK;
  d.BeforeStateChange();
  d.samp[sampler][type] = value;
  d.samplerDirty = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  if (sampler >= kD3DMaxTextureStages || type >= kD3DSamplerStateCount || !value) return D3DERR_INVALIDCALL;
  *value = m_impl->samp[sampler][type];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  Impl& d = *m_impl;
  if (stage >= kD3DMaxTextureStages) return D3DERR_INVALIDCALL;
  if (d.recording) {
    auto& values = d.recording->textureValues;
    auto it = values.find(stage);
    if (it != values.end() && it->second) it->second->Release();
    if (texture) texture->AddRef();
    values[stage] = texture;
    d.recording->textures.push_back(stage);
    return D3D_OK;
  }
  if (d.textures[stage] == texture) return D3D_OK;
  d.BeforeStateChange();
  if ((d.textures[stage] == nullptr) != (texture == nullptr)) d.currentProgram = nullptr;
  d.textures[stage] = texture;
  d.textureDirty = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  if (stage >= kD3DMaxTextureStages || !texture) return D3DERR_INVALIDCALL;
  *texture = m_impl->textures[stage];
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

// ---- Transforms, viewport, material and lights -------------------------------

HRESULT IDirect3DDevice9::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  Impl& d = *m_impl;
  D3DMATRIX* slot = TransformSlot(d, state);
  if (!slot || !matrix) return D3DERR_INVALIDCALL;
  if (d.recording) {
    d.recording->transforms.push_back(state);
    d.recording->transformValues[state] = *matrix;
    return D3D_OK;
  }
  *slot = *matrix;
  ++d.transformSerial;
  if (state == D3DTS_VIEW) ++d.lightSerial;  // lights are lit in view space
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  D3DMATRIX* slot = TransformSlot(*m_impl, state);
  if (!slot || !matrix) return D3DERR_INVALIDCALL;
  *matrix = *slot;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  D3DMATRIX* slot = TransformSlot(*m_impl, state);
  if (!slot || !matrix) return D3DERR_INVALIDCALL;
  D3DMATRIX r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += slot->m[i][k] * matrix->m[k][j];
      r.m[i][j] = s;
    }
  return SetTransform(state, &r);
}

HRESULT IDirect3DDevice9::SetViewport(const D3DVIEWPORT9* vp) {
  Impl& d = *m_impl;
  if (!vp || vp->Width == 0 || vp->Height == 0 || vp->X + vp->Width > d.width || vp->Y + vp->Height > d.height)
    return D3DERR_INVALIDCALL;
  if (d.recording) {
    d.recording->viewport = true;
    d.recording->viewportValue = *vp;
    return D3D_OK;
  }
  if (std::memcmp(&d.viewport, vp, sizeof(*vp)) == 0) return D3D_OK;
  d.BeforeStateChange();
  d.viewport = *vp;
  ++d.viewportSerial;
  d.rasterDirty = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetViewport(D3DVIEWPORT9* vp) {
  if (!vp) return D3DERR_INVALIDCALL;
  *vp = m_impl->viewport;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetMaterial(const D3DMATERIAL9* material) {
  Impl& d = *m_impl;
  if (!material) return D3DERR_INVALIDCALL;
  if (d.recording) {
    d.recording->material = true;
    d.recording->materialValue = *material;
    return D3D_OK;
  }
  d.material = *material;
  ++d.materialSerial;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetMaterial(D3DMATERIAL9* material) {
  if (!material) return D3DERR_INVALIDCALL;
  *material = m_impl->material;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetLight(DWORD index, const D3DLIGHT9* light) {
  Impl& d = *m_impl;
  if (!light || index >= kD3DMaxLights) return D3DERR_INVALIDCALL;
  if (light->Type != D3DLIGHT_POINT && light->Type != D3DLIGHT_SPOT && light->Type != D3DLIGHT_DIRECTIONAL)
    return D3DERR_INVALIDCALL;
  if (light->Type != D3DLIGHT_DIRECTIONAL && !(light->Range >= 0.0f)) return D3DERR_INVALIDCALL;
  if (d.recording) {
    d.recording->lights.push_back(index);
    d.recording->lightValues[index] = *light;
    return D3D_OK;
  }
  if (d.lightEnabled[index] && d.lights[index].Type != light->Type) d.currentProgram = nullptr;
  d.lights[index] = *light;
  ++d.lightSerial;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetLight(DWORD index, D3DLIGHT9* light) {
  if (!light || index >= kD3DMaxLights || m_impl->lights[index].Type == 0) return D3DERR_INVALIDCALL;
  *light = m_impl->lights[index];
  return D3D_OK;
}

HRESULT IDirect3DDevice9::LightEnable(DWORD index, BOOL enable) {
  Impl& d = *m_impl;
  if (index >= kD3DMaxLights) return D3DERR_INVALIDCALL;
  if (d.recording) {
    d.recording->lightEnables.push_back(index);
    d.recording->lightEnableValues[index] = enable;
    return D3D_OK;
  }
  if (d.lights[index].Type == 0) {
    // Enabling a light never set gives a white directional light along +z.
    D3DLIGHT9 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1, 1, 1, 0};
    l.Direction = {0, 0, 1};
    d.lights[index] = l;
  }
  bool on = enable != 0;
  if (d.lightEnabled[index] != on) {
    d.lightEnabled[index] = on;
    d.currentProgram = nullptr;
    ++d.lightSerial;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetLightEnable(DWORD index, BOOL* enable) {
  if (!enable || index >= kD3DMaxLights || m_impl->lights[index].Type == 0) return D3DERR_INVALIDCALL;
  *enable = m_impl->lightEnabled[index] ? 128 : FALSE;
  return D3D_OK;
}

// ---- Vertex formats, shaders, constants and streams --------------------------

HRESULT IDirect3DDevice9::SetFVF(DWORD fvf) {
  Impl& d = *m_impl;
  if (d.recording) {
    d.recording->fvf = true;
    d.recording->fvfValue = fvf;
    return D3D_OK;
  }
  if (!d.useDeclaration && d.fvf == fvf) return D3D_OK;
  d.BeforeStateChange();
  d.fvf = fvf;
  d.useDeclaration = false;
  d.layoutDirty = true;
  d.currentProgram = nullptr;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetFVF(DWORD* fvf) {
  if (!fvf) return D3DERR_INVALIDCALL;
  *fvf = m_impl->useDeclaration ? 0 : m_impl->fvf;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) {
  Impl& d = *m_impl;
  if (d.recording) {
    if (decl) decl->AddRef();
    if (d.recording->declarationValue) d.recording->declarationValue->Release();
    d.recording->declaration = true;
    d.recording->declarationValue = decl;
    return D3D_OK;
  }
  if (d.useDeclaration && d.declaration == decl) return D3D_OK;
  d.BeforeStateChange();
  d.declaration = decl;
  d.useDeclaration = decl != nullptr;
  d.layoutDirty = true;
  d.currentProgram = nullptr;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) {
  if (!decl) return D3DERR_INVALIDCALL;
  *decl = m_impl->useDeclaration ? m_impl->declaration : nullptr;
  if (*decl) (*decl)->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetVertexShader(IDirect3DVertexShader9* shader) {
  Impl& d = *m_impl;
  if (d.recording) {
    if (shader) shader->AddRef();
    if (d.recording->shaderValue) d.recording->shaderValue->Release();
    d.recording->vertexShader = true;
    d.recording->shaderValue = shader;
    return D3D_OK;
  }
  if (d.vertexShader == shader) return D3D_OK;
  d.BeforeStateChange();
  d.vertexShader = shader;
  d.currentProgram = nullptr;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetVertexShader(IDirect3DVertexShader9** shader) {
  if (!shader) return D3DERR_INVALIDCALL;
  *shader = m_impl->vertexShader;
  if (*shader) (*shader)->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
  Impl& d = *m_impl;
  if (!data || start >= nvd3d::kMaxVsConstants || count > nvd3d::kMaxVsConstants - start) return D3DERR_INVALIDCALL;
  if (d.recording) {
    for (UINT i = 0; i < count; ++i) {
      d.recording->constants.push_back(start + i);
      d.recording->constantValues[start + i] = {data[i * 4], data[i * 4 + 1], data[i * 4 + 2], data[i * 4 + 3]};
    }
    return D3D_OK;
  }
  std::memcpy(d.vsConst[start], data, sizeof(float) * 4 * count);
  ++d.constSerial;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetVertexShaderConstantF(UINT start, float* data, UINT count) {
  if (!data || start >= nvd3d::kMaxVsConstants || count > nvd3d::kMaxVsConstants - start) return D3DERR_INVALIDCALL;
  std::memcpy(data, m_impl->vsConst[start], sizeof(float) * 4 * count);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetPixelShader(void* shader) { return shader ? D3DERR_INVALIDCALL : D3D_OK; }

HRESULT IDirect3DDevice9::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
  Impl& d = *m_impl;
  if (stream >= Impl::kStreams) return D3DERR_INVALIDCALL;
  if (d.recording) {
    auto& values = d.recording->streamValues;
    auto it = values.find(stream);
    if (it != values.end() && it->second.buffer) it->second.buffer->Release();
    if (buffer) buffer->AddRef();
    values[stream] = {buffer, offset, stride};
    d.recording->streams.push_back(stream);
    return D3D_OK;
  }
  Impl::Stream& s = d.streams[stream];
  if (s.buffer == buffer && s.offset == offset && s.stride == stride) return D3D_OK;
  s = {buffer, offset, stride};
  d.layoutDirty = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset, UINT* stride) {
  if (stream >= Impl::kStreams || !buffer || !offset || !stride) return D3DERR_INVALIDCALL;
  const Impl::Stream& s = m_impl->streams[stream];
  *buffer = s.buffer;
  if (*buffer) (*buffer)->AddRef();
  *offset = s.offset;
  *stride = s.stride;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::SetIndices(IDirect3DIndexBuffer9* indices) {
  Impl& d = *m_impl;
  if (d.recording) {
    if (indices) indices->AddRef();
    if (d.recording->indicesValue) d.recording->indicesValue->Release();
    d.recording->indices = true;
    d.recording->indicesValue = indices;
    return D3D_OK;
  }
  d.indices = indices;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetIndices(IDirect3DIndexBuffer9** indices) {
  if (!indices) return D3DERR_INVALIDCALL;
  *indices = m_impl->indices;
  if (*indices) (*indices)->AddRef();
  return D3D_OK;
}

// ---- State blocks -----------------------------------------------------------

void IDirect3DStateBlock9::Record::ReleaseReferences() {
  for (auto& t : textureValues)
    if (t.second) t.second->Release();
  textureValues.clear();
  for (auto& s : streamValues)
    if (s.second.buffer) s.second.buffer->Release();
  streamValues.clear();
  if (shaderValue) shaderValue->Release();
  if (declarationValue) declarationValue->Release();
  if (indicesValue) indicesValue->Release();
  shaderValue = nullptr;
  declarationValue = nullptr;
  indicesValue = nullptr;
}

IDirect3DStateBlock9::IDirect3DStateBlock9(IDirect3DDevice9* device, Record* record)
    : m_device(device), m_record(record) {
  m_device->AddRef();
}

IDirect3DStateBlock9::~IDirect3DStateBlock9() {
  m_record->ReleaseReferences();
  delete m_record;
  m_device->Release();
}

HRESULT IDirect3DStateBlock9::GetDevice(IDirect3DDevice9** device) {
  if (!device) return D3DERR_INVALIDCALL;
  m_device->AddRef();
  *device = m_device;
  return D3D_OK;
}

HRESULT IDirect3DStateBlock9::Capture() {
  IDirect3DDevice9::Impl& d = *m_device->GetImpl();
  if (d.recording) return D3DERR_INVALIDCALL;
  Record& r = *m_record;
  for (auto s : r.renderStates) r.renderValues[s] = d.rs[s];
  for (auto& s : r.stageStates) r.stageValues[s.first * 64 + s.second] = d.tss[s.first][s.second];
  for (auto& s : r.samplerStates) r.samplerValues[s.first * 64 + s.second] = d.samp[s.first][s.second];
  for (DWORD stage : r.textures) {
    IDirect3DBaseTexture9*& slot = r.textureValues[stage];
    if (slot) slot->Release();
    slot = d.textures[stage];
    if (slot) slot->AddRef();
  }
  for (auto t : r.transforms) m_device->GetTransform(t, &r.transformValues[t]);
  for (DWORD i : r.lights) r.lightValues[i] = d.lights[i];
  for (DWORD i : r.lightEnables) r.lightEnableValues[i] = d.lightEnabled[i];
  if (r.material) r.materialValue = d.material;
  if (r.fvf) r.fvfValue = d.fvf;
  if (r.vertexShader) {
    if (r.shaderValue) r.shaderValue->Release();
    r.shaderValue = d.vertexShader;
    if (r.shaderValue) r.shaderValue->AddRef();
  }
  if (r.declaration) {
    if (r.declarationValue) r.declarationValue->Release();
    r.declarationValue = d.useDeclaration ? d.declaration : nullptr;
    if (r.declarationValue) r.declarationValue->AddRef();
  }
  if (r.viewport) r.viewportValue = d.viewport;
  for (UINT c : r.constants)
    r.constantValues[c] = {d.vsConst[c][0], d.vsConst[c][1], d.vsConst[c][2], d.vsConst[c][3]};
  for (UINT s : r.streams) {
    auto& v = r.streamValues[s];
    if (v.buffer) v.buffer->Release();
    v = {d.streams[s].buffer, d.streams[s].offset, d.streams[s].stride};
    if (v.buffer) v.buffer->AddRef();
  }
  if (r.indices) {
    if (r.indicesValue) r.indicesValue->Release();
    r.indicesValue = d.indices;
    if (r.indicesValue) r.indicesValue->AddRef();
  }
  return D3D_OK;
}

HRESULT IDirect3DStateBlock9::Apply() {
  IDirect3DDevice9* dev = m_device;
  IDirect3DDevice9::Impl& d = *dev->GetImpl();
  if (d.recording) return D3DERR_INVALIDCALL;
  Record& r = *m_record;
  for (auto s : r.renderStates) dev->SetRenderState(s, r.renderValues[s]);
  for (auto& s : r.stageStates) dev->SetTextureStageState(s.first, s.second, r.stageValues[s.first * 64 + s.second]);
  for (auto& s : r.samplerStates) dev->SetSamplerState(s.first, s.second, r.samplerValues[s.first * 64 + s.second]);
  for (DWORD stage : r.textures) dev->SetTexture(stage, r.textureValues[stage]);
  for (auto t : r.transforms) dev->SetTransform(t, &r.transformValues[t]);
  for (DWORD i : r.lights) dev->SetLight(i, &r.lightValues[i]);
  for (DWORD i : r.lightEnables) dev->LightEnable(i, r.lightEnableValues[i]);
  if (r.material) dev->SetMaterial(&r.materialValue);
  if (r.declaration) dev->SetVertexDeclaration(r.declarationValue);
  if (r.fvf) dev->SetFVF(r.fvfValue);
  if (r.vertexShader) dev->SetVertexShader(r.shaderValue);
  if (r.viewport) dev->SetViewport(&r.viewportValue);
  for (UINT c : r.constants) dev->SetVertexShaderConstantF(c, r.constantValues[c].data(), 1);
  for (UINT s : r.streams) {
    auto& v = r.streamValues[s];
    dev->SetStreamSource(s, v.buffer, v.offset, v.stride);
  }
  if (r.indices) dev->SetIndices(r.indicesValue);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::BeginStateBlock() {
  if (m_impl->recording) return D3DERR_INVALIDCALL;
  m_impl->recording = new IDirect3DStateBlock9::Record();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::EndStateBlock(IDirect3DStateBlock9** block) {
  if (!block || !m_impl->recording) return D3DERR_INVALIDCALL;
  IDirect3DStateBlock9::Record* r = m_impl->recording;
  m_impl->recording = nullptr;
  // Keep each recorded state once, in first-recorded order.
  auto unique = [](auto& v) {
    auto copy = v;
    v.clear();
    for (auto& x : copy)
      if (std::find(v.begin(), v.end(), x) == v.end()) v.push_back(x);
  };
  unique(r->renderStates);
  unique(r->stageStates);
  unique(r->samplerStates);
  unique(r->textures);
  unique(r->transforms);
  unique(r->lights);
  unique(r->lightEnables);
  unique(r->constants);
  unique(r->streams);
  *block = new IDirect3DStateBlock9(this, r);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** block) {
  if (!block || m_impl->recording) return D3DERR_INVALIDCALL;
  if (type != D3DSBT_ALL && type != D3DSBT_PIXELSTATE && type != D3DSBT_VERTEXSTATE) return D3DERR_INVALIDCALL;
  auto* r = new IDirect3DStateBlock9::Record();
  for (DWORD s = 1; s < kD3DRenderStateCount; ++s) r->renderStates.push_back(static_cast<D3DRENDERSTATETYPE>(s));
  for (DWORD st = 0; st < kD3DMaxTextureStages; ++st) {
    for (DWORD t = 1; t < kD3DTextureStageStateCount; ++t)
      r->stageStates.push_back({st, static_cast<D3DTEXTURESTAGESTATETYPE>(t)});
    for (DWORD t = 1; t < kD3DSamplerStateCount; ++t)
      r->samplerStates.push_back({st, static_cast<D3DSAMPLERSTATETYPE>(t)});
    r->textures.push_back(st);
  }
  if (type != D3DSBT_PIXELSTATE) {
    r->transforms = {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION};
    for (DWORD i = 0; i < kD3DMaxLights; ++i)
      if (m_impl->lights[i].Type != 0) r->lights.push_back(i), r->lightEnables.push_back(i);
    r->material = r->fvf = r->vertexShader = r->declaration = true;
    for (UINT c = 0; c < nvd3d::kShaderConstants; ++c) r->constants.push_back(c);
    for (UINT s = 0; s < Impl::kStreams; ++s) r->streams.push_back(s);
    r->indices = true;
  }
  r->viewport = true;
  auto* sb = new IDirect3DStateBlock9(this, r);
  sb->Capture();
  *block = sb;
  return D3D_OK;
}
