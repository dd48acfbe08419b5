// RIFF AVI writer: one video stream, uncompressed DIB or Motion-JPEG frames,
// a legacy 'idx1' index for the first part, OpenDML 'indx'/'ix00' indexes for
// every part and 'AVIX' parts past the split size.
#include "AviFile.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
// jpeglib.h needs size_t and FILE first.
#include <jpeglib.h>
#include <unistd.h>

namespace {

constexpr uint64_t kDefaultSplitSize = uint64_t{1} << 30;
constexpr int kSuperIndexEntries = 1024;
constexpr uint32_t kMaxChunk = 0x7FFFFFF0u;

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void Put64(std::vector<uint8_t>& v, uint64_t x) {
  Put32(v, static_cast<uint32_t>(x));
  Put32(v, static_cast<uint32_t>(x >> 32));
}
void Set32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

struct IndexEntry {
  uint64_t offset;  // of the chunk header in the file
  uint32_t size;    // of the chunk data
};

struct SuperEntry {
  uint64_t offset;
  uint32_t size;
  uint32_t duration;
};

// Motion-JPEG encoding of one bottom-up BGR frame into memory.
struct JpegError {
  jpeg_error_mgr manager;
  jmp_buf jump;
};
extern "C" void AviJpegErrorExit(j_common_ptr info) { longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
extern "C" void AviJpegQuiet(j_common_ptr) {}

bool EncodeMotionJpeg(const uint8_t* dib, int width, int height, int quality, unsigned char** out,
                      unsigned long* outSize, JSAMPLE* row) {
  jpeg_compress_struct info;
  JpegError err;
  std::memset(&info, 0, sizeof info);
  info.err = jpeg_std_error(&err.manager);
  err.manager.error_exit = AviJpegErrorExit;
  err.manager.output_message = AviJpegQuiet;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, out, outSize);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
  info.dct_method = JDCT_ISLOW;
  jpeg_start_compress(&info, TRUE);
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* in = dib + static_cast<size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      row[3 * x] = in[3 * x + 2];
      row[3 * x + 1] = in[3 * x + 1];
      row[3 * x + 2] = in[3 * x];
    }
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

struct AviFileState {
  FILE* file = nullptr;
  int refs = 1;
  bool failed = false;
  bool broken = false;  // the file can no longer be completed
  uint64_t splitSize = kDefaultSplitSize;
  AVISTREAMINFO info{};
  bool hasStream = false;
  bool hasFormat = false;
  bool motionJpeg = false;
  int quality = 75;
  int width = 0, height = 0;
  uint32_t frameBytes = 0;
  uint32_t maxChunk = 0;
  // Layout of the header, fixed when the format is set.
  size_t avihAt = 0, strhAt = 0, indxAt = 0, dmlhAt = 0;
  uint64_t riffStart = 0;       // offset of the current 'RIFF'
  uint64_t moviStart = 0;       // offset of the current 'LIST' 'movi'
  int part = 0;
  uint32_t firstPartFrames = 0;
  uint32_t frames = 0;
  std::vector<IndexEntry> partIndex;   // frames of the current part
  std::vector<IndexEntry> legacyIndex;  // frames of the first part
  std::vector<SuperEntry> superIndex;
  std::vector<uint8_t> header;
  std::vector<JSAMPLE> jpegRow;

  DWORD ChunkId() const { return motionJpeg ? mmioFOURCC('0', '0', 'd', 'c') : mmioFOURCC('0', '0', 'd', 'b'); }
  uint64_t Tell() const { return static_cast<uint64_t>(ftello(file)); }
  bool Write(const void* p, size_t n) {
    if (failed) return false;
    if (n && std::fwrite(p, 1, n, file) != n) failed = true;
    return !failed;
  }
  bool WriteAt(uint64_t at, const void* p, size_t n) {
    const uint64_t here = Tell();
    if (fseeko(file, static_cast<off_t>(at), SEEK_SET) != 0) return failed = true, false;
    Write(p, n);
    if (fseeko(file, static_cast<off_t>(here), SEEK_SET) != 0) failed = true;
    return !failed;
  }
  bool Patch32(uint64_t at, uint32_t x) {
    uint8_t b[4] = {static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x >> 16),
                    static_cast<uint8_t>(x >> 24)};
    return WriteAt(at, b, 4);
  }

  bool WriteHeader();
  bool BeginPart();
  bool EndPart(bool last);
  bool AddFrame(const uint8_t* data, uint32_t size);
  void Complete();
};

struct AviStreamState {
  AviFileState* file;
  int refs = 1;
};

