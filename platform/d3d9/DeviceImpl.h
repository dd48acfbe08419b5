#pragma once
// Private state of the drawing device; shared by the layer's translation units.
#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "GlHeaders.h"
#include "d3d9.h"

namespace nvd3d {

// ---- EGL context management (EglContext.cpp) ----
// A context with its display and, for a native window, its window surface.
struct GlContext {
  void* display;      // EGLDisplay, or the X display of a window context
  void* context;      // EGLContext or GLXContext
  void* surface;      // the X11 window of a window context, else null
  bool glx = false;   // a GLX context on a native window
  int depthBits = 0, stencilBits = 0;  // of the window's framebuffer
  int interval = -1;  // swap interval last set
};
// A new OpenGL 3.3 core context, or null. With a native X11 window id the
// context draws on that window when the X server and the driver allow it,
// else it is surfaceless like a headless one.
GlContext* CreateGlContext(unsigned long nativeWindow = 0);
void DestroyGlContext(GlContext* context);
bool MakeContextCurrent(GlContext* context, bool verify = false);
bool HasWindowSurface(const GlContext* context);
// The size of the window surface in pixels.
bool WindowSurfaceSize(const GlContext* context, int& width, int& height);
// The window's framebuffer has at least these depth and stencil bits.
bool WindowHasDepth(const GlContext* context, int depthBits, int stencilBits);
// Shows the window surface's back buffer (interval 0: at once, 1: at the
// next vertical blank).
bool SwapWindowBuffers(GlContext* context, int interval);
bool HaveGlContext();                  // a context of this layer is current on this thread
struct GlInfo {
  std::string renderer, vendor, version;
  int maxTextureSize = 2048;
  int maxSamples = 0;
  bool ok = false;
};
const GlInfo& QueryGlInfo();           // made once with a throwaway context
void GetDisplaySize(UINT& width, UINT& height);

// ---- Formats (Formats.cpp) ----
bool IsCompressed(D3DFORMAT f);
UINT BytesPerPixel(D3DFORMAT f);      // 0 for compressed or unknown formats
bool IsTextureFormatSupported(D3DFORMAT f);
// Bytes of one row (or one row of 4x4 blocks) and number of rows of a level.
void LevelLayout(D3DFORMAT f, UINT width, UINT height, UINT& pitch, UINT& rows);
// Converts a level to 32-bit BGRA (top row first, width*4 pitch).
void ConvertToBgra(D3DFORMAT f, const uint8_t* src, UINT pitch, UINT width, UINT height, uint8_t* dst);
// Converts BGRA pixels to a format (not compressed ones, which get DXT encoding).
void ConvertFromBgra(D3DFORMAT f, const uint8_t* src, UINT width, UINT height, uint8_t* dst, UINT dstPitch);
void DecodeDxtBlock(D3DFORMAT f, const uint8_t* block, uint8_t out[64]);

// ---- Vertex layout ----
enum AttributeSlot { kAttrPosition = 0, kAttrNormal = 1, kAttrDiffuse = 2, kAttrSpecular = 3, kAttrTex0 = 4 };
constexpr int kMaxTexCoords = 8;
struct VertexAttribute {
  int slot;       // AttributeSlot (+ texcoord index)
  int stream;
  int offset;
  int type;       // D3DDECLTYPE
};
struct VertexLayout {
  std::vector<VertexAttribute> attributes;
  bool pretransformed = false;  // XYZRHW
  bool hasNormal = false, hasDiffuse = false, hasSpecular = false;
  int texCoordCount = 0;
  UINT fvfStride = 0;
};
VertexLayout LayoutFromFvf(DWORD fvf);
VertexLayout LayoutFromDeclaration(const std::vector<D3DVERTEXELEMENT9>& elements);
UINT FvfStride(DWORD fvf);

// ---- Shader generation (ShaderGen.cpp) ----
struct ProgramKey {
  std::string bytes;
};
struct Program {
  GLuint program = 0;
  bool ok = false;
  // uniform locations
  GLint uWorldView = -1, uProj = -1, uNormalMatrix = -1, uViewport = -1, uPixelAdjust = -1;
  GLint uLightDiffuse = -1, uLightSpecular = -1, uLightAmbient = -1, uLightPosition = -1, uLightDirection = -1,
        uLightAtten = -1;
  GLint uMatDiffuse = -1, uMatAmbient = -1, uMatSpecular = -1, uMatEmissive = -1, uMatPower = -1,
        uGlobalAmbient = -1;
  GLint uTFactor = -1, uAlphaRef = -1, uConst = -1, uConstBuffer = -1, uPointSize = -1;
  // serials of the uploaded values
  uint64_t transformSerial = ~0ull, lightSerial = ~0ull, materialSerial = ~0ull, pixelSerial = ~0ull,
           constSerial = ~0ull, viewportSerial = ~0ull;
};

struct StageKey {
  uint8_t colorOp, colorArg0, colorArg1, colorArg2, alphaOp, alphaArg0, alphaArg1, alphaArg2, result, texCoord;
  uint8_t hasTexture;
};
struct PixelKey {
  StageKey stages[kD3DMaxTextureStages];
  uint8_t stageCount;
  uint8_t alphaTest;   // D3DCMP value, 0 when off
  uint8_t specular;
  uint8_t flat;
};
struct FixedVertexKey {
  uint8_t pretransformed, lighting, normalize, localViewer, colorVertex, hasNormal, hasDiffuse, hasSpecular;
  uint8_t diffuseSource, ambientSource, specularSource, emissiveSource, specularEnable;
  uint8_t lightTypes[kD3DMaxLights];  // 0 = off
  uint8_t texCoordCount;
  uint8_t pointList;
};
std::string GenerateFixedVertexShader(const FixedVertexKey& key, bool flat);
std::string GenerateUserVertexShader(const std::string& userSource, bool flat, bool batched);
std::string GenerateFragmentShader(const PixelKey& key);
// Compiles one shader; false with the log when it fails.
bool CompileShader(GLenum type, const std::string& source, GLuint& shader, std::string& log);
bool LinkProgram(GLuint vs, GLuint fs, Program& program, std::string& log);
// Checks that a user vertex program compiles (a context must be current).
bool CheckUserVertexShader(const std::string& source, std::string& log);

// ---- State blocks ----
constexpr unsigned kMaxVsConstants = 256;
constexpr unsigned kShaderConstants = 8;  // registers visible to the GLSL programs

}  // namespace nvd3d

