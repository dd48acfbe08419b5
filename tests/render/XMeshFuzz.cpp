// libFuzzer target: arbitrary bytes as a text ".x" model file. Every index
// of a mesh that is read must name one of its vertices. Built in a fuzz
// build only.
#include <cstdint>
#include <vector>

#include "XFileData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  nvd3dx::XMeshData mesh;
  if (FAILED(nvd3dx::ParseXFile(bytes, mesh))) return 0;
  const size_t vertices = mesh.positions.size() / 3;
  if (mesh.normals.size() != vertices * 3 || mesh.uvs.size() != vertices * 2 || mesh.colors.size() != vertices)
    __builtin_trap();
  if (mesh.indices.size() != mesh.attributes.size() * 3) __builtin_trap();
  for (uint32_t index : mesh.indices)
    if (index >= vertices) __builtin_trap();
  for (DWORD attribute : mesh.attributes)
    if (attribute >= mesh.materials.size()) __builtin_trap();
  return 0;
}
