#include "hub_description.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <utility>

namespace sim {
namespace {

// One physical line of the text, without its line end.
struct Line {
  size_t begin;  // offset of the first byte
  size_t end;    // offset just past the content (before "\r\n" or "\n")
  size_t next;   // offset of the following line
};

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

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool IsComment(const std::string& trimmed) {
  return trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#';
}

// "[Name]" -> "Name"; false for anything else.
bool SectionName(const std::string& trimmed, std::string* name) {
  if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') return false;
  *name = Trim(trimmed.substr(1, trimmed.size() - 2));
  return true;
}

bool IsHubSection(const std::string& name) {
  if (name.size() < 4 || Lower(name.substr(0, 3)) != "hub") return false;
  for (size_t i = 3; i < name.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

bool ParseHex(const std::string& value, uint32_t max, uint32_t* out) {
  size_t i = 0;
  if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) i = 2;
  if (i == value.size()) return false;
  uint64_t v = 0;
  for (; i < value.size(); ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(value[i]))) return false;
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(value[i])));
    v = v * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
    if (v > max) return false;
  }
  *out = static_cast<uint32_t>(v);
  return true;
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

// A text value may be quoted to keep blanks at its ends.
std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

bool ParseHexBytes(const std::string& value, std::vector<uint8_t>* out) {
  // Pairs of digits, blanks allowed only between pairs.
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

std::string Hex(uint32_t max) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", max);
  return buffer;
}

class Parser {
 public:
  Parser(const std::string& fileName, HubDescription* out, std::string* error)
      : fileName_(fileName), out_(out), error_(error) {}

