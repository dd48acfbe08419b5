// EGL contexts for the drawing devices: surfaceless where the driver offers it
// (Mesa), so no display server is needed; every device draws into its own
// framebuffer object.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <atomic>
#include <mutex>

#include "DeviceImpl.h"

namespace nvd3d {
namespace {

EGLDisplay g_display = EGL_NO_DISPLAY;
bool g_displayTried = false;
std::mutex g_displayMutex;
thread_local void* t_current = nullptr;
std::atomic<UINT> g_displayWidth{1920}, g_displayHeight{1080};

EGLDisplay Display() {
  std::lock_guard<std::mutex> lock(g_displayMutex);
  if (g_displayTried) return g_display;
  g_displayTried = true;
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  EGLDisplay display = EGL_NO_DISPLAY;
  if (getPlatformDisplay) display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLint major = 0, minor = 0;
  if (display != EGL_NO_DISPLAY && !eglInitialize(display, &major, &minor)) display = EGL_NO_DISPLAY;
  if (display == EGL_NO_DISPLAY) {
    display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (display != EGL_NO_DISPLAY && !eglInitialize(display, &major, &minor)) display = EGL_NO_DISPLAY;
  }
  g_display = display;
  return g_display;
}

}  // namespace

void* CreateGlContext() {
  EGLDisplay display = Display();
  if (display == EGL_NO_DISPLAY) return nullptr;
  if (!eglBindAPI(EGL_OPENGL_API)) return nullptr;
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                               EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
  EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
  if (context == EGL_NO_CONTEXT) {
    // Drivers without configless contexts: take any OpenGL-capable config.
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(display, configAttributes, &config, 1, &count) && count > 0)
      context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
  }
  if (context == EGL_NO_CONTEXT) return nullptr;
  if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
    eglDestroyContext(display, context);
    return nullptr;
  }
  t_current = context;
  return context;
}

void DestroyGlContext(void* context) {
  if (!context) return;
  EGLDisplay display = Display();
  if (t_current == context) {
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    t_current = nullptr;
  }
  eglDestroyContext(display, static_cast<EGLContext>(context));
}

bool MakeContextCurrent(void* context, bool verify) {
  if (!context) return false;
  // Another EGL user on this thread (a toolkit) may have switched contexts
  // since our last call; checking costs a lock, so only frame boundaries do.
  if (t_current == context && (!verify || eglGetCurrentContext() == static_cast<EGLContext>(context))) return true;
  if (!eglMakeCurrent(Display(), EGL_NO_SURFACE, EGL_NO_SURFACE, static_cast<EGLContext>(context))) return false;
  t_current = context;
  return true;
}

bool HaveGlContext() { return t_current != nullptr; }

const GlInfo& QueryGlInfo() {
  static GlInfo info;
  static std::once_flag once;
  std::call_once(once, [] {
    void* previous = t_current;
    void* context = CreateGlContext();
    if (!context) return;
    auto text = [](GLenum name) {
      const GLubyte* s = glGetString(name);
      return s ? std::string(reinterpret_cast<const char*>(s)) : std::string();
    };
    info.renderer = text(GL_RENDERER);
    info.vendor = text(GL_VENDOR);
    info.version = text(GL_VERSION);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &info.maxTextureSize);
    glGetIntegerv(GL_MAX_SAMPLES, &info.maxSamples);
    info.ok = true;
    DestroyGlContext(context);
    if (previous) MakeContextCurrent(previous);
  });
  return info;
}

void GetDisplaySize(UINT& width, UINT& height) {
  width = g_displayWidth;
  height = g_displayHeight;
}

}  // namespace nvd3d

void SetDisplayModeForLayer(UINT width, UINT height) {
  if (width > 0 && height > 0) {
    nvd3d::g_displayWidth = width;
    nvd3d::g_displayHeight = height;
  }
}
