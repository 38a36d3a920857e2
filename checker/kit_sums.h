// The kit's own SHA256SUMS, at a kit root beside Quillet.exe: every file of
// the kit with its digest, as packaging wrote it (kit/README.md). The check
// decides each file's verdict once; the text and JSON reports, and through
// the JSON the support bundle, print from it.
#ifndef QUILLET_CHECKER_KIT_SUMS_H_
#define QUILLET_CHECKER_KIT_SUMS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "finding.h"
#include "image_check.h"
#include "image_sums.h"
#include "json_writer.h"

namespace check {

class CheckerHost;

enum class KitFileCheck : uint8_t {
  kMatches,
  kDiffers,
  kMissing,     // listed, and no such file opens
  kUnreadable,  // listed and opened, but not hashed whole
  kUnlisted,    // in the kit, and not in the list
};
// As the JSON report names it: "matches", "differs", ...
const char* KitFileCheckName(KitFileCheck check);

struct KitFileVerdict {
  std::string path;  // from the kit's root, with '/'
  KitFileCheck check;
  imagesums::Digest listed{};    // all but kUnlisted
  imagesums::Digest computed{};  // kMatches and kDiffers
};

struct KitSums {
  ListState state = ListState::kAbsent;
  std::string name;  // as the search found it
  std::string why;   // kUnreadable: why
  imagesums::List list;
  // The listed files in the list's order, then the unlisted ones as the
  // folders' searches yield them. Empty unless the list was read.
  std::vector<KitFileVerdict> files;
  bool walkCut = false;  // more files or deeper folders than are walked

  bool Present() const { return state != ListState::kAbsent; }
};

// Reads `root`'s SHA256SUMS, when there is one, and judges every file under
// `root` against it. A list with a bad line judges no file: no path of it
// is ever opened.
KitSums CheckKitSums(CheckerHost& host, const std::string& root);

// One finding per file that does not match, or one for a list that cannot
// be taken.
void AddKitSumsFindings(const KitSums& sums, std::vector<Finding>* findings);

// The text report's part on the list, its findings included.
std::string KitSumsText(const KitSums& sums, const std::vector<Finding>& findings);
// The JSON report's "kitSums" member.
void KitSumsJson(JsonWriter& j, const KitSums& sums);

}  // namespace check

#endif  // QUILLET_CHECKER_KIT_SUMS_H_
