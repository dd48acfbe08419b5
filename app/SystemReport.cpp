#include "SystemReport.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "NumberFormat.h"

namespace {

std::string Trim(std::string s) {
  const size_t a = s.find_first_not_of(" \t\"");
  const size_t b = s.find_last_not_of(" \t\"\r\n");
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

const char* YesNo(bool yes) { return yes ? "Yes\r\n" : "No\r\n"; }

}  // namespace

SystemFacts ReadSystemFacts(const std::string& cpuinfoPath, const std::string& osReleasePath) {
  SystemFacts facts;
  std::ifstream cpu(cpuinfoPath);
  for (std::string line; std::getline(cpu, line);) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, colon)), value = Trim(line.substr(colon + 1));
    if (key == "model name" && facts.processorType.empty()) facts.processorType = value;
    if (key == "vendor_id" && facts.processorVendor.empty()) facts.processorVendor = value;
    if (key == "cpu MHz" && facts.processorMhz == 0) facts.processorMhz = static_cast<int>(AtofC(value));
  }
  struct sysinfo info {};
  if (sysinfo(&info) == 0) facts.physicalMemory = static_cast<uint64_t>(info.totalram) * info.mem_unit;
  std::ifstream os(osReleasePath);
  for (std::string line; std::getline(os, line);)
    if (line.rfind("PRETTY_NAME=", 0) == 0) facts.osName = Trim(line.substr(12));
  struct utsname name {};
  if (uname(&name) == 0) facts.kernel = std::string(name.sysname) + " " + name.release + " " + name.machine;
  return facts;
}

std::string FormatTrace(const std::vector<int32_t>& trace) {
  std::string out;
  int onLine = 0;
  for (int32_t code : trace) {
    if (code >= 10000 && code <= 15000) {
      out += "\r\n";
      onLine = 0;
    }
    if (code < 0) out += FormatC("%s ", DXGetErrorString9A(code));
    else out += FormatC("%i ", code);
    if (++onLine > 6) {
      out += "\r\n";
      onLine = 0;
    }
  }
  return out;
}

