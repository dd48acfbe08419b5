#pragma once
// The device options of the 3D scene that the settings file keeps. The scene
// base creates and resets the device with them and the settings read and
// write them; both derive virtually from this class, so the main view, which
// derives from both, holds a single copy that each of them reaches by name.
#include <cstdint>

#include "WinTypes.h"

class CSceneDeviceOptions {
 public:
  // Multisample count asked for: 0, 2 or 4; lowered at device creation to
  // what the adapter accepts.
  BYTE m_antialiasing = 0;
  // Automatic depth-stencil format code (80 = 16-bit depth).
  int m_depthStencilFormat = 80;
  // Presentation interval code, handed to the device unchanged
  // (0 default, 0x80000000 immediate).
  uint32_t m_presentInterval = 0;
  // Automatic mipmap generation wanted; cleared when the adapter cannot.
  bool m_mipMapping = true;
  // 0 software, 1 mixed, 2 hardware vertex processing.
  BYTE m_vertexProcessing = 0;

 protected:
  CSceneDeviceOptions() = default;
  ~CSceneDeviceOptions() = default;
};
