// GLSL programs generated from the fixed-function state, and the wrapper that
// runs a program file's vertex code on the constant-register model.
#include <sstream>

#include "DeviceImpl.h"

namespace nvd3d {
namespace {

const char* kVertexInputs =
    "layout(location = 0) in vec4 vPosition;\n"
    "layout(location = 1) in vec3 vNormal;\n"
    "layout(location = 2) in vec4 vColor;\n"
    "layout(location = 3) in vec4 vSpecular;\n"
    "layout(location = 4) in vec4 vTexCoord0;\n"
    "layout(location = 5) in vec4 vTexCoord1;\n"
    "layout(location = 6) in vec4 vTexCoord2;\n"
    "layout(location = 7) in vec4 vTexCoord3;\n"
    "layout(location = 8) in vec4 vTexCoord4;\n"
    "layout(location = 9) in vec4 vTexCoord5;\n"
    "layout(location = 10) in vec4 vTexCoord6;\n"
    "layout(location = 11) in vec4 vTexCoord7;\n";

std::string Varyings(const char* direction, bool flat) {
  std::ostringstream s;
  const char* q = flat ? "flat " : "";
  s << q << direction << " vec4 oD0;\n" << q << direction << " vec4 oD1;\n";
  for (int i = 0; i < kMaxTexCoords; ++i) s << direction << " vec4 oT" << i << ";\n";
  return s.str();
}

// D3D clip space (y up, z in 0..w, pixel centres on integers) to OpenGL clip
// space rendering top row first (y flipped, z in -w..w, centres at +0.5).
const char* kClipFix =
    "vec4 nvFixClip(vec4 p) {\n"
    "  return vec4(p.x + p.w * uPixelAdjust.x, uPixelAdjust.z * (p.y - p.w * uPixelAdjust.y), 2.0 * p.z - p.w, p.w);\n"
    "}\n";

}  // namespace

std::string GenerateFixedVertexShader(const FixedVertexKey& key, bool flat) {
  std::ostringstream s;
  s << "#version 330 core\n" << kVertexInputs << Varyings("out", flat);
  s << "uniform mat4 uWorldView;\nuniform mat4 uProj;\nuniform mat3 uNormalMatrix;\nuniform vec4 uViewport;\n"
       "uniform vec3 uPixelAdjust;\n";
  if (key.lighting) {
    s << "uniform vec4 uLightDiffuse[8];\nuniform vec4 uLightSpecular[8];\nuniform vec4 uLightAmbient[8];\n"
         "uniform vec4 uLightPosition[8];\nuniform vec4 uLightDirection[8];\nuniform vec4 uLightAtten[8];\n"
         "uniform vec4 uMatDiffuse;\nuniform vec4 uMatAmbient;\nuniform vec4 uMatSpecular;\n"
         "uniform vec4 uMatEmissive;\nuniform float uMatPower;\nuniform vec4 uGlobalAmbient;\n";
  }
  s << kClipFix;
  s << "void main() {\n";
  for (int i = 0; i < kMaxTexCoords; ++i) s << "  oT" << i << " = vTexCoord" << i << ";\n";
  s << "  vec4 diffuseIn = " << (key.hasDiffuse ? "vColor" : "vec4(1.0)") << ";\n";
  s << "  vec4 specularIn = " << (key.hasSpecular ? "vSpecular" : "vec4(0.0)") << ";\n";
  if (key.pretransformed) {
    s << "  float w = vPosition.w != 0.0 ? 1.0 / vPosition.w : 1.0;\n"
         "  vec2 ndc = vec2((vPosition.x + 0.5 - uViewport.x) / uViewport.z * 2.0 - 1.0,\n"
         "                  ((vPosition.y + 0.5 - uViewport.y) / uViewport.w * 2.0 - 1.0) * -uPixelAdjust.z);\n"
         "  gl_Position = vec4(ndc * w, (2.0 * vPosition.z - 1.0) * w, w);\n"
         "  oD0 = diffuseIn;\n  oD1 = specularIn;\n}\n";
    return s.str();
  }
  s << "  vec4 pv = uWorldView * vec4(vPosition.xyz, 1.0);\n"
       "  gl_Position = nvFixClip(uProj * pv);\n";
  if (key.pointList) s << "  gl_PointSize = 1.0;\n";
  if (!key.lighting) {
    s << "  oD0 = diffuseIn;\n  oD1 = specularIn;\n}\n";
    return s.str();
  }
  auto source = [&](int src, const char* material) -> std::string {
    if (key.colorVertex && src == D3DMCS_COLOR1 && key.hasDiffuse) return "vColor";
    if (key.colorVertex && src == D3DMCS_COLOR2 && key.hasSpecular) return "vSpecular";
    return material;
  };
  s << "  vec4 md = " << source(key.diffuseSource, "uMatDiffuse") << ";\n";
  s << "  vec4 ma = " << source(key.ambientSource, "uMatAmbient") << ";\n";
  s << "  vec4 ms = " << source(key.specularSource, "uMatSpecular") << ";\n";
  s << "  vec4 me = " << source(key.emissiveSource, "uMatEmissive") << ";\n";
  s << "  vec3 P = pv.xyz;\n  vec3 N = uNormalMatrix * vNormal;\n";
  if (key.normalize) s << "  float nlen = length(N);\n  if (nlen > 0.0) N /= nlen;\n";
  s << "  vec3 V = " << (key.localViewer ? "length(P) > 0.0 ? normalize(-P) : vec3(0.0, 0.0, -1.0)" : "vec3(0.0, 0.0, -1.0)")
    << ";\n";
  s << "  vec3 amb = vec3(0.0);\n  vec3 dif = vec3(0.0);\n  vec3 spe = vec3(0.0);\n";
  for (unsigned i = 0; i < kD3DMaxLights; ++i) {
    if (!key.lightTypes[i]) continue;
    s << "  {\n    vec3 L;\n    float att = 1.0;\n";
    if (key.lightTypes[i] == D3DLIGHT_DIRECTIONAL) {
      s << "    L = -uLightDirection[" << i << "].xyz;\n";
    } else {
      s << "    vec3 toLight = uLightPosition[" << i << "].xyz - P;\n"
        << "    float d = length(toLight);\n"
        << "    L = d > 0.0 ? toLight / d : vec3(0.0, 0.0, -1.0);\n"
        << "    vec4 a = uLightAtten[" << i << "];\n"
        << "    float denom = a.x + a.y * d + a.z * d * d;\n"
        << "    att = (d > a.w) ? 0.0 : (denom > 0.0 ? 1.0 / denom : 1.0);\n";
    }
    s << "    amb += att * uLightAmbient[" << i << "].rgb;\n"
      << "    float nl = dot(N, L);\n"
      << "    if (nl > 0.0) {\n"
      << "      dif += att * nl * uLightDiffuse[" << i << "].rgb;\n";
    if (key.specularEnable) {
      s << "      vec3 H = normalize(V + L);\n"
        << "      float nh = max(dot(N, H), 0.0);\n"
        << "      float sp = uMatPower > 0.0 ? (nh > 0.0 ? pow(nh, uMatPower) : 0.0) : 1.0;\n"
        << "      spe += att * sp * uLightSpecular[" << i << "].rgb;\n";
    }
    s << "    }\n  }\n";
  }
  s << "  oD0 = vec4(clamp(me.rgb + ma.rgb * (uGlobalAmbient.rgb + amb) + md.rgb * dif, 0.0, 1.0), clamp(md.a, 0.0, "
       "1.0));\n";
  s << "  oD1 = vec4(clamp(ms.rgb * spe, 0.0, 1.0), clamp(ms.a, 0.0, 1.0));\n}\n";
  return s.str();
}

std::string GenerateUserVertexShader(const std::string& userSource, bool flat, bool batched) {
  std::ostringstream s;
  s << "#version 330 core\n" << kVertexInputs << Varyings("out", flat);
  if (batched)
    s << "vec4 c[" << kShaderConstants << "];\nuniform samplerBuffer uConstBuffer;\n";
  else
    s << "uniform vec4 c[" << kShaderConstants << "];\n";
  s << "uniform vec3 uPixelAdjust;\n" << kClipFix;
  s << "#define main nvUserMain\n#line 1\n";
  std::istringstream in(userSource);
  std::string line;
  while (std::getline(in, line)) {
    size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line.compare(first, 8, "#version") == 0) line = "";
    s << line << "\n";
  }
  s << "#undef main\nvoid main() {\n  oD0 = vec4(1.0);\n  oD1 = vec4(0.0);\n";
  for (int i = 0; i < kMaxTexCoords; ++i) s << "  oT" << i << " = vec4(0.0, 0.0, 0.0, 1.0);\n";
  if (batched)
    s << "  for (int i = 0; i < " << kShaderConstants << "; ++i) c[i] = texelFetch(uConstBuffer, gl_InstanceID * "
      << kShaderConstants << " + i);\n";
  s << "  gl_Position = vec4(0.0, 0.0, 0.0, 1.0);\n  nvUserMain();\n  gl_Position = nvFixClip(gl_Position);\n}\n";
  return s.str();
}

