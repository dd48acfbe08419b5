// Triangle meshes: attribute sort, cloning into another vertex format, subsets.
#include <algorithm>
#include <cstring>
#include <numeric>

#include "../d3d9/DeviceImpl.h"
#include "d3dx9.h"

ID3DXMesh::ID3DXMesh(IDirect3DDevice9* device, DWORD options, DWORD fvf)
    : m_device(device), m_options(options), m_fvf(fvf), m_stride(nvd3d::FvfStride(fvf)) {
  m_device->AddRef();
}

ID3DXMesh::~ID3DXMesh() {
  ReleaseDeviceBuffers();
  m_device->Release();
}

void ID3DXMesh::ReleaseDeviceBuffers() {
  if (m_vb) m_vb->Release();
  if (m_ib) m_ib->Release();
  m_vb = nullptr;
  m_ib = nullptr;
  m_drawRanges.clear();
}

HRESULT ID3DXMesh::GetDevice(IDirect3DDevice9** device) {
  if (!device) return D3DERR_INVALIDCALL;
  m_device->AddRef();
  *device = m_device;
  return D3D_OK;
}

HRESULT ID3DXMesh::LockVertexBuffer(DWORD flags, void** data) {
  if (!data) return D3DERR_INVALIDCALL;
  *data = m_vertices.data();
  return D3D_OK;
}

HRESULT ID3DXMesh::UnlockVertexBuffer() {
  ReleaseDeviceBuffers();
  return D3D_OK;
}

HRESULT ID3DXMesh::LockAttributeBuffer(DWORD flags, DWORD** data) {
  if (!data) return D3DERR_INVALIDCALL;
  *data = m_attributes.data();
  return D3D_OK;
}

HRESULT ID3DXMesh::UnlockAttributeBuffer() {
  ReleaseDeviceBuffers();
  m_table.clear();
  return D3D_OK;
}

HRESULT ID3DXMesh::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) {
  if (!size) return D3DERR_INVALIDCALL;
  if (table) std::copy(m_table.begin(), m_table.end(), table);
  *size = static_cast<DWORD>(m_table.size());
  return D3D_OK;
}

HRESULT ID3DXMesh::OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                                   ID3DXBuffer** vertexRemap) {
  const size_t faces = m_attributes.size();
  std::vector<DWORD> order(faces);
  std::iota(order.begin(), order.end(), 0);
  if (flags & (D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER))
    std::stable_sort(order.begin(), order.end(), [&](DWORD a, DWORD b) { return m_attributes[a] < m_attributes[b]; });
  std::vector<uint32_t> indices(m_indices.size());
  std::vector<DWORD> attributes(faces);
  for (size_t i = 0; i < faces; ++i) {
    attributes[i] = m_attributes[order[i]];
    std::memcpy(&indices[i * 3], &m_indices[order[i] * 3], 3 * sizeof(uint32_t));
  }
  m_indices.swap(indices);
  m_attributes.swap(attributes);
  if (faceRemap) std::copy(order.begin(), order.end(), faceRemap);
  if (adjacencyOut) std::fill(adjacencyOut, adjacencyOut + faces * 3, 0xFFFFFFFFu);
  if (vertexRemap) {
    DWORD n = GetNumVertices();
    *vertexRemap = new ID3DXBuffer(n * sizeof(DWORD));
    auto* remap = static_cast<DWORD*>((*vertexRemap)->GetBufferPointer());
    for (DWORD i = 0; i < n; ++i) remap[i] = i;
  }
  m_table.clear();
  for (size_t i = 0; i < faces; ++i) {
    if (m_table.empty() || m_table.back().AttribId != m_attributes[i])
      m_table.push_back({m_attributes[i], static_cast<DWORD>(i), 0, 0, GetNumVertices()});
    m_table.back().FaceCount++;
  }
  ReleaseDeviceBuffers();
  return D3D_OK;
}