  bool Run(const std::string& text) {
    std::vector<Line> lines = SplitLines(text);
    for (size_t n = 0; n < lines.size(); ++n) {
      line_ = static_cast<int>(n) + 1;
      std::string raw = text.substr(lines[n].begin, lines[n].end - lines[n].begin);
      if (n == 0 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
      if (!Take(raw)) return false;
    }
    return Finish();
  }

 private:
  enum class Section { None, Library, Hub };

  bool Fail(const std::string& what) {
    *error_ = fileName_ + ":" + std::to_string(line_) + ": " + what;
    return false;
  }

  bool Take(const std::string& raw) {
    std::string trimmed = Trim(raw);
    if (IsComment(trimmed)) return true;
    std::string name;
    if (SectionName(trimmed, &name)) return StartSection(name);
    size_t eq = trimmed.find('=');
    if (eq == std::string::npos)
      return Fail("\"" + trimmed + "\" is neither a [section] nor a Key=Value line");
    std::string key = Trim(trimmed.substr(0, eq));
    std::string value = Trim(trimmed.substr(eq + 1));
    if (section_ == Section::None) return Fail(key + " stands before any [section]");
    if (!keysSeen_.insert(Lower(key)).second) return Fail(key + " is given twice in its section");
    return section_ == Section::Library ? LibraryKey(key, value) : HubKey(key, value);
  }

  bool StartSection(const std::string& name) {
    if (!sectionsSeen_.insert(Lower(name)).second) return Fail("[" + name + "] is given twice");
    keysSeen_.clear();
    if (Lower(name) == "library") {
      section_ = Section::Library;
      return true;
    }
    if (!IsHubSection(name))
      return Fail("[" + name + "] is not a known section ([Library], [Hub1], [Hub2], ...)");
    if (static_cast<int>(out_->hubs.size()) == kMaxDescribedHubs)
      return Fail("[" + name + "]: no more than " + std::to_string(kMaxDescribedHubs) +
                  " hubs can be described");
    section_ = Section::Hub;
    out_->hubs.emplace_back();
    out_->hubs.back().section = name;
    out_->hubs.back().line = line_;
    hasVendor_.push_back(false);
    hasProduct_.push_back(false);
    manufacturerGiven_ = productGiven_ = false;
    return true;
  }

  bool HexValue(const std::string& key, const std::string& value, uint32_t max, uint32_t* out) {
    if (ParseHex(value, max, out)) return true;
    return Fail(key + ": \"" + value + "\" is not a hexadecimal number from 0 to " + Hex(max));
  }

  bool DecimalValue(const std::string& key, const std::string& value, int64_t min, int64_t max,
                    int64_t* out) {
    if (ParseDecimal(value, min, max, out)) return true;
    return Fail(key + ": \"" + value + "\" is not a decimal number from " + std::to_string(min) +
                " to " + std::to_string(max));
  }

  bool LibraryKey(const std::string& key, const std::string& value) {
    std::string k = Lower(key);
    uint32_t hex = 0;
    int64_t dec = 0;
    if (k == "version") {
      if (!HexValue(key, value, 0xFFFFFFFF, &hex)) return false;
      out_->libraryVersion = hex;
    } else if (k == "reportedcount") {
      if (!DecimalValue(key, value, 0, 255, &dec)) return false;
      out_->reportedCount = static_cast<int>(dec);
    } else if (k == "requiretargetids") {
      if (!DecimalValue(key, value, 0, 1, &dec)) return false;
      out_->requireTargetIds = dec != 0;
    } else if (k == "removeimagebeforewrite") {
      if (!DecimalValue(key, value, 0, 1, &dec)) return false;
      out_->removeImageBeforeWrite = dec != 0;
    } else {
      return Fail(key + " is not a key of [Library] (Version, ReportedCount, RequireTargetIds, "
                        "RemoveImageBeforeWrite)");
    }
    return true;
  }

  bool StringValue(const std::string& key, const std::string& value, bool hex, bool* given,
                   uint8_t (&field)[kHubStringSize]) {
    if (*given) return Fail(key + ": the string is already given in this section");
    *given = true;
    std::vector<uint8_t> bytes;
    if (hex) {
      if (!ParseHexBytes(value, &bytes))
        return Fail(key + ": \"" + value + "\" is not a sequence of hexadecimal byte pairs");
    } else {
      std::string text = Unquote(value);
      bytes.assign(text.begin(), text.end());
    }
    if (bytes.size() > kHubStringSize)
      return Fail(key + ": " + std::to_string(bytes.size()) + " bytes, more than the " +
                  std::to_string(kHubStringSize) + " the record holds");
    std::memset(field, 0, kHubStringSize);
    std::memcpy(field, bytes.data(), bytes.size());
    return true;
  }

  bool HubKey(const std::string& key, const std::string& value) {
    DescribedHub& hub = out_->hubs.back();
    std::string k = Lower(key);
    uint32_t hex = 0;
    int64_t dec = 0;
    using Setter = std::function<void(uint32_t)>;
    struct HexKey {
      const char* name;
      uint32_t max;
      Setter set;
    };
    const HexKey hexKeys[] = {
        {"vendorid", 0xFFFF,
         [&](uint32_t v) {
           hub.vendorId = static_cast<uint16_t>(v);
           hasVendor_.back() = true;
         }},
        {"productid", 0xFFFF,
         [&](uint32_t v) {
           hub.productId = static_cast<uint16_t>(v);
           hasProduct_.back() = true;
         }},
        {"usbversion", 0xFF, [&](uint32_t v) { hub.usbVersion = static_cast<uint8_t>(v); }},
        {"firmwareversion", 0xFFFF,
         [&](uint32_t v) { hub.firmwareVersion = static_cast<uint16_t>(v); }},
        {"chiprevision", 0xFF, [&](uint32_t v) { hub.chipRevision = static_cast<uint8_t>(v); }},
        {"chipoptions", 0xFF, [&](uint32_t v) { hub.chipOptions = static_cast<uint8_t>(v); }},
    };
    for (const HexKey& h : hexKeys) {
      if (k != h.name) continue;
      if (!HexValue(key, value, h.max, &hex)) return false;
      h.set(hex);
      return true;
    }
    if (k == "depth" || k == "connectionportindex") {
      if (!DecimalValue(key, value, 0, 255, &dec)) return false;
      (k == "depth" ? hub.depth : hub.connectionPortIndex) = static_cast<uint8_t>(dec);
    } else if (k == "updateresult") {
      if (!DecimalValue(key, value, INT32_MIN, INT32_MAX, &dec)) return false;
      hub.updateResult = static_cast<int32_t>(dec);
    } else if (k == "updatemilliseconds") {
      if (!DecimalValue(key, value, 0, 600000, &dec)) return false;
      hub.updateMilliseconds = static_cast<uint32_t>(dec);
    } else if (k == "removeimagebeforewrite") {
      if (!DecimalValue(key, value, 0, 1, &dec)) return false;
      hub.removeImageBeforeWrite = dec != 0;
    } else if (k == "manufacturer" || k == "manufacturerhex") {
      return StringValue(key, value, k == "manufacturerhex", &manufacturerGiven_, hub.manufacturer);
    } else if (k == "product" || k == "producthex") {
      return StringValue(key, value, k == "producthex", &productGiven_, hub.product);
    } else {
      return Fail(key + " is not a key of a hub section");
    }
    return true;
  }

  bool Finish() {
    for (size_t i = 0; i < out_->hubs.size(); ++i) {
      line_ = out_->hubs[i].line;
      if (!hasVendor_[i]) return Fail("[" + out_->hubs[i].section + "] has no VendorId");
      if (!hasProduct_[i]) return Fail("[" + out_->hubs[i].section + "] has no ProductId");
    }
    return true;
  }

  const std::string& fileName_;
  HubDescription* out_;
  std::string* error_;
  int line_ = 0;
  Section section_ = Section::None;
  std::set<std::string> sectionsSeen_;
  std::set<std::string> keysSeen_;
  std::vector<bool> hasVendor_, hasProduct_;
  bool manufacturerGiven_ = false, productGiven_ = false;
};

}  // namespace

