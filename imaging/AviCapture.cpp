#include "AviCapture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "CString.h"
#include "UiDefs.h"
#include "d3d9.h"

CString NextFreeNumberedName(const char* pattern, int first) {
  for (int i = first;; ++i) {
    char name[4096];
    std::snprintf(name, sizeof name, pattern, i);
    FILE* f = std::fopen(name, "rb");
    if (!f) return CString(name);
    std::fclose(f);
  }
}

RECT MovieCaptureRectangle(int clientWidth, int clientHeight) {
  RECT r{2, 2, clientWidth - 2, clientHeight - 2};
  while (r.right > r.left && (r.right - r.left) % 8) ++r.left;
  while (r.bottom > r.top && (r.bottom - r.top) % 8) ++r.top;
  return r;
}

CAviCapture::CAviCapture() { AVIFileInit(); }

CAviCapture::~CAviCapture() {
  Release();
  AVIFileExit();
}

void CAviCapture::Release() {
  if (m_compressedStream) AVIStreamRelease(m_compressedStream);
  if (m_stream) AVIStreamRelease(m_stream);
  if (m_file) AVIFileRelease(m_file);
  m_compressedStream = m_stream = nullptr;
  m_file = nullptr;
  if (m_surface) m_surface->Release();
  m_surface = nullptr;
}

bool CAviCapture::Open(const char* name, int left, int top, int right, int bottom, float framesPerSecond) {
  if (m_open) return false;
  m_left = left, m_top = top, m_right = right, m_bottom = bottom;
  m_framesPerSecond = framesPerSecond;
  const int width = right - left, height = bottom - top;
  if (VideoForWindowsVersion() <= 0x0109FFFF || width <= 0 || height <= 0) return false;
  if (AVIFileOpen(&m_file, name, OF_WRITE | OF_CREATE) != AVIERR_OK) {
    MessageBox(nullptr, "Impossible to create avi file for capture.\n", "Error", MB_OK);
    return false;
  }
  if (m_splitSize) AVIFileSetSplitSize(m_file, m_splitSize);
  auto fail = [&](const char* message) {
    Release();
    std::remove(name);
    if (message) MessageBox(nullptr, message, "Error", MB_OK);
    return false;
  };
  const uint32_t frameBytes = static_cast<uint32_t>(((width * 3 + 3) & ~3) * height);
  AVISTREAMINFO info;
  info.fccType = streamtypeVIDEO;
  info.fccHandler = 0;
  info.dwScale = 1;
  info.dwRate = static_cast<DWORD>(std::floor(framesPerSecond + 0.5f));
  info.dwSuggestedBufferSize = frameBytes;
  info.rcFrame = RECT{0, 0, width, height};
  if (AVIFileCreateStream(m_file, &m_stream, &info) != AVIERR_OK) return fail("Error about AVI stream.\n");
  AVICOMPRESSOPTIONS options;
  AVICOMPRESSOPTIONS* optionList[1] = {&options};
  if (!AVISaveOptions(nullptr, 0, 1, &m_stream, optionList)) return fail(nullptr);
  if (AVIMakeCompressedStream(&m_compressedStream, m_stream, &options) != AVIERR_OK)
    return fail("Error about compressed AVI stream.\n");
  uint8_t header[40] = {};
  auto put32 = [&](int at, uint32_t v) { std::memcpy(header + at, &v, 4); };
  put32(0, 40);
  put32(4, static_cast<uint32_t>(width));
  put32(8, static_cast<uint32_t>(height));
  header[12] = 1;
  header[14] = 24;
  put32(20, frameBytes);
  if (AVIStreamSetFormat(m_compressedStream, 0, header, sizeof header) != AVIERR_OK)
    return fail("AVIStreamSetFormat failed\n");
  m_frame.assign(frameBytes, 0);
  m_frameIndex = 0;
  m_open = 1;
  return true;
}

bool CAviCapture::Close() {
  m_open = 0;
  Release();
  return true;
}

bool CAviCapture::AddFrame() {
  if (!m_open) return false;
  const int width = m_right - m_left, height = m_bottom - m_top;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  auto* device = static_cast<IDirect3DDevice9*>(m_userData);
  bool ok = false;
  if (device) {
    if (!m_surface)
      device->CreateOffscreenPlainSurface(static_cast<UINT>(m_right), static_cast<UINT>(m_bottom), D3DFMT_A8R8G8B8,
                                          D3DPOOL_SYSTEMMEM, &m_surface, nullptr);
    D3DLOCKED_RECT locked;
    if (m_surface && SUCCEEDED(device->GetFrontBufferData(0, m_surface)) &&
        SUCCEEDED(m_surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
      // The surface holds rows from the top; the movie wants them from the bottom.
      for (int y = 0; y < height; ++y) {
        const uint8_t* in = static_cast<const uint8_t*>(locked.pBits) +
                            static_cast<size_t>(m_top + y) * locked.Pitch + static_cast<size_t>(m_left) * 4;
        uint8_t* out = m_frame.data() + static_cast<size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
          out[3 * x] = in[4 * x];
          out[3 * x + 1] = in[4 * x + 1];
          out[3 * x + 2] = in[4 * x + 2];
        }
      }
      m_surface->UnlockRect();
      ok = true;
    }
  }
  if (ok)
    ok = AVIStreamWrite(m_compressedStream, m_frameIndex, 1, m_frame.data(), static_cast<LONG>(m_frame.size()),
                        AVIIF_KEYFRAME, nullptr, nullptr) == AVIERR_OK;
  if (!ok) {
    // One message, then the movie is closed so the frames already written stay readable.
    MessageBox(nullptr, "AVIStreamWrite failed", "Error", MB_OK);
    Close();
    return false;
  }
  ++m_frameIndex;
  return true;
}
