// EGL contexts for the drawing devices: surfaceless where the driver offers it
// (Mesa), so no display server is needed; every device draws into its own
// framebuffer object. A device for a native X11 window gets a GLX context on
// that window instead, so presenting is a copy on the GPU side and a buffer
// swap instead of a read-back.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "../win/NativeWindow.h"
#include "DeviceImpl.h"

namespace nvd3d {
namespace {

EGLDisplay g_display = EGL_NO_DISPLAY;
bool g_displayTried = false;
std::mutex g_displayMutex;
thread_local GlContext* t_current = nullptr;
std::mutex g_xMutex;
bool g_xTried = false;
::Display* g_xDisplay = nullptr;
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

namespace {

const EGLint kCoreAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                                  EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};

// The X server named by DISPLAY, opened once for the window contexts.
::Display* XDisplay() {
  std::lock_guard<std::mutex> lock(g_xMutex);
  if (!g_xTried) {
    g_xTried = true;
    g_xDisplay = XOpenDisplay(nullptr);
  }
  return g_xDisplay;
}

// The live window contexts, for a window that goes away.
std::vector<GlContext*> g_windowContexts;

// Stops drawing on a window that is about to be destroyed: its contexts are
// made current without a drawable and no longer show anything.
void WindowGoing(unsigned long window) {
  for (GlContext* c : g_windowContexts) {
    if (reinterpret_cast<uintptr_t>(c->surface) != window) continue;
    auto* display = static_cast<::Display*>(c->display);
    if (t_current == c) glXMakeContextCurrent(display, None, None, static_cast<GLXContext>(c->context));
    c->surface = nullptr;
  }
}

using CreateContextAttribs = GLXContext (*)(::Display*, GLXFBConfig, GLXContext, Bool, const int*);
using SwapIntervalMesa = int (*)(unsigned);

// A GLX context drawing on the native X11 window, or null when the window,
// the X server or the driver cannot give one. GLX rather than EGL: Mesa's
// software rasteriser shows GLX frames through shared memory, several times
// faster than its EGL path on an X server.
GlContext* CreateWindowContext(unsigned long window) {
  ::Display* display = XDisplay();
  if (!display) return nullptr;
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes) || !attributes.visual) return nullptr;
  const VisualID visual = XVisualIDFromVisual(attributes.visual);
  const int configAttributes[] = {GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT,
                                  GLX_DOUBLEBUFFER,  True,           GLX_RED_SIZE,    8,
                                  GLX_GREEN_SIZE,    8,              GLX_BLUE_SIZE,   8,
                                  GLX_DEPTH_SIZE,    16,             None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(display, XScreenNumberOfScreen(attributes.screen), configAttributes, &count);
  if (!configs) return nullptr;
  // The window's own visual (a context on another one could not draw on
  // it), with a stencil when one is offered.
  GLXFBConfig chosen = nullptr;
  int chosenStencil = -1, chosenDepth = 0;
  for (int i = 0; i < count; ++i) {
    int id = 0, depth = 0, stencil = 0;
    if (glXGetFBConfigAttrib(display, configs[i], GLX_VISUAL_ID, &id) != Success ||
        static_cast<VisualID>(id) != visual)
      continue;
    glXGetFBConfigAttrib(display, configs[i], GLX_DEPTH_SIZE, &depth);
    glXGetFBConfigAttrib(display, configs[i], GLX_STENCIL_SIZE, &stencil);
    if (stencil > chosenStencil) chosen = configs[i], chosenStencil = stencil, chosenDepth = depth;
  }
  XFree(configs);
  auto createContext = reinterpret_cast<CreateContextAttribs>(
      glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCreateContextAttribsARB")));
  if (!chosen || !createContext) return nullptr;
  const int contextAttributes[] = {GLX_CONTEXT_MAJOR_VERSION_ARB, 3, GLX_CONTEXT_MINOR_VERSION_ARB, 3,
                                   GLX_CONTEXT_PROFILE_MASK_ARB, GLX_CONTEXT_CORE_PROFILE_BIT_ARB, None};
  // A refused context is an X error: caught here instead of ending the program.
  XSync(display, False);
  auto previousHandler = XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });
  GLXContext context = createContext(display, chosen, nullptr, True, contextAttributes);
  XSync(display, False);
  XSetErrorHandler(previousHandler);
  if (!context) return nullptr;
  if (!glXMakeCurrent(display, window, context)) {
    glXDestroyContext(display, context);
    return nullptr;
  }
  auto* record = new GlContext{display, context, reinterpret_cast<void*>(window)};
  record->glx = true;
  record->depthBits = chosenDepth;
  record->stencilBits = chosenStencil;
  g_windowContexts.push_back(record);
  g_nativeWindowGoing = &WindowGoing;
  t_current = record;
  return record;
}

}  // namespace

