#include "settings_syntax.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

// The numbers are read as formatted input reads "%X" and "%d", except that
// an overlong number keeps its low 32 bits instead of whatever the host's
// runtime happens to do with it, so every build stores the same value.
bool ScanHex(const char*& text, uint32_t* value) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2]) >= 0) p += 2;
  if (HexDigit(*p) < 0) return false;
  uint32_t number = 0;
  for (; HexDigit(*p) >= 0; ++p) number = number * 16u + static_cast<uint32_t>(HexDigit(*p));
  *value = negative ? 0u - number : number;
  text = p;
  return true;
}

bool ScanDecimal(const char* text, int32_t* value) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (*p < '0' || *p > '9') return false;
  uint32_t number = 0;
  for (; *p >= '0' && *p <= '9'; ++p) number = number * 10u + static_cast<uint32_t>(*p - '0');
  *value = static_cast<int32_t>(negative ? 0u - number : number);
  return true;
}

// "%s": the first word. A line is shorter than the 260-byte destination.
bool ScanWord(const char* text, char* destination) {
  while (IsSpace(*text)) ++text;
  if (*text == '\0') return false;
  size_t length = 0;
  while (text[length] != '\0' && !IsSpace(text[length])) ++length;
  std::memcpy(destination, text, length);
  destination[length] = '\0';
  return true;
}

void CopyText(const char* text, char (&destination)[kTextSize]) {
  std::snprintf(destination, sizeof destination, "%s", text);
}

bool Contains(const char* line, const char* text) { return std::strstr(line, text) != nullptr; }

// The value is what follows the first '=' of the line.
const char* ValueOf(const char* line) { return std::strchr(line, '=') + 1; }

bool IsBlankOrComment(const char* line) {
  while (*line == ' ' || *line == '\t' || *line == '\r') ++line;
  return *line == '\0' || *line == ';' || *line == '#';
}

SectionTracker::Place SectionTracker::Feed(const char* line) {
  switch (state_) {
    case kBefore:
      if (!Contains(line, start_)) return kOutside;
      state_ = kIn;
      return kStart;
    case kIn:
      if (!Contains(line, "[")) return kInside;
      state_ = kAfter;
      return kOutside;
    case kAfter: break;
  }
  return kOutside;
}

bool ParseTargetId(const char* line, uint8_t generation, TargetIdEntry* entry) {
  *entry = TargetIdEntry{};
  entry->UsbGeneration = generation;
  const char* p = line;
  uint32_t hubId = 0;
  if (!ScanHex(p, &hubId)) return false;
  entry->HubId = hubId;
  uint32_t imageId = 0;
  if (*p != '=' || !ScanHex(++p, &imageId)) return false;
  entry->ImageId = static_cast<uint16_t>(imageId);
  return true;
}

bool IsKeyLine(const char* line, const char* key) {
  return Contains(line, "=") && Contains(line, key);
}