bool AviFileState::WriteHeader() {
  std::vector<uint8_t>& h = header;
  h.clear();
  auto fourcc = [&](const char* s) { Put32(h, mmioFOURCC(s[0], s[1], s[2], s[3])); };
  fourcc("RIFF");
  Put32(h, 0);
  fourcc("AVI ");
  fourcc("LIST");
  const size_t hdrlSizeAt = h.size();
  Put32(h, 0);
  fourcc("hdrl");
  fourcc("avih");
  Put32(h, 56);
  avihAt = h.size();
  const uint32_t rate = info.dwRate ? info.dwRate : 25, scale = info.dwScale ? info.dwScale : 1;
  Put32(h, static_cast<uint32_t>(1000000.0 * scale / rate + 0.5));  // microseconds per frame
  Put32(h, static_cast<uint32_t>(std::min<uint64_t>(uint64_t{frameBytes} * rate / scale, 0xFFFFFFFFu)));
  Put32(h, 0);                       // padding granularity
  Put32(h, 0x10);                    // has index
  Put32(h, 0);                       // total frames (first part), at close
  Put32(h, 0);                       // initial frames
  Put32(h, 1);                       // streams
  Put32(h, frameBytes);              // suggested buffer size
  Put32(h, static_cast<uint32_t>(width));
  Put32(h, static_cast<uint32_t>(height));
  for (int i = 0; i < 4; ++i) Put32(h, 0);
  fourcc("LIST");
  const size_t strlSizeAt = h.size();
  Put32(h, 0);
  fourcc("strl");
  fourcc("strh");
  Put32(h, 56);
  strhAt = h.size();
  Put32(h, streamtypeVIDEO);
  Put32(h, motionJpeg ? kAviHandlerMotionJpeg : 0);
  Put32(h, 0);  // flags
  Put16(h, 0);  // priority
  Put16(h, 0);  // language
  Put32(h, 0);  // initial frames
  Put32(h, scale);
  Put32(h, rate);
  Put32(h, 0);           // start
  Put32(h, 0);           // length, at close
  Put32(h, frameBytes);  // suggested buffer size
  Put32(h, 0xFFFFFFFFu);  // quality: default
  Put32(h, 0);           // sample size: varies
  // The frame rectangle is the frame itself, wherever it was taken from.
  Put16(h, 0);
  Put16(h, 0);
  Put16(h, static_cast<uint32_t>(width));
  Put16(h, static_cast<uint32_t>(height));
  fourcc("strf");
  Put32(h, 40);
  Put32(h, 40);
  Put32(h, static_cast<uint32_t>(width));
  Put32(h, static_cast<uint32_t>(height));
  Put16(h, 1);
  Put16(h, 24);
  Put32(h, motionJpeg ? kAviHandlerMotionJpeg : 0);
  Put32(h, frameBytes);
  for (int i = 0; i < 4; ++i) Put32(h, 0);
  // OpenDML super index with room for every part.
  fourcc("indx");
  Put32(h, 24 + 16 * kSuperIndexEntries);
  indxAt = h.size();
  Put16(h, 4);
  h.push_back(0);
  h.push_back(0);  // index of indexes
  Put32(h, 0);     // entries in use, at close
  Put32(h, ChunkId());
  for (int i = 0; i < 3; ++i) Put32(h, 0);
  h.insert(h.end(), 16 * static_cast<size_t>(kSuperIndexEntries), 0);
  Set32(h, strlSizeAt, static_cast<uint32_t>(h.size() - strlSizeAt - 4));
  fourcc("LIST");
  Put32(h, 4 + 8 + 248);
  fourcc("odml");
  fourcc("dmlh");
  Put32(h, 248);
  dmlhAt = h.size();
  h.insert(h.end(), 248, 0);
  Set32(h, hdrlSizeAt, static_cast<uint32_t>(h.size() - hdrlSizeAt - 4));
  fourcc("LIST");
  Put32(h, 0);
  fourcc("movi");
  riffStart = 0;
  moviStart = h.size() - 12;
  return Write(h.data(), h.size());
}

bool AviFileState::BeginPart() {
  riffStart = Tell();
  std::vector<uint8_t> h;
  Put32(h, mmioFOURCC('R', 'I', 'F', 'F'));
  Put32(h, 0);
  Put32(h, mmioFOURCC('A', 'V', 'I', 'X'));
  Put32(h, mmioFOURCC('L', 'I', 'S', 'T'));
  Put32(h, 0);
  Put32(h, mmioFOURCC('m', 'o', 'v', 'i'));
  moviStart = riffStart + 12;
  ++part;
  return Write(h.data(), h.size());
}

