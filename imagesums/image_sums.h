// The image list Binfile\SHA256SUMS: what `sha256sum` writes, read as the
// updater and the kit checker need it. A pure reader over the list's bytes;
// finding and opening the list is the caller's.
#ifndef QUILLET_IMAGESUMS_IMAGE_SUMS_H_
#define QUILLET_IMAGESUMS_IMAGE_SUMS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace imagesums {

// The list's name in Binfile, found without regard to letter case.
constexpr char kListName[] = "SHA256SUMS";
// A list is a line per image; one far larger than any kit's is not read.
constexpr uint64_t kMaxListSize = 4u << 20;

constexpr size_t kDigestSize = 32;
using Digest = std::array<uint8_t, kDigestSize>;

// Why a list is bad. A bad list is never taken as no list.
enum class ListFault {
  kNone,
  kNoAcceptedForm,  // none of the forms below
  kPathSeparator,   // the name holds '/' or '\'
  kNameTwice,       // the same name (byte for byte) on an earlier line
  kPathOutside,     // a kit path that is absolute or climbs out with ".."
};

// What a list's names are: bare file names (Binfile\SHA256SUMS), or paths
// from a kit's root with '/' between folders (the kit's own SHA256SUMS).
enum class NameForm { kFileName, kKitPath };

struct ListFaultRow {
  ListFault fault;
  const char* code;  // the kit checker's JSON name for it
  const char* text;  // what follows "line N: "
};
const ListFaultRow& FaultRow(ListFault fault);

struct Entry {
  std::string name;  // bytes as listed
  Digest digest;
  int line;  // from 1
};

struct List {
  std::vector<Entry> entries;  // in the list's order
  ListFault fault = ListFault::kNone;
  int faultLine = 0;    // the first bad line
  int earlierLine = 0;  // for kNameTwice: where the name was first
};

// Reads the whole list. Accepted, line by line (LF or CR LF ends, the last
// line's end optional):
//   <64 hex> *<name>        binary mode, as the kit's lists are written
//   <64 hex>  <name>        text mode (two blanks)
//   SHA256 (<name>) = <64 hex>   the tagged form of `sha256sum --tag`
//   # anything              a comment
//   (nothing)               a blank line
// Hex in either case. False when the list is bad; `list` then names the
// first bad line, and holds the entries before it. A kit path is refused
// unless every part of it is a name: no '\', no drive or stream ':', no
// empty, "." or ".." part, so that no entry can name a file outside the
// kit.
bool ReadList(const std::string& text, List* list, NameForm form = NameForm::kFileName);

// The entry whose name is `name`, byte for byte; null when none is.
const Entry* FindEntry(const List& list, const std::string& name);

// 64 lower-case hex digits.
std::string DigestHex(const Digest& digest);

// One line of a list as the kit writes it: "<hex> *<name>\n".
std::string ListLine(const Digest& digest, const std::string& name);

}  // namespace imagesums

#endif  // QUILLET_IMAGESUMS_IMAGE_SUMS_H_
