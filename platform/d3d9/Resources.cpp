// Buffers, textures, surfaces, vertex declarations and vertex shaders.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "DeviceImpl.h"

namespace {
std::atomic<unsigned> g_nextId{1};

// Vertex and index buffers keep a copy of their bytes; a lock hands out that
// copy and the unlock uploads the part that may have been written.
struct BufferLock {
  std::vector<uint8_t>& data;
  bool& locked;
  UINT& lockOffset;
  UINT& lockSize;

  HRESULT Lock(IDirect3DDevice9* device, UINT offset, UINT size, void** out, DWORD flags) {
    if (!out || locked) return D3DERR_INVALIDCALL;
    if (offset > data.size()) return D3DERR_INVALIDCALL;
    if (size == 0) size = static_cast<UINT>(data.size()) - offset;
    if (size > data.size() - offset) return D3DERR_INVALIDCALL;
    device->GetImpl()->FlushInstances();  // merged draws hold copies of their vertices
    locked = true;
    lockOffset = offset;
    lockSize = (flags & D3DLOCK_READONLY) ? 0 : size;
    *out = data.data() + offset;
    return D3D_OK;
  }

  HRESULT Unlock(IDirect3DDevice9* device, GLuint buffer, GLenum target) {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    if (lockSize && nvd3d::Use(device)) {
      glBindBuffer(target, buffer);
      glBufferSubData(target, lockOffset, lockSize, data.data() + lockOffset);
    }
    return D3D_OK;
  }
};
}  // namespace

IDirect3DResource9::IDirect3DResource9(IDirect3DDevice9* device) : m_device(device) { m_device->AddRef(); }

IDirect3DResource9::~IDirect3DResource9() {
  m_device->GetImpl()->Forget(this);
  m_device->Release();
}

HRESULT IDirect3DResource9::GetDevice(IDirect3DDevice9** device) {
  if (!device) return D3DERR_INVALIDCALL;
  m_device->AddRef();
  *device = m_device;
  return D3D_OK;
}

void IDirect3DDevice9::Impl::Forget(const void* resource) {
  if (batch.active && batch.buffer == resource) FlushInstances();
  for (auto* t : merge.textures)
    if (t && t == resource) {
      FlushMerge();
      break;
    }
  for (auto& t : textures)
    if (t == resource) t = nullptr, textureDirty = true, currentProgram = nullptr;
  for (auto& s : streams)
    if (s.buffer == resource) s = Stream{}, layoutDirty = true;
  if (indices == resource) indices = nullptr;
  if (vertexShader == resource) vertexShader = nullptr, currentProgram = nullptr;
}

// ---- Vertex and index buffers ------------------------------------------------

IDirect3DVertexBuffer9::IDirect3DVertexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, DWORD fvf,
                                               D3DPOOL pool)
    : IDirect3DResource9(device), m_data(length), m_usage(usage), m_fvf(fvf), m_pool(pool) {
  nvd3d::Use(device);
  glGenBuffers(1, &m_glBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, m_glBuffer);
  glBufferData(GL_ARRAY_BUFFER, length, nullptr, (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
}

IDirect3DVertexBuffer9::~IDirect3DVertexBuffer9() {
  // Pending draws from this buffer go first, while its storage still exists.
  m_device->GetImpl()->Forget(this);
  if (nvd3d::Use(m_device)) glDeleteBuffers(1, &m_glBuffer);
}

HRESULT IDirect3DVertexBuffer9::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  return BufferLock{m_data, m_locked, m_lockOffset, m_lockSize}.Lock(m_device, offset, size, data, flags);
}

HRESULT IDirect3DVertexBuffer9::Unlock() {
  return BufferLock{m_data, m_locked, m_lockOffset, m_lockSize}.Unlock(m_device, m_glBuffer, GL_ARRAY_BUFFER);
}

HRESULT IDirect3DVertexBuffer9::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, m_usage, m_pool, static_cast<UINT>(m_data.size()), m_fvf};
  return D3D_OK;
}