namespace {

std::string Arg(DWORD arg, bool alpha) {
  std::string base;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: base = "diffuse"; break;
    case D3DTA_CURRENT: base = "current"; break;
    case D3DTA_TEXTURE: base = "tex"; break;
    case D3DTA_TFACTOR: base = "uTFactor"; break;
    case D3DTA_SPECULAR: base = "specular"; break;
    case D3DTA_TEMP: base = "temp"; break;
    default: base = "uTFactor"; break;
  }
  if (arg & D3DTA_COMPLEMENT) base = "(vec4(1.0) - " + base + ")";
  if ((arg & D3DTA_ALPHAREPLICATE) && !alpha) base = "vec4(" + base + ".a)";
  return base;
}

std::string Op(int op, const std::string& a0, const std::string& a1, const std::string& a2) {
  switch (op) {
    case D3DTOP_SELECTARG1: return a1;
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return "(" + a1 + " * " + a2 + ")";
    case D3DTOP_MODULATE2X: return "(" + a1 + " * " + a2 + " * 2.0)";
    case D3DTOP_MODULATE4X: return "(" + a1 + " * " + a2 + " * 4.0)";
    case D3DTOP_ADD: return "(" + a1 + " + " + a2 + ")";
    case D3DTOP_ADDSIGNED: return "(" + a1 + " + " + a2 + " - vec4(0.5))";
    case D3DTOP_ADDSIGNED2X: return "((" + a1 + " + " + a2 + " - vec4(0.5)) * 2.0)";
    case D3DTOP_SUBTRACT: return "(" + a1 + " - " + a2 + ")";
    case D3DTOP_ADDSMOOTH: return "(" + a1 + " + " + a2 + " - " + a1 + " * " + a2 + ")";
    case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + a2 + ", " + a1 + ", diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA: return "mix(" + a2 + ", " + a1 + ", tex.a)";
    case D3DTOP_BLENDFACTORALPHA: return "mix(" + a2 + ", " + a1 + ", uTFactor.a)";
    case D3DTOP_BLENDCURRENTALPHA: return "mix(" + a2 + ", " + a1 + ", current.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM: return "(" + a1 + " + " + a2 + " * (1.0 - tex.a))";
    case D3DTOP_MODULATEALPHA_ADDCOLOR: return "(" + a1 + " + " + a1 + ".a * " + a2 + ")";
    case D3DTOP_MODULATECOLOR_ADDALPHA: return "(" + a1 + " * " + a2 + " + " + a1 + ".a)";
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR: return "((1.0 - " + a1 + ".a) * " + a2 + " + " + a1 + ")";
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA: return "((vec4(1.0) - " + a1 + ") * " + a2 + " + " + a1 + ".a)";
    case D3DTOP_DOTPRODUCT3:
      return "vec4(clamp(4.0 * dot(" + a1 + ".rgb - vec3(0.5), " + a2 + ".rgb - vec3(0.5)), 0.0, 1.0))";
    case D3DTOP_MULTIPLYADD: return "(" + a0 + " + " + a1 + " * " + a2 + ")";
    case D3DTOP_LERP: return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    default: return a1;
  }
}

