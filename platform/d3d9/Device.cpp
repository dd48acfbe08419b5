// Device lifetime, render targets, reset, scene brackets, clear and presentation.
#include <algorithm>
#include <cstring>

#include "../win/NativeWindow.h"
#include "DeviceImpl.h"

IDirect3DDevice9::IDirect3DDevice9(IDirect3D9* d3d, Impl* impl) : m_d3d(d3d), m_impl(impl) {
  m_d3d->AddRef();
  impl->self = this;
}

IDirect3DDevice9::~IDirect3DDevice9() {
  if (m_impl->MakeCurrent()) {
    m_impl->DeleteGlObjects();
    m_impl->DestroyTargets();
  }
  nvd3d::DestroyGlContext(m_impl->context);
  delete m_impl;
  m_d3d->Release();
}

bool IDirect3DDevice9::Impl::MakeCurrent(bool verify) { return nvd3d::MakeContextCurrent(context, verify); }

void IDirect3DDevice9::Impl::DeleteGlObjects() {
  for (auto& entry : programs)
    if (entry.second->program) glDeleteProgram(entry.second->program);
  programs.clear();
  currentProgram = nullptr;
  if (vao) glDeleteVertexArrays(1, &vao);
  glDeleteSamplers(kD3DMaxTextureStages, samplers);
  if (upVbo) glDeleteBuffers(1, &upVbo);
  if (upIbo) glDeleteBuffers(1, &upIbo);
  if (constBuffer) glDeleteBuffers(1, &constBuffer);
  if (constBufferTexture) glDeleteTextures(1, &constBufferTexture);
  vao = upVbo = upIbo = constBuffer = constBufferTexture = 0;
  constBufferReady = false;
}

namespace {

GLenum DepthFormat(D3DFORMAT f) {
  switch (f) {
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
      return GL_DEPTH_COMPONENT16;
    case D3DFMT_D24X8:
    case D3DFMT_D32:
      return GL_DEPTH_COMPONENT24;
    case D3DFMT_D24S8:
    case D3DFMT_D24X4S4:
    case D3DFMT_D15S1:
      return GL_DEPTH24_STENCIL8;
    default:
      return 0;
  }
}

bool ValidInterval(UINT interval) {
  return interval == D3DPRESENT_INTERVAL_DEFAULT || interval == D3DPRESENT_INTERVAL_ONE ||
         interval == D3DPRESENT_INTERVAL_TWO || interval == D3DPRESENT_INTERVAL_THREE ||
         interval == D3DPRESENT_INTERVAL_FOUR || interval == D3DPRESENT_INTERVAL_IMMEDIATE;
}

}  // namespace

