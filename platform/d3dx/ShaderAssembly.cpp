// Vertex-shader assembly (vs_1_1 and the same instructions under vs_2_0)
// translated into the GLSL vertex code that the drawing layer runs: inputs
// from the dcl_ statements, temporaries r0..r11, constants c0..c7, outputs
// oPos, oD0, oD1, oT0..oT7.
#include <cctype>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../../platform/win/NumberFormat.h"
#include "ShaderAssembly.h"

namespace nvd3dx {
namespace {

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

std::vector<std::string> SplitOperands(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == ',') {
      out.push_back(Trim(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!Trim(cur).empty()) out.push_back(Trim(cur));
  return out;
}

bool ValidComponents(const std::string& s) {
  if (s.empty() || s.size() > 4) return false;
  for (char c : s)
    if (c != 'x' && c != 'y' && c != 'z' && c != 'w' && c != 'r' && c != 'g' && c != 'b' && c != 'a') return false;
  return true;
}

std::string Xyzw(std::string s) {
  for (char& c : s) c = c == 'r' ? 'x' : c == 'g' ? 'y' : c == 'b' ? 'z' : c == 'a' ? 'w' : c;
  return s;
}

// Constant registers a program may name (those of vs_2_0; vs_1_1 has fewer).
constexpr int kLastConstant = 255;
constexpr int kLastTemporary = 11;

// The number of a register: decimal digits only, at most `last`. Signs,
// letters and numbers too large for any register are refused, so no
// arithmetic on a register number can overflow.
bool RegisterNumber(const std::string& digits, int last, int& out) {
  if (digits.empty() || digits.size() > 4) return false;
  int value = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = value * 10 + (c - '0');
  }
  if (value > last) return false;
  out = value;
  return true;
}

// "c12" or "c[12]" to 12.
bool ConstantNumber(const std::string& text, int& out) {
  if (text.size() < 2 || text[0] != 'c') return false;
  std::string n = text.substr(1);
  if (n.size() >= 2 && n.front() == '[' && n.back() == ']') n = n.substr(1, n.size() - 2);
  return RegisterNumber(n, kLastConstant, out);
}

class Translator {
 public:
  bool Run(const std::string& source, std::string& glsl, std::string& error) {
    std::istringstream in(source);
    std::string line;
    int number = 0;
    bool version = false;
    while (std::getline(in, line)) {
      ++number;
      size_t cut = std::min(line.find(';'), line.find("//"));
      if (cut != std::string::npos) line = line.substr(0, cut);
      line = Trim(line);
      if (line.empty()) continue;
      std::string op = line.substr(0, line.find_first_of(" \t"));
      std::string rest = op.size() < line.size() ? Trim(line.substr(op.size())) : "";
      for (char& c : op) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (!version) {
        if (op != "vs_1_1" && op != "vs.1.1" && op != "vs_1_0" && op != "vs.1.0" && op != "vs_2_0" && op != "vs.2.0")
          return Fail(error, number, "expected a vs_1_1 version line");
        version = true;
        continue;
      }
      if (!Statement(op, SplitOperands(rest))) return Fail(error, number, m_error.empty() ? "bad instruction" : m_error);
    }
    if (!version) return Fail(error, number, "empty program");
    std::ostringstream s;
    s << "void main() {\n";
    for (const std::string& d : m_inputs) s << "  " << d << "\n";
    s << "  vec4 oPosR = vec4(0.0, 0.0, 0.0, 1.0);\n  vec4 oFogR = vec4(0.0);\n  vec4 oPtsR = vec4(0.0);\n";
    for (int i = 0; i < 12; ++i) s << "  vec4 r" << i << " = vec4(0.0);\n";
    s << m_body.str();
    s << "  oD0 = clamp(oD0, 0.0, 1.0);\n  oD1 = clamp(oD1, 0.0, 1.0);\n  gl_Position = oPosR;\n}\n";
    glsl = s.str();
    return true;
  }

 private:
  bool Fail(std::string& error, int line, const std::string& what) {
    error = "line " + std::to_string(line) + ": " + what;
    return false;
  }

