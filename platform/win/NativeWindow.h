#pragma once
// The window handle shared by the application layer and the drawing layer.
// A windowed drawing device renders off screen and either shows each presented
// frame on the window's native surface or hands it to the window, which shows
// it; the application layer's windows implement
// this interface and their handle is a pointer to it.

class CNativeWindow {
 public:
  virtual ~CNativeWindow() = default;
  // Size of the drawable client area in pixels.
  virtual void GetClientSize(int& width, int& height) const = 0;
  // Receives one presented frame: 32-bit BGRA pixels, top row first, `stride`
  // bytes a row. The data is only valid during the call.
  virtual void PresentFrame(const unsigned char* bgra, int width, int height, int stride) = 0;
  // The X11 window id of the client area when the drawing layer may draw on
  // it directly (0: frames come through PresentFrame). Asking may turn the
  // area into a window of its own.
  virtual unsigned long NativeWindowId() { return 0; }
  // A frame was shown directly on the native window.
  virtual void FramePresentedNatively() {}
};

using HWND = CNativeWindow*;

// Set by the drawing layer while it draws on native windows; the window
// layer calls it just before it destroys one, so nothing draws on a window
// that is gone.
inline void (*g_nativeWindowGoing)(unsigned long window) = nullptr;
