#pragma once
// A Direct3D-9-shaped drawing layer over OpenGL 3.3 core.
//
// The device renders into an off-screen framebuffer on its own EGL context.
// For a device window that is a native X11 window (`NativeWindowId`) the
// context lives on the X server's display with a surface on that window, and
// `Present` copies the frame to it on the GPU side and swaps; otherwise the
// context is surfaceless (no display server needed) and `Present` reads the
// frame back and hands it to the device window (`CNativeWindow::PresentFrame`,
// top row first), or only keeps it without a window. `GetFrontBufferData`
// copies our own last presented frame, not the desktop: the frame kept at
// its presentation (`KeepNextPresentedFrameForLayer`), or, shown on a native
// window from the off-screen target, that target until the next frame draws;
// a frame drawn on the window itself and shown without a copy cannot be
// given (D3DERR_INVALIDCALL). Fixed-function states are
// emulated by GLSL programs generated from the state and cached; vertex
// shaders are GLSL programs written against constant registers `c[0..7]`
// (see `IDirect3DDevice9::CreateVertexShader`).
//
// Objects are reference counted: every Create/Get that hands out an interface
// adds a reference, `Release` drops one. Resources keep their device alive.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "d3d9caps.h"
#include "d3d9types.h"

class CNativeWindow;
using HWND = CNativeWindow*;

class IDirect3DDevice9;
class IDirect3D9;

class IUnknown {
 public:
  ULONG AddRef();
  ULONG Release();
  IUnknown(const IUnknown&) = delete;
  IUnknown& operator=(const IUnknown&) = delete;

 protected:
  IUnknown() = default;
  virtual ~IUnknown();

 private:
  ULONG m_refCount = 1;
};

class IDirect3DResource9 : public IUnknown {
 public:
  HRESULT GetDevice(IDirect3DDevice9** device);
  virtual D3DRESOURCETYPE GetType() const = 0;
  IDirect3DDevice9* DeviceNoRef() const { return m_device; }

 protected:
  explicit IDirect3DResource9(IDirect3DDevice9* device);
  ~IDirect3DResource9() override;
  IDirect3DDevice9* m_device;  // holds a reference
};

class IDirect3DTexture9;

// A rectangle of pixels: a level of a texture, an off-screen plain surface in
// system memory, or the back buffer (locking it reads the frame drawn so far).
class IDirect3DSurface9 : public IDirect3DResource9 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_SURFACE; }
  HRESULT GetDesc(D3DSURFACE_DESC* desc);
  HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
  HRESULT UnlockRect();

  // Layer internals.
  IDirect3DSurface9(IDirect3DDevice9* device, IDirect3DTexture9* owner, UINT level, UINT width, UINT height,
                    D3DFORMAT format, D3DPOOL pool, bool backBuffer);
  ~IDirect3DSurface9() override;
  std::vector<uint8_t>& Pixels() { return m_pixels; }
  UINT Pitch() const { return m_pitch; }

 private:
  IDirect3DTexture9* m_owner;  // not owned; null for standalone surfaces
  UINT m_level;
  UINT m_width, m_height;
  D3DFORMAT m_format;
  D3DPOOL m_pool;
  bool m_backBuffer;
  bool m_locked = false;
  UINT m_pitch = 0;
  std::vector<uint8_t> m_pixels;  // standalone surfaces only
};

class IDirect3DBaseTexture9 : public IDirect3DResource9 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_TEXTURE; }
  virtual DWORD GetLevelCount() const = 0;

 protected:
  using IDirect3DResource9::IDirect3DResource9;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
 public:
  DWORD GetLevelCount() const override { return static_cast<DWORD>(m_levels.size()); }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc);
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface);
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags);
  HRESULT UnlockRect(UINT level);
  void GenerateMipSubLevels();

  // Layer internals.
  // `contents`, when given, holds the levels' bytes (moved in when a level's
  // size is right, else that level starts as zeros).
  IDirect3DTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                    D3DPOOL pool, std::vector<std::vector<uint8_t>>* contents = nullptr);
  ~IDirect3DTexture9() override;
  struct Level {
    UINT width, height, pitch, rows;  // rows: pixel rows, or block rows of a compressed format
    // The level in its own format. Formats OpenGL stores as they are keep no
    // copy here but while locked (the driver holds the pixels already);
    // formats converted on the way up keep theirs.
    std::vector<uint8_t> data;
    bool locked = false;
    bool readOnly = false;
    bool zeros = false;  // nothing written since it was made
  };
  Level* LevelAt(UINT level) { return level < m_levels.size() ? &m_levels[level] : nullptr; }
  // The bytes of one level in its own format, whether kept here or read back.
  bool ReadLevel(UINT level, std::vector<uint8_t>& bytes);
  D3DFORMAT Format() const { return m_format; }
  DWORD Usage() const { return m_usage; }
  D3DPOOL Pool() const { return m_pool; }
  unsigned GlName() const { return m_glTexture; }
  void Upload(UINT level);  // sends one level to OpenGL

 private:
  bool KeepsCopy() const;
  std::vector<Level> m_levels;
  DWORD m_usage;
  D3DFORMAT m_format;
  D3DPOOL m_pool;
  unsigned m_glTexture = 0;
};