bool IDirect3DDevice9::Impl::CreateTargets(UINT w, UINT h, D3DMULTISAMPLE_TYPE ms, bool depth,
                                           D3DFORMAT depthFormat) {
  DestroyTargets();
  width = w;
  height = h;
  samples = (ms == D3DMULTISAMPLE_2_SAMPLES || ms == D3DMULTISAMPLE_4_SAMPLES) ? static_cast<int>(ms) : 0;
  // A native window with the depth (and stencil) asked for is drawn on
  // directly: no frame to copy when presenting.
  const bool stencil = depth && (depthFormat == D3DFMT_D24S8 || depthFormat == D3DFMT_D24X4S4 ||
                                 depthFormat == D3DFMT_D15S1);
  drawToWindow = nvd3d::HasWindowSurface(context) && !samples &&
                 nvd3d::WindowHasDepth(context, depth ? 16 : 0, stencil ? 8 : 0);
  if (drawToWindow) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    return glGetError() == GL_NO_ERROR;
  }
  GLenum depthInternal = depth ? DepthFormat(depthFormat) : 0;
  GLenum depthAttachment = depthInternal == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
  auto make = [&](GLuint& fb, GLuint& color, GLuint& depthRbo, int sampleCount) -> bool {
    glGenFramebuffers(1, &fb);
    glBindFramebuffer(GL_FRAMEBUFFER, fb);
    glGenRenderbuffers(1, &color);
    glBindRenderbuffer(GL_RENDERBUFFER, color);
    if (sampleCount)
      glRenderbufferStorageMultisample(GL_RENDERBUFFER, sampleCount, GL_RGBA8, static_cast<GLsizei>(w),
                                       static_cast<GLsizei>(h));
    else
      glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    if (depthInternal) {
      glGenRenderbuffers(1, &depthRbo);
      glBindRenderbuffer(GL_RENDERBUFFER, depthRbo);
      if (sampleCount)
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, sampleCount, depthInternal, static_cast<GLsizei>(w),
                                         static_cast<GLsizei>(h));
      else
        glRenderbufferStorage(GL_RENDERBUFFER, depthInternal, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, depthAttachment, GL_RENDERBUFFER, depthRbo);
    }
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  };
  GLuint unusedDepth = 0;
  if (!make(fbo, colorRb, samples ? unusedDepth : depthRb, 0)) return false;
  if (unusedDepth) glDeleteRenderbuffers(1, &unusedDepth);
  if (samples && !make(msFbo, msColorRb, msDepthRb, samples)) return false;
  glBindFramebuffer(GL_FRAMEBUFFER, samples ? msFbo : fbo);
  return glGetError() == GL_NO_ERROR;
}

void IDirect3DDevice9::Impl::DestroyTargets() {
  GLuint fbs[2] = {fbo, msFbo};
  GLuint rbs[4] = {colorRb, depthRb, msColorRb, msDepthRb};
  glDeleteFramebuffers(2, fbs);
  glDeleteRenderbuffers(4, rbs);
  fbo = msFbo = colorRb = depthRb = msColorRb = msDepthRb = 0;
}

void IDirect3DDevice9::Impl::ResolveTarget() {
  if (!samples) return;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, msFbo);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
  GLint w = static_cast<GLint>(width), h = static_cast<GLint>(height);
  glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, msFbo);
}

void IDirect3DDevice9::Impl::ReadFrame(std::vector<uint8_t>& bgra) {
  FlushBatch();
  ResolveTarget();
  bgra.resize(static_cast<size_t>(width) * height * 4);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, drawToWindow ? 0 : fbo);
  if (drawToWindow) glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_BGRA, GL_UNSIGNED_BYTE,
               bgra.data());
  if (drawToWindow) {
    // The window's rows run bottom first.
    const size_t row = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> swap(row);
    for (UINT y = 0; y < height / 2; ++y) {
      uint8_t* a = bgra.data() + y * row;
      uint8_t* b = bgra.data() + (height - 1 - y) * row;
      std::memcpy(swap.data(), a, row);
      std::memcpy(a, b, row);
      std::memcpy(b, swap.data(), row);
    }
  }
  glBindFramebuffer(GL_FRAMEBUFFER, DrawTarget());
  if (pp.BackBufferFormat != D3DFMT_A8R8G8B8)
    for (size_t i = 3; i < bgra.size(); i += 4) bgra[i] = 255;
}