HRESULT ID3DXMesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** clone) {
  if (!device || !clone) return D3DERR_INVALIDCALL;
  auto* mesh = new ID3DXMesh(device, options, fvf);
  nvd3d::VertexLayout from = nvd3d::LayoutFromFvf(m_fvf), to = nvd3d::LayoutFromFvf(fvf);
  DWORD n = GetNumVertices();
  mesh->m_vertices.assign(static_cast<size_t>(n) * mesh->m_stride, 0);
  for (const nvd3d::VertexAttribute& dst : to.attributes) {
    const nvd3d::VertexAttribute* src = nullptr;
    for (const nvd3d::VertexAttribute& a : from.attributes)
      if (a.slot == dst.slot) src = &a;
    size_t bytes = dst.type == D3DDECLTYPE_FLOAT1 ? 4 : dst.type == D3DDECLTYPE_FLOAT2 ? 8
                   : dst.type == D3DDECLTYPE_FLOAT3 ? 12 : dst.type == D3DDECLTYPE_FLOAT4 ? 16 : 4;
    for (DWORD v = 0; v < n; ++v) {
      uint8_t* out = mesh->m_vertices.data() + static_cast<size_t>(v) * mesh->m_stride + dst.offset;
      if (src && src->type == dst.type) {
        std::memcpy(out, m_vertices.data() + static_cast<size_t>(v) * m_stride + src->offset, bytes);
      } else if (dst.slot == nvd3d::kAttrDiffuse) {
        const D3DCOLOR white = 0xFFFFFFFF;
        std::memcpy(out, &white, 4);
      }
    }
  }
  mesh->m_indices = m_indices;
  mesh->m_attributes = m_attributes;
  mesh->m_table = m_table;
  *clone = mesh;
  return D3D_OK;
}

HRESULT ID3DXMesh::DrawSubset(DWORD attribId) {
  if (m_attributes.empty() || m_stride == 0) return D3D_OK;
  if (!m_vb) {
    DWORD n = GetNumVertices();
    bool wide = n > 65535;
    HRESULT hr = m_device->CreateVertexBuffer(static_cast<UINT>(m_vertices.size()), D3DUSAGE_WRITEONLY, m_fvf,
                                              D3DPOOL_MANAGED, &m_vb, nullptr);
    if (FAILED(hr)) return hr;
    void* p = nullptr;
    m_vb->Lock(0, 0, &p, 0);
    std::memcpy(p, m_vertices.data(), m_vertices.size());
    m_vb->Unlock();
    // Faces grouped by attribute, whatever their order in the mesh.
    std::vector<DWORD> order(m_attributes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](DWORD a, DWORD b) { return m_attributes[a] < m_attributes[b]; });
    size_t indexSize = wide ? 4 : 2;
    hr = m_device->CreateIndexBuffer(static_cast<UINT>(m_indices.size() * indexSize), D3DUSAGE_WRITEONLY,
                                     wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16, D3DPOOL_MANAGED, &m_ib, nullptr);
    if (FAILED(hr)) {
      ReleaseDeviceBuffers();
      return hr;
    }
    m_ib->Lock(0, 0, &p, 0);
    for (size_t i = 0; i < order.size(); ++i) {
      for (int k = 0; k < 3; ++k) {
        uint32_t v = m_indices[order[i] * 3 + k];
        if (wide)
          std::memcpy(static_cast<uint8_t*>(p) + (i * 3 + k) * 4, &v, 4);
        else {
          uint16_t s = static_cast<uint16_t>(v);
          std::memcpy(static_cast<uint8_t*>(p) + (i * 3 + k) * 2, &s, 2);
        }
      }
      DWORD a = m_attributes[order[i]];
      if (m_drawRanges.empty() || m_drawRanges.back().AttribId != a)
        m_drawRanges.push_back({a, static_cast<DWORD>(i), 0, 0, n});
      m_drawRanges.back().FaceCount++;
    }
    m_ib->Unlock();
  }
  for (const D3DXATTRIBUTERANGE& r : m_drawRanges) {
    if (r.AttribId != attribId) continue;
    m_device->SetFVF(m_fvf);
    m_device->SetStreamSource(0, m_vb, 0, m_stride);
    m_device->SetIndices(m_ib);
    return m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, GetNumVertices(), r.FaceStart * 3, r.FaceCount);
  }
  return D3D_OK;
}