bool UsesTexture(int op, int a0, int a1, int a2) {
  auto is = [](int a) { return (a & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
  switch (op) {
    case D3DTOP_DISABLE: return false;
    case D3DTOP_SELECTARG1: return is(a1);
    case D3DTOP_SELECTARG2: return is(a2);
    case D3DTOP_BLENDTEXTUREALPHA:
    case D3DTOP_BLENDTEXTUREALPHAPM: return true;
    case D3DTOP_MULTIPLYADD:
    case D3DTOP_LERP: return is(a0) || is(a1) || is(a2);
    default: return is(a1) || is(a2);
  }
}

}  // namespace

std::string GenerateFragmentShader(const PixelKey& key) {
  std::ostringstream s;
  s << "#version 330 core\n" << Varyings("in", key.flat != 0);
  for (unsigned i = 0; i < kD3DMaxTextureStages; ++i) s << "uniform sampler2D uTex" << i << ";\n";
  s << "uniform vec4 uTFactor;\nuniform float uAlphaRef;\nout vec4 nvFragColor;\n";
  s << "void main() {\n  vec4 diffuse = oD0;\n  vec4 specular = oD1;\n  vec4 current = diffuse;\n"
       "  vec4 temp = vec4(0.0);\n  vec4 tex = vec4(1.0);\n";
  for (unsigned i = 0; i < key.stageCount; ++i) {
    const StageKey& st = key.stages[i];
    bool colorTex = UsesTexture(st.colorOp, st.colorArg0, st.colorArg1, st.colorArg2);
    bool alphaTex = st.colorOp != D3DTOP_DOTPRODUCT3 && UsesTexture(st.alphaOp, st.alphaArg0, st.alphaArg1, st.alphaArg2);
    // A stage that reads a texture it does not have passes the colour on.
    bool colorPass = colorTex && !st.hasTexture;
    bool alphaPass = alphaTex && !st.hasTexture;
    if (colorPass && (alphaPass || st.alphaOp == D3DTOP_DISABLE || st.colorOp == D3DTOP_DOTPRODUCT3)) continue;
    s << "  {\n";
    if ((colorTex && !colorPass) || (alphaTex && !alphaPass))
      s << "    tex = texture(uTex" << i << ", oT" << int(st.texCoord) << ".xy);\n";
    s << "    vec4 r = current;\n";
    std::string c = Op(st.colorOp, Arg(st.colorArg0, false), Arg(st.colorArg1, false), Arg(st.colorArg2, false));
    if (st.colorOp == D3DTOP_DOTPRODUCT3) {
      s << "    r = " << c << ";\n";
    } else {
      if (!colorPass) s << "    r.rgb = (" << c << ").rgb;\n";
      if (st.alphaOp != D3DTOP_DISABLE && !alphaPass) {
        std::string a = Op(st.alphaOp, Arg(st.alphaArg0, true), Arg(st.alphaArg1, true), Arg(st.alphaArg2, true));
        s << "    r.a = (" << a << ").a;\n";
      }
    }
    s << "    r = clamp(r, 0.0, 1.0);\n";
    s << "    " << (st.result == D3DTA_TEMP ? "temp" : "current") << " = r;\n  }\n";
  }
  if (key.specular) s << "  current.rgb = clamp(current.rgb + specular.rgb, 0.0, 1.0);\n";
  if (key.alphaTest && key.alphaTest != D3DCMP_ALWAYS) {
    static const char* ops[] = {"", "false", "<", "==", "<=", ">", "!=", ">=", ""};
    s << "  float alpha8 = floor(clamp(current.a, 0.0, 1.0) * 255.0 + 0.5);\n";
    if (key.alphaTest == D3DCMP_NEVER)
      s << "  discard;\n";
    else
      s << "  if (!(alpha8 " << ops[key.alphaTest] << " uAlphaRef)) discard;\n";
  }
  s << "  nvFragColor = current;\n}\n";
  return s.str();
}

bool CompileShader(GLenum type, const std::string& source, GLuint& shader, std::string& log) {
  shader = glCreateShader(type);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    log.assign(static_cast<size_t>(length > 0 ? length : 1), '\0');
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    glDeleteShader(shader);
    shader = 0;
    return false;
  }
  return true;
}