IDirect3DIndexBuffer9::IDirect3DIndexBuffer9(IDirect3DDevice9* device, UINT length, DWORD usage, D3DFORMAT format,
                                             D3DPOOL pool)
    : IDirect3DResource9(device), m_data(length), m_usage(usage), m_format(format), m_pool(pool) {
  nvd3d::Use(device);
  glGenBuffers(1, &m_glBuffer);
  // Element buffers bind through the vertex array object: use the copy target.
  glBindBuffer(GL_COPY_WRITE_BUFFER, m_glBuffer);
  glBufferData(GL_COPY_WRITE_BUFFER, length, nullptr, (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
}

IDirect3DIndexBuffer9::~IDirect3DIndexBuffer9() {
  m_device->GetImpl()->Forget(this);
  if (nvd3d::Use(m_device)) glDeleteBuffers(1, &m_glBuffer);
}

HRESULT IDirect3DIndexBuffer9::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  return BufferLock{m_data, m_locked, m_lockOffset, m_lockSize}.Lock(m_device, offset, size, data, flags);
}

HRESULT IDirect3DIndexBuffer9::Unlock() {
  const HRESULT hr =
      BufferLock{m_data, m_locked, m_lockOffset, m_lockSize}.Unlock(m_device, m_glBuffer, GL_COPY_WRITE_BUFFER);
  if (hr != D3D_OK) return hr;
  if (m_lockSize) {
    uint32_t top = 0;
    if (m_format == D3DFMT_INDEX16)
      for (size_t i = 0; i + 1 < m_data.size(); i += 2) top = std::max<uint32_t>(top, m_data[i] | (m_data[i + 1] << 8));
    else
      for (size_t i = 0; i + 3 < m_data.size(); i += 4)
        top = std::max<uint32_t>(top, m_data[i] | (m_data[i + 1] << 8) | (m_data[i + 2] << 16) |
                                          (static_cast<uint32_t>(m_data[i + 3]) << 24));
    m_maxIndex = top;
  }
  return D3D_OK;
}

HRESULT IDirect3DIndexBuffer9::GetDesc(D3DINDEXBUFFER_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = {m_format, D3DRTYPE_INDEXBUFFER, m_usage, m_pool, static_cast<UINT>(m_data.size())};
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                             IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) {
  if (!buffer) return D3DERR_INVALIDCALL;
  *buffer = nullptr;
  if (length == 0 || length > (256u << 20) || pool == D3DPOOL_SCRATCH || !m_impl->MakeCurrent())
    return D3DERR_INVALIDCALL;
  *buffer = new IDirect3DVertexBuffer9(this, length, usage, fvf, pool);
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) {
  if (!buffer) return D3DERR_INVALIDCALL;
  *buffer = nullptr;
  if (length == 0 || length > (256u << 20) || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) ||
      pool == D3DPOOL_SCRATCH || !m_impl->MakeCurrent())
    return D3DERR_INVALIDCALL;
  *buffer = new IDirect3DIndexBuffer9(this, length, usage, format, pool);
  return D3D_OK;
}

// ---- Textures -----------------------------------------------------------------

namespace {
// How a format travels to and from OpenGL unchanged; false for the formats
// converted to 32-bit BGRA on upload (compressed ones among them).
bool DirectTransfer(D3DFORMAT format, GLenum& internal, GLenum& layout, GLenum& type) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
      internal = GL_RGBA8, layout = GL_BGRA, type = GL_UNSIGNED_BYTE;
      return true;
    case D3DFMT_R8G8B8:
      internal = GL_RGB8, layout = GL_BGR, type = GL_UNSIGNED_BYTE;
      return true;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
      internal = GL_RGBA4, layout = GL_BGRA, type = GL_UNSIGNED_SHORT_4_4_4_4_REV;
      return true;
    case D3DFMT_R3G3B2:
      internal = GL_R3_G3_B2, layout = GL_RGB, type = GL_UNSIGNED_BYTE_3_3_2;
      return true;
    case D3DFMT_L8:
    case D3DFMT_A8:
      internal = GL_R8, layout = GL_RED, type = GL_UNSIGNED_BYTE;
      return true;
    default:
      return false;
  }
}
}  // namespace