std::string BuildSystemReport(const SystemReportInput& in) {
  static const D3DCAPS9 kNoCaps{};
  static const D3DADAPTER_IDENTIFIER9 kNoAdapter{};
  const D3DCAPS9& c = in.caps ? *in.caps : kNoCaps;
  const D3DADAPTER_IDENTIFIER9& a = in.adapter ? *in.adapter : kNoAdapter;
  const SystemFacts& f = in.facts;
  std::string r = FormatC("Nuvarine version %s\r\n\r\n\r\n", in.programVersion.c_str());
  r += "System\r\n------------------------\r\n";
  r += f.processorType + "  " + (f.processorMhz > 0 ? FormatC("%d MHz", f.processorMhz) : std::string()) + "\r\n" +
       f.processorVendor + "\r\n\r\n";
  r += FormatC("Physical memory : %7.0f", static_cast<double>(f.physicalMemory) / 1048576.0) + " MB\r\n\r\n";
  if (!f.osName.empty() || !f.kernel.empty()) r += "OS : " + f.osName + "  (" + f.kernel + ")";
  r += "\r\n\r\n\r\nVideo card\r\n------------------------\r\n";
  r += std::string(a.Description, strnlen(a.Description, sizeof a.Description));
  r += FormatC("\r\nRevision : %li", static_cast<long>(a.Revision));
  r += "\r\nDriver name : " + std::string(a.Driver, strnlen(a.Driver, sizeof a.Driver)) + "\r\n";
  r += FormatC("Driver version : %li\r\n", static_cast<long>(static_cast<uint32_t>(a.DriverVersion & 0xFFFFFFFF)));
  r += FormatC("Test : %3.0f\r\n", static_cast<double>(in.framesPerSecondMax));
  r += FormatC("Display mode : %u x %u\r\n\r\n", in.displayWidth, in.displayHeight);
  // The drawing layer runs on OpenGL: its version stands where DirectX's was.
  const std::string driver(a.Driver, strnlen(a.Driver, sizeof a.Driver));
  const std::string gl = driver.rfind("OpenGL ", 0) == 0 ? driver.substr(7) : std::string();
  r += gl.empty() ? "OpenGL not installed" : "OpenGL " + gl + " installed";
  r += "\r\n";
  r += FormatC("\r\nVideo memory available : %4.0f MB\r\n", in.availableTextureMemory / 1048576.0);
  auto lines = [&r](const char* header, std::initializer_list<std::pair<const char*, bool>> items) {
    r += header;
    for (const auto& item : items) r += std::string(item.first) + YesNo(item.second);
  };
  const DWORD pi = c.PresentationIntervals;
  lines("\r\nPresentation Intervals :\r\n", {{"  INTERVAL_IMMEDIATE\t", (pi & 0x80000000u) != 0},
                                             {"  INTERVAL_ONE\t\t", (pi & 1) != 0},
                                             {"  INTERVAL_TWO\t\t", (pi & 2) != 0},
                                             {"  INTERVAL_THREE\t\t", (pi & 4) != 0},
                                             {"  INTERVAL_FOUR\t\t", (pi & 8) != 0}});
  const DWORD dc = c.DevCaps;
  lines("\r\nCapabilities of the device :\r\n",
        {{"  PURE DEVICE\t\t", (dc & D3DDEVCAPS_PUREDEVICE) != 0},
         {"  HWTRANSFORMANDLIGHT\t", (dc & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0},
         {"  TEXTURENONLOCALVIDMEM\t", (dc & D3DDEVCAPS_TEXTURENONLOCALVIDMEM) != 0},
         {"  TEXTURESYSTEMMEMORY\t", (dc & D3DDEVCAPS_TEXTURESYSTEMMEMORY) != 0},
         {"  TEXTUREVIDEOMEMORY\t", (dc & D3DDEVCAPS_TEXTUREVIDEOMEMORY) != 0},
         {"  TLVERTEXSYSTEMMEMORY\t", (dc & D3DDEVCAPS_TLVERTEXSYSTEMMEMORY) != 0},
         {"  TLVERTEXVIDEOMEMORY\t", (dc & D3DDEVCAPS_TLVERTEXVIDEOMEMORY) != 0}});
  const DWORD rc = c.RasterCaps;
  lines("\r\nRaster Caps :\r\n", {{"  DITHER\t\t\t", (rc & D3DPRASTERCAPS_DITHER) != 0},
                                  {"  ANISOTROPY\t\t", (rc & D3DPRASTERCAPS_ANISOTROPY) != 0},
                                  {"  WBUFFER\t\t", (rc & D3DPRASTERCAPS_WBUFFER) != 0},
                                  {"  ZTEST\t\t\t", (rc & D3DPRASTERCAPS_ZTEST) != 0},
                                  {"  ZFOG\t\t\t", (rc & D3DPRASTERCAPS_ZFOG) != 0}});
  auto compare = [&lines](const char* header, DWORD bits) {
    lines(header, {{"  ALWAYS\t\t\t", (bits & D3DPCMPCAPS_ALWAYS) != 0},
                   {"  EQUAL\t\t\t", (bits & D3DPCMPCAPS_EQUAL) != 0},
                   {"  GREATER\t\t", (bits & D3DPCMPCAPS_GREATER) != 0},
                   {"  GREATEREQUAL\t\t", (bits & D3DPCMPCAPS_GREATEREQUAL) != 0},
                   {"  LESS\t\t\t", (bits & D3DPCMPCAPS_LESS) != 0},
                   {"  LESSEQUAL\t\t", (bits & D3DPCMPCAPS_LESSEQUAL) != 0},
                   {"  NEVER\t\t\t", (bits & D3DPCMPCAPS_NEVER) != 0}});
  };
  compare("\r\nZCmp caps :\r\n", c.ZCmpCaps);
  compare("\r\nAlpha caps :\r\n", c.AlphaCmpCaps);
  lines("\r\nAntialiasing caps :\r\n", {{"  2x\t\t\t", in.multisample2}, {"  4x\t\t\t", in.multisample4}});
  const DWORD op = c.TextureOpCaps;
  lines("\r\nTextures caps :\r\n", {{"  ALPHA\t\t\t", (c.TextureCaps & D3DPTEXTURECAPS_ALPHA) != 0},
                                    {"  MIPMAP\t\t\t", (c.TextureCaps & D3DPTEXTURECAPS_MIPMAP) != 0},
                                    {"  DOTPRODUCT3\t\t", (op & D3DTEXOPCAPS_DOTPRODUCT3) != 0},
                                    {"  ADD\t\t\t", (op & D3DTEXOPCAPS_ADD) != 0},
                                    {"  MODULATE\t\t", (op & D3DTEXOPCAPS_MODULATE) != 0},
                                    {"  SELECTARG1\t\t", (op & D3DTEXOPCAPS_SELECTARG1) != 0},
                                    {"  SELECTARG2\t\t", (op & D3DTEXOPCAPS_SELECTARG2) != 0},
                                    {"  TSSARGTEMP\t\t", (c.PrimitiveMiscCaps & D3DPMISCCAPS_TSSARGTEMP) != 0}});
  r += FormatC("\r\n  MaxTextBlendStages = %i\r\n", static_cast<int>(c.MaxTextureBlendStages));
  r += FormatC("  MAXSimulTextures = %i\r\n", static_cast<int>(c.MaxSimultaneousTextures));
  r += "\r\nShaders caps :\r\n  Vertex Shader version : \t";
  std::string version = "No\r\n";
  for (int i = 1; i <= 9 && version == "No\r\n"; ++i)
    for (int j = 0; j <= 9; ++j)
      if (c.VertexShaderVersion == D3DVS_VERSION(i, j)) {
        version = FormatC("%i.%i\r\n", i, j);
        break;
      }
  r += version;
  r += std::string("  Hardware v. processing\t") + YesNo((c.VertexProcessingCaps & 64) != 0);
  r += std::string("  Mixed v. processing\t") + YesNo((c.VertexProcessingCaps & 128) != 0);
  r += "\r\n\r\nFormat caps :\r\n";
  r += std::string("  R8G8B8\t\t\t") + YesNo(in.rgbTexture);
  r += std::string("  A8R8G8B8\t\t") + YesNo(in.argbTexture);
  r += "\r\n\r\nDebug results :\r\n" + FormatTrace(in.savedTrace) + "\r\n\r\n----\r\n" + FormatTrace(in.currentTrace);
  return r;
}