bool LinkProgram(GLuint vs, GLuint fs, Program& p, std::string& log) {
  p.program = glCreateProgram();
  glAttachShader(p.program, vs);
  glAttachShader(p.program, fs);
  glLinkProgram(p.program);
  GLint ok = 0;
  glGetProgramiv(p.program, GL_LINK_STATUS, &ok);
  if (!ok) {
    GLint length = 0;
    glGetProgramiv(p.program, GL_INFO_LOG_LENGTH, &length);
    log.assign(static_cast<size_t>(length > 0 ? length : 1), '\0');
    glGetProgramInfoLog(p.program, length, nullptr, log.data());
    glDeleteProgram(p.program);
    p.program = 0;
    return false;
  }
  // A linked program needs its shaders no more: detached, they go with the
  // caller's delete, and the driver frees their compiled forms.
  glDetachShader(p.program, vs);
  glDetachShader(p.program, fs);
  GLuint prog = p.program;
  auto loc = [prog](const char* name) { return glGetUniformLocation(prog, name); };
  p.uWorldView = loc("uWorldView");
  p.uProj = loc("uProj");
  p.uNormalMatrix = loc("uNormalMatrix");
  p.uViewport = loc("uViewport");
  p.uPixelAdjust = loc("uPixelAdjust");
  p.uLightDiffuse = loc("uLightDiffuse");
  p.uLightSpecular = loc("uLightSpecular");
  p.uLightAmbient = loc("uLightAmbient");
  p.uLightPosition = loc("uLightPosition");
  p.uLightDirection = loc("uLightDirection");
  p.uLightAtten = loc("uLightAtten");
  p.uMatDiffuse = loc("uMatDiffuse");
  p.uMatAmbient = loc("uMatAmbient");
  p.uMatSpecular = loc("uMatSpecular");
  p.uMatEmissive = loc("uMatEmissive");
  p.uMatPower = loc("uMatPower");
  p.uGlobalAmbient = loc("uGlobalAmbient");
  p.uTFactor = loc("uTFactor");
  p.uAlphaRef = loc("uAlphaRef");
  p.uConst = loc("c");
  p.uConstBuffer = loc("uConstBuffer");
  glUseProgram(prog);
  for (unsigned i = 0; i < kD3DMaxTextureStages; ++i) {
    std::string name = "uTex" + std::to_string(i);
    GLint l = loc(name.c_str());
    if (l >= 0) glUniform1i(l, static_cast<GLint>(i));
  }
  if (p.uConstBuffer >= 0) glUniform1i(p.uConstBuffer, 15);
  p.ok = true;
  return true;
}

bool CheckUserVertexShader(const std::string& source, std::string& log) {
  GLuint shader = 0;
  if (!CompileShader(GL_VERTEX_SHADER, GenerateUserVertexShader(source, false, false), shader, log)) return false;
  glDeleteShader(shader);
  return true;
}

}  // namespace nvd3d