HRESULT IDirect3DDevice9::Reset(D3DPRESENT_PARAMETERS* params) {
  Impl& d = *m_impl;
  if (!params || !d.MakeCurrent(true)) return D3DERR_INVALIDCALL;
  D3DPRESENT_PARAMETERS p = *params;
  if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = D3DFMT_X8R8G8B8;
  if (p.BackBufferFormat != D3DFMT_X8R8G8B8 && p.BackBufferFormat != D3DFMT_A8R8G8B8) return D3DERR_INVALIDCALL;
  if (p.MultiSampleType == D3DMULTISAMPLE_NONMASKABLE) p.MultiSampleType = D3DMULTISAMPLE_NONE;
  if (p.MultiSampleType != D3DMULTISAMPLE_NONE && p.MultiSampleType != D3DMULTISAMPLE_2_SAMPLES &&
      p.MultiSampleType != D3DMULTISAMPLE_4_SAMPLES)
    return D3DERR_INVALIDCALL;
  if (p.MultiSampleType != D3DMULTISAMPLE_NONE &&
      m_d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, p.BackBufferFormat, TRUE, p.MultiSampleType, nullptr) !=
          D3D_OK)
    return D3DERR_INVALIDCALL;
  if (p.EnableAutoDepthStencil && !DepthFormat(p.AutoDepthStencilFormat)) return D3DERR_INVALIDCALL;
  if (!ValidInterval(p.PresentationInterval)) return D3DERR_INVALIDCALL;
  if (p.BackBufferCount > 3) return D3DERR_INVALIDCALL;
  if (p.BackBufferCount == 0) p.BackBufferCount = 1;
  HWND window = p.hDeviceWindow ? p.hDeviceWindow : d.creation.hFocusWindow;
  if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) {
    int w = 0, h = 0;
    if (window) window->GetClientSize(w, h);
    UINT dw = 0, dh = 0;
    nvd3d::GetDisplaySize(dw, dh);
    if (p.BackBufferWidth == 0) p.BackBufferWidth = w > 0 ? static_cast<UINT>(w) : dw;
    if (p.BackBufferHeight == 0) p.BackBufferHeight = h > 0 ? static_cast<UINT>(h) : dh;
  }
  int maxSize = nvd3d::QueryGlInfo().maxTextureSize;
  if (p.BackBufferWidth > static_cast<UINT>(maxSize) || p.BackBufferHeight > static_cast<UINT>(maxSize))
    return D3DERR_INVALIDCALL;
  d.FlushBatch();
  if (!d.vao) {
    glGenVertexArrays(1, &d.vao);
    glBindVertexArray(d.vao);
    glGenSamplers(kD3DMaxTextureStages, d.samplers);
    for (unsigned i = 0; i < kD3DMaxTextureStages; ++i) glBindSampler(i, d.samplers[i]);
    glGenBuffers(1, &d.upVbo);
    glGenBuffers(1, &d.upIbo);
    glGenBuffers(1, &d.constBuffer);
    glGenTextures(1, &d.constBufferTexture);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
  }
  if (!d.CreateTargets(p.BackBufferWidth, p.BackBufferHeight, p.MultiSampleType, p.EnableAutoDepthStencil != 0,
                       p.AutoDepthStencilFormat)) {
    d.lost = true;
    return D3DERR_INVALIDCALL;
  }
  // Programs take the target's orientation with the viewport's uniforms.
  ++d.viewportSerial;
  d.rasterDirty = true;
  d.pp = p;
  *params = p;
  d.lost = false;
  d.inScene = false;
  d.SetDefaultStates();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::TestCooperativeLevel() { return m_impl->lost ? D3DERR_DEVICENOTRESET : D3D_OK; }

HRESULT IDirect3DDevice9::GetDirect3D(IDirect3D9** d3d) {
  if (!d3d) return D3DERR_INVALIDCALL;
  m_d3d->AddRef();
  *d3d = m_d3d;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetDeviceCaps(D3DCAPS9* caps) { return m_d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, caps); }

HRESULT IDirect3DDevice9::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
  if (swapChain != 0) return D3DERR_INVALIDCALL;
  return m_d3d->GetAdapterDisplayMode(0, mode);
}

