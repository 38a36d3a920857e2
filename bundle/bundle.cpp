#include "bundle.h"

#include <cstdint>
#include <set>

namespace bundle {

namespace {

constexpr char kVersionKey[] = "FormatVersion=";
constexpr char kPartsKey[] = "Parts=";
constexpr char kMissing[] = "missing: ";
constexpr char kNoLineEnd[] = "\\ no line end";
constexpr size_t kMaxNameSize = 64;
constexpr size_t kMaxParts = 64;

const char kHex[] = "0123456789ABCDEF";

bool Printable(char c) { return c >= 0x20 && c <= 0x7E; }

bool PlainLine(const std::string& text) {
  for (char c : text)
    if (!Printable(c)) return false;
  return true;
}

bool GoodName(const std::string& name) {
  return !name.empty() && name.size() <= kMaxNameSize && PlainLine(name) &&
         name.find(']') == std::string::npos && name.front() != ' ' && name.back() != ' ';
}

// One line of a part's text: printable ASCII as it is, a backslash doubled,
// every other byte as \xNN, so that the file stays plain text whatever the
// part holds.
void AppendEscaped(const std::string& line, std::string* out) {
  for (unsigned char c : line) {
    if (c == '\\') {
      *out += "\\\\";
    } else if (Printable(static_cast<char>(c))) {
      *out += static_cast<char>(c);
    } else {
      *out += "\\x";
      *out += kHex[c >> 4];
      *out += kHex[c & 15];
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(const std::string& line, size_t from, std::string* out) {
  for (size_t i = from; i < line.size(); ++i) {
    char c = line[i];
    if (!Printable(c)) return false;
    if (c != '\\') {
      *out += c;
      continue;
    }
    if (i + 1 < line.size() && line[i + 1] == '\\') {
      *out += '\\';
      ++i;
      continue;
    }
    if (i + 3 >= line.size() || line[i + 1] != 'x') return false;
    int high = HexDigit(line[i + 2]);
    int low = HexDigit(line[i + 3]);
    if (high < 0 || low < 0) return false;
    *out += static_cast<char>(high * 16 + low);
    i += 3;
  }
  return true;
}

bool ParseCount(const std::string& digits, size_t max, size_t* value) {
  if (digits.empty() || digits.size() > 6) return false;
  size_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  if (n > max) return false;
  *value = n;
  return true;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// The bundle's lines one at a time, each numbered as the file numbers it,
// so that a refusal names the line it stopped at.
class Lines {
 public:
  Lines(const std::string& text, const std::string& file, std::string* error)
      : text_(text), file_(file), error_(error) {}
  bool Next(std::string* line) {
    if (at_ >= text_.size()) return false;
    size_t end = text_.find('\n', at_);
    if (end == std::string::npos) end = text_.size();
    *line = text_.substr(at_, end - at_);
    if (!line->empty() && line->back() == '\r') line->pop_back();
    at_ = end + 1;
    ++number_;
    return true;
  }
  bool Fail(const std::string& what) {
    *error_ = file_ + ":" + std::to_string(number_) + ": " + what;
    return false;
  }

 private:
  const std::string& text_;
  const std::string& file_;
  std::string* error_;
  size_t at_ = 0, number_ = 0;
};

// The lines before the parts: the first, the format version, the parts' count.
bool ParseHead(Lines& lines, size_t* version, size_t* count) {
  std::string line;
  if (!lines.Next(&line) || line != kFirstLine) return lines.Fail("no Quillet support bundle");
  if (!lines.Next(&line) || !StartsWith(line, kVersionKey) ||
      !ParseCount(line.substr(sizeof kVersionKey - 1), 999999, version) || *version == 0) {
    return lines.Fail("no FormatVersion line");
  }
  if (*version > static_cast<size_t>(kFormatVersion)) {
    return lines.Fail("the bundle is in format version " + std::to_string(*version) +
                      "; this reader knows versions up to " + std::to_string(kFormatVersion));
  }
  if (!lines.Next(&line) || !StartsWith(line, kPartsKey) ||
      !ParseCount(line.substr(sizeof kPartsKey - 1), kMaxParts, count)) {
    return lines.Fail("no Parts line, or more than " + std::to_string(kMaxParts) + " parts");
  }
  return true;
}

// A part's lines after its header, up to and with its end line.
bool ParsePartBody(Lines& lines, Part* part) {
  const std::string end = "[end " + part->name + "]";
  bool lineEnded = true;  // the last body line had its line end
  bool first = true;
  std::string line;
  while (lines.Next(&line)) {
    if (line == end) return true;
    if (first && StartsWith(line, kMissing)) {
      part->missing = true;
      part->why = line.substr(sizeof kMissing - 1);
      if (part->why.empty() || !PlainLine(part->why))
        return lines.Fail("an empty or unprintable why");
      first = false;
      continue;
    }
    if (part->missing || !lineEnded) return lines.Fail("a line after the end of " + part->name);
    first = false;
    if (line == kNoLineEnd) {
      if (part->text.empty() || part->text.back() != '\n')
        return lines.Fail("\"" + std::string(kNoLineEnd) + "\" after no line of " + part->name);
      part->text.pop_back();
      lineEnded = false;
      continue;
    }
    if (line.empty() || line[0] != '|' || (line.size() > 1 && line[1] != ' '))
      return lines.Fail("a line of " + part->name + " that starts with no \"| \"");
    if (!Unescape(line, line.size() > 1 ? 2 : 1, &part->text))
      return lines.Fail("a bad escape or an unprintable byte in " + part->name);
    part->text += '\n';
  }
  return lines.Fail("the bundle is cut short in the part " + part->name);
}

}  // namespace

const Part* Bundle::Find(const std::string& name) const {
  for (const Part& part : parts)
    if (part.name == name) return &part;
  return nullptr;
}

void Bundle::Add(const std::string& name, const std::string& text) {
  Part part;
  part.name = name;
  part.text = text;
  parts.push_back(std::move(part));
}

void Bundle::AddMissing(const std::string& name, const std::string& why) {
  Part part;
  part.name = name;
  part.missing = true;
  part.why = why;
  parts.push_back(std::move(part));
}

bool LooksLikeBundle(const std::string& text) {
  return StartsWith(text, kFirstLine) &&
         (text.size() == sizeof kFirstLine - 1 || text[sizeof kFirstLine - 1] == '\n' ||
          text[sizeof kFirstLine - 1] == '\r');
}

bool WriteBundle(const Bundle& bundle, std::string* text, std::string* error) {
  std::set<std::string> names;
  std::string out = std::string(kFirstLine) + "\n" + kVersionKey +
                    std::to_string(bundle.formatVersion) + "\n" + kPartsKey +
                    std::to_string(bundle.parts.size()) + "\n";
  out += "; Plain text, written by QuilletCheck --bundle. Each part is between [NAME] and\n"
         "; [end NAME]; its lines start with \"| \", and a byte that is not printable is\n"
         "; written as \\xNN. Read it before you send it.\n";
  if (bundle.parts.size() > kMaxParts) {
    *error = "a bundle holds at most " + std::to_string(kMaxParts) + " parts";
    return false;
  }
  for (const Part& part : bundle.parts) {
    if (!GoodName(part.name) || !names.insert(part.name).second) {
      *error = "a bundle part cannot be named \"" + part.name + "\"";
      return false;
    }
    out += "\n[" + part.name + "]\n";
    if (part.missing) {
      if (!PlainLine(part.why) || part.why.empty()) {
        *error = "the bundle part " + part.name + " says why it is missing in no plain line";
        return false;
      }
      out += kMissing + part.why + "\n";
    } else {
      size_t begin = 0;
      while (begin < part.text.size()) {
        size_t end = part.text.find('\n', begin);
        bool ended = end != std::string::npos;
        if (!ended) end = part.text.size();
        out += '|';
        if (end > begin) {
          out += ' ';
          AppendEscaped(part.text.substr(begin, end - begin), &out);
        }
        out += '\n';
        if (!ended) out += std::string(kNoLineEnd) + "\n";
        begin = end + 1;
      }
    }
    out += "[end " + part.name + "]\n";
  }
  *text = std::move(out);
  return true;
}

bool ParseBundle(const std::string& text, const std::string& file, Bundle* bundle,
                 std::string* error) {
  Lines lines(text, file, error);
  if (text.size() > kMaxBundleSize)
    return lines.Fail("larger than " + std::to_string(kMaxBundleSize) + " bytes: no bundle");
  size_t version = 0, count = 0;
  if (!ParseHead(lines, &version, &count)) return false;

  Bundle read;
  read.formatVersion = static_cast<int>(version);
  std::set<std::string> names;
  std::string line;
  while (lines.Next(&line)) {
    if (line.empty() || line[0] == ';') continue;
    if (line.size() < 3 || line.front() != '[' || line.back() != ']')
      return lines.Fail("a line outside every part");
    Part part;
    part.name = line.substr(1, line.size() - 2);
    if (!GoodName(part.name)) return lines.Fail("a part name must be printable, without ']'");
    if (!names.insert(part.name).second)
      return lines.Fail("the part " + part.name + " is given twice");
    if (read.parts.size() == count) return lines.Fail("more parts than Parts says");
    if (!ParsePartBody(lines, &part)) return false;
    read.parts.push_back(std::move(part));
  }
  if (read.parts.size() != count) {
    return lines.Fail("the bundle holds " + std::to_string(read.parts.size()) + " parts of " +
                      std::to_string(count) + ": it is cut short");
  }
  *bundle = std::move(read);
  return true;
}

std::string Value(const std::string& text, const std::string& key) {
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    if (end - at > key.size() && text.compare(at, key.size(), key) == 0 &&
        text[at + key.size()] == '=') {
      return text.substr(at + key.size() + 1, end - at - key.size() - 1);
    }
    at = end + 1;
  }
  return std::string();
}

}  // namespace bundle