  bool Declare(const std::string& op, const std::vector<std::string>& operands) {
    if (operands.size() != 1 || operands[0].size() < 2 || operands[0][0] != 'v') return false;
    std::string reg = operands[0].substr(0, operands[0].find('.'));
    std::string usage = op.substr(4);
    int index = 0;
    size_t digits = usage.find_first_of("0123456789");
    if (digits != std::string::npos) {
      if (!RegisterNumber(usage.substr(digits), 15, index)) return false;
      usage = usage.substr(0, digits);
    }
    std::string value;
    if (usage == "position") value = index == 0 ? "vPosition" : "vec4(0.0)";
    else if (usage == "normal") value = "vec4(vNormal, 1.0)";
    else if (usage == "color") value = index == 0 ? "vColor" : "vSpecular";
    else if (usage == "texcoord" && index < 8) value = "vTexCoord" + std::to_string(index);
    else value = "vec4(0.0)";
    m_inputs.push_back("vec4 " + reg + " = " + value + ";");
    m_declared[reg] = true;
    return true;
  }

  // A source operand as a vec4 expression.
  bool Source(const std::string& text, std::string& out, std::string* scalar = nullptr) {
    std::string t = Trim(text);
    bool negate = !t.empty() && t[0] == '-';
    if (negate) t = Trim(t.substr(1));
    std::string swizzle;
    size_t dot = t.find('.');
    if (dot != std::string::npos) {
      swizzle = t.substr(dot + 1);
      t = t.substr(0, dot);
      if (!ValidComponents(swizzle)) return false;
      swizzle = Xyzw(swizzle);
    }
    std::string base;
    if (t.size() >= 2 && t[0] == 'c') {
      int index = 0;
      if (!ConstantNumber(t, index)) return false;
      auto it = m_defs.find(index);
      if (it != m_defs.end()) base = it->second;
      else if (index < 8) base = "c[" + std::to_string(index) + "]";
      else return false;
    } else if (t.size() >= 2 && t[0] == 'r') {
      int index = 0;
      if (!RegisterNumber(t.substr(1), kLastTemporary, index)) return false;
      base = "r" + std::to_string(index);
    } else if (t.size() >= 2 && t[0] == 'v') {
      if (!m_declared.count(t)) return false;
      base = t;
    } else {
      return false;
    }
    if (scalar) {
      *scalar = "(" + std::string(negate ? "-" : "") + base + "." + (swizzle.empty() ? "w" : swizzle.substr(0, 1)) + ")";
    }
    if (!swizzle.empty()) {
      while (swizzle.size() < 4) swizzle += swizzle.back();
      base = base + "." + swizzle;
    }
    out = negate ? "(-" + base + ")" : base;
    return true;
  }

  bool Dest(const std::string& text, std::string& name, std::string& mask) {
    std::string t = Trim(text);
    size_t dot = t.find('.');
    mask.clear();
    if (dot != std::string::npos) {
      mask = Xyzw(t.substr(dot + 1));
      t = t.substr(0, dot);
      if (!ValidComponents(mask)) return false;
    }
    std::string lower = t;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "opos") name = "oPosR";
    else if (lower == "ofog") name = "oFogR";
    else if (lower == "opts") name = "oPtsR";
    else if (lower == "od0" || lower == "od1") name = lower == "od0" ? "oD0" : "oD1";
    else if (lower.size() == 3 && lower[0] == 'o' && lower[1] == 't' && lower[2] >= '0' && lower[2] <= '7')
      name = "oT" + lower.substr(2);
    else if (lower.size() >= 2 && lower[0] == 'r') {
      int index = 0;
      if (!RegisterNumber(lower.substr(1), kLastTemporary, index)) return false;
      name = "r" + std::to_string(index);
    } else {
      return false;
    }
    return true;
  }

  void Assign(const std::string& name, const std::string& mask, const std::string& value) {
    if (mask.empty() || mask == "xyzw")
      m_body << "  " << name << " = " << value << ";\n";
    else
      m_body << "  " << name << "." << mask << " = (" << value << ")." << mask << ";\n";
  }