struct IDirect3DStateBlock9::Record {
  // Which states the block holds.
  std::vector<D3DRENDERSTATETYPE> renderStates;
  std::vector<std::pair<DWORD, D3DTEXTURESTAGESTATETYPE>> stageStates;
  std::vector<std::pair<DWORD, D3DSAMPLERSTATETYPE>> samplerStates;
  std::vector<DWORD> textures;
  std::vector<D3DTRANSFORMSTATETYPE> transforms;
  std::vector<DWORD> lights, lightEnables;
  bool material = false, fvf = false, vertexShader = false, declaration = false, viewport = false;
  std::vector<UINT> constants;  // registers
  std::vector<UINT> streams;
  bool indices = false;
  // Values.
  std::unordered_map<DWORD, DWORD> renderValues;
  std::unordered_map<DWORD, DWORD> stageValues;     // stage * 64 + type
  std::unordered_map<DWORD, DWORD> samplerValues;   // sampler * 64 + type
  std::unordered_map<DWORD, IDirect3DBaseTexture9*> textureValues;  // references held
  std::unordered_map<DWORD, D3DMATRIX> transformValues;
  std::unordered_map<DWORD, D3DLIGHT9> lightValues;
  std::unordered_map<DWORD, BOOL> lightEnableValues;
  D3DMATERIAL9 materialValue{};
  DWORD fvfValue = 0;
  IDirect3DVertexShader9* shaderValue = nullptr;          // reference held
  IDirect3DVertexDeclaration9* declarationValue = nullptr;  // reference held
  D3DVIEWPORT9 viewportValue{};
  std::unordered_map<UINT, std::array<float, 4>> constantValues;
  struct StreamValue {
    IDirect3DVertexBuffer9* buffer;
    UINT offset, stride;
  };
  std::unordered_map<UINT, StreamValue> streamValues;  // references held
  IDirect3DIndexBuffer9* indicesValue = nullptr;       // reference held
  void ReleaseReferences();
};

