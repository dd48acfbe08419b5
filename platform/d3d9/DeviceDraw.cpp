// Drawing: OpenGL state from the device state, program selection, uniforms,
// vertex attributes, and the batching of draws that differ only in shader
// constants (drawn as instances with the constants in a buffer texture).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "DeviceImpl.h"

using nvd3d::Program;

namespace {

constexpr UINT kMaxBatch = 4096;
constexpr UINT kMaxBatchVertices = 64;
constexpr size_t kMaxMergeBytes = 8u << 20;

GLenum CmpFunc(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum BlendFactor(DWORD b) {
  switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR: return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return GL_ONE;
  }
}

GLenum BlendOp(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN: return GL_MIN;
    case D3DBLENDOP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
  }
}

void ResolveBoth(DWORD& src, DWORD& dst) {
  if (src == D3DBLEND_BOTHSRCALPHA) src = D3DBLEND_SRCALPHA, dst = D3DBLEND_INVSRCALPHA;
  if (src == D3DBLEND_BOTHINVSRCALPHA) src = D3DBLEND_INVSRCALPHA, dst = D3DBLEND_SRCALPHA;
}

GLenum AddressMode(DWORD a) {
  switch (a) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE: return GL_MIRRORED_REPEAT;
    default: return GL_REPEAT;
  }
}

GLenum PrimitiveMode(D3DPRIMITIVETYPE t) {
  switch (t) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return 0;
  }
}

UINT VertexCount(D3DPRIMITIVETYPE t, UINT primitives) {
  switch (t) {
    case D3DPT_POINTLIST: return primitives;
    case D3DPT_LINELIST: return primitives * 2;
    case D3DPT_LINESTRIP: return primitives + 1;
    case D3DPT_TRIANGLELIST: return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitives + 2;
    default: return 0;
  }
}

void Multiply(const D3DMATRIX& a, const D3DMATRIX& b, D3DMATRIX& r) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
}

// Inverse transpose of the upper 3x3 (row-major); identity when singular.
void NormalMatrix(const D3DMATRIX& m, float out[9]) {
  double a = m._11, b = m._12, c = m._13, d = m._21, e = m._22, f = m._23, g = m._31, h = m._32, k = m._33;
  double A = e * k - f * h, B = -(d * k - f * g), C = d * h - e * g;
  double det = a * A + b * B + c * C;
  if (std::fabs(det) < 1e-30) {
    const float id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::memcpy(out, id, sizeof(id));
    return;
  }
  double D = -(b * k - c * h), E = a * k - c * g, F = -(a * h - b * g);
  double G = b * f - c * e, H = -(a * f - c * d), K = a * e - b * d;
  // inverse = adj^T / det; its transpose = cofactor matrix / det.
  double cof[9] = {A, B, C, D, E, F, G, H, K};
  for (int i = 0; i < 9; ++i) out[i] = static_cast<float>(cof[i] / det);
}

void ColorToFloats(D3DCOLOR c, float out[4]) {
  out[0] = ((c >> 16) & 255) / 255.0f;
  out[1] = ((c >> 8) & 255) / 255.0f;
  out[2] = (c & 255) / 255.0f;
  out[3] = ((c >> 24) & 255) / 255.0f;
}

}  // namespace

void IDirect3DDevice9::Impl::ApplyRasterState() {
  if (!rasterDirty) return;
  rasterDirty = false;
  // Off screen rows are stored top first; a window's run bottom first.
  const GLint viewportY = drawToWindow ? static_cast<GLint>(height) - static_cast<GLint>(viewport.Y + viewport.Height)
                                       : static_cast<GLint>(viewport.Y);
  glViewport(static_cast<GLint>(viewport.X), viewportY, static_cast<GLsizei>(viewport.Width),
             static_cast<GLsizei>(viewport.Height));
  glDepthRange(viewport.MinZ, viewport.MaxZ);
  if (rs[D3DRS_ZENABLE] != D3DZB_FALSE && pp.EnableAutoDepthStencil)
    glEnable(GL_DEPTH_TEST);
  else
    glDisable(GL_DEPTH_TEST);
  glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
  glDepthFunc(CmpFunc(rs[D3DRS_ZFUNC]));
  if (rs[D3DRS_ALPHABLENDENABLE]) {
    glEnable(GL_BLEND);
    DWORD src = rs[D3DRS_SRCBLEND], dst = rs[D3DRS_DESTBLEND];
    ResolveBoth(src, dst);
    DWORD srcA = src, dstA = dst, opA = rs[D3DRS_BLENDOP];
    if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
      srcA = rs[D3DRS_SRCBLENDALPHA], dstA = rs[D3DRS_DESTBLENDALPHA], opA = rs[D3DRS_BLENDOPALPHA];
      ResolveBoth(srcA, dstA);
    }
    glBlendFuncSeparate(BlendFactor(src), BlendFactor(dst), BlendFactor(srcA), BlendFactor(dstA));
    glBlendEquationSeparate(BlendOp(rs[D3DRS_BLENDOP]), BlendOp(opA));
    float f[4];
    ColorToFloats(rs[D3DRS_BLENDFACTOR], f);
    glBlendColor(f[0], f[1], f[2], f[3]);
  } else {
    glDisable(GL_BLEND);
  }
  DWORD cull = rs[D3DRS_CULLMODE];
  if (cull == D3DCULL_CW || cull == D3DCULL_CCW) {
    // Off screen rows are stored top first, so a triangle clockwise on the
    // D3D screen is counter-clockwise for OpenGL; on a window it stays clockwise.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace((cull == D3DCULL_CCW) != drawToWindow ? GL_CCW : GL_CW);
  } else {
    glDisable(GL_CULL_FACE);
  }
  DWORD fill = rs[D3DRS_FILLMODE];
  glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
  DWORD mask = rs[D3DRS_COLORWRITEENABLE];
  bool alphaChannel = pp.BackBufferFormat == D3DFMT_A8R8G8B8;
  glColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, alphaChannel && (mask & 8) != 0);
  if (rs[D3DRS_MULTISAMPLEANTIALIAS])
    glEnable(GL_MULTISAMPLE);
  else
    glDisable(GL_MULTISAMPLE);
}

