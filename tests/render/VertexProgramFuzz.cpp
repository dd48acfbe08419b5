// libFuzzer target: arbitrary text as a vertex-program assembly file,
// translated to the drawing layer's GLSL (no device needed). Built in a fuzz
// build only.
#include <cstdint>
#include <string>

#include "ShaderAssembly.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string source(reinterpret_cast<const char*>(data), size);
  (void)nvd3dx::IsVertexShaderAssembly(source);
  std::string glsl, error;
  if (nvd3dx::TranslateVertexShaderAssembly(source, glsl, error)) {
    if (glsl.empty()) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  return 0;
}
