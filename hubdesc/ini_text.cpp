#include "ini_text.h"

#include <cctype>
#include <cstdio>

namespace hubdesc {

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    size_t next = nl == std::string::npos ? text.size() : nl + 1;
    size_t end = nl == std::string::npos ? text.size() : nl;
    if (end > pos && text[end - 1] == '\r') --end;
    lines.push_back({pos, end, next});
    pos = next;
  }
  return lines;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool IsComment(const std::string& trimmed) {
  return trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#';
}

bool SectionName(const std::string& trimmed, std::string* name) {
  if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') return false;
  *name = Trim(trimmed.substr(1, trimmed.size() - 2));
  return true;
}

HexRead ReadHex(const std::string& value, uint32_t max, uint32_t* out) {
  size_t i = 0;
  if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) i = 2;
  if (i == value.size()) return HexRead::kBad;
  const size_t digits = value.size() - i;
  uint64_t v = 0;
  for (; i < value.size(); ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(value[i]))) return HexRead::kBad;
    char c = FoldCase(value[i]);
    v = v * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    if (v > max) return HexRead::kBad;
  }
  if (digits > HexText(max, 1).size()) return HexRead::kTooManyDigits;
  *out = static_cast<uint32_t>(v);
  return HexRead::kRead;
}

bool ParseHex(const std::string& value, uint32_t max, uint32_t* out) {
  return ReadHex(value, max, out) == HexRead::kRead;
}

bool ParseDecimal(const std::string& value, int64_t min, int64_t max, int64_t* out) {
  size_t i = 0;
  bool negative = false;
  if (!value.empty() && (value[0] == '-' || value[0] == '+')) {
    negative = value[0] == '-';
    i = 1;
  }
  if (i == value.size()) return false;
  int64_t v = 0;
  for (; i < value.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(value[i]))) return false;
    v = v * 10 + (value[i] - '0');
    if (v > (int64_t{1} << 32)) return false;
  }
  if (negative) v = -v;
  if (v < min || v > max) return false;
  *out = v;
  return true;
}

bool ParseHexBytes(const std::string& value, std::vector<uint8_t>* out) {
  std::string digits;
  size_t run = 0;
  for (char c : value) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (run % 2 != 0) return false;
      run = 0;
      continue;
    }
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    digits += c;
    ++run;
  }
  if (digits.empty() || run % 2 != 0) return false;
  out->clear();
  for (size_t i = 0; i < digits.size(); i += 2) {
    uint32_t byte = 0;
    ParseHex(digits.substr(i, 2), 0xFF, &byte);
    out->push_back(static_cast<uint8_t>(byte));
  }
  return true;
}

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

bool IsPlainText(const std::string& text) {
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

std::string HexText(uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

}  // namespace hubdesc