void IDirect3DDevice9::Impl::ApplySamplers() {
  if (!samplerDirty) return;
  samplerDirty = false;
  for (unsigned i = 0; i < kD3DMaxTextureStages; ++i) {
    const DWORD* s = samp[i];
    GLuint sm = samplers[i];
    glSamplerParameteri(sm, GL_TEXTURE_WRAP_S, static_cast<GLint>(AddressMode(s[D3DSAMP_ADDRESSU])));
    glSamplerParameteri(sm, GL_TEXTURE_WRAP_T, static_cast<GLint>(AddressMode(s[D3DSAMP_ADDRESSV])));
    bool minLinear = s[D3DSAMP_MINFILTER] >= D3DTEXF_LINEAR;
    GLenum minFilter;
    switch (s[D3DSAMP_MIPFILTER]) {
      case D3DTEXF_POINT: minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST; break;
      case D3DTEXF_LINEAR:
      case D3DTEXF_ANISOTROPIC: minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR; break;
      default: minFilter = minLinear ? GL_LINEAR : GL_NEAREST; break;
    }
    glSamplerParameteri(sm, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
    glSamplerParameteri(sm, GL_TEXTURE_MAG_FILTER, s[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    float border[4];
    ColorToFloats(s[D3DSAMP_BORDERCOLOR], border);
    glSamplerParameterfv(sm, GL_TEXTURE_BORDER_COLOR, border);
    float bias;
    std::memcpy(&bias, &s[D3DSAMP_MIPMAPLODBIAS], 4);
    glSamplerParameterf(sm, GL_TEXTURE_LOD_BIAS, std::isfinite(bias) ? bias : 0.0f);
    glSamplerParameterf(sm, GL_TEXTURE_MIN_LOD, static_cast<float>(s[D3DSAMP_MAXMIPLEVEL]));
  }
}

void IDirect3DDevice9::Impl::BindTextures() {
  if (!textureDirty) return;
  textureDirty = false;
  for (unsigned i = 0; i < kD3DMaxTextureStages; ++i) {
    glActiveTexture(GL_TEXTURE0 + i);
    auto* tex = static_cast<IDirect3DTexture9*>(textures[i]);
    glBindTexture(GL_TEXTURE_2D, tex ? tex->GlName() : 0);
  }
}

void IDirect3DDevice9::Impl::UpdateLayout() {
  if (useDeclaration && declaration)
    layout = nvd3d::LayoutFromDeclaration(declaration->Elements());
  else
    layout = nvd3d::LayoutFromFvf(fvf);
}

void IDirect3DDevice9::Impl::SetupAttributes(GLuint upBuffer, UINT upStride) {
  bool used[nvd3d::kAttrTex0 + nvd3d::kMaxTexCoords] = {};
  for (const nvd3d::VertexAttribute& a : layout.attributes) {
    GLuint buffer;
    UINT stride;
    size_t base;
    if (upBuffer) {
      buffer = upBuffer, stride = upStride, base = 0;
    } else {
      const Stream& s = streams[a.stream < static_cast<int>(kStreams) ? a.stream : 0];
      if (!s.buffer) continue;
      buffer = s.buffer->GlName(), stride = s.stride, base = s.offset;
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    GLint size = 4;
    GLenum type = GL_FLOAT;
    GLboolean normalized = GL_FALSE;
    switch (a.type) {
      case D3DDECLTYPE_FLOAT1: size = 1; break;
      case D3DDECLTYPE_FLOAT2: size = 2; break;
      case D3DDECLTYPE_FLOAT3: size = 3; break;
      case D3DDECLTYPE_FLOAT4: size = 4; break;
      case D3DDECLTYPE_D3DCOLOR: size = GL_BGRA, type = GL_UNSIGNED_BYTE, normalized = GL_TRUE; break;
      case D3DDECLTYPE_UBYTE4: type = GL_UNSIGNED_BYTE; break;
      case D3DDECLTYPE_UBYTE4N: type = GL_UNSIGNED_BYTE, normalized = GL_TRUE; break;
      case D3DDECLTYPE_SHORT2: size = 2, type = GL_SHORT; break;
      case D3DDECLTYPE_SHORT4: type = GL_SHORT; break;
      default: continue;
    }
    glEnableVertexAttribArray(static_cast<GLuint>(a.slot));
    glVertexAttribPointer(static_cast<GLuint>(a.slot), size, type, normalized, static_cast<GLsizei>(stride),
                          reinterpret_cast<const void*>(base + static_cast<size_t>(a.offset)));
    used[a.slot] = true;
  }
  for (int slot = 0; slot < nvd3d::kAttrTex0 + nvd3d::kMaxTexCoords; ++slot) {
    if (used[slot]) continue;
    glDisableVertexAttribArray(static_cast<GLuint>(slot));
    if (slot == nvd3d::kAttrDiffuse)
      glVertexAttrib4f(static_cast<GLuint>(slot), 1, 1, 1, 1);
    else if (slot == nvd3d::kAttrSpecular)
      glVertexAttrib4f(static_cast<GLuint>(slot), 0, 0, 0, 0);
    else
      glVertexAttrib4f(static_cast<GLuint>(slot), 0, 0, 0, 1);
  }
}

Program* IDirect3DDevice9::Impl::SelectProgram(bool batched, bool points) {
  nvd3d::PixelKey pk;
  std::memset(&pk, 0, sizeof(pk));
  for (unsigned i = 0; i < kD3DMaxTextureStages; ++i) {
    const DWORD* t = tss[i];
    if (t[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
    nvd3d::StageKey& st = pk.stages[i];
    st.colorOp = static_cast<uint8_t>(t[D3DTSS_COLOROP]);
    st.colorArg0 = static_cast<uint8_t>(t[D3DTSS_COLORARG0]);
    st.colorArg1 = static_cast<uint8_t>(t[D3DTSS_COLORARG1]);
    st.colorArg2 = static_cast<uint8_t>(t[D3DTSS_COLORARG2]);
    st.alphaOp = static_cast<uint8_t>(t[D3DTSS_ALPHAOP]);
    st.alphaArg0 = static_cast<uint8_t>(t[D3DTSS_ALPHAARG0]);
    st.alphaArg1 = static_cast<uint8_t>(t[D3DTSS_ALPHAARG1]);
    st.alphaArg2 = static_cast<uint8_t>(t[D3DTSS_ALPHAARG2]);
    st.result = static_cast<uint8_t>(t[D3DTSS_RESULTARG] == D3DTA_TEMP ? D3DTA_TEMP : D3DTA_CURRENT);
    st.texCoord = static_cast<uint8_t>(t[D3DTSS_TEXCOORDINDEX] & 7);
    st.hasTexture = textures[i] != nullptr;
    pk.stageCount = static_cast<uint8_t>(i + 1);
  }
  pk.alphaTest = rs[D3DRS_ALPHATESTENABLE] ? static_cast<uint8_t>(rs[D3DRS_ALPHAFUNC]) : 0;
  pk.specular = rs[D3DRS_SPECULARENABLE] ? 1 : 0;
  pk.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? 1 : 0;
  std::string key(reinterpret_cast<const char*>(&pk), sizeof(pk));
  nvd3d::FixedVertexKey vk;
  std::memset(&vk, 0, sizeof(vk));
  IDirect3DVertexShader9* const userProgram = DrawingVertexShader();
  if (userProgram) {
    key += 'U';
    unsigned id = userProgram->Id();
    key.append(reinterpret_cast<const char*>(&id), sizeof(id));
    key += batched ? 'B' : 'S';
  } else {
    vk.pretransformed = layout.pretransformed;
    vk.lighting = rs[D3DRS_LIGHTING] && !layout.pretransformed;
    vk.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
    vk.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
    vk.colorVertex = rs[D3DRS_COLORVERTEX] != 0;
    vk.hasNormal = layout.hasNormal;
    vk.hasDiffuse = layout.hasDiffuse;
    vk.hasSpecular = layout.hasSpecular;
    if (vk.lighting) {
      vk.diffuseSource = static_cast<uint8_t>(rs[D3DRS_DIFFUSEMATERIALSOURCE]);
      vk.ambientSource = static_cast<uint8_t>(rs[D3DRS_AMBIENTMATERIALSOURCE]);
      vk.specularSource = static_cast<uint8_t>(rs[D3DRS_SPECULARMATERIALSOURCE]);
      vk.emissiveSource = static_cast<uint8_t>(rs[D3DRS_EMISSIVEMATERIALSOURCE]);
      vk.specularEnable = rs[D3DRS_SPECULARENABLE] != 0;
      for (unsigned i = 0; i < kD3DMaxLights; ++i)
        vk.lightTypes[i] = lightEnabled[i] ? static_cast<uint8_t>(lights[i].Type) : 0;
    }
    vk.texCoordCount = static_cast<uint8_t>(layout.texCoordCount);
    vk.pointList = points;
    key += 'F';
    key.append(reinterpret_cast<const char*>(&vk), sizeof(vk));
  }
  auto it = programs.find(key);
  if (it != programs.end()) return it->second.get();
  auto program = std::make_unique<Program>();
  std::string vsText = userProgram ? nvd3d::GenerateUserVertexShader(userProgram->Source(), pk.flat, batched)
                                   : nvd3d::GenerateFixedVertexShader(vk, pk.flat);
  std::string fsText = nvd3d::GenerateFragmentShader(pk);
  GLuint vs = 0, fs = 0;
  std::string log;
  if (nvd3d::CompileShader(GL_VERTEX_SHADER, vsText, vs, log) &&
      nvd3d::CompileShader(GL_FRAGMENT_SHADER, fsText, fs, log)) {
    nvd3d::LinkProgram(vs, fs, *program, log);
  }
  if (vs) glDeleteShader(vs);
  if (fs) glDeleteShader(fs);
  if (!program->ok) std::fprintf(stderr, "nvd3d9: program build failed: %s\n", log.c_str());
  usedProgram = program->program;
  Program* raw = program.get();
  if (userProgram) userShaderPrograms[userProgram->Id()].push_back(key);
  programs.emplace(std::move(key), std::move(program));
  return raw;
}

void IDirect3DDevice9::Impl::UploadUniforms(Program& p, bool userShader, bool batched) {
  if (p.viewportSerial != viewportSerial) {
    p.viewportSerial = viewportSerial;
    if (p.uPixelAdjust >= 0)
      glUniform3f(p.uPixelAdjust, 1.0f / static_cast<float>(viewport.Width), 1.0f / static_cast<float>(viewport.Height),
                  drawToWindow ? 1.0f : -1.0f);
    if (p.uViewport >= 0)
      glUniform4f(p.uViewport, static_cast<float>(viewport.X), static_cast<float>(viewport.Y),
                  static_cast<float>(viewport.Width), static_cast<float>(viewport.Height));
  }
  if (p.pixelSerial != pixelSerial) {
    p.pixelSerial = pixelSerial;
    float f[4];
    ColorToFloats(rs[D3DRS_TEXTUREFACTOR], f);
    if (p.uTFactor >= 0) glUniform4fv(p.uTFactor, 1, f);
    if (p.uAlphaRef >= 0) glUniform1f(p.uAlphaRef, static_cast<float>(rs[D3DRS_ALPHAREF] & 0xFF));
  }
  if (userShader) {
    if (!batched && p.constSerial != constSerial && p.uConst >= 0) {
      p.constSerial = constSerial;
      glUniform4fv(p.uConst, nvd3d::kShaderConstants, vsConst[0]);
    }
    return;
  }
  if (p.transformSerial != transformSerial) {
    p.transformSerial = transformSerial;
    D3DMATRIX wv;
    Multiply(world, view, wv);
    if (p.uWorldView >= 0) glUniformMatrix4fv(p.uWorldView, 1, GL_FALSE, &wv.m[0][0]);
    if (p.uProj >= 0) glUniformMatrix4fv(p.uProj, 1, GL_FALSE, &proj.m[0][0]);
    if (p.uNormalMatrix >= 0) {
      float n[9];
      NormalMatrix(wv, n);
      glUniformMatrix3fv(p.uNormalMatrix, 1, GL_FALSE, n);
    }
  }
  // A program lit by the global ambient alone has no light uniforms, and one
  // whose diffuse comes from the vertices has no material diffuse: neither may
  // skip the uniforms it does use.
  if (p.lightSerial != lightSerial && (p.uLightDiffuse >= 0 || p.uGlobalAmbient >= 0)) {
    p.lightSerial = lightSerial;
    float diffuse[32], specular[32], ambient[32], position[32], direction[32], atten[32];
    for (unsigned i = 0; i < kD3DMaxLights; ++i) {
      const D3DLIGHT9& l = lights[i];
      std::memcpy(diffuse + i * 4, &l.Diffuse, 16);
      std::memcpy(specular + i * 4, &l.Specular, 16);
      std::memcpy(ambient + i * 4, &l.Ambient, 16);
      const D3DVECTOR& P = l.Position;
      for (int k = 0; k < 3; ++k)
        position[i * 4 + k] = P.x * view.m[0][k] + P.y * view.m[1][k] + P.z * view.m[2][k] + view.m[3][k];
      position[i * 4 + 3] = 1;
      const D3DVECTOR& D = l.Direction;
      float dv[3];
      for (int k = 0; k < 3; ++k) dv[k] = D.x * view.m[0][k] + D.y * view.m[1][k] + D.z * view.m[2][k];
      float len = std::sqrt(dv[0] * dv[0] + dv[1] * dv[1] + dv[2] * dv[2]);
      for (int k = 0; k < 3; ++k) direction[i * 4 + k] = len > 0 ? dv[k] / len : 0.0f;
      direction[i * 4 + 3] = 0;
      atten[i * 4] = l.Attenuation0;
      atten[i * 4 + 1] = l.Attenuation1;
      atten[i * 4 + 2] = l.Attenuation2;
      atten[i * 4 + 3] = l.Range;
    }
    if (p.uLightDiffuse >= 0) glUniform4fv(p.uLightDiffuse, kD3DMaxLights, diffuse);
    if (p.uLightSpecular >= 0) glUniform4fv(p.uLightSpecular, kD3DMaxLights, specular);
    if (p.uLightAmbient >= 0) glUniform4fv(p.uLightAmbient, kD3DMaxLights, ambient);
    if (p.uLightPosition >= 0) glUniform4fv(p.uLightPosition, kD3DMaxLights, position);
    if (p.uLightDirection >= 0) glUniform4fv(p.uLightDirection, kD3DMaxLights, direction);
    if (p.uLightAtten >= 0) glUniform4fv(p.uLightAtten, kD3DMaxLights, atten);
    float ga[4];
    ColorToFloats(rs[D3DRS_AMBIENT], ga);
    if (p.uGlobalAmbient >= 0) glUniform4fv(p.uGlobalAmbient, 1, ga);
  }
  if (p.materialSerial != materialSerial) {
    p.materialSerial = materialSerial;
    if (p.uMatDiffuse >= 0) glUniform4fv(p.uMatDiffuse, 1, &material.Diffuse.r);
    if (p.uMatAmbient >= 0) glUniform4fv(p.uMatAmbient, 1, &material.Ambient.r);
    if (p.uMatSpecular >= 0) glUniform4fv(p.uMatSpecular, 1, &material.Specular.r);
    if (p.uMatEmissive >= 0) glUniform4fv(p.uMatEmissive, 1, &material.Emissive.r);
    if (p.uMatPower >= 0) glUniform1f(p.uMatPower, material.Power);
  }
}

void IDirect3DDevice9::Impl::FlushBatch() {
  FlushMerge();
  FlushInstances();
}

bool IDirect3DDevice9::Impl::MergeStatesMatch() {
  if (merge.stateSerial == stateSerial) return true;
  const bool same = std::memcmp(merge.rs, rs, sizeof(rs)) == 0 && std::memcmp(merge.tss, tss, sizeof(tss)) == 0 &&
                    std::memcmp(merge.samp, samp, sizeof(samp)) == 0 &&
                    std::memcmp(merge.textures, textures, sizeof(textures)) == 0 &&
                    std::memcmp(&merge.viewport, &viewport, sizeof(viewport)) == 0;
  if (same) merge.stateSerial = stateSerial;
  return same;
}

void IDirect3DDevice9::Impl::FlushMerge() {
  if (!merge.active) return;
  merge.active = false;
  if (merge.vertexCount == 0 || !MakeCurrent()) {
    merge.vertices.clear();
    merge.vertexCount = 0;
    return;
  }
  // Draw with the states of the merged draws, then return to the current ones.
  auto swapStates = [this] {
    std::swap(merge.rs, rs);
    std::swap(merge.tss, tss);
    std::swap(merge.samp, samp);
    std::swap(merge.textures, textures);
    std::swap(merge.viewport, viewport);
    std::swap(merge.fvf, fvf);
    rasterDirty = samplerDirty = textureDirty = layoutDirty = true;
    currentProgram = nullptr;
    ++pixelSerial;
    ++viewportSerial;
  };
  IDirect3DVertexShader9* shader = vertexShader;
  const bool declared = useDeclaration;
  vertexShader = nullptr;
  useDeclaration = false;
  swapStates();
  flushingMerge = true;
  const UINT primitives = merge.type == D3DPT_LINELIST ? merge.vertexCount / 2 : merge.vertexCount / 3;
  Draw(merge.type, 0, primitives, false, 0, 0, merge.vertices.data(), merge.stride, merge.vertexCount, nullptr,
       D3DFMT_UNKNOWN);
  flushingMerge = false;
  swapStates();
  vertexShader = shader;
  useDeclaration = declared;
  merge.vertices.clear();
  merge.vertexCount = 0;
}

void IDirect3DDevice9::Impl::FlushInstances() {
  if (!batch.active) return;
  batch.active = false;
  if (!MakeCurrent() || batch.count == 0) return;
  ApplyRasterState();
  ApplySamplers();
  BindTextures();
  Program* p = SelectProgram(true, false);
  if (p->ok) {
    glBindBuffer(GL_TEXTURE_BUFFER, constBuffer);
    if (!constBufferReady) {
      // One allocation for the largest batch; later batches overwrite it.
      glBufferData(GL_TEXTURE_BUFFER, static_cast<GLsizeiptr>(kMaxBatch * nvd3d::kShaderConstants * 16), nullptr,
                   GL_STREAM_DRAW);
      glActiveTexture(GL_TEXTURE15);
      glBindTexture(GL_TEXTURE_BUFFER, constBufferTexture);
      glTexBuffer(GL_TEXTURE_BUFFER, GL_RGBA32F, constBuffer);
      constBufferReady = true;
    }
    glBufferSubData(GL_TEXTURE_BUFFER, 0, static_cast<GLsizeiptr>(batch.constants.size() * sizeof(float)),
                    batch.constants.data());
    if (usedProgram != p->program) glUseProgram(usedProgram = p->program);
    UploadUniforms(*p, true, true);
    Stream saved = streams[0];
    streams[0] = {batch.buffer, batch.offset, batch.stride};
    SetupAttributes(0, 0);
    streams[0] = saved;
    layoutDirty = true;
    glDrawArraysInstanced(PrimitiveMode(batch.type), static_cast<GLint>(batch.startVertex),
                          static_cast<GLsizei>(batch.vertexCount), static_cast<GLsizei>(batch.count));
    ++drawCalls;
  }
  currentProgram = nullptr;
  batch.count = 0;
  batch.constants.clear();
}

HRESULT IDirect3DDevice9::Impl::Draw(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount, bool indexed,
                                     INT baseVertex, UINT startIndex, const void* upVertices, UINT upStride,
                                     UINT upVertexCount, const void* upIndices, D3DFORMAT upIndexFormat) {
  GLenum mode = PrimitiveMode(type);
  if (!mode || recording) return D3DERR_INVALIDCALL;
  if (primitiveCount == 0) return D3D_OK;
  // The recorder sees the application's draws, not the merged draw they become.
  if (drawRecorder && !flushingMerge)
    RecordDraw(type, startVertex, primitiveCount, indexed, upVertices ? upStride : 0);
  if (!MakeCurrent()) return D3DERR_INVALIDCALL;
  UINT count = VertexCount(type, primitiveCount);
  // Pretransformed lists join the pending merged draws (no vertex program
  // runs on them, bound or not).
  const bool mergeable = batchingEnabled && !flushingMerge && !indexed && !useDeclaration &&
                         (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW &&
                         (type == D3DPT_TRIANGLELIST || type == D3DPT_LINELIST);
  // Pending merged draws go first: they are drawn under their own vertex
  // layout, which replaces the one worked out for this draw.
  if (!mergeable) FlushMerge();
  if (layoutDirty) UpdateLayout();
  if (layout.attributes.empty()) return D3DERR_INVALIDCALL;

  // Every attribute must lie inside its buffer for every vertex drawn.
  auto rangeOk = [&](UINT first, UINT last) -> bool {
    for (const nvd3d::VertexAttribute& a : layout.attributes) {
      size_t bytes = a.type == D3DDECLTYPE_FLOAT1 ? 4 : a.type == D3DDECLTYPE_FLOAT2 ? 8
                     : a.type == D3DDECLTYPE_FLOAT3 ? 12 : a.type == D3DDECLTYPE_FLOAT4 ? 16
                     : a.type == D3DDECLTYPE_SHORT2 ? 4 : a.type == D3DDECLTYPE_SHORT4 ? 8 : 4;
      size_t stride, offset, size;
      if (upVertices) {
        stride = upStride, offset = 0, size = static_cast<size_t>(upVertexCount) * upStride;
      } else {
        if (a.stream >= static_cast<int>(kStreams)) return false;
        const Stream& s = streams[a.stream];
        if (!s.buffer) return false;
        stride = s.stride, offset = s.offset, size = s.buffer->Data().size();
      }
      size_t end = offset + static_cast<size_t>(last) * stride + a.offset + bytes;
      if (first > last || end > size) return false;
    }
    return true;
  };

  if (mergeable) {
    const uint8_t* source = nullptr;
    UINT stride = 0;
    if (upVertices) {
      if (!rangeOk(0, count - 1)) return D3DERR_INVALIDCALL;
      source = static_cast<const uint8_t*>(upVertices);
      stride = upStride;
    } else {
      const Stream& s = streams[0];
      if (!s.buffer || !rangeOk(startVertex, startVertex + count - 1)) return D3DERR_INVALIDCALL;
      source = s.buffer->Data().data() + s.offset + static_cast<size_t>(startVertex) * s.stride;
      stride = s.stride;
    }
    FlushInstances();
    if (merge.active && !(merge.type == type && merge.fvf == fvf && merge.stride == stride && MergeStatesMatch()))
      FlushMerge();
    if (!merge.active) {
      merge.active = true;
      merge.type = type;
      merge.fvf = fvf;
      merge.stride = stride;
      merge.stateSerial = stateSerial;
      std::memcpy(merge.rs, rs, sizeof(rs));
      std::memcpy(merge.tss, tss, sizeof(tss));
      std::memcpy(merge.samp, samp, sizeof(samp));
      std::memcpy(merge.textures, textures, sizeof(textures));
      merge.viewport = viewport;
    }
    merge.vertices.insert(merge.vertices.end(), source, source + static_cast<size_t>(count) * stride);
    merge.vertexCount += count;
    if (merge.vertices.size() >= kMaxMergeBytes) FlushMerge();
    return D3D_OK;
  }

  bool user = DrawingVertexShader() != nullptr;
  bool oneStream = true;
  for (const nvd3d::VertexAttribute& a : layout.attributes) oneStream = oneStream && a.stream == 0;
  if (user && batchingEnabled && !indexed && !upVertices && oneStream && count <= kMaxBatchVertices &&
      streams[0].buffer) {
    if (!rangeOk(startVertex, startVertex + count - 1)) return D3DERR_INVALIDCALL;
    const Stream& s = streams[0];
    bool same = batch.active && batch.buffer == s.buffer && batch.offset == s.offset && batch.stride == s.stride &&
                batch.startVertex == startVertex && batch.vertexCount == count && batch.type == type;
    if (!same) {
      FlushBatch();  // merged draws first, then the previous instances
      batch.active = true;
      batch.buffer = s.buffer;
      batch.offset = s.offset;
      batch.stride = s.stride;
      batch.startVertex = startVertex;
      batch.vertexCount = count;
      batch.type = type;
    }
    batch.constants.insert(batch.constants.end(), &vsConst[0][0], &vsConst[0][0] + 4 * nvd3d::kShaderConstants);
    if (++batch.count >= kMaxBatch) FlushInstances();
    return D3D_OK;
  }
  FlushBatch();

  GLenum indexType = 0;
  UINT indexSize = 0;
  const uint8_t* indexData = nullptr;
  size_t indexBytes = 0;
  if (indexed) {
    D3DFORMAT f = upIndices ? upIndexFormat : (indices ? indices->Format() : D3DFMT_UNKNOWN);
    if (f == D3DFMT_INDEX16)
      indexType = GL_UNSIGNED_SHORT, indexSize = 2;
    else if (f == D3DFMT_INDEX32)
      indexType = GL_UNSIGNED_INT, indexSize = 4;
    else
      return D3DERR_INVALIDCALL;
    if (upIndices) {
      indexData = static_cast<const uint8_t*>(upIndices);
      indexBytes = static_cast<size_t>(count) * indexSize;
    } else {
      indexData = indices->Data().data();
      indexBytes = indices->Data().size();
      if ((static_cast<size_t>(startIndex) + count) * indexSize > indexBytes) return D3DERR_INVALIDCALL;
    }
    // Check the vertices the indices reach (the whole buffer's largest index
    // first, which spares the scan for the usual static buffers).
    bool fits = !upIndices && baseVertex >= 0 &&
                rangeOk(0, static_cast<UINT>(std::min<int64_t>(int64_t{indices->MaxIndex()} + baseVertex, UINT32_MAX)));
    int64_t lo = INT64_MAX, hi = INT64_MIN;
    if (!fits) {
    const uint8_t* p = indexData + static_cast<size_t>(upIndices ? 0 : startIndex) * indexSize;
    for (UINT i = 0; i < count; ++i) {
      uint32_t v = indexSize == 2 ? static_cast<uint32_t>(p[i * 2] | (p[i * 2 + 1] << 8))
                                  : static_cast<uint32_t>(p[i * 4] | (p[i * 4 + 1] << 8) | (p[i * 4 + 2] << 16) |
                                                          (static_cast<uint32_t>(p[i * 4 + 3]) << 24));
      lo = std::min<int64_t>(lo, v);
      hi = std::max<int64_t>(hi, v);
    }
    lo += baseVertex;
    hi += baseVertex;
    if (lo < 0 || hi > UINT32_MAX || !rangeOk(static_cast<UINT>(lo), static_cast<UINT>(hi))) return D3DERR_INVALIDCALL;
    }
  } else if (!rangeOk(startVertex, startVertex + count - 1)) {
    return D3DERR_INVALIDCALL;
  }

  ApplyRasterState();
  ApplySamplers();
  BindTextures();
  bool points = type == D3DPT_POINTLIST;
  if (!currentProgram || currentProgramPoints != points) {
    currentProgram = SelectProgram(false, points);
    currentProgramPoints = points;
  }
  Program* p = currentProgram;
  if (!p->ok) return D3D_OK;
  if (usedProgram != p->program) glUseProgram(usedProgram = p->program);
  UploadUniforms(*p, user, false);
  if (upVertices) {
    glBindBuffer(GL_ARRAY_BUFFER, upVbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(static_cast<size_t>(upVertexCount) * upStride), upVertices,
                 GL_STREAM_DRAW);
    SetupAttributes(upVbo, upStride);
    layoutDirty = true;
  } else if (layoutDirty) {
    SetupAttributes(0, 0);
    layoutDirty = false;
  }
  if (indexed) {
    if (upIndices) {
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, upIbo);
      glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexBytes), upIndices, GL_STREAM_DRAW);
      glDrawElementsBaseVertex(mode, static_cast<GLsizei>(count), indexType, nullptr, baseVertex);
    } else {
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->GlName());
      glDrawElementsBaseVertex(mode, static_cast<GLsizei>(count), indexType,
                               reinterpret_cast<const void*>(static_cast<size_t>(startIndex) * indexSize), baseVertex);
    }
  } else {
    glDrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(count));
  }
  ++drawCalls;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
  return m_impl->Draw(type, startVertex, primitiveCount, false, 0, 0, nullptr, 0, 0, nullptr, D3DFMT_UNKNOWN);
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                                               UINT numVertices, UINT startIndex, UINT primitiveCount) {
  if (!m_impl->indices) return D3DERR_INVALIDCALL;
  return m_impl->Draw(type, 0, primitiveCount, true, baseVertexIndex, startIndex, nullptr, 0, 0, nullptr,
                      D3DFMT_UNKNOWN);
}

HRESULT IDirect3DDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                                          UINT stride) {
  if (!vertexData || stride == 0) return D3DERR_INVALIDCALL;
  UINT count = VertexCount(type, primitiveCount);
  HRESULT hr = m_impl->Draw(type, 0, primitiveCount, false, 0, 0, vertexData, stride, count, nullptr, D3DFMT_UNKNOWN);
  // The streams are unset after a user-pointer draw.
  m_impl->streams[0] = Impl::Stream{};
  return hr;
}

HRESULT IDirect3DDevice9::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex, UINT numVertices,
                                                 UINT primitiveCount, const void* indexData, D3DFORMAT indexFormat,
                                                 const void* vertexData, UINT stride) {
  if (!vertexData || !indexData || stride == 0) return D3DERR_INVALIDCALL;
  HRESULT hr = m_impl->Draw(type, 0, primitiveCount, true, 0, 0, vertexData, stride, minVertexIndex + numVertices,
                            indexData, indexFormat);
  m_impl->streams[0] = Impl::Stream{};
  m_impl->indices = nullptr;
  return hr;
}

