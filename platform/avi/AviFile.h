#pragma once
// An AVI movie writer shaped like the AVIFile calls the movie capture makes:
// open a file, create one video stream, make it "compressed" with the options
// the user chose, set its bitmap format, write frames, release. We write the
// RIFF file ourselves: frames stay uncompressed 24-bit bottom-up DIBs
// ("Full frames") or become Motion-JPEG frames (libjpeg); every frame is a
// key frame. The file has a legacy index, OpenDML indexes and, past the split
// size (1 GB by default), further 'AVIX' parts so long recordings stay
// readable. The counts in the headers are completed when the file is released.
#include <cstddef>
#include <cstdint>

#include "NativeWindow.h"
#include "WinTypes.h"

using HRESULT = LONG;
using ULONG = uint32_t;
#ifndef AVIERR_OK
constexpr HRESULT AVIERR_OK = 0;
#endif
constexpr HRESULT AVIERR_BADPARAM = static_cast<HRESULT>(0x80044066L);
constexpr HRESULT AVIERR_FILEOPEN = static_cast<HRESULT>(0x80044068L);
constexpr HRESULT AVIERR_FILEWRITE = static_cast<HRESULT>(0x80044067L);
constexpr HRESULT AVIERR_BADFORMAT = static_cast<HRESULT>(0x80044065L);
constexpr HRESULT AVIERR_NOCOMPRESSOR = static_cast<HRESULT>(0x80044071L);

constexpr UINT OF_WRITE = 0x0001;
constexpr UINT OF_CREATE = 0x1000;
constexpr DWORD AVIIF_KEYFRAME = 0x00000010;

constexpr DWORD mmioFOURCC(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<uint8_t>(a)) | (static_cast<DWORD>(static_cast<uint8_t>(b)) << 8) |
         (static_cast<DWORD>(static_cast<uint8_t>(c)) << 16) | (static_cast<DWORD>(static_cast<uint8_t>(d)) << 24);
}
constexpr DWORD streamtypeVIDEO = mmioFOURCC('v', 'i', 'd', 's');
// Handlers the save-options dialog offers.
constexpr DWORD kAviHandlerFullFrames = mmioFOURCC('D', 'I', 'B', ' ');
constexpr DWORD kAviHandlerMotionJpeg = mmioFOURCC('M', 'J', 'P', 'G');

struct AVISTREAMINFO {
  DWORD fccType = 0;
  DWORD fccHandler = 0;
  DWORD dwScale = 1;
  DWORD dwRate = 25;
  DWORD dwSuggestedBufferSize = 0;
  RECT rcFrame{};
};

struct AVICOMPRESSOPTIONS {
  DWORD fccType = streamtypeVIDEO;
  DWORD fccHandler = kAviHandlerFullFrames;
  DWORD dwQuality = 75;  // Motion JPEG quality, 1-100
};

struct AviFileState;
struct AviStreamState;
using PAVIFILE = AviFileState*;
using PAVISTREAM = AviStreamState*;

void AVIFileInit();
void AVIFileExit();
// Our writer counts as a version above the one the capture requires.
DWORD VideoForWindowsVersion();

// Creates (replacing) the file; mode must include OF_CREATE | OF_WRITE.
HRESULT AVIFileOpen(PAVIFILE* file, const char* name, UINT mode, void* handler = nullptr);
// Size at which a new RIFF part begins (tests force small parts).
void AVIFileSetSplitSize(PAVIFILE file, uint64_t bytes);
HRESULT AVIFileCreateStream(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFO* info);
HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, const AVICOMPRESSOPTIONS* options,
                                void* handler = nullptr);
// format: a 40-byte bitmap header (24 bits, no compression).
HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG position, const void* format, LONG formatSize);
// One sample: a bottom-up 24-bit DIB of the format's size, rows padded to 4 bytes.
HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, const void* data, LONG bytes, DWORD flags,
                       LONG* samplesWritten, LONG* bytesWritten);
// Releasing the last reference of the file (streams hold one each) completes it.
ULONG AVIStreamRelease(PAVISTREAM stream);
ULONG AVIFileRelease(PAVIFILE file);

// The save-options dialog ("Full frames (uncompressed)" or "Motion JPEG" and a
// quality): TRUE when the user chose, FALSE for Cancel. Lives in nvavi_ui.
BOOL AVISaveOptions(HWND owner, UINT flags, int streams, PAVISTREAM* streamList, AVICOMPRESSOPTIONS** options);
