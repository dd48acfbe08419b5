#include "Scene3D.h"

#include <cstdlib>

#include "NumberFormat.h"
#include "UiDefs.h"

CScene3D::CScene3D() {
  m_pDeviceCaps = new D3DCAPS9{};
  m_pAdapterIdentifier = new D3DADAPTER_IDENTIFIER9{};
  m_errorText.Empty();
}

CScene3D::~CScene3D() {
  delete m_pDeviceCaps;
  delete m_pAdapterIdentifier;
  m_pDeviceCaps = nullptr;
  m_pAdapterIdentifier = nullptr;
}

void CScene3D::TraceCode(int code) {
  // The trail has room for its 200 entries only: once they are all counted,
  // further codes (and, after recording stopped, the uncounted one that
  // would follow a full trail) are dropped.
  if (m_traceCount < 0 || m_traceCount >= kTraceCapacity) return;
  m_traceCodes[m_traceCount] = code;
  if (m_traceEnabled) ++m_traceCount;
}

void CScene3D::BeginFrameTrail() {
  if (m_traceEnabled && m_savedTraceCount != 0) m_traceCount = 0;
}

void CScene3D::FinishFrameTrail() {
  if (m_savedTraceCount == 0) {
    for (int i = 0; i < m_traceCount && i < kTraceCapacity; ++i) m_savedTraceCodes[i] = m_traceCodes[i];
    m_savedTraceCount = m_traceCount;
  }
  for (int i = 0; i < m_traceCount && i < kTraceCapacity; ++i)
    if (std::abs(static_cast<long long>(m_traceCodes[i])) > kTraceEndOfFrame) m_traceEnabled = false;
}

D3DMULTISAMPLE_TYPE CScene3D::AcceptedMultiSampleType() {
  if (m_antialiasing == 4 && !m_multisample4Accepted) m_antialiasing = 2;
  if (m_antialiasing == 2 && !m_multisample2Accepted) m_antialiasing = 0;
  if (m_antialiasing == 2) return D3DMULTISAMPLE_2_SAMPLES;
  if (m_antialiasing == 4) return D3DMULTISAMPLE_4_SAMPLES;
  return D3DMULTISAMPLE_NONE;
}

bool CScene3D::FillPresentParameters(int width, int height, D3DPRESENT_PARAMETERS& out) {
  if (!m_pD3D) return false;
  D3DDISPLAYMODE mode{};
  if (FAILED(m_pD3D->GetAdapterDisplayMode(0, &mode))) return false;
  out.BackBufferFormat = mode.Format;
  out.BackBufferWidth = width != 0 ? static_cast<UINT>(width) : mode.Width;
  out.BackBufferHeight = height != 0 ? static_cast<UINT>(height) : mode.Height;
  out.BackBufferCount = 1;
  out.MultiSampleType = AcceptedMultiSampleType();
  out.MultiSampleQuality = 0;
  out.SwapEffect = D3DSWAPEFFECT_DISCARD;
  out.hDeviceWindow = nullptr;
  out.Windowed = TRUE;
  out.EnableAutoDepthStencil = TRUE;
  out.AutoDepthStencilFormat = static_cast<D3DFORMAT>(m_depthStencilFormat);
  out.Flags = 0;
  out.FullScreen_RefreshRateInHz = 0;
  out.PresentationInterval = m_presentInterval;
  return true;
}

void CScene3D::RefuseUnusableDeviceOptions(D3DFORMAT displayFormat) {
  m_refusedDeviceOptions.Empty();
  // A hand-edited or damaged settings file must not stop every later start:
  // a depth format or presentation interval the adapter cannot give is
  // replaced by its default, and the user is told which value was dropped.
  constexpr int kDefaultDepthStencilFormat = 80;  // 16-bit depth, offered everywhere
  if (FAILED(m_pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, displayFormat, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                       static_cast<D3DFORMAT>(m_depthStencilFormat)))) {
    m_refusedDeviceOptions += FormatC("Back Buffer=%i\n", m_depthStencilFormat);
    m_depthStencilFormat = kDefaultDepthStencilFormat;
  }
  // The default interval is always offered; any other must be one interval
  // the adapter lists, not a combination.
  const uint32_t interval = m_presentInterval;
  const bool singleInterval = interval != 0 && (interval & (interval - 1)) == 0;
  if (interval != D3DPRESENT_INTERVAL_DEFAULT &&
      !(singleInterval && (m_pDeviceCaps->PresentationIntervals & interval) != 0)) {
    m_refusedDeviceOptions += FormatC("Interval=%i\n", static_cast<int32_t>(interval));
    m_presentInterval = D3DPRESENT_INTERVAL_DEFAULT;
  }
}

