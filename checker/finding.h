// The checker's findings: every finding it can give is one row of one table,
// with its code for the reports, its severity, the report part it belongs to
// and what it means (the README's table of codes is held equal to it).
#ifndef QUILLET_CHECKER_FINDING_H_
#define QUILLET_CHECKER_FINDING_H_

#include <cstdint>
#include <string>
#include <vector>

namespace check {

enum class Severity { kError, kWarning };
// The report's part a finding belongs to.
enum class ReportPart { kSettings, kImages, kHubs, kKit, kKitSums };
// As both reports name them: "error", "warning"; "settings", "images", ...
const char* SeverityName(Severity severity);
const char* PartName(ReportPart part);

enum class FindingCode : uint8_t {
  kSettingsMissing,
  kModuleKeyMissing,
  kModuleKeyIgnored,
  kModuleFileMissing,
  kModuleFileCase,
  kIdUnparsed,
  kNoEquals,
  kKeyOutside,
  kLineSplit,
  kIdDuplicate,
  kIdsOverLimit,
  kFwVersionUndelivered,
  kFindingsCut,
  kNoImages,
  kImagesUnchecked,
  kImageNameTooLong,
  kImageUnreadable,
  kSizeRule,
  kListUnreadable,
  kListBad,
  kImageDiffers,
  kListedOtherCase,
  kImageUnlisted,
  kListedMissing,
  kHubsNotListed,
  kHubsClamped,
  kHubNoImage,
  kHubSeveralImages,
  kHubImageRefused,
  kKitDiffers,
  kKitNotCompared,
  kKitSumsBad,
  kKitSumsDiffers,
  kKitSumsMissing,
  kKitSumsUnlisted,
};

struct FindingRow {
  const char* code;  // stable, for the JSON report: "id-unparsed", ...
  Severity severity;
  ReportPart part;
  const char* meaning;  // the README's line for it
};

// The row of `code`; a value that names no finding has a null code.
FindingRow RowOf(FindingCode code);

// One thing worth telling. `line` is the settings file's line (from 1), or 0
// when the finding is not about a line.
struct Finding {
  FindingCode code;
  int line;
  std::string text;

  // Its code's row: the code text, severity and part.
  FindingRow Row() const { return RowOf(code); }
};

void Add(std::vector<Finding>* findings, FindingCode code, int line, std::string text);

int CountOf(const std::vector<Finding>& findings, Severity severity);

}  // namespace check

#endif  // QUILLET_CHECKER_FINDING_H_
