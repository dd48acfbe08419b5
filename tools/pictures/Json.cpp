#include "Json.h"

#include <cctype>
#include <cstring>

#include "NumberFormat.h"
#include <strings.h>

namespace pictures {

namespace {

class Parser {
 public:
  explicit Parser(const std::string& t) : m_t(t) {}
  bool Parse(JsonValue& v, std::string& error) {
    if (!Value(v, 0) ) {
      error = "JSON error near offset " + std::to_string(m_pos);
      return false;
    }
    Skip();
    if (m_pos != m_t.size()) {
      error = "trailing data at offset " + std::to_string(m_pos);
      return false;
    }
    return true;
  }

 private:
  void Skip() {
    while (m_pos < m_t.size() && std::isspace(static_cast<unsigned char>(m_t[m_pos]))) ++m_pos;
  }
  bool Literal(const char* word) {
    const size_t n = std::strlen(word);
    if (m_t.compare(m_pos, n, word) != 0) return false;
    m_pos += n;
    return true;
  }
  bool String(std::string& out) {
    if (m_pos >= m_t.size() || m_t[m_pos] != '"') return false;
    ++m_pos;
    while (m_pos < m_t.size()) {
      char c = m_t[m_pos++];
      if (c == '"') return true;
      if (c == '\\') {
        if (m_pos >= m_t.size()) return false;
        char e = m_t[m_pos++];
        switch (e) {
          case 'n': out += '\n'; break;
          case 't': out += '\t'; break;
          case 'r': out += '\r'; break;
          case 'b': out += '\b'; break;
          case 'f': out += '\f'; break;
          case 'u':
            // Credits only: keep the escape's place without decoding it.
            if (m_pos + 4 > m_t.size()) return false;
            m_pos += 4;
            out += '?';
            break;
          default: out += e; break;
        }
      } else {
        out += c;
      }
    }
    return false;
  }
  bool Number(double& v) {
    const size_t start = m_pos;
    if (m_pos < m_t.size() && (m_t[m_pos] == '-' || m_t[m_pos] == '+')) ++m_pos;
    while (m_pos < m_t.size() && (std::isdigit(static_cast<unsigned char>(m_t[m_pos])) || m_t[m_pos] == '.' ||
                                  m_t[m_pos] == 'e' || m_t[m_pos] == 'E' ||
                                  ((m_t[m_pos] == '-' || m_t[m_pos] == '+') &&
                                   (m_t[m_pos - 1] == 'e' || m_t[m_pos - 1] == 'E'))))
      ++m_pos;
    if (m_pos == start) return false;
    std::string s = m_t.substr(start, m_pos - start);
    // "-.97" and ".5" occur in the data: give the bare point its zero.
    const size_t dot = s.find('.');
    if (dot != std::string::npos && (dot == 0 || !std::isdigit(static_cast<unsigned char>(s[dot - 1]))))
      s.insert(dot, "0");
    char* end = nullptr;
    v = StrtodC(s.c_str(), &end);
    return end != nullptr && *end == '\0';
  }
  bool Value(JsonValue& v, int depth) {
    if (depth > 64) return false;
    Skip();
    if (m_pos >= m_t.size()) return false;
    const char c = m_t[m_pos];
    if (c == '{') {
      v.kind = JsonValue::kObject;
      ++m_pos;
      Skip();
      if (m_pos < m_t.size() && m_t[m_pos] == '}') return ++m_pos, true;
      for (;;) {
        Skip();
        std::string key;
        if (!String(key)) return false;
        Skip();
        if (m_pos >= m_t.size() || m_t[m_pos] != ':') return false;
        ++m_pos;
        JsonValue item;
        if (!Value(item, depth + 1)) return false;
        v.members.emplace_back(std::move(key), std::move(item));
        Skip();
        if (m_pos < m_t.size() && m_t[m_pos] == ',') { ++m_pos; continue; }
        if (m_pos < m_t.size() && m_t[m_pos] == '}') return ++m_pos, true;
        return false;
      }
    }
    if (c == '[') {
      v.kind = JsonValue::kArray;
      ++m_pos;
      Skip();
      if (m_pos < m_t.size() && m_t[m_pos] == ']') return ++m_pos, true;
      for (;;) {
        JsonValue item;
        if (!Value(item, depth + 1)) return false;
        v.items.push_back(std::move(item));
        Skip();
        if (m_pos < m_t.size() && m_t[m_pos] == ',') { ++m_pos; continue; }
        if (m_pos < m_t.size() && m_t[m_pos] == ']') return ++m_pos, true;
        return false;
      }
    }
    if (c == '"') {
      v.kind = JsonValue::kString;
      return String(v.text);
    }
    if (Literal("true")) { v.kind = JsonValue::kBool; v.boolean = true; return true; }
    if (Literal("false")) { v.kind = JsonValue::kBool; return true; }
    if (Literal("null")) return true;
    v.kind = JsonValue::kNumber;
    return Number(v.number);
  }

  const std::string& m_t;
  size_t m_pos = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(const std::string& name) const {
  if (kind != kObject) return nullptr;
  for (const auto& [key, value] : members) {
    if (key.size() == name.size() && strncasecmp(key.c_str(), name.c_str(), key.size()) == 0) return &value;
  }
  return nullptr;
}

bool ParseJson(const std::string& text, JsonValue& out, std::string& error) {
  return Parser(text).Parse(out, error);
}

}  // namespace pictures
