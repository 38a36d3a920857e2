#include "json_writer.h"

#include <cstdio>

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      // Lower case, as JavaScript's JSON.stringify and the canonical JSON
      // form write it: a report compared with either's output matches.
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string JsonHex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "\"%0*X\"", digits, value);
  return text;
}

JsonWriter& JsonWriter::Open(const char* name, char bracket) {
  Key(name);
  out_ += bracket;
  first_ = true;
  return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
  out_ += bracket;
  first_ = false;
  return *this;
}

JsonWriter& JsonWriter::Raw(const char* name, const std::string& value) {
  Key(name);
  out_ += value;
  first_ = false;
  return *this;
}

void JsonWriter::Key(const char* name) {
  if (!first_) out_ += ',';
  if (name != nullptr) out_ += JsonString(name) + ':';
}