bool ParseHubDescription(const std::string& text, const std::string& fileName, HubDescription* out,
                         std::string* error) {
  HubDescription parsed;
  if (!Parser(fileName, &parsed, error).Run(text)) return false;
  *out = std::move(parsed);
  return true;
}

bool WithFirmwareVersion(const std::string& text, const std::string& section, uint16_t version,
                         std::string* out) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04X", version);
  std::vector<Line> lines = SplitLines(text);
  const std::string wanted = Lower(section);
  for (size_t n = 0; n < lines.size(); ++n) {
    std::string name;
    const Line& header = lines[n];
    if (!SectionName(Trim(text.substr(header.begin, header.end - header.begin)), &name) ||
        Lower(name) != wanted)
      continue;
    for (size_t m = n + 1; m < lines.size(); ++m) {
      const Line& line = lines[m];
      std::string body = text.substr(line.begin, line.end - line.begin);
      std::string trimmed = Trim(body);
      if (SectionName(trimmed, &name)) break;
      if (IsComment(trimmed)) continue;
      size_t eq = body.find('=');
      if (eq == std::string::npos || Lower(Trim(body.substr(0, eq))) != "firmwareversion") continue;
      *out = text.substr(0, line.begin + eq + 1) + digits + text.substr(line.end);
      return true;
    }
    // No such key yet: a new line right after the header, ended as the
    // header is ended (or with the file's first line end).
    std::string ending = text.substr(header.end, header.next - header.end);
    if (ending.empty())
      ending = lines.size() > 1 ? text.substr(lines[0].end, lines[0].next - lines[0].end) : "\n";
    if (ending.empty()) ending = "\n";
    std::string edited = text.substr(0, header.next);
    if (header.next == header.end) edited += ending;
    edited.append("FirmwareVersion=").append(digits).append(ending).append(text, header.next);
    *out = std::move(edited);
    return true;
  }
  return false;
}

}  // namespace sim
