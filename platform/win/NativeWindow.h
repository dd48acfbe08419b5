#pragma once
// The window handle shared by the application layer and the drawing layer.
// A windowed drawing device renders off screen and hands each presented frame
// to its window, which shows it; the application layer's windows implement
// this interface and their handle is a pointer to it.

class CNativeWindow {
 public:
  virtual ~CNativeWindow() = default;
  // Size of the drawable client area in pixels.
  virtual void GetClientSize(int& width, int& height) const = 0;
  // Receives one presented frame: 32-bit BGRA pixels, top row first, `stride`
  // bytes a row. The data is only valid during the call.
  virtual void PresentFrame(const unsigned char* bgra, int width, int height, int stride) = 0;
};

using HWND = CNativeWindow*;
