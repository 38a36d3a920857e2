#include "text.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>

#include "firmware_image.h"

namespace check {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  return text;
}

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

}  // namespace check
