// The Direct3D object: adapter queries filled from the OpenGL driver, and
// device creation.
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "../win/NativeWindow.h"
#include "DeviceImpl.h"

IUnknown::~IUnknown() = default;

ULONG IUnknown::AddRef() { return ++m_refCount; }

ULONG IUnknown::Release() {
  ULONG left = --m_refCount;
  if (left == 0) delete this;
  return left;
}

namespace {
D3DAdapterLimitsForLayer g_limits;
}

void SetAdapterLimitsForLayer(const D3DAdapterLimitsForLayer& limits) { g_limits = limits; }

IDirect3D9::IDirect3D9() = default;
IDirect3D9::~IDirect3D9() = default;

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION || g_limits.noDirect3D) return nullptr;
  if (!nvd3d::QueryGlInfo().ok) return nullptr;
  return new IDirect3D9();
}

UINT IDirect3D9::GetAdapterCount() { return 1; }

HRESULT IDirect3D9::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id) {
  if (adapter != 0 || !id) return D3DERR_INVALIDCALL;
  std::memset(id, 0, sizeof(*id));
  const nvd3d::GlInfo& info = nvd3d::QueryGlInfo();
  auto copy = [](char* dst, size_t size, const std::string& text) {
    size_t n = std::min(size - 1, text.size());
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
  };
  copy(id->Driver, sizeof(id->Driver), "OpenGL " + info.version);
  copy(id->Description, sizeof(id->Description), info.renderer + " (" + info.vendor + ")");
  copy(id->DeviceName, sizeof(id->DeviceName), "\\\\.\\DISPLAY1");
  // Driver version: the numbers of the GL version text packed 16 bits each.
  int parts[4] = {0, 0, 0, 0};
  int index = 0;
  for (size_t i = 0; i < info.version.size() && index < 4;) {
    if (info.version[i] >= '0' && info.version[i] <= '9') {
      int v = 0;
      while (i < info.version.size() && info.version[i] >= '0' && info.version[i] <= '9')
        v = std::min(v * 10 + (info.version[i++] - '0'), 65535);
      parts[index++] = v;
    } else {
      ++i;
    }
  }
  id->DriverVersion = (static_cast<int64_t>(parts[0]) << 48) | (static_cast<int64_t>(parts[1]) << 32) |
                      (static_cast<int64_t>(parts[2]) << 16) | parts[3];
  id->Revision = 0;
  return D3D_OK;
}

UINT IDirect3D9::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
  return adapter == 0 && format == D3DFMT_X8R8G8B8 ? 1 : 0;
}

HRESULT IDirect3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
  if (adapter != 0 || !mode) return D3DERR_INVALIDCALL;
  if (g_limits.noDisplayMode) return D3DERR_NOTAVAILABLE;
  nvd3d::GetDisplaySize(mode->Width, mode->Height);
  mode->RefreshRate = 60;
  mode->Format = D3DFMT_X8R8G8B8;
  return D3D_OK;
}

HRESULT IDirect3D9::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                    D3DFORMAT backBufferFormat, BOOL windowed) {
  if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  if (backBufferFormat != D3DFMT_X8R8G8B8 && backBufferFormat != D3DFMT_A8R8G8B8 && backBufferFormat != D3DFMT_UNKNOWN)
    return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

namespace {
bool IsDepthFormat(D3DFORMAT f) {
  return f == D3DFMT_D16_LOCKABLE || f == D3DFMT_D32 || f == D3DFMT_D15S1 || f == D3DFMT_D24S8 ||
         f == D3DFMT_D24X8 || f == D3DFMT_D24X4S4 || f == D3DFMT_D16;
}
}  // namespace

HRESULT IDirect3D9::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                      D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) {
  if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
  if (usage & D3DUSAGE_DEPTHSTENCIL) return IsDepthFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
  if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING))
    return checkFormat == D3DFMT_X8R8G8B8 || checkFormat == D3DFMT_A8R8G8B8 ? D3D_OK : D3DERR_NOTAVAILABLE;
  if (resourceType == D3DRTYPE_TEXTURE || resourceType == D3DRTYPE_SURFACE) {
    if (!nvd3d::IsTextureFormatSupported(checkFormat)) return D3DERR_NOTAVAILABLE;
    if ((usage & D3DUSAGE_AUTOGENMIPMAP) && nvd3d::IsCompressed(checkFormat)) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
  }
  return D3DERR_NOTAVAILABLE;
}