bool IDirect3DTexture9::KeepsCopy() const {
  GLenum internal, layout, type;
  return !DirectTransfer(m_format, internal, layout, type);
}

IDirect3DTexture9::IDirect3DTexture9(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                                     D3DFORMAT format, D3DPOOL pool, std::vector<std::vector<uint8_t>>* contents)
    : IDirect3DBaseTexture9(device), m_usage(usage), m_format(format), m_pool(pool) {
  UINT w = width, h = height;
  for (UINT i = 0; i < levels; ++i) {
    Level level;
    level.width = w;
    level.height = h;
    nvd3d::LevelLayout(format, w, h, level.pitch, level.rows);
    const size_t bytes = static_cast<size_t>(level.pitch) * level.rows;
    if (contents && i < contents->size() && (*contents)[i].size() == bytes)
      level.data = std::move((*contents)[i]);
    else
      level.data.assign(bytes, 0), level.zeros = true;
    m_levels.push_back(std::move(level));
    w = std::max(1u, w / 2);
    h = std::max(1u, h / 2);
  }
  const bool keep = KeepsCopy();
  nvd3d::Use(device);
  glGenTextures(1, &m_glTexture);
  glActiveTexture(GL_TEXTURE14);
  glBindTexture(GL_TEXTURE_2D, m_glTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL,
                  (usage & D3DUSAGE_AUTOGENMIPMAP) ? 1000 : static_cast<GLint>(levels - 1));
  GLint one = GL_ONE, red = GL_RED, green = GL_GREEN, zero = GL_ZERO;
  if (format == D3DFMT_X8R8G8B8 || format == D3DFMT_R8G8B8 || format == D3DFMT_X4R4G4B4) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, one);
  } else if (format == D3DFMT_L8) {
    GLint swizzle[4] = {red, red, red, one};
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  } else if (format == D3DFMT_A8) {
    GLint swizzle[4] = {zero, zero, zero, red};
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  }
  (void)green;
  for (UINT i = 0; i < levels; ++i) {
    Upload(i);
    if (!keep) std::vector<uint8_t>().swap(m_levels[i].data);
  }
  device->GetImpl()->textureDirty = true;
}

IDirect3DTexture9::~IDirect3DTexture9() {
  m_device->GetImpl()->Forget(this);  // pending draws with this texture go first
  if (nvd3d::Use(m_device)) glDeleteTextures(1, &m_glTexture);
}