uint64_t IDirect3DDevice9::GetDrawCallCountForLayer() const { return m_impl->drawCalls; }

void IDirect3DDevice9::Impl::RecordDraw(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount, bool indexed,
                                        UINT upStride) const {
  D3DDrawRecordForLayer r;
  r.type = type, r.startVertex = startVertex, r.primitiveCount = primitiveCount, r.indexed = indexed;
  r.fvf = fvf;
  r.stride = upStride ? upStride : streams[0].stride;
  for (int stage = 0; stage < 2; ++stage) {
    r.textures[stage] = textures[stage];
    r.colorOps[stage] = tss[stage][D3DTSS_COLOROP];
  }
  r.vertexShader = vertexShader;
  r.lighting = rs[D3DRS_LIGHTING], r.zEnable = rs[D3DRS_ZENABLE], r.alphaBlendEnable = rs[D3DRS_ALPHABLENDENABLE];
  r.srcBlend = rs[D3DRS_SRCBLEND], r.destBlend = rs[D3DRS_DESTBLEND], r.cullMode = rs[D3DRS_CULLMODE];
  r.world = world;
  drawRecorder(drawRecorderContext, r);
}

void IDirect3DDevice9::SetDrawRecorderForLayer(D3DDrawRecorderForLayer recorder, void* context) {
  m_impl->drawRecorder = recorder;
  m_impl->drawRecorderContext = recorder ? context : nullptr;
}

void IDirect3DDevice9::SetBatchingForLayer(bool enabled) {
  if (m_impl->MakeCurrent()) m_impl->FlushBatch();
  m_impl->batchingEnabled = enabled;
}
