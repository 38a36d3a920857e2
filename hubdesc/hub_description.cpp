#include "hub_description.h"

#include <cctype>
#include <set>
#include <utility>

#include "description_keys.h"
#include "description_values.h"
#include "ini_text.h"

namespace hubdesc {
namespace {

bool IsHubSection(const std::string& name) {
  if (name.size() < 4 || Folded(name.substr(0, 3)) != "hub") return false;
  for (size_t i = 3; i < name.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

// A newer format than this reader knows is refused before anything else is
// looked at: its other lines may well be unknown here. Returns the line of
// [Capture]'s FormatVersion, 0 if none, and the version it states.
int StatedVersion(const std::string& text, const std::vector<Line>& lines, int* version) {
  bool inCapture = false;
  for (size_t n = 0; n < lines.size(); ++n) {
    std::string trimmed = Trim(text.substr(lines[n].begin, lines[n].end - lines[n].begin));
    std::string name;
    if (SectionName(trimmed, &name)) {
      inCapture = Folded(name) == "capture";
      continue;
    }
    size_t eq = trimmed.find('=');
    if (!inCapture || eq == std::string::npos ||
        Folded(Trim(trimmed.substr(0, eq))) != "formatversion")
      continue;
    int64_t stated = 0;
    if (!ParseDecimal(Trim(trimmed.substr(eq + 1)), 1, INT32_MAX, &stated)) return 0;
    *version = static_cast<int>(stated);
    return static_cast<int>(n) + 1;
  }
  return 0;
}

class Parser {
 public:
  Parser(const std::string& fileName, HubDescription* out, std::string* error)
      : fileName_(fileName), out_(out), error_(error) {}

  bool Run(const std::string& text) {
    std::vector<Line> lines = SplitLines(text);
    int version = kFormatVersion;
    line_ = StatedVersion(text, lines, &version);
    if (version > kFormatVersion)
      return Fail("the capture is in description format version " + std::to_string(version) +
                  "; this reader knows versions up to " + std::to_string(kFormatVersion));
    for (size_t n = 0; n < lines.size(); ++n) {
      line_ = static_cast<int>(n) + 1;
      std::string raw = text.substr(lines[n].begin, lines[n].end - lines[n].begin);
      if (n == 0 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
      if (!Take(raw)) return false;
    }
    return Finish();
  }

 private:
  enum class Section { kNone, kLibrary, kHub, kCapture };

  // Where each section began and which keys it gave, for the checks at the
  // end (required keys, and every key in a capture).
  struct Given {
    std::string name;
    int line = 0;
    std::set<std::string> keys;  // the rows' names, lower case
  };

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
    if (section_ == Section::kNone) return Fail(key + " stands before any [section]");
    if (!keysSeen_.insert(Folded(key)).second) return Fail(key + " is given twice in its section");
    switch (section_) {
      case Section::kLibrary: return LibraryKey(key, value);
      case Section::kHub: return HubKey(key, value);
      case Section::kCapture: return CaptureKeyValue(key, value);
      case Section::kNone: break;
    }
    return false;
  }

  bool StartSection(const std::string& name) {
    if (!sectionsSeen_.insert(Folded(name)).second) return Fail("[" + name + "] is given twice");
    keysSeen_.clear();
    if (Folded(name) == "library") {
      section_ = Section::kLibrary;
      library_ = {name, line_, {}};
      return true;
    }
    if (Folded(name) == "capture") {
      section_ = Section::kCapture;
      capture_ = {name, line_, {}};
      out_->isCapture = true;
      return true;
    }
    if (!IsHubSection(name))
      return Fail("[" + name + "] is not a known section ([Library], [Hub1], [Hub2], ...)");
    if (static_cast<int>(out_->hubs.size()) == kMaxDescribedHubs)
      return Fail("[" + name + "]: no more than " + std::to_string(kMaxDescribedHubs) +
                  " hubs can be described");
    section_ = Section::kHub;
    out_->hubs.emplace_back();
    out_->hubs.back().section = name;
    out_->hubs.back().line = line_;
    hubs_.push_back({name, line_, {}});
    return true;
  }

  template <class Owner>
  bool TableKey(const std::vector<Key<Owner>>& keys, Owner& owner, Given& given,
                const std::string& key, const std::string& value, bool* known) {
    bool hex = false;
    const Key<Owner>* row = FindRow(keys, key, &hex);
    *known = row != nullptr;
    if (row == nullptr) return false;
    if (!given.keys.insert(Folded(row->name)).second)
      return Fail(key + ": the string is already given in this section");
    std::string why;
    return TakeValue(*row, hex, owner, key, value, &why) || Fail(why);
  }

  bool LibraryKey(const std::string& key, const std::string& value) {
    bool known = false;
    bool ok = TableKey(LibraryKeys(), *out_, library_, key, value, &known);
    if (known) return ok;
    std::string names;
    for (const Key<HubDescription>& row : LibraryKeys())
      names += std::string(names.empty() ? "" : ", ") + row.name;
    return Fail(key + " is not a key of [Library] (" + names + ")");
  }

  bool HubKey(const std::string& key, const std::string& value) {
    bool known = false;
    bool ok = TableKey(HubKeys(), out_->hubs.back(), hubs_.back(), key, value, &known);
    return known ? ok : Fail(key + " is not a key of a hub section");
  }

  bool CaptureKeyValue(const std::string& key, const std::string& value) {
    const CaptureKey* row = nullptr;
    for (const CaptureKey& candidate : CaptureKeys())
      if (Folded(key) == Folded(candidate.name)) row = &candidate;
    if (row == nullptr) return Fail(key + " is not a key of [Capture]");
    capture_.keys.insert(Folded(row->name));
    if (row->read(value, &out_->capture)) return true;
    return Fail(key + ": \"" + value + "\" is not " + row->what);
  }

  // Names the first key of `names` that `given` lacks, at its header.
  template <class Row>
  bool HasKeys(const Given& given, const std::vector<Row>& rows, bool every) {
    for (const Row& row : rows) {
      if (!(every || RequiredRow(row)) || given.keys.count(Folded(row.name)) != 0) continue;
      line_ = given.line;
      return Fail("[" + given.name + "] has no " + row.name);
    }
    return true;
  }
  template <class Owner>
  static bool RequiredRow(const Key<Owner>& row) {
    return row.required;
  }
  static bool RequiredRow(const CaptureKey&) { return true; }

  // A capture is written whole, every key of every section and its number
  // of hubs, so that a file cut short anywhere fails here.
  bool Finish() {
    bool capture = out_->isCapture;
    if (capture && !HasKeys(capture_, CaptureKeys(), true)) return false;
    if (capture && library_.line == 0) {
      line_ = capture_.line;
      return Fail("the capture has no [Library] section");
    }
    if (capture && !HasKeys(library_, LibraryKeys(), true)) return false;
    for (const Given& hub : hubs_)
      if (!HasKeys(hub, HubKeys(), capture)) return false;
    if (!capture) return true;
    line_ = capture_.line;
    if (out_->capture.hubCount != static_cast<int>(out_->hubs.size()))
      return Fail("the capture states " + std::to_string(out_->capture.hubCount) +
                  " hubs but holds " + std::to_string(out_->hubs.size()) + ": it is cut short");
    if (out_->capture.libraryVersion != out_->libraryVersion)
      return Fail("the capture's LibraryVersion is not [Library]'s Version");
    return true;
  }

  const std::string& fileName_;
  HubDescription* out_;
  std::string* error_;
  int line_ = 0;
  Section section_ = Section::kNone;
  std::set<std::string> sectionsSeen_;
  std::set<std::string> keysSeen_;
  Given library_, capture_;
  std::vector<Given> hubs_;
};

}  // namespace

bool ParseHubDescription(const std::string& text, const std::string& fileName, HubDescription* out,
                         std::string* error) {
  HubDescription parsed;
  if (!Parser(fileName, &parsed, error).Run(text)) return false;
  *out = std::move(parsed);
  return true;
}

}  // namespace hubdesc