HRESULT IDirect3D9::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT surfaceFormat,
                                               BOOL windowed, D3DMULTISAMPLE_TYPE ms, DWORD* qualityLevels) {
  if (adapter != 0 || type != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
  int maxSamples = nvd3d::QueryGlInfo().maxSamples;
  if (g_limits.maxSamples >= 0) maxSamples = std::min(maxSamples, g_limits.maxSamples);
  bool ok = ms == D3DMULTISAMPLE_NONE ||
            ((ms == D3DMULTISAMPLE_2_SAMPLES || ms == D3DMULTISAMPLE_4_SAMPLES) && maxSamples >= static_cast<int>(ms));
  if (qualityLevels) *qualityLevels = ok ? 1 : 0;
  return ok ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT IDirect3D9::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                           D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) {
  return IsDepthFormat(depthStencilFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT IDirect3D9::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
  if (adapter != 0 || !caps) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  const nvd3d::GlInfo& info = nvd3d::QueryGlInfo();
  std::memset(caps, 0, sizeof(*caps));
  caps->DeviceType = D3DDEVTYPE_HAL;
  caps->PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
  caps->DevCaps = D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TLVERTEXVIDEOMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                  D3DDEVCAPS_TEXTUREVIDEOMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_DRAWPRIMITIVES2 |
                  D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
  caps->PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                            D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_TSSARGTEMP | D3DPMISCCAPS_BLENDOP;
  caps->RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_MIPMAPLODBIAS |
                     D3DPRASTERCAPS_ANISOTROPY | D3DPRASTERCAPS_SCISSORTEST;
  caps->ZCmpCaps = caps->AlphaCmpCaps = 0xFF;
  caps->SrcBlendCaps = caps->DestBlendCaps = D3DPBLENDCAPS_ALL;
  caps->ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
  caps->TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_PROJECTED |
                      D3DPTEXTURECAPS_MIPMAP;
  caps->TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                            D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  caps->TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP |
                             D3DPTADDRESSCAPS_BORDER;
  caps->MaxTextureWidth = caps->MaxTextureHeight = static_cast<DWORD>(info.maxTextureSize);
  if (g_limits.maxTextureSize) caps->MaxTextureWidth = caps->MaxTextureHeight = g_limits.maxTextureSize;
  caps->MaxTextureRepeat = 8192;
  caps->MaxTextureAspectRatio = static_cast<DWORD>(info.maxTextureSize);
  caps->MaxAnisotropy = 16;
  caps->MaxVertexW = 1e10f;
  caps->GuardBandLeft = caps->GuardBandTop = -32768.0f;
  caps->GuardBandRight = caps->GuardBandBottom = 32767.0f;
  caps->FVFCaps = 8;
  caps->TextureOpCaps = 0x03FFFFFF & ~(0x00200000u | 0x00400000u);  // every operation but bump-env mapping
  caps->MaxTextureBlendStages = kD3DMaxTextureStages;
  caps->MaxSimultaneousTextures = kD3DMaxTextureStages;
  caps->VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_MATERIALSOURCE7 | D3DVTXPCAPS_DIRECTIONALLIGHTS |
                               D3DVTXPCAPS_POSITIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
  caps->MaxActiveLights = kD3DMaxLights;
  caps->MaxPointSize = 64.0f;
  caps->MaxPrimitiveCount = 0xFFFFF;
  caps->MaxVertexIndex = 0xFFFFFF;
  caps->MaxStreams = IDirect3DDevice9::Impl::kStreams;
  caps->MaxStreamStride = 255;
  caps->VertexShaderVersion = g_limits.vertexShaderVersion ? g_limits.vertexShaderVersion : D3DVS_VERSION(2, 0);
  caps->MaxVertexShaderConst = nvd3d::kMaxVsConstants;
  caps->PixelShaderVersion = 0;
  caps->NumberOfAdaptersInGroup = 1;
  caps->NumSimultaneousRTs = 1;
  return D3D_OK;
}

HRESULT IDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                                 D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) {
  if (!device) return D3DERR_INVALIDCALL;
  *device = nullptr;
  if (adapter != 0 || !params) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  DWORD processing = behaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                      D3DCREATE_MIXED_VERTEXPROCESSING);
  if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
      processing != D3DCREATE_MIXED_VERTEXPROCESSING)
    return D3DERR_INVALIDCALL;
  if (behaviorFlags & g_limits.refusedBehaviorFlags) return D3DERR_NOTAVAILABLE;
  auto* impl = new IDirect3DDevice9::Impl();
  // A device for a native window draws on it directly.
  HWND window = params->hDeviceWindow ? params->hDeviceWindow : focusWindow;
  const unsigned long native = window ? window->NativeWindowId() : 0;
  impl->context = nvd3d::CreateGlContext(native);
  if (impl->context && nvd3d::HasWindowSurface(impl->context)) impl->nativeWindow = window;
  if (!impl->context) {
    delete impl;
    return D3DERR_NOTAVAILABLE;
  }
  impl->creation.AdapterOrdinal = adapter;
  impl->creation.DeviceType = type;
  impl->creation.hFocusWindow = focusWindow;
  impl->creation.BehaviorFlags = behaviorFlags;
  auto* dev = new IDirect3DDevice9(this, impl);
  HRESULT hr = dev->Reset(params);
  if (FAILED(hr)) {
    dev->Release();
    return hr;
  }
  *device = dev;
  return D3D_OK;
}

UINT IDirect3DDevice9::GetAvailableTextureMem() {
  long pages = sysconf(_SC_PHYS_PAGES);
  long pageSize = sysconf(_SC_PAGE_SIZE);
  unsigned long long bytes = pages > 0 && pageSize > 0 ? static_cast<unsigned long long>(pages) * pageSize / 2 : 0;
  bytes = std::min<unsigned long long>(bytes, 0xFFF00000ull);
  if (bytes == 0) bytes = 256ull << 20;
  return static_cast<UINT>(bytes & ~0xFFFFFull);
}