HRESULT IDirect3DDevice9::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* params) {
  if (!params) return D3DERR_INVALIDCALL;
  *params = m_impl->creation;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::BeginScene() {
  if (m_impl->inScene) return D3DERR_INVALIDCALL;
  m_impl->MakeCurrent(true);
  m_impl->inScene = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::EndScene() {
  if (!m_impl->inScene) return D3DERR_INVALIDCALL;
  m_impl->inScene = false;
  if (m_impl->MakeCurrent()) m_impl->FlushBatch();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                                DWORD stencil) {
  Impl& d = *m_impl;
  if ((count && !rects) || !d.MakeCurrent(true)) return D3DERR_INVALIDCALL;
  if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !d.pp.EnableAutoDepthStencil) return D3DERR_INVALIDCALL;
  d.FlushBatch();
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    mask |= GL_COLOR_BUFFER_BIT;
    glClearColor(((color >> 16) & 255) / 255.0f, ((color >> 8) & 255) / 255.0f, (color & 255) / 255.0f,
                 ((color >> 24) & 255) / 255.0f);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    mask |= GL_DEPTH_BUFFER_BIT;
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glDepthMask(GL_TRUE);
  }
  if (flags & D3DCLEAR_STENCIL) {
    mask |= GL_STENCIL_BUFFER_BIT;
    glClearStencil(static_cast<GLint>(stencil));
    glStencilMask(0xFF);
  }
  if (!mask) return D3D_OK;
  glEnable(GL_SCISSOR_TEST);
  const D3DVIEWPORT9& vp = d.viewport;
  auto clearRect = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
    x1 = std::max<LONG>(x1, static_cast<LONG>(vp.X));
    y1 = std::max<LONG>(y1, static_cast<LONG>(vp.Y));
    x2 = std::min<LONG>(x2, static_cast<LONG>(vp.X + vp.Width));
    y2 = std::min<LONG>(y2, static_cast<LONG>(vp.Y + vp.Height));
    if (x2 <= x1 || y2 <= y1) return;
    // Off screen rows are stored top first; a window's run bottom first.
    glScissor(x1, d.drawToWindow ? static_cast<LONG>(d.height) - y2 : y1, x2 - x1, y2 - y1);
    glClear(mask);
  };
  if (count == 0)
    clearRect(0, 0, static_cast<LONG>(d.width), static_cast<LONG>(d.height));
  else
    for (DWORD i = 0; i < count; ++i) clearRect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
  glDisable(GL_SCISSOR_TEST);
  d.rasterDirty = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                                  const RGNDATA* dirtyRegion) {
  Impl& d = *m_impl;
  if (!d.MakeCurrent(true)) return D3DERR_DEVICELOST;
  if (d.inScene) return D3DERR_INVALIDCALL;
  HWND window = destWindowOverride ? destWindowOverride
                : d.pp.hDeviceWindow ? d.pp.hDeviceWindow
                                     : d.creation.hFocusWindow;
  int surfaceWidth = 0, surfaceHeight = 0;
  // A copy asked for is read before the swap: afterwards the window's
  // buffers no longer hold the frame.
  const bool keep = d.keepNextFrame;
  if (window == d.nativeWindow && d.drawToWindow) {
    // The frame is already on the window's back buffer.
    d.FlushBatch();
    if (keep) d.ReadFrame(d.frontBuffer);
    const int interval = d.pp.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1;
    if (!nvd3d::SwapWindowBuffers(d.context, interval)) return D3DERR_DEVICELOST;
    d.KeptFrame(keep, Impl::Front::kNone);
    window->FramePresentedNatively();
    return D3D_OK;
  }
  if (window == d.nativeWindow && nvd3d::WindowSurfaceSize(d.context, surfaceWidth, surfaceHeight)) {
    // The frame goes to the window on the GPU side: the target's rows are
    // stored top first, the window's bottom first, so the copy flips them.
    d.FlushBatch();
    if (keep)
      d.ReadFrame(d.frontBuffer);  // resolves the samples too
    else
      d.ResolveTarget();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, d.fbo);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    const bool sameSize = static_cast<UINT>(surfaceWidth) == d.width && static_cast<UINT>(surfaceHeight) == d.height;
    glBlitFramebuffer(0, 0, static_cast<GLint>(d.width), static_cast<GLint>(d.height), 0, surfaceHeight,
                      surfaceWidth, 0, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    const int interval = d.pp.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1;
    const bool shown = nvd3d::SwapWindowBuffers(d.context, interval);
    glBindFramebuffer(GL_FRAMEBUFFER, d.DrawTarget());
    if (!shown) return D3DERR_DEVICELOST;
    d.KeptFrame(keep, Impl::Front::kTarget);
    window->FramePresentedNatively();
    return D3D_OK;
  }
  d.ReadFrame(d.frontBuffer);
  d.KeptFrame(true, Impl::Front::kCopy);
  if (window)
    window->PresentFrame(d.frontBuffer.data(), static_cast<int>(d.frontWidth), static_cast<int>(d.frontHeight),
                         static_cast<int>(d.frontWidth * 4));
  return D3D_OK;
}

