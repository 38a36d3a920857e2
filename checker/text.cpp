#include "text.h"

#include <cstdio>

#include "firmware_image.h"

namespace check {

std::string Printable(const uint8_t* bytes, size_t length) {
  std::string text;
  size_t end = 0;
  while (end < length && bytes[end] != 0) ++end;
  for (size_t i = 0; i < end;) {
    uint8_t c = bytes[i];
    size_t run = 1;
    while (i + run < end && bytes[i + run] == c) ++run;
    if (c >= 0x20 && c <= 0x7E && c != '\\') {
      text += static_cast<char>(c);
      run = 1;
    } else {
      char escaped[32];
      // Erased flash (FF FF ...) would otherwise fill the row.
      if (run >= kRunToCount) {
        std::snprintf(escaped, sizeof escaped, "\\x%02X*%u", c, static_cast<unsigned>(run));
      } else if (c == '\\') {
        std::snprintf(escaped, sizeof escaped, "\\\\");
        run = 1;
      } else {
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        run = 1;
      }
      text += escaped;
    }
    i += run;
  }
  return text;
}

std::string RuleList(unsigned rules) {
  std::string text;
  for (int n = 1; n <= fwimage::kCompatibilityRuleCount; ++n) {
    if ((rules & (1u << (n - 1))) == 0) continue;
    if (!text.empty()) text += ",";
    text += std::to_string(n);
  }
  return text.empty() ? "-" : text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

std::string Indent(const std::string& text, const std::string& by) {
  std::string out;
  for (const std::string& line : Lines(text)) out += line.empty() ? "\n" : by + line + "\n";
  return out;
}

}  // namespace check