GlContext* CreateGlContext(unsigned long nativeWindow) {
  if (nativeWindow)
    if (GlContext* windowed = CreateWindowContext(nativeWindow)) return windowed;
  EGLDisplay display = Display();
  if (display == EGL_NO_DISPLAY) return nullptr;
  if (!eglBindAPI(EGL_OPENGL_API)) return nullptr;
  EGLContext context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, kCoreAttributes);
  if (context == EGL_NO_CONTEXT) {
    // Drivers without configless contexts: take any OpenGL-capable config.
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (eglChooseConfig(display, configAttributes, &config, 1, &count) && count > 0)
      context = eglCreateContext(display, config, EGL_NO_CONTEXT, kCoreAttributes);
  }
  if (context == EGL_NO_CONTEXT) return nullptr;
  if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
    eglDestroyContext(display, context);
    return nullptr;
  }
  auto* record = new GlContext{display, context, nullptr};
  t_current = record;
  return record;
}

void DestroyGlContext(GlContext* context) {
  if (!context) return;
  if (context->glx) {
    auto* display = static_cast<::Display*>(context->display);
    if (t_current == context) {
      glXMakeCurrent(display, None, nullptr);
      t_current = nullptr;
    }
    glXDestroyContext(display, static_cast<GLXContext>(context->context));
    XSync(display, False);
    g_windowContexts.erase(std::remove(g_windowContexts.begin(), g_windowContexts.end(), context),
                           g_windowContexts.end());
    delete context;
    return;
  }
  if (t_current == context) {
    eglMakeCurrent(context->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    t_current = nullptr;
  }
  eglDestroyContext(context->display, context->context);
  delete context;
}

bool MakeContextCurrent(GlContext* context, bool verify) {
  if (!context) return false;
  // Another GL user on this thread (a toolkit) may have switched contexts
  // since our last call; checking costs a lock, so only frame boundaries do.
  if (context->glx) {
    if (t_current == context && (!verify || glXGetCurrentContext() == context->context)) return true;
    const auto window = static_cast<GLXDrawable>(reinterpret_cast<uintptr_t>(context->surface));
    if (!glXMakeContextCurrent(static_cast<::Display*>(context->display), window, window,
                               static_cast<GLXContext>(context->context)))
      return false;
  } else {
    if (t_current == context && (!verify || eglGetCurrentContext() == context->context)) return true;
    if (!eglMakeCurrent(context->display, EGL_NO_SURFACE, EGL_NO_SURFACE, context->context)) return false;
  }
  t_current = context;
  return true;
}

bool HasWindowSurface(const GlContext* context) { return context && context->glx && context->surface; }

bool WindowHasDepth(const GlContext* context, int depthBits, int stencilBits) {
  return HasWindowSurface(context) && context->depthBits >= depthBits && context->stencilBits >= stencilBits;
}

bool SwapWindowBuffers(GlContext* context, int interval) {
  if (!HasWindowSurface(context)) return false;
  auto* display = static_cast<::Display*>(context->display);
  const auto window = static_cast<GLXDrawable>(reinterpret_cast<uintptr_t>(context->surface));
  if (context->interval != interval) {
    auto setInterval = reinterpret_cast<SwapIntervalMesa>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
    if (setInterval) setInterval(static_cast<unsigned>(interval));
    context->interval = interval;
  }
  glXSwapBuffers(display, window);
  return true;
}

bool WindowSurfaceSize(const GlContext* context, int& width, int& height) {
  if (!HasWindowSurface(context)) return false;
  unsigned w = 0, h = 0;
  auto* display = static_cast<::Display*>(context->display);
  const auto window = static_cast<GLXDrawable>(reinterpret_cast<uintptr_t>(context->surface));
  glXQueryDrawable(display, window, GLX_WIDTH, &w);
  glXQueryDrawable(display, window, GLX_HEIGHT, &h);
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return w > 0 && h > 0;
}

bool HaveGlContext() { return t_current != nullptr; }

const GlInfo& QueryGlInfo() {
  static GlInfo info;
  static std::once_flag once;
  std::call_once(once, [] {
    GlContext* previous = t_current;
    GlContext* context = CreateGlContext(0);
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
