// A support bundle: what the checker gathers on a customer's computer, as
// one file of plain ASCII text that the customer can read before sending
// it. It is a list of named parts; a part holds text (any bytes, escaped
// where they are not printable) or says why it could not be read. The
// format knows nothing of what the parts mean: the checker writes and
// reads them (checker/bundle_parts.cpp).
#ifndef QUILLET_BUNDLE_BUNDLE_H_
#define QUILLET_BUNDLE_BUNDLE_H_

#include <cstddef>
#include <string>
#include <vector>

namespace bundle {

// The version this writer writes and the newest this reader reads.
constexpr int kFormatVersion = 1;
// The largest bundle read, and the most a writer lets one part hold: a
// part that would be larger is recorded as missing instead.
constexpr size_t kMaxBundleSize = 1 << 20;
constexpr size_t kMaxPartSize = size_t{256} * 1024;
// The first line of every bundle.
constexpr char kFirstLine[] = "Quillet support bundle";

struct Part {
  std::string name;  // printable ASCII without ']', 1 to 64 bytes
  bool missing = false;
  std::string why;   // when missing: one line, printable ASCII
  std::string text;  // when present: the part's bytes, whatever they are
};

struct Bundle {
  int formatVersion = kFormatVersion;
  std::vector<Part> parts;

  // The part named `name`; null when the bundle has none.
  const Part* Find(const std::string& name) const;
  void Add(const std::string& name, const std::string& text);
  void AddMissing(const std::string& name, const std::string& why);
};

// Whether `text` starts as a bundle does (any version).
bool LooksLikeBundle(const std::string& text);

// The bundle as text. False with one line in *error when a name or a why
// cannot be written (a control character, ']' in a name, a duplicate name).
bool WriteBundle(const Bundle& bundle, std::string* text, std::string* error);

// Reads a bundle that `file` names in messages. False with one line in
// *error ("<file>:<line>: <what>"): a bundle of a newer version, a cut or
// damaged one, or more than kMaxBundleSize bytes.
bool ParseBundle(const std::string& text, const std::string& file, Bundle* bundle,
                 std::string* error);

// A part's text as key=value lines: the value of `key`, empty when absent.
std::string Value(const std::string& text, const std::string& key);

}  // namespace bundle

#endif  // QUILLET_BUNDLE_BUNDLE_H_