void IDirect3DDevice9::Impl::KeptFrame(bool kept, Front otherwise) {
  keepNextFrame = false;
  front = kept ? Front::kCopy : otherwise;
  if (kept) {
    frontWidth = width;
    frontHeight = height;
  }
}

void IDirect3DDevice9::KeepNextPresentedFrameForLayer() { m_impl->keepNextFrame = true; }

HRESULT IDirect3DDevice9::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                        IDirect3DSurface9** surface) {
  if (!surface || swapChain != 0 || index >= m_impl->pp.BackBufferCount) return D3DERR_INVALIDCALL;
  *surface = new IDirect3DSurface9(this, nullptr, 0, m_impl->width, m_impl->height, m_impl->pp.BackBufferFormat,
                                   D3DPOOL_DEFAULT, true);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetFrontBufferData(UINT swapChain, IDirect3DSurface9* dest) {
  if (swapChain != 0 || !dest) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc;
  dest->GetDesc(&desc);
  if (desc.Format != D3DFMT_A8R8G8B8) return D3DERR_INVALIDCALL;
  if (m_impl->front == Impl::Front::kTarget && m_impl->MakeCurrent()) {
    m_impl->ReadFrame(m_impl->frontBuffer);
    m_impl->frontWidth = m_impl->width;
    m_impl->frontHeight = m_impl->height;
    m_impl->front = Impl::Front::kCopy;
  }
  // The frame went to a window that cannot give it back.
  if (m_impl->front != Impl::Front::kCopy) return D3DERR_INVALIDCALL;
  D3DLOCKED_RECT locked;
  if (FAILED(dest->LockRect(&locked, nullptr, 0))) return D3DERR_INVALIDCALL;
  const Impl& d = *m_impl;
  for (UINT y = 0; y < desc.Height; ++y) {
    auto* row = static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
    std::memset(row, 0, static_cast<size_t>(desc.Width) * 4);
    if (y < d.frontHeight) {
      for (UINT x = 0; x < desc.Width; ++x) row[x * 4 + 3] = 255;
      UINT n = std::min(desc.Width, d.frontWidth);
      std::memcpy(row, d.frontBuffer.data() + static_cast<size_t>(y) * d.frontWidth * 4, static_cast<size_t>(n) * 4);
    }
  }
  dest->UnlockRect();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* dest) {
  if (!renderTarget || !dest) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC src, dst;
  renderTarget->GetDesc(&src);
  dest->GetDesc(&dst);
  if (src.Width != dst.Width || src.Height != dst.Height) return D3DERR_INVALIDCALL;
  D3DLOCKED_RECT a, b;
  if (FAILED(renderTarget->LockRect(&a, nullptr, D3DLOCK_READONLY))) return D3DERR_INVALIDCALL;
  if (FAILED(dest->LockRect(&b, nullptr, 0))) {
    renderTarget->UnlockRect();
    return D3DERR_INVALIDCALL;
  }
  for (UINT y = 0; y < src.Height; ++y)
    std::memcpy(static_cast<uint8_t*>(b.pBits) + static_cast<size_t>(y) * b.Pitch,
                static_cast<uint8_t*>(a.pBits) + static_cast<size_t>(y) * a.Pitch, static_cast<size_t>(src.Width) * 4);
  dest->UnlockRect();
  renderTarget->UnlockRect();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
  if (index != 0) {
    if (surface) *surface = nullptr;
    return D3DERR_NOTFOUND;
  }
  return GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, surface);
}