struct IDirect3DDevice9::Impl {
  IDirect3DDevice9* self = nullptr;
  nvd3d::GlContext* context = nullptr;
  D3DPRESENT_PARAMETERS pp{};
  D3DDEVICE_CREATION_PARAMETERS creation{};
  bool lost = false;

  // Render target.
  GLuint fbo = 0, colorRb = 0, depthRb = 0;        // single-sample target (read back)
  GLuint msFbo = 0, msColorRb = 0, msDepthRb = 0;  // multisample target when asked
  UINT width = 0, height = 0;
  int samples = 0;
  std::vector<uint8_t> frontBuffer;  // last presented frame, BGRA top row first
  UINT frontWidth = 0, frontHeight = 0;
  // Where the last presented frame can be found: in `frontBuffer`; still in
  // the off-screen target (shown on a native window without a copy; it stays
  // there until the next frame draws); or nowhere (drawn on a native
  // window's back buffer and swapped without a copy: a shown window buffer
  // cannot be read back).
  enum class Front { kCopy, kTarget, kNone };
  Front front = Front::kCopy;
  // The next frame presented on a native window is read back before its swap.
  bool keepNextFrame = false;
  HWND nativeWindow = nullptr;  // the window the context's surface shows
  // Draws go straight to the native window's back buffer (rows bottom first).
  bool drawToWindow = false;
  bool inScene = false;

  // Device state.
  DWORD rs[kD3DRenderStateCount] = {};
  DWORD tss[kD3DMaxTextureStages][kD3DTextureStageStateCount] = {};
  DWORD samp[kD3DMaxTextureStages][kD3DSamplerStateCount] = {};
  IDirect3DBaseTexture9* textures[kD3DMaxTextureStages] = {};
  D3DMATRIX world{}, view{}, proj{};
  D3DMATRIX texTransforms[kD3DMaxTextureStages] = {};
  D3DVIEWPORT9 viewport{};
  D3DMATERIAL9 material{};
  D3DLIGHT9 lights[kD3DMaxLights] = {};
  bool lightEnabled[kD3DMaxLights] = {};
  DWORD fvf = 0;
  IDirect3DVertexDeclaration9* declaration = nullptr;
  bool useDeclaration = false;
  IDirect3DVertexShader9* vertexShader = nullptr;
  float vsConst[nvd3d::kMaxVsConstants][4] = {};
  struct Stream {
    IDirect3DVertexBuffer9* buffer = nullptr;
    UINT offset = 0, stride = 0;
  };
  static constexpr unsigned kStreams = 4;
  Stream streams[kStreams];
  IDirect3DIndexBuffer9* indices = nullptr;
  IDirect3DStateBlock9::Record* recording = nullptr;

  // Change serials (programs upload uniforms when these moved).
  uint64_t transformSerial = 1, lightSerial = 1, materialSerial = 1, pixelSerial = 1, constSerial = 1,
           viewportSerial = 1;
  bool rasterDirty = true, samplerDirty = true, textureDirty = true, layoutDirty = true;

  // OpenGL objects.
  GLuint vao = 0;
  GLuint samplers[kD3DMaxTextureStages] = {};
  GLuint upVbo = 0, upIbo = 0;
  GLuint constBuffer = 0, constBufferTexture = 0;
  bool constBufferReady = false;
  std::unordered_map<std::string, std::unique_ptr<nvd3d::Program>> programs;
  nvd3d::Program* currentProgram = nullptr;
  bool currentProgramPoints = false;
  GLuint usedProgram = 0;
  nvd3d::VertexLayout layout;
  std::unordered_map<unsigned, std::string> userShaderSources;  // shader id -> GLSL text
  // The program keys built for each user vertex shader: they go with it (a
  // resize makes the shaders again, and their programs grew without end).
  std::unordered_map<unsigned, std::vector<std::string>> userShaderPrograms;

