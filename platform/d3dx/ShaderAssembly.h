#pragma once
// Vertex-shader assembly text to the layer's GLSL vertex code.
#include <string>

namespace nvd3dx {
// True when the first statement is a vertex-shader version line (vs_1_1 ...).
bool IsVertexShaderAssembly(const std::string& source);
// False with "line N: reason" for what cannot be translated.
bool TranslateVertexShaderAssembly(const std::string& source, std::string& glsl, std::string& error);
}  // namespace nvd3dx
