// The system report: golden text from fixed facts, the trail's layout, and
// this machine's facts as the kernel and the system give them.
#include <gtest/gtest.h>
#include <sys/sysinfo.h>

#include <cstring>
#include <fstream>
#include <string>

#include "SystemReport.h"

namespace {

TEST(SystemReport, TrailsRunSevenEntriesALineAndNameFailures) {
  EXPECT_EQ(FormatTrace({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), "1 2 3 4 5 6 7 \r\n8 9 10 ");
  const std::string failing = FormatTrace({10100, 0, D3DERR_INVALIDCALL});
  EXPECT_EQ(failing, std::string("\r\n10100 0 ") + DXGetErrorString9A(D3DERR_INVALIDCALL) + " ");
  EXPECT_EQ(std::string(DXGetErrorString9A(D3DERR_INVALIDCALL)), "D3DERR_INVALIDCALL");
}

TEST(SystemReport, GoldenTextFromFixedFacts) {
  SystemReportInput in;
  in.programVersion = "2.0.0.1";
  in.facts.processorType = "Test CPU";
  in.facts.processorMhz = 2400;
  in.facts.processorVendor = "GenuineTest";
  in.facts.physicalMemory = 6ull * 1024 * 1024 * 1024;  // above 4 GB
  in.facts.osName = "Debian GNU/Linux 12 (bookworm)";
  in.facts.kernel = "Linux 6.1.0 x86_64";
  D3DADAPTER_IDENTIFIER9 adapter{};
  std::strcpy(adapter.Description, "llvmpipe (Mesa)");
  std::strcpy(adapter.Driver, "OpenGL 4.5 (Core Profile) Mesa 22.3.6");
  adapter.Revision = 3;
  D3DCAPS9 caps{};
  caps.PresentationIntervals = 0x80000001u;
  caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
  caps.MaxTextureBlendStages = 8;
  caps.MaxSimultaneousTextures = 8;
  in.caps = &caps;
  in.adapter = &adapter;
  in.displayWidth = 1280, in.displayHeight = 1024;
  in.framesPerSecondMax = 59.6f;
  in.availableTextureMemory = 512u * 1048576u;
  in.argbTexture = true;
  in.savedTrace = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  in.currentTrace = {10100, D3DERR_INVALIDCALL};
  const std::string r = BuildSystemReport(in);
  const std::string head =
      "Nuvarine version 2.0.0.1\r\n\r\n\r\nSystem\r\n------------------------\r\n"
      "Test CPU  2400 MHz\r\nGenuineTest\r\n\r\n"
      "Physical memory :    6144 MB\r\n\r\n"
      "OS : Debian GNU/Linux 12 (bookworm)  (Linux 6.1.0 x86_64)\r\n\r\n\r\n"
      "Video card\r\n------------------------\r\nllvmpipe (Mesa)\r\nRevision : 3\r\n"
      "Driver name : OpenGL 4.5 (Core Profile) Mesa 22.3.6\r\nDriver version : 0\r\nTest :  60\r\n"
      "Display mode : 1280 x 1024\r\n\r\n"
      "OpenGL 4.5 (Core Profile) Mesa 22.3.6 installed\r\n"
      "\r\nVideo memory available :  512 MB\r\n"
      "\r\nPresentation Intervals :\r\n  INTERVAL_IMMEDIATE\tYes\r\n  INTERVAL_ONE\t\tYes\r\n  INTERVAL_TWO\t\tNo\r\n"
      "  INTERVAL_THREE\t\tNo\r\n  INTERVAL_FOUR\t\tNo\r\n"
      "\r\nCapabilities of the device :\r\n  PURE DEVICE\t\tNo\r\n  HWTRANSFORMANDLIGHT\tYes\r\n";
  EXPECT_EQ(r.substr(0, head.size()), head);
  EXPECT_NE(r.find("\r\n  MaxTextBlendStages = 8\r\n  MAXSimulTextures = 8\r\n"), std::string::npos);
  EXPECT_NE(r.find("  Vertex Shader version : \t3.0\r\n"), std::string::npos);
  EXPECT_NE(r.find("  R8G8B8\t\t\tNo\r\n  A8R8G8B8\t\tYes\r\n"), std::string::npos);
  const std::string tail = "\r\n\r\nDebug results :\r\n1 2 3 4 5 6 7 \r\n8 9 10 \r\n\r\n----\r\n\r\n10100 D3DERR_INVALIDCALL ";
  ASSERT_GE(r.size(), tail.size());
  EXPECT_EQ(r.substr(r.size() - tail.size()), tail);
}

TEST(SystemReport, WithoutADeviceEveryCapabilityIsNo) {
  SystemReportInput in;
  const std::string r = BuildSystemReport(in);
  EXPECT_NE(r.find("OpenGL not installed"), std::string::npos);
  EXPECT_EQ(r.find("Yes"), std::string::npos);
  EXPECT_NE(r.find("  Vertex Shader version : \tNo\r\n"), std::string::npos);
}

TEST(SystemReport, ThisMachinesFactsComeFromTheKernel) {
  const SystemFacts f = ReadSystemFacts();
  std::ifstream cpu("/proc/cpuinfo");
  std::string line, model;
  while (std::getline(cpu, line))
    if (line.rfind("model name", 0) == 0 && model.empty()) model = line.substr(line.find(':') + 2);
  EXPECT_EQ(f.processorType, model);
  struct sysinfo info {};
  ASSERT_EQ(sysinfo(&info), 0);
  EXPECT_EQ(f.physicalMemory, static_cast<uint64_t>(info.totalram) * info.mem_unit);
  std::ifstream os("/etc/os-release");
  std::string pretty;
  while (std::getline(os, line))
    if (line.rfind("PRETTY_NAME=", 0) == 0) pretty = line.substr(13, line.size() - 14);
  EXPECT_EQ(f.osName, pretty);
  EXPECT_NE(f.kernel.find("Linux"), std::string::npos);
}

}  // namespace