bool CScene3D::CreateDevice(HWND window, int width, int height) {
  TraceCode(kTraceCreateDevice);
  m_pD3D = Direct3DCreate9(D3D_SDK_VERSION);
  if (!m_pD3D) {
    AfxLoadString(IDS_NO_DIRECT3D, m_errorText);
    return false;
  }

  m_pD3D->GetAdapterIdentifier(0, 0, m_pAdapterIdentifier);
  m_pD3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, m_pDeviceCaps);
  D3DDISPLAYMODE mode{};
  m_pD3D->GetAdapterDisplayMode(0, &mode);
  RefuseUnusableDeviceOptions(mode.Format);

  D3DPRESENT_PARAMETERS pp{};
  if (!FillPresentParameters(width, height, pp)) {
    AfxLoadString(IDS_DISPLAY_MODE_ERROR, m_errorText);
    return false;
  }

  if (FAILED(m_pD3D->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, mode.Format, TRUE, D3DMULTISAMPLE_2_SAMPLES,
                                                nullptr)))
    m_multisample2Accepted = false;
  if (FAILED(m_pD3D->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, mode.Format, TRUE, D3DMULTISAMPLE_4_SAMPLES,
                                                nullptr)))
    m_multisample4Accepted = false;
  pp.MultiSampleType = AcceptedMultiSampleType();

  m_rgbTextureAccepted =
      SUCCEEDED(m_pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, D3DFMT_R8G8B8));
  m_argbTextureAccepted =
      SUCCEEDED(m_pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8));
  if (m_mipMapping && FAILED(m_pD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, mode.Format, D3DUSAGE_AUTOGENMIPMAP,
                                                       D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8)))
    m_mipMapping = false;

  constexpr DWORD kSoftware = D3DCREATE_FPU_PRESERVE | D3DCREATE_SOFTWARE_VERTEXPROCESSING;
  constexpr DWORD kMixed = D3DCREATE_FPU_PRESERVE | D3DCREATE_MIXED_VERTEXPROCESSING;
  constexpr DWORD kHardware = D3DCREATE_FPU_PRESERVE | D3DCREATE_HARDWARE_VERTEXPROCESSING;
  HRESULT result = D3DERR_INVALIDCALL;
  const DWORD shaderVersion = m_pDeviceCaps->VertexShaderVersion & 0xFFFFu;
  if (shaderVersion > 0x0100u) {
    // An option outside 0..2 (a hand-edited settings file) asks for software
    // processing, the one mode every adapter offers.
    const DWORD flags = m_vertexProcessing == 1 ? kMixed : m_vertexProcessing == 2 ? kHardware : kSoftware;
    result = m_pD3D->CreateDevice(0, D3DDEVTYPE_HAL, window, flags, &pp, &m_pd3dDevice);
    if (FAILED(result)) {
      m_vertexProcessing = 0;
      pp = D3DPRESENT_PARAMETERS{};
      FillPresentParameters(width, height, pp);
      result = m_pD3D->CreateDevice(0, D3DDEVTYPE_HAL, window, kSoftware, &pp, &m_pd3dDevice);
    } else if (m_vertexProcessing > 2) {
      m_vertexProcessing = 0;
    }
  } else {
    result = m_pD3D->CreateDevice(0, D3DDEVTYPE_HAL, window, kSoftware, &pp, &m_pd3dDevice);
    if (SUCCEEDED(result)) m_vertexProcessing = 0;
  }

  if (FAILED(result)) {
    m_pd3dDevice = nullptr;
    TraceCode(result);
    AfxLoadString(IDS_CREATE_DEVICE_FAILED, m_errorText);
    return false;
  }
  TraceCode(m_vertexProcessing);
  return true;
}
