#pragma once
// A small JSON reader for the picture list of the nebula textures: objects,
// arrays, strings, numbers (also with a bare leading '.'), true/false/null.
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pictures {

struct JsonValue {
  enum Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = kNull;
  double number = 0.0;
  bool boolean = false;
  std::string text;
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;

  // Member by name, ignoring case; null when missing or not an object.
  const JsonValue* Find(const std::string& name) const;
};

// False (with a message) on malformed input.
bool ParseJson(const std::string& text, JsonValue& out, std::string& error);

}  // namespace pictures
