#pragma once
// The system report: the computer, the drawing adapter and its capabilities,
// and the drawing layer's result trail, as one text for the user to send us.
#include <cstdint>
#include <string>
#include <vector>

#include "d3d9.h"

// This machine's facts, read from the kernel and the system.
struct SystemFacts {
  std::string processorType;  // "model name" of the kernel's cpuinfo
  int processorMhz = 0;       // "cpu MHz"; 0 when unknown
  std::string processorVendor;
  uint64_t physicalMemory = 0;  // bytes
  std::string osName;           // PRETTY_NAME of os-release
  std::string kernel;           // uname: system, release, machine
};
SystemFacts ReadSystemFacts(const std::string& cpuinfoPath = "/proc/cpuinfo",
                            const std::string& osReleasePath = "/etc/os-release");

struct SystemReportInput {
  std::string programVersion;
  SystemFacts facts;
  const D3DCAPS9* caps = nullptr;                       // zeros when null
  const D3DADAPTER_IDENTIFIER9* adapter = nullptr;      // empty when null
  unsigned displayWidth = 0, displayHeight = 0;
  float framesPerSecondMax = 0.0f;
  unsigned availableTextureMemory = 0;  // bytes
  bool rgbTexture = false, argbTexture = false, multisample2 = false, multisample4 = false;
  std::vector<int32_t> savedTrace;
  std::vector<int32_t> currentTrace;
};

std::string BuildSystemReport(const SystemReportInput& in);
// One trail: markers (10000..15000) start a line, failures by name, seven entries a line.
std::string FormatTrace(const std::vector<int32_t>& trace);