// Closes the current part: its standard index inside 'movi', the legacy
// index after the first part's 'movi', and the sizes of both lists.
bool AviFileState::EndPart(bool last) {
  const uint64_t ixAt = Tell();
  std::vector<uint8_t> ix;
  Put32(ix, mmioFOURCC('i', 'x', '0', '0'));
  Put32(ix, static_cast<uint32_t>(24 + 8 * partIndex.size()));
  Put16(ix, 2);
  ix.push_back(0);
  ix.push_back(1);  // index of chunks
  Put32(ix, static_cast<uint32_t>(partIndex.size()));
  Put32(ix, ChunkId());
  const uint64_t base = partIndex.empty() ? 0 : partIndex.front().offset;
  Put64(ix, base);
  Put32(ix, 0);
  for (const IndexEntry& e : partIndex) {
    Put32(ix, static_cast<uint32_t>(e.offset + 8 - base));
    Put32(ix, e.size);  // key frame: bit 31 clear
  }
  Write(ix.data(), ix.size());
  if (superIndex.size() < kSuperIndexEntries)
    superIndex.push_back({ixAt, static_cast<uint32_t>(ix.size()), static_cast<uint32_t>(partIndex.size())});
  const uint64_t moviEnd = Tell();
  Patch32(moviStart + 4, static_cast<uint32_t>(moviEnd - moviStart - 8));
  if (part == 0) {
    firstPartFrames = static_cast<uint32_t>(partIndex.size());
    std::vector<uint8_t> idx;
    Put32(idx, mmioFOURCC('i', 'd', 'x', '1'));
    Put32(idx, static_cast<uint32_t>(16 * legacyIndex.size()));
    for (const IndexEntry& e : legacyIndex) {
      Put32(idx, ChunkId());
      Put32(idx, AVIIF_KEYFRAME);
      Put32(idx, static_cast<uint32_t>(e.offset - (moviStart + 8)));  // from the 'movi' tag
      Put32(idx, e.size);
    }
    Write(idx.data(), idx.size());
  }
  const uint64_t riffEnd = Tell();
  Patch32(riffStart + 4, static_cast<uint32_t>(riffEnd - riffStart - 8));
  partIndex.clear();
  (void)last;
  return !failed;
}

bool AviFileState::AddFrame(const uint8_t* data, uint32_t size) {
  const uint64_t chunkBytes = 8 + uint64_t{size} + (size & 1);
  // A new part when this frame, its index entries and the indexes would pass the split size.
  const uint64_t partBytes = Tell() - riffStart;
  const uint64_t indexReserve = 32 + 8 * (partIndex.size() + 1) + (part == 0 ? 8 + 16 * (legacyIndex.size() + 1) : 0);
  if (!partIndex.empty() && partBytes + chunkBytes + indexReserve > splitSize &&
      superIndex.size() + 1 < static_cast<size_t>(kSuperIndexEntries)) {
    if (!EndPart(false) || !BeginPart()) return false;
  }
  const uint64_t at = Tell();
  std::vector<uint8_t> head;
  Put32(head, ChunkId());
  Put32(head, size);
  Write(head.data(), head.size());
  Write(data, size);
  if (size & 1) Write("", 1);
  if (!failed) failed = std::fflush(file) != 0;
  if (failed) {
    // Cut the partial frame off so the space it took can hold the indexes,
    // and let the file be completed with the frames written so far.
    std::clearerr(file);
    if (fseeko(file, static_cast<off_t>(at), SEEK_SET) == 0 && ftruncate(fileno(file), static_cast<off_t>(at)) == 0)
      failed = false;
    else
      broken = true;
    return false;
  }
  partIndex.push_back({at, size});
  if (part == 0) legacyIndex.push_back({at, size});
  maxChunk = std::max(maxChunk, size);
  ++frames;
  return true;
}

void AviFileState::Complete() {
  if (!file) return;
  if (hasFormat && !broken) {
    failed = false;
    EndPart(true);
    const uint64_t headerBase = 0;
    Patch32(headerBase + avihAt + 16, part == 0 ? frames : firstPartFrames);
    Patch32(headerBase + avihAt + 28, std::max(maxChunk, frameBytes));
    Patch32(headerBase + strhAt + 32, frames);
    Patch32(headerBase + dmlhAt, frames);
    Patch32(headerBase + indxAt + 4, static_cast<uint32_t>(superIndex.size()));
    std::vector<uint8_t> entries;
    for (const SuperEntry& e : superIndex) {
      Put64(entries, e.offset);
      Put32(entries, e.size);
      Put32(entries, e.duration);
    }
    WriteAt(headerBase + indxAt + 24, entries.data(), entries.size());
  }
  std::fclose(file);
  file = nullptr;
}

// ---- The AVIFile-shaped calls ---------------------------------------------------

void AVIFileInit() {}
void AVIFileExit() {}
DWORD VideoForWindowsVersion() { return 0x010A0000; }