void IDirect3DTexture9::Upload(UINT index) {
  if (index >= m_levels.size() || !nvd3d::Use(m_device)) return;
  Level& level = m_levels[index];
  glActiveTexture(GL_TEXTURE14);
  glBindTexture(GL_TEXTURE_2D, m_glTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  GLsizei w = static_cast<GLsizei>(level.width), h = static_cast<GLsizei>(level.height);
  GLint lvl = static_cast<GLint>(index);
  const uint8_t* data = level.data.data();
  GLenum internal, layout, type;
  if (DirectTransfer(m_format, internal, layout, type)) {
    glTexImage2D(GL_TEXTURE_2D, lvl, static_cast<GLint>(internal), w, h, 0, layout, type, data);
  } else {
    std::vector<uint8_t> bgra(static_cast<size_t>(level.width) * level.height * 4);
    nvd3d::ConvertToBgra(m_format, data, level.pitch, level.width, level.height, bgra.data());
    glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
  }
  if (index == 0 && (m_usage & D3DUSAGE_AUTOGENMIPMAP)) glGenerateMipmap(GL_TEXTURE_2D);
}

HRESULT IDirect3DTexture9::GetLevelDesc(UINT index, D3DSURFACE_DESC* desc) {
  if (!desc || index >= m_levels.size()) return D3DERR_INVALIDCALL;
  *desc = {m_format, D3DRTYPE_SURFACE, m_usage, m_pool, D3DMULTISAMPLE_NONE, 0, m_levels[index].width,
           m_levels[index].height};
  return D3D_OK;
}

HRESULT IDirect3DTexture9::GetSurfaceLevel(UINT index, IDirect3DSurface9** surface) {
  if (!surface || index >= m_levels.size()) return D3DERR_INVALIDCALL;
  AddRef();  // the surface keeps its texture alive
  *surface = new IDirect3DSurface9(m_device, this, index, m_levels[index].width, m_levels[index].height, m_format,
                                   m_pool, false);
  return D3D_OK;
}

HRESULT IDirect3DTexture9::LockRect(UINT index, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
  if (!locked || index >= m_levels.size()) return D3DERR_INVALIDCALL;
  Level& level = m_levels[index];
  if (level.locked) return D3DERR_INVALIDCALL;
  size_t offset = 0;
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
        static_cast<UINT>(rect->right) > level.width || static_cast<UINT>(rect->bottom) > level.height)
      return D3DERR_INVALIDCALL;
    if (nvd3d::IsCompressed(m_format)) {
      if ((rect->left | rect->top) & 3) return D3DERR_INVALIDCALL;
      offset = static_cast<size_t>(rect->top / 4) * level.pitch + (rect->left / 4) * (m_format == D3DFMT_DXT1 ? 8 : 16);
    } else {
      offset = static_cast<size_t>(rect->top) * level.pitch +
               static_cast<size_t>(rect->left) * nvd3d::BytesPerPixel(m_format);
    }
  }
  m_device->GetImpl()->FlushBatch();
  if (level.data.empty()) {
    // The pixels live in the driver only: bring them back for the lock
    // (a discarding lock starts from zeros, as a new texture does).
    if ((flags & D3DLOCK_DISCARD) || level.zeros)
      level.data.assign(static_cast<size_t>(level.pitch) * level.rows, 0);
    else if (!ReadLevel(index, level.data))
      return D3DERR_INVALIDCALL;
  }
  level.locked = true;
  level.readOnly = (flags & D3DLOCK_READONLY) != 0;
  locked->pBits = level.data.data() + offset;
  locked->Pitch = static_cast<INT>(level.pitch);
  return D3D_OK;
}

HRESULT IDirect3DTexture9::UnlockRect(UINT index) {
  if (index >= m_levels.size() || !m_levels[index].locked) return D3DERR_INVALIDCALL;
  m_levels[index].locked = false;
  if (!m_levels[index].readOnly) Upload(index), m_levels[index].zeros = false;
  if (!KeepsCopy()) std::vector<uint8_t>().swap(m_levels[index].data);
  return D3D_OK;
}

bool IDirect3DTexture9::ReadLevel(UINT index, std::vector<uint8_t>& bytes) {
  if (index >= m_levels.size()) return false;
  const Level& level = m_levels[index];
  if (!level.data.empty()) {
    bytes = level.data;
    return true;
  }
  GLenum internal, layout, type;
  if (!DirectTransfer(m_format, internal, layout, type) || !nvd3d::Use(m_device)) return false;
  m_device->GetImpl()->FlushBatch();
  bytes.assign(static_cast<size_t>(level.pitch) * level.rows, 0);
  glActiveTexture(GL_TEXTURE14);
  glBindTexture(GL_TEXTURE_2D, m_glTexture);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(index), layout, type, bytes.data());
  return true;
}

void IDirect3DTexture9::GenerateMipSubLevels() {
  if ((m_usage & D3DUSAGE_AUTOGENMIPMAP) && nvd3d::Use(m_device)) {
    glActiveTexture(GL_TEXTURE14);
    glBindTexture(GL_TEXTURE_2D, m_glTexture);
    glGenerateMipmap(GL_TEXTURE_2D);
  }
}

