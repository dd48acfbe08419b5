#pragma once
// Movie capture: records the view's presented frames into an AVI file.
//
// The capture rectangle is in view coordinates: frames come from the drawing
// device's copy of our own last presented frame (whose origin is the view's
// top-left corner), not from the desktop, so other windows never appear in a
// movie.
#include <cstdint>
#include <vector>

#include "AviFile.h"

class IDirect3DDevice9;
class IDirect3DSurface9;

class CVideoCapture {
 public:
  virtual ~CVideoCapture() = default;
  virtual bool Open(const char* name, int left, int top, int right, int bottom, float framesPerSecond) = 0;
  virtual bool Close() = 0;
  virtual bool AddFrame() = 0;
  virtual void* GetUserData() = 0;
  virtual int GetRight() = 0;
  virtual int GetBottom() = 0;
  virtual float GetFrameRate() = 0;
};

class CAviCapture : public CVideoCapture {
 public:
  CAviCapture();
  ~CAviCapture() override;
  // Creates the movie after the user chose the compression; false (with a
  // message, except for Cancel) when it cannot start. A failed start leaves
  // no file behind.
  bool Open(const char* name, int left, int top, int right, int bottom, float framesPerSecond) override;
  // Completes the file (its counts and indexes) and closes it.
  bool Close() override;
  // Appends the last presented frame of the device held as user data. A
  // failed write tells the user once and closes the movie, so what was
  // recorded stays readable; then false.
  bool AddFrame() override;
  void* GetUserData() override { return m_userData; }
  void SetUserData(void* device) { m_userData = device; }
  int GetRight() override { return m_right; }
  int GetBottom() override { return m_bottom; }
  float GetFrameRate() override { return m_framesPerSecond; }
  bool IsOpen() const { return m_open != 0; }
  int GetFrameIndex() const { return m_frameIndex; }
  // Size at which the movie starts a new RIFF part (tests make it small).
  void SetSplitSize(uint64_t bytes) { m_splitSize = bytes; }

 private:
  void Release();

  void* m_userData = nullptr;
  int m_right = -1, m_bottom = -1, m_left = -1, m_top = -1;
  float m_framesPerSecond = 30.0f;
  int m_frameIndex = 0;
  int m_open = 0;
  PAVIFILE m_file = nullptr;
  PAVISTREAM m_stream = nullptr;
  PAVISTREAM m_compressedStream = nullptr;
  uint64_t m_splitSize = 0;
  IDirect3DSurface9* m_surface = nullptr;
  std::vector<uint8_t> m_frame;
};

// The capture rectangle of a view of that client size: the view less 2
// pixels a side, its left and top edges moved in until width and height are
// multiples of 8.
RECT MovieCaptureRectangle(int clientWidth, int clientHeight);

// The first "<folder>/video<i>.avi" (i from 1) and "Screenshot<i>.bmp" (i from
// 0) names that no file has; numbering goes on past 999 so no earlier file is
// ever replaced.
class CString;
CString NextFreeNumberedName(const char* pattern, int first);
