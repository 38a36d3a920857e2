#include "image_sums.h"

#include <cstring>
#include <unordered_map>

namespace imagesums {

namespace {

const ListFaultRow kFaults[] = {
    {ListFault::kNone, "none", "no fault"},
    {ListFault::kNoAcceptedForm, "no-accepted-form", "no accepted form"},
    {ListFault::kPathSeparator, "path-separator", "a path separator in the name"},
    {ListFault::kNameTwice, "name-twice", "a name given twice"},
    {ListFault::kPathOutside, "path-outside", "a path that leaves the kit"},
};

constexpr size_t kHexDigits = 2 * kDigestSize;
const char kTagStart[] = "SHA256 (";
const char kTagEnd[] = ") = ";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHex(const std::string& text, size_t at, Digest* digest) {
  if (text.size() < at + kHexDigits) return false;
  for (size_t i = 0; i < kDigestSize; ++i) {
    int high = HexValue(text[at + 2 * i]);
    int low = HexValue(text[at + 2 * i + 1]);
    if (high < 0 || low < 0) return false;
    (*digest)[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return true;
}

// A name a file could have: not empty, no control byte. `sha256sum` marks a
// name it had to escape with a leading '\' on the line, which no form here
// accepts, so such a line is refused rather than misread.
bool PlainName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

// One line without its end. True with `name` and `digest` for an entry;
// true with an empty name for a comment or blank line.
bool ParseLine(const std::string& line, std::string* name, Digest* digest) {
  name->clear();
  if (line.empty() || line[0] == '#') return true;
  size_t prefix = std::strlen(kTagStart);
  size_t suffix = std::strlen(kTagEnd) + kHexDigits;
  if (line.compare(0, prefix, kTagStart) == 0) {
    if (line.size() < prefix + suffix) return false;
    size_t end = line.size() - suffix;
    if (line.compare(end, std::strlen(kTagEnd), kTagEnd) != 0) return false;
    if (!ParseHex(line, end + std::strlen(kTagEnd), digest)) return false;
    *name = line.substr(prefix, end - prefix);
  } else {
    if (!ParseHex(line, 0, digest) || line.size() < kHexDigits + 2) return false;
    if (line[kHexDigits] != ' ') return false;
    char mode = line[kHexDigits + 1];
    if (mode != '*' && mode != ' ') return false;
    *name = line.substr(kHexDigits + 2);
  }
  return PlainName(*name);
}

// Why `name` cannot be an entry of a list of `form`; kNone when it can.
ListFault NameFault(const std::string& name, NameForm form) {
  if (form == NameForm::kFileName) {
    return name.find_first_of("/\\") == std::string::npos ? ListFault::kNone
                                                          : ListFault::kPathSeparator;
  }
  if (name.find('\\') != std::string::npos) return ListFault::kPathSeparator;
  if (name.find(':') != std::string::npos) return ListFault::kPathOutside;
  size_t at = 0;
  while (true) {
    size_t end = name.find('/', at);
    std::string part = name.substr(at, end == std::string::npos ? end : end - at);
    if (part.empty() || part == "." || part == "..") return ListFault::kPathOutside;
    if (end == std::string::npos) return ListFault::kNone;
    at = end + 1;
  }
}

bool Fail(List* list, ListFault fault, int line) {
  list->fault = fault;
  list->faultLine = line;
  return false;
}

}  // namespace

const ListFaultRow& FaultRow(ListFault fault) {
  for (const ListFaultRow& row : kFaults) {
    if (row.fault == fault) return row;
  }
  return kFaults[0];
}

bool ReadList(const std::string& text, List* list, NameForm form) {
  *list = List{};
  std::unordered_map<std::string, int> seen;  // name to its line
  size_t at = 0;
  int number = 0;
  while (at < text.size()) {
    ++number;
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();

    std::string name;
    Digest digest{};
    if (!ParseLine(line, &name, &digest)) return Fail(list, ListFault::kNoAcceptedForm, number);
    if (name.empty()) continue;
    ListFault fault = NameFault(name, form);
    if (fault != ListFault::kNone) return Fail(list, fault, number);
    auto [earlier, added] = seen.emplace(name, number);
    if (!added) {
      list->earlierLine = earlier->second;
      return Fail(list, ListFault::kNameTwice, number);
    }
    list->entries.push_back(Entry{name, digest, number});
  }
  return true;
}

const Entry* FindEntry(const List& list, const std::string& name) {
  for (const Entry& entry : list.entries) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

std::string DigestHex(const Digest& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (uint8_t byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 0x0F];
  }
  return text;
}

std::string ListLine(const Digest& digest, const std::string& name) {
  return DigestHex(digest) + " *" + name + "\n";
}

}  // namespace imagesums