HRESULT IDirect3DDevice9::CreateTextureWithLevels(UINT width, UINT height, DWORD usage, D3DFORMAT format,
                                                  D3DPOOL pool, std::vector<std::vector<uint8_t>>&& levels,
                                                  IDirect3DTexture9** texture) {
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  const UINT maxSize = static_cast<UINT>(nvd3d::QueryGlInfo().maxTextureSize);
  if (levels.empty() || width == 0 || height == 0 || width > maxSize || height > maxSize) return D3DERR_INVALIDCALL;
  if (!nvd3d::IsTextureFormatSupported(format)) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_AUTOGENMIPMAP) && (nvd3d::IsCompressed(format) || levels.size() > 1)) return D3DERR_INVALIDCALL;
  UINT full = 1;
  for (UINT w = width, h = height; w > 1 || h > 1; w = std::max(1u, w / 2), h = std::max(1u, h / 2)) ++full;
  if (levels.size() > full) return D3DERR_INVALIDCALL;
  if (!m_impl->MakeCurrent()) return D3DERR_INVALIDCALL;
  m_impl->FlushBatch();
  *texture = new IDirect3DTexture9(this, width, height, static_cast<UINT>(levels.size()), usage, format, pool, &levels);
  levels.clear();
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) {
  if (!texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  const UINT maxSize = static_cast<UINT>(nvd3d::QueryGlInfo().maxTextureSize);
  if (width == 0 || height == 0 || width > maxSize || height > maxSize) return D3DERR_INVALIDCALL;
  if (!nvd3d::IsTextureFormatSupported(format)) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_AUTOGENMIPMAP) && nvd3d::IsCompressed(format)) return D3DERR_INVALIDCALL;
  UINT full = 1;
  for (UINT w = width, h = height; w > 1 || h > 1; w = std::max(1u, w / 2), h = std::max(1u, h / 2)) ++full;
  if (usage & D3DUSAGE_AUTOGENMIPMAP) {
    if (levels > 1) return D3DERR_INVALIDCALL;
    levels = 1;
  } else if (levels == 0 || levels > full) {
    levels = full;
  }
  if (!m_impl->MakeCurrent()) return D3DERR_INVALIDCALL;
  m_impl->FlushBatch();
  *texture = new IDirect3DTexture9(this, width, height, levels, usage, format, pool);
  return D3D_OK;
}

// ---- Surfaces -----------------------------------------------------------------

IDirect3DSurface9::IDirect3DSurface9(IDirect3DDevice9* device, IDirect3DTexture9* owner, UINT level, UINT width,
                                     UINT height, D3DFORMAT format, D3DPOOL pool, bool backBuffer)
    : IDirect3DResource9(device), m_owner(owner), m_level(level), m_width(width), m_height(height), m_format(format),
      m_pool(pool), m_backBuffer(backBuffer) {
  if (!owner) {
    UINT rows = 0;
    nvd3d::LevelLayout(format, width, height, m_pitch, rows);
    // The back buffer's pixels are read into place by each lock.
    if (!backBuffer) m_pixels.assign(static_cast<size_t>(m_pitch) * rows, 0);
  }
}

IDirect3DSurface9::~IDirect3DSurface9() {
  if (m_owner) m_owner->Release();
}

HRESULT IDirect3DSurface9::GetDesc(D3DSURFACE_DESC* desc) {
  if (!desc) return D3DERR_INVALIDCALL;
  *desc = {m_format, D3DRTYPE_SURFACE, 0, m_pool, D3DMULTISAMPLE_NONE, 0, m_width, m_height};
  return D3D_OK;
}

HRESULT IDirect3DSurface9::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
  if (!locked) return D3DERR_INVALIDCALL;
  if (m_owner) return m_owner->LockRect(m_level, locked, rect, flags);
  if (m_locked) return D3DERR_INVALIDCALL;
  if (m_backBuffer) {
    IDirect3DDevice9::Impl& d = *m_device->GetImpl();
    if (!d.MakeCurrent()) return D3DERR_INVALIDCALL;
    d.ReadFrame(m_pixels);
    m_pitch = d.width * 4;
  }
  size_t offset = 0;
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
        static_cast<UINT>(rect->right) > m_width || static_cast<UINT>(rect->bottom) > m_height)
      return D3DERR_INVALIDCALL;
    offset = static_cast<size_t>(rect->top) * m_pitch + static_cast<size_t>(rect->left) * nvd3d::BytesPerPixel(m_format);
  }
  m_locked = true;
  locked->pBits = m_pixels.data() + offset;
  locked->Pitch = static_cast<INT>(m_pitch);
  return D3D_OK;
}