class IDirect3DVertexBuffer9 : public IDirect3DResource9 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT Unlock();
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc);

  // Layer internals.
  IDirect3DVertexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
  ~IDirect3DVertexBuffer9() override;
  unsigned GlName() const { return m_glBuffer; }
  const std::vector<uint8_t>& Data() const { return m_data; }

 private:
  std::vector<uint8_t> m_data;
  DWORD m_usage, m_fvf;
  D3DPOOL m_pool;
  unsigned m_glBuffer = 0;
  bool m_locked = false;
  UINT m_lockOffset = 0, m_lockSize = 0;
};

class IDirect3DIndexBuffer9 : public IDirect3DResource9 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT Unlock();
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc);

  // Layer internals.
  IDirect3DIndexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  ~IDirect3DIndexBuffer9() override;
  unsigned GlName() const { return m_glBuffer; }
  D3DFORMAT Format() const { return m_format; }
  const std::vector<uint8_t>& Data() const { return m_data; }
  uint32_t MaxIndex() const { return m_maxIndex; }  // largest index the buffer holds

 private:
  std::vector<uint8_t> m_data;
  DWORD m_usage;
  D3DFORMAT m_format;
  uint32_t m_maxIndex = 0;
  D3DPOOL m_pool;
  unsigned m_glBuffer = 0;
  bool m_locked = false;
  UINT m_lockOffset = 0, m_lockSize = 0;
};

class IDirect3DVertexDeclaration9 : public IUnknown {
 public:
  HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count);
  explicit IDirect3DVertexDeclaration9(const D3DVERTEXELEMENT9* elements);
  const std::vector<D3DVERTEXELEMENT9>& Elements() const { return m_elements; }
  unsigned Id() const { return m_id; }

 private:
  std::vector<D3DVERTEXELEMENT9> m_elements;  // without the end marker
  unsigned m_id;
};

class IDirect3DVertexShader9 : public IDirect3DResource9 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_SURFACE; }
  IDirect3DVertexShader9(IDirect3DDevice9* device, std::string source);
  ~IDirect3DVertexShader9() override;
  const std::string& Source() const { return m_source; }
  unsigned Id() const { return m_id; }

 private:
  std::string m_source;
  unsigned m_id;
};

class IDirect3DStateBlock9 : public IUnknown {
 public:
  HRESULT Capture();
  HRESULT Apply();
  HRESULT GetDevice(IDirect3DDevice9** device);

  // Layer internals.
  struct Record;
  IDirect3DStateBlock9(IDirect3DDevice9* device, Record* record);
  ~IDirect3DStateBlock9() override;

 private:
  IDirect3DDevice9* m_device;
  Record* m_record;
};

// The device: one per window (or headless). All calls on the thread that made it.
// One application draw as the test recorder of the device sees it.
struct D3DDrawRecordForLayer {
  D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
  UINT startVertex = 0, primitiveCount = 0;
  bool indexed = false;
  DWORD fvf = 0;
  UINT stride = 0;  // of stream 0, or of the user vertices
  IDirect3DBaseTexture9* textures[2] = {};
  DWORD colorOps[2] = {};
  IDirect3DVertexShader9* vertexShader = nullptr;
  DWORD lighting = 0, zEnable = 0, alphaBlendEnable = 0, srcBlend = 0, destBlend = 0, cullMode = 0;
  D3DMATRIX world{};
};
using D3DDrawRecorderForLayer = void (*)(void* context, const D3DDrawRecordForLayer& record);