HRESULT AVIFileOpen(PAVIFILE* out, const char* name, UINT mode, void*) {
  if (!out) return AVIERR_BADPARAM;
  *out = nullptr;
  if (!name || !*name || (mode & (OF_CREATE | OF_WRITE)) != (OF_CREATE | OF_WRITE)) return AVIERR_BADPARAM;
  FILE* f = std::fopen(name, "wb");
  if (!f) return AVIERR_FILEOPEN;
  auto* s = new AviFileState;
  s->file = f;
  *out = s;
  return AVIERR_OK;
}

void AVIFileSetSplitSize(PAVIFILE file, uint64_t bytes) {
  if (file) file->splitSize = std::max<uint64_t>(bytes, 4096);
}

HRESULT AVIFileCreateStream(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFO* info) {
  if (!file || !stream || !info || file->hasStream || info->fccType != streamtypeVIDEO) return AVIERR_BADPARAM;
  file->info = *info;
  file->hasStream = true;
  ++file->refs;
  *stream = new AviStreamState{file};
  return AVIERR_OK;
}

HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, const AVICOMPRESSOPTIONS* options, void*) {
  if (!compressed || !source || !options) return AVIERR_BADPARAM;
  *compressed = nullptr;
  AviFileState* f = source->file;
  if (options->fccHandler == kAviHandlerMotionJpeg) {
    f->motionJpeg = true;
    f->quality = options->dwQuality ? static_cast<int>(std::min<DWORD>(options->dwQuality, 100)) : 75;
  } else if (options->fccHandler == kAviHandlerFullFrames || options->fccHandler == 0) {
    f->motionJpeg = false;
  } else {
    return AVIERR_NOCOMPRESSOR;
  }
  ++f->refs;
  *compressed = new AviStreamState{f};
  return AVIERR_OK;
}

HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG, const void* format, LONG size) {
  if (!stream || !format || size < 40) return AVIERR_BADPARAM;
  AviFileState* f = stream->file;
  if (f->hasFormat) return AVIERR_BADFORMAT;
  const auto* b = static_cast<const uint8_t*>(format);
  auto get32 = [&](int at) { return static_cast<int32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24)); };
  const int width = get32(4), height = get32(8), bits = b[14] | (b[15] << 8), compression = get32(16);
  if (width <= 0 || height <= 0 || width > 32768 || height > 32768 || bits != 24 || compression != 0)
    return AVIERR_BADFORMAT;
  const uint64_t frameBytes = ((static_cast<uint64_t>(width) * 3 + 3) & ~uint64_t{3}) * height;
  if (frameBytes > kMaxChunk) return AVIERR_BADFORMAT;
  f->width = width;
  f->height = height;
  f->frameBytes = static_cast<uint32_t>(frameBytes);
  if (!f->WriteHeader()) return AVIERR_FILEWRITE;
  f->hasFormat = true;
  return AVIERR_OK;
}

HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, const void* data, LONG bytes, DWORD,
                       LONG* samplesWritten, LONG* bytesWritten) {
  if (samplesWritten) *samplesWritten = 0;
  if (bytesWritten) *bytesWritten = 0;
  if (!stream || !data || samples != 1 || start < 0) return AVIERR_BADPARAM;
  AviFileState* f = stream->file;
  if (!f->hasFormat || !f->file || static_cast<uint32_t>(bytes) < f->frameBytes) return AVIERR_BADPARAM;
  if (f->failed || f->broken) return AVIERR_FILEWRITE;
  const auto* dib = static_cast<const uint8_t*>(data);
  bool ok;
  uint32_t written;
  if (f->motionJpeg) {
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    f->jpegRow.resize(static_cast<size_t>(f->width) * 3);
    ok = EncodeMotionJpeg(dib, f->width, f->height, f->quality, &jpeg, &jpegSize, f->jpegRow.data()) &&
         jpegSize <= kMaxChunk && f->AddFrame(jpeg, static_cast<uint32_t>(jpegSize));
    written = static_cast<uint32_t>(jpegSize);
    std::free(jpeg);
  } else {
    ok = f->AddFrame(dib, f->frameBytes);
    written = f->frameBytes;
  }
  if (!ok) return AVIERR_FILEWRITE;
  if (samplesWritten) *samplesWritten = 1;
  if (bytesWritten) *bytesWritten = static_cast<LONG>(written);
  return AVIERR_OK;
}

ULONG AVIStreamRelease(PAVISTREAM stream) {
  if (!stream) return 0;
  AviFileState* f = stream->file;
  const ULONG left = static_cast<ULONG>(--stream->refs);
  if (!left) {
    delete stream;
    AVIFileRelease(f);
  }
  return left;
}

ULONG AVIFileRelease(PAVIFILE file) {
  if (!file) return 0;
  const int left = --file->refs;
  if (!left) {
    file->Complete();
    delete file;
  }
  return static_cast<ULONG>(left);
}