  // Batched sprite-like draws: same vertex range, only shader constants differ.
  struct Batch {
    bool active = false;
    IDirect3DVertexBuffer9* buffer = nullptr;
    UINT offset = 0, stride = 0, startVertex = 0, vertexCount = 0;
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLESTRIP;
    std::vector<float> constants;  // kShaderConstants vec4 per instance
    UINT count = 0;
  } batch;
  // Pretransformed list draws of the fixed pipeline (screen lines, text)
  // whose states match merge into one draw: their vertices are copied here
  // and drawn before the next draw that differs, anything that reads or
  // clears the target, or the end of the scene. State changes alone do not
  // flush them; the states of the merged draws are kept to draw them with.
  struct Merge {
    bool active = false;
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    DWORD fvf = 0;
    UINT stride = 0, vertexCount = 0;
    std::vector<uint8_t> vertices;
    uint64_t stateSerial = 0;
    DWORD rs[kD3DRenderStateCount] = {};
    DWORD tss[kD3DMaxTextureStages][kD3DTextureStageStateCount] = {};
    DWORD samp[kD3DMaxTextureStages][kD3DSamplerStateCount] = {};
    IDirect3DBaseTexture9* textures[kD3DMaxTextureStages] = {};
    D3DVIEWPORT9 viewport{};
  } merge;
  uint64_t stateSerial = 1;  // moves with every state change a draw depends on
  bool flushingMerge = false;
  bool batchingEnabled = true;
  uint64_t drawCalls = 0;  // OpenGL draw calls issued (for tests and benchmarks)
  D3DDrawRecorderForLayer drawRecorder = nullptr;  // tests: sees every application draw
  void* drawRecorderContext = nullptr;
  void RecordDraw(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount, bool indexed, UINT upStride) const;

  // Helpers (Device*.cpp).
  bool MakeCurrent(bool verify = false);
  void SetDefaultStates();
  bool CreateTargets(UINT w, UINT h, D3DMULTISAMPLE_TYPE ms, bool depth, D3DFORMAT depthFormat);
  void DestroyTargets();
  void ResolveTarget();
  // The frame being drawn, top row first (for a window drawn on directly:
  // its back buffer, so only before the swap).
  void ReadFrame(std::vector<uint8_t>& bgra);
  // After a present: the frame is in `frontBuffer` when kept, else where
  // `otherwise` says; a request for a copy is used up.
  void KeptFrame(bool kept, Front otherwise);
  // The framebuffer draws go to: the window's own, or the off-screen target.
  GLuint DrawTarget() const { return drawToWindow ? 0 : (samples ? msFbo : fbo); }
  // Draws whatever is pending: merged draws, then batched instances.
  void FlushBatch();
  void FlushInstances();
  void FlushMerge();
  // The device's states equal those of the pending merged draws.
  bool MergeStatesMatch();
  // The vertex program a draw runs. Pre-transformed vertices (XYZRHW, or a
  // declaration with POSITIONT) skip vertex processing whatever program is
  // bound, as Direct3D 9 defines: screen text and lines drawn while a pass
  // keeps its own program bound land where their vertices say.
  IDirect3DVertexShader9* DrawingVertexShader() const { return layout.pretransformed ? nullptr : vertexShader; }
  void BeforeStateChange() {
    ++stateSerial;
    if (batch.active) FlushInstances();
  }
  HRESULT Draw(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount, bool indexed, INT baseVertex,
               UINT startIndex, const void* upVertices, UINT upStride, UINT upVertexCount, const void* upIndices,
               D3DFORMAT upIndexFormat);
  void ApplyRasterState();
  void ApplySamplers();
  nvd3d::Program* SelectProgram(bool batched, bool points);
  void UploadUniforms(nvd3d::Program& p, bool userShader, bool batched);
  void BindTextures();
  // Points the attributes at the streams (or at one user buffer when upBuffer is set).
  void SetupAttributes(GLuint upBuffer, UINT upStride);
  void UpdateLayout();
  void DeleteGlObjects();
  void Forget(const void* resource);  // a resource goes away: drop bindings to it
  void ForgetShaderPrograms(unsigned shaderId);  // a user vertex shader goes: its programs too
};

namespace nvd3d {
// Makes the device's context current; used by resources before GL calls.
inline bool Use(IDirect3DDevice9* device) { return device && device->GetImpl()->MakeCurrent(); }
}  // namespace nvd3d
