#pragma once
// The abstract 3D-scene base of the main view: the Direct3D object and the
// one device of the program, the adapter's capabilities and identity, and the
// result trail of Direct3D steps. The view implements the four scene
// operations that the frame loop calls.
#include <cstdint>

#include "CString.h"
#include "SceneDeviceOptions.h"
#include "d3d9.h"

// Entries of the result trail.
constexpr int kTraceCapacity = 200;

// Markers of the result trail: the step that begins.
constexpr int kTraceLoadPlaneShader = 10002;
constexpr int kTraceLoadLensShader = 10003;
constexpr int kTraceLoadTubeShader = 10004;
constexpr int kTraceLoadDiscShader = 10005;
constexpr int kTraceLoadRingsShader = 10006;
constexpr int kTraceInitObjects = 10007;
constexpr int kTraceSyncBodies = 10008;
constexpr int kTraceSkyScene = 10009;
constexpr int kTraceNormalMap = 10012;
constexpr int kTraceCreateDevice = 10100;
constexpr int kTraceBumpStage1 = 10200;
constexpr int kTraceBumpStage2 = 10201;
constexpr int kTraceBumpStage3 = 10202;
constexpr int kTraceEndOfFrame = 15000;

// Texts of a failed device creation (string table).
constexpr unsigned IDS_NO_DIRECT3D = 301;
constexpr unsigned IDS_DISPLAY_MODE_ERROR = 302;
constexpr unsigned IDS_CREATE_DEVICE_FAILED = 303;

class CScene3D : public virtual CSceneDeviceOptions {
 public:
  CScene3D();
  // Frees the capability records; the device and the Direct3D object are the
  // view's to release (after its scene resources).
  virtual ~CScene3D();
  CScene3D(const CScene3D&) = delete;
  CScene3D& operator=(const CScene3D&) = delete;

  // ---- Scene operations, implemented by the view ------------------------------
  // Creates the fonts, textures and buffers that live until the next reset.
  virtual bool InitObjects() = 0;
  // (Re)sizes the device and the size-dependent objects.
  virtual bool ResetObjects(int width, int height) = 0;
  // The per-frame update (frame time in seconds).
  virtual void FrameMove(float frameTimeSeconds) = 0;
  // Draws one frame.
  virtual bool Render() = 0;

  // ---- Device --------------------------------------------------------------------
  // Creates the Direct3D object and the device for the window's client area.
  // On failure m_errorText holds the text to show.
  bool CreateDevice(HWND window, int width, int height);
  // Presentation parameters for a back buffer of width x height (0: the
  // display's size). The caller zeroes `out` first. False without a
  // Direct3D object or when the display mode cannot be read.
  bool FillPresentParameters(int width, int height, D3DPRESENT_PARAMETERS& out);
  // Replaces a depth-stencil format or presentation interval the adapter
  // cannot give by its default; m_refusedDeviceOptions then lists the
  // dropped values, one "key=value" line each, as the settings file had them.
  void RefuseUnusableDeviceOptions(D3DFORMAT displayFormat);

  // ---- Result trail -----------------------------------------------------------------
  // Appends a marker or a device result to the trail of the current frame.
  // Once recording has stopped, codes land in the slot after the frozen
  // entries without being counted; a full trail drops them.
  void TraceCode(int code);
  // End of a drawn frame: keeps the first frame's trail and stops recording
  // for good after a frame whose trail holds a failure (beyond +-15000).
  void FinishFrameTrail();
  // Start of a frame's update: a new trail once the first one is kept.
  void BeginFrameTrail();

  // ---- Members ------------------------------------------------------------------------
  // m_antialiasing, m_depthStencilFormat, m_presentInterval, m_mipMapping
  // and m_vertexProcessing come from CSceneDeviceOptions.
  bool m_multisample4Accepted = true;
  bool m_multisample2Accepted = true;
  D3DCAPS9* m_pDeviceCaps = nullptr;                    // owned
  D3DADAPTER_IDENTIFIER9* m_pAdapterIdentifier = nullptr;  // owned
  IDirect3D9* m_pD3D = nullptr;
  IDirect3DDevice9* m_pd3dDevice = nullptr;
  bool m_rgbTextureAccepted = false;
  bool m_argbTextureAccepted = false;
  CString m_errorText;
  // Settings-file values the last device creation could not use (see above).
  CString m_refusedDeviceOptions;
  int32_t m_traceCodes[kTraceCapacity] = {};
  int32_t m_savedTraceCodes[kTraceCapacity] = {};
  int32_t m_traceCount = 0;
  int32_t m_savedTraceCount = 0;
  bool m_traceEnabled = true;

 private:
  // The multisample type for the wish, lowered to what the adapter accepts
  // (4 to 2 to 0); the wish itself is lowered with it.
  D3DMULTISAMPLE_TYPE AcceptedMultiSampleType();
};