HRESULT IDirect3DSurface9::UnlockRect() {
  if (m_owner) return m_owner->UnlockRect(m_level);
  if (!m_locked) return D3DERR_INVALIDCALL;
  m_locked = false;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                      IDirect3DSurface9** surface, HANDLE* sharedHandle) {
  if (!surface) return D3DERR_INVALIDCALL;
  *surface = nullptr;
  if (width == 0 || height == 0 || width > 16384 || height > 16384 || pool == D3DPOOL_MANAGED ||
      nvd3d::BytesPerPixel(format) == 0)
    return D3DERR_INVALIDCALL;
  *surface = new IDirect3DSurface9(this, nullptr, 0, width, height, format, pool, false);
  return D3D_OK;
}

// ---- Vertex declarations and shaders ------------------------------------------

IDirect3DVertexDeclaration9::IDirect3DVertexDeclaration9(const D3DVERTEXELEMENT9* elements) : m_id(g_nextId++) {
  for (size_t i = 0; i < 64 && elements[i].Stream != 0xFF; ++i) m_elements.push_back(elements[i]);
}

HRESULT IDirect3DVertexDeclaration9::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) {
  if (!count) return D3DERR_INVALIDCALL;
  *count = static_cast<UINT>(m_elements.size() + 1);
  if (elements) {
    std::copy(m_elements.begin(), m_elements.end(), elements);
    elements[m_elements.size()] = D3DVERTEXELEMENT9 D3DDECL_END();
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                  IDirect3DVertexDeclaration9** decl) {
  if (!elements || !decl) return D3DERR_INVALIDCALL;
  size_t n = 0;
  while (n < 64 && elements[n].Stream != 0xFF) {
    const D3DVERTEXELEMENT9& e = elements[n];
    if (e.Stream >= Impl::kStreams || e.Type > D3DDECLTYPE_UBYTE4N) return D3DERR_INVALIDCALL;
    ++n;
  }
  if (n == 64) return D3DERR_INVALIDCALL;
  *decl = new IDirect3DVertexDeclaration9(elements);
  return D3D_OK;
}

IDirect3DVertexShader9::IDirect3DVertexShader9(IDirect3DDevice9* device, std::string source)
    : IDirect3DResource9(device), m_source(std::move(source)), m_id(g_nextId++) {}

IDirect3DVertexShader9::~IDirect3DVertexShader9() { m_device->GetImpl()->ForgetShaderPrograms(m_id); }

void IDirect3DDevice9::Impl::ForgetShaderPrograms(unsigned shaderId) {
  auto found = userShaderPrograms.find(shaderId);
  if (found == userShaderPrograms.end()) return;
  // Batched draws may still use one of them.
  FlushBatch();
  const bool current = MakeCurrent();
  for (const std::string& key : found->second) {
    auto it = programs.find(key);
    if (it == programs.end()) continue;
    if (currentProgram == it->second.get()) currentProgram = nullptr;
    if (usedProgram == it->second->program) {
      if (current) glUseProgram(0);
      usedProgram = 0;
    }
    if (current && it->second->program) glDeleteProgram(it->second->program);
    programs.erase(it);
  }
  userShaderPrograms.erase(found);
}

HRESULT IDirect3DDevice9::CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) {
  if (!function || !shader) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  if (function[0] != kShaderCodeTag || function[1] > (1u << 24)) return D3DERR_INVALIDCALL;
  std::string source(reinterpret_cast<const char*>(function + 2), function[1]);
  if (!m_impl->MakeCurrent()) return D3DERR_INVALIDCALL;
  std::string log;
  if (!nvd3d::CheckUserVertexShader(source, log)) return D3DERR_INVALIDCALL;
  *shader = new IDirect3DVertexShader9(this, std::move(source));
  return D3D_OK;
}
