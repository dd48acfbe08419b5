// The view's device: first creation, resets (start-up, resize, lost device,
// new 3D settings) and the camera projection.
#include "Nuvarine2View.h"
#include "Resource.h"

void CNuvarine2View::OnInitialUpdate() {
  CView::OnInitialUpdate();
  int width = 0, height = 0;
  GetClientSize(width, height);

  // The layer reports the screen as the adapter's display mode.
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  if (screenWidth > 0 && screenHeight > 0)
    SetDisplayModeForLayer(static_cast<UINT>(screenWidth), static_cast<UINT>(screenHeight));

  if (!CreateDevice(GetSafeHwnd(), width, height)) {
    m_sceneReady = FALSE;
    HideLoadingDialogs();
    MessageBox(m_errorText.c_str(), "create() - Failed", MB_OK);
    OnSystemDiagnostic();
    return;
  }
  if (!m_refusedDeviceOptions.IsEmpty()) {
    // The defaults are used now and written back at exit in place of the
    // refused values.
    HideLoadingDialogs();
    const CString text = "These 3D settings of the settings file cannot be used with this display and were "
                         "replaced by their defaults:\n\n" +
                         m_refusedDeviceOptions + "\nOther values can be chosen in the 3D configuration.";
    MessageBox(text.c_str(), "Nuvarine 2.0", MB_OK | MB_ICONEXCLAMATION);
  }
  if (!ResetObjects(width, height)) {
    m_sceneReady = FALSE;
    HideLoadingDialogs();
    MessageBox("resize() - Failed", "CView", MB_OK);
    OnSystemDiagnostic();
    return;
  }
  m_deviceReady = TRUE;
}

bool CNuvarine2View::HasDevice() const { return m_pd3dDevice != nullptr; }

void CNuvarine2View::OnSize(UINT type, int cx, int cy) {
  CView::OnSize(type, cx, cy);
  ResetObjects(cx, cy);
}

bool CNuvarine2View::ResetObjects(int width, int height) {
  if (!m_pd3dDevice) return false;
  if (m_frameCounter > 10) {
    ShowLoadingMessage(2, IDS_INITIALIZING_3D, "");
    m_loadingWindow = 2;
  }
  if (height > 0) UpdateProjection(static_cast<float>(width) / static_cast<float>(height), 0.0f, 0.0f);

  m_videoConfigValid = false;
  D3DPRESENT_PARAMETERS pp{};
  bool reset = FillPresentParameters(width, height, pp);
  if (reset) {
    ReleaseSceneResources();
    const HRESULT result = m_pd3dDevice->Reset(&pp);
    reset = SUCCEEDED(result);
    if (reset) TraceCode(result);
  }
  // Whatever happened, the scene objects are gone or unusable with the
  // device as it is: no frame may draw with them until the objects are made
  // again after a successful reset.
  m_sceneReady = FALSE;
  if (!reset) {
    HideLoadingDialogs();
    MessageBox("Video config error\r\nTry another parameters", "Nuvarine 2.0", MB_OK);
    OnConfiguration();
    return false;
  }

  LoadVertexShaders();

  m_availableTextureMemory = m_pd3dDevice->GetAvailableTextureMem();
  IDirect3DSurface9* backBuffer = nullptr;
  if (SUCCEEDED(m_pd3dDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer)) && backBuffer) {
    backBuffer->GetDesc(&m_backBufferSurfaceDesc);
    backBuffer->Release();
  }
  m_backBufferWidthPixels = m_backBufferSurfaceDesc.Width;
  m_backBufferHeightPixels = m_backBufferSurfaceDesc.Height;
  m_backBufferWidth = static_cast<float>(m_backBufferWidthPixels);
  m_backBufferHeight = static_cast<float>(m_backBufferHeightPixels);
  m_halfBackBufferWidth = m_backBufferWidth * 0.5f;
  m_halfBackBufferHeight = m_backBufferHeight * 0.5f;

  m_frameCounter = 0;
  m_videoConfigValid = true;
  return true;
}

void CNuvarine2View::UpdateProjection(float aspect, float nearPlane, float farPlane) {
  if (!m_pd3dDevice) return;
  if (aspect == 0.0f) {
    int width = 0, height = 0;
    GetClientSize(width, height);
    // A client area without height has no aspect: the current one stays.
    aspect = height > 0 ? static_cast<float>(width) / static_cast<float>(height) : m_camera.m_aspect;
  }
  if (nearPlane == 0.0f && farPlane == 0.0f) {
    nearPlane = 1e-5f;
    farPlane = 2.3f;
  }
  // A negative field of view turns the chart by 180 degrees.
  const float fov = m_fieldOfView * (m_planetariumMode && m_chartInverted ? -1.0f : 1.0f);
  m_camera.SetProjectionParameters(fov, aspect, nearPlane, farPlane);
}