class IDirect3DDevice9 : public IUnknown {
 public:
  HRESULT TestCooperativeLevel();
  UINT GetAvailableTextureMem();
  HRESULT GetDirect3D(IDirect3D9** d3d);
  HRESULT GetDeviceCaps(D3DCAPS9* caps);
  HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode);
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* params);
  HRESULT Reset(D3DPRESENT_PARAMETERS* params);
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride, const RGNDATA* dirtyRegion);
  HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface);
  HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface);
  HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface);  // index 0: the back buffer
  HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface);

  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** texture, HANDLE* sharedHandle);
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                             HANDLE* sharedHandle);
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle);
  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DSurface9** surface, HANDLE* sharedHandle);

  HRESULT BeginScene();
  HRESULT EndScene();
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil);

  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix);
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
  HRESULT SetViewport(const D3DVIEWPORT9* viewport);
  HRESULT GetViewport(D3DVIEWPORT9* viewport);
  HRESULT SetMaterial(const D3DMATERIAL9* material);
  HRESULT GetMaterial(D3DMATERIAL9* material);
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light);
  HRESULT GetLight(DWORD index, D3DLIGHT9* light);
  HRESULT LightEnable(DWORD index, BOOL enable);
  HRESULT GetLightEnable(DWORD index, BOOL* enable);
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value);
  HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** block);
  HRESULT BeginStateBlock();
  HRESULT EndStateBlock(IDirect3DStateBlock9** block);
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture);
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture);
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value);
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value);

  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount);
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex, UINT numVertices,
                               UINT startIndex, UINT primitiveCount);
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData, UINT stride);
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex, UINT numVertices, UINT primitiveCount,
                                 const void* indexData, D3DFORMAT indexFormat, const void* vertexData, UINT stride);

  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, IDirect3DVertexDeclaration9** decl);
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl);
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** decl);
  HRESULT SetFVF(DWORD fvf);
  HRESULT GetFVF(DWORD* fvf);
  // `function` is the code buffer of D3DXAssembleShaderFromFileA: the GLSL
  // text of the vertex program, compiled here.
  HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader);
  HRESULT SetVertexShader(IDirect3DVertexShader9* shader);
  HRESULT GetVertexShader(IDirect3DVertexShader9** shader);
  HRESULT SetVertexShaderConstantF(UINT startRegister, const float* data, UINT vector4fCount);
  HRESULT GetVertexShaderConstantF(UINT startRegister, float* data, UINT vector4fCount);
  HRESULT SetPixelShader(void* shader);  // only null: pixels always go through the texture stages
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offsetInBytes, UINT stride);
  HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offsetInBytes, UINT* stride);
  HRESULT SetIndices(IDirect3DIndexBuffer9* indices);
  HRESULT GetIndices(IDirect3DIndexBuffer9** indices);

  // Layer extras (tests and benchmarks): OpenGL draw calls issued so far, and
  // the merging of consecutive draws that differ only in shader constants.
  uint64_t GetDrawCallCountForLayer() const;
  void SetBatchingForLayer(bool enabled);
  // Layer extra (tests): `recorder` is called with `context` once for every
  // Draw*Primitive call that draws, before any merging, with the states it
  // draws under; null stops the recording.
  void SetDrawRecorderForLayer(D3DDrawRecorderForLayer recorder, void* context);

  // Layer extra: CreateTexture with the levels' contents given, each in the
  // format's own layout (as LockRect shows it); they are moved in and sent to
  // OpenGL once, instead of zeros first and the contents after.
  HRESULT CreateTextureWithLevels(UINT width, UINT height, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  std::vector<std::vector<uint8_t>>&& levels, IDirect3DTexture9** texture);

  // Layer extra: the next presented frame is kept for GetFrontBufferData.
  // Frames shown on a native window are not read back unless asked (it would
  // cost frame rate), and a shown window buffer cannot be read back: the copy
  // is read before the swap that shows the frame.
  void KeepNextPresentedFrameForLayer();

  // Layer internals.
  struct Impl;
  Impl* GetImpl() const { return m_impl; }
  IDirect3DDevice9(IDirect3D9* d3d, Impl* impl);

 private:
  ~IDirect3DDevice9() override;
  IDirect3D9* m_d3d;
  Impl* m_impl;
};

class IDirect3D9 : public IUnknown {
 public:
  UINT GetAdapterCount();
  HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier);
  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format);
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode);
  HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                          BOOL windowed);
  HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                            D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat);
  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT surfaceFormat, BOOL windowed,
                                     D3DMULTISAMPLE_TYPE multiSampleType, DWORD* qualityLevels);
  HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                 D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat);
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps);
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device);

  // Layer internals.
  IDirect3D9();

 private:
  ~IDirect3D9() override;
};

// Shader code buffers (made by D3DXAssembleShaderFromFileA): this tag, the
// length of the program text, then the text.
constexpr DWORD kShaderCodeTag = 0x4C534C47;

// Null when no OpenGL 3.3 context can be made here, or for another SDK version.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

// The enumerator name of a format ("D3DFMT_D24S8"); "Unknown format" otherwise.
const char* D3DFormatEnumeratorName(D3DFORMAT format);

// Test hooks: make the adapter behave like a weaker or failing one, so that
// the callers' fallbacks can be exercised. Zero/false fields change nothing.
struct D3DAdapterLimitsForLayer {
  int maxSamples = -1;               // >= 0: largest multisample count accepted
  DWORD vertexShaderVersion = 0;     // non-zero: reported in the capabilities
  DWORD refusedBehaviorFlags = 0;    // CreateDevice fails when its flags hold any of these
  bool noDirect3D = false;           // Direct3DCreate9 returns null
  bool noDisplayMode = false;        // GetAdapterDisplayMode fails
  DWORD maxTextureSize = 0;          // non-zero: the largest texture side reported in the capabilities
};
void SetAdapterLimitsForLayer(const D3DAdapterLimitsForLayer& limits);

// The size of the display the layer reports (the first screen when the
// application layer told us, else 1920 x 1080); the application layer may set it.
void SetDisplayModeForLayer(UINT width, UINT height);