  bool Statement(const std::string& op, const std::vector<std::string>& a) {
    if (op.rfind("dcl_", 0) == 0) return Declare(op, a);
    if (op == "nop") return true;
    if (op == "def") {
      int index = 0;
      if (a.size() != 5 || !ConstantNumber(a[0], index)) {
        m_error = "def needs a constant register c0 to c" + std::to_string(kLastConstant) + " and four numbers";
        return false;
      }
      std::string v = "vec4(";
      for (int k = 1; k <= 4; ++k) {
        v += FormatC("%.9g", StrtodC(a[k].c_str(), nullptr));
        v += k < 4 ? ", " : ")";
      }
      m_defs[index] = v;
      return true;
    }
    std::string name, mask;
    if (a.empty() || !Dest(a[0], name, mask)) return false;
    std::vector<std::string> s(a.size()), scalar(a.size());
    for (size_t i = 1; i < a.size(); ++i)
      if (!Source(a[i], s[i], &scalar[i])) return false;
    auto need = [&](size_t n) { return a.size() == n + 1; };
    std::string v;
    if (op == "mov" && need(1)) v = s[1];
    else if (op == "add" && need(2)) v = s[1] + " + " + s[2];
    else if (op == "sub" && need(2)) v = s[1] + " - " + s[2];
    else if (op == "mul" && need(2)) v = s[1] + " * " + s[2];
    else if (op == "mad" && need(3)) v = s[1] + " * " + s[2] + " + " + s[3];
    else if (op == "dp3" && need(2)) v = "vec4(dot(" + s[1] + ".xyz, " + s[2] + ".xyz))";
    else if (op == "dp4" && need(2)) v = "vec4(dot(" + s[1] + ", " + s[2] + "))";
    else if (op == "min" && need(2)) v = "min(" + s[1] + ", " + s[2] + ")";
    else if (op == "max" && need(2)) v = "max(" + s[1] + ", " + s[2] + ")";
    else if (op == "slt" && need(2)) v = "vec4(lessThan(" + s[1] + ", " + s[2] + "))";
    else if (op == "sge" && need(2)) v = "vec4(greaterThanEqual(" + s[1] + ", " + s[2] + "))";
    else if (op == "rcp" && need(1)) v = "vec4(" + scalar[1] + " == 0.0 ? 3.4e38 : 1.0 / " + scalar[1] + ")";
    else if (op == "rsq" && need(1)) v = "vec4(" + scalar[1] + " == 0.0 ? 3.4e38 : inversesqrt(abs(" + scalar[1] + ")))";
    else if ((op == "exp" || op == "expp") && need(1)) v = "vec4(exp2(" + scalar[1] + "))";
    else if ((op == "log" || op == "logp") && need(1))
      v = "vec4(" + scalar[1] + " == 0.0 ? -3.4e38 : log2(abs(" + scalar[1] + ")))";
    else if (op == "frc" && need(1)) v = "fract(" + s[1] + ")";
    else if ((op == "m4x4" || op == "m4x3" || op == "m3x4" || op == "m3x3" || op == "m3x2") && need(2)) {
      // Source 2 names the first of consecutive constant registers.
      int first = 0;
      if (!ConstantNumber(Trim(a[2]), first)) {
        m_error = op + " needs a constant register c0 to c" + std::to_string(kLastConstant);
        return false;
      }
      int rows = op[3] - '0';
      bool three = op[1] == '3';
      std::string comps[4];
      for (int k = 0; k < 4; ++k) {
        if (k >= rows) {
          comps[k] = "0.0";
          continue;
        }
        std::string c;
        if (!Source("c" + std::to_string(first + k), c)) return false;
        comps[k] = three ? "dot(" + s[1] + ".xyz, " + c + ".xyz)" : "dot(" + s[1] + ", " + c + ")";
      }
      v = "vec4(" + comps[0] + ", " + comps[1] + ", " + comps[2] + ", " + comps[3] + ")";
      if (mask.empty()) mask = std::string("xyzw").substr(0, static_cast<size_t>(rows));
    } else {
      m_error = "unsupported instruction " + op;
      return false;
    }
    Assign(name, mask, v);
    return true;
  }

  std::vector<std::string> m_inputs;
  std::map<std::string, bool> m_declared;
  std::map<int, std::string> m_defs;
  std::ostringstream m_body;
  std::string m_error;
};

}  // namespace

bool IsVertexShaderAssembly(const std::string& source) {
  std::istringstream in(source);
  std::string line;
  while (std::getline(in, line)) {
    size_t cut = std::min(line.find(';'), line.find("//"));
    if (cut != std::string::npos) line = line.substr(0, cut);
    line = Trim(line);
    if (line.empty()) continue;
    std::string first = line.substr(0, line.find_first_of(" \t"));
    for (char& c : first) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return first.rfind("vs_", 0) == 0 || first.rfind("vs.", 0) == 0;
  }
  return false;
}

bool TranslateVertexShaderAssembly(const std::string& source, std::string& glsl, std::string& error) {
  Translator t;
  return t.Run(source, glsl, error);
}

}  // namespace nvd3dx
