#include "finding.h"

#include <algorithm>

namespace check {

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::kError: return "error";
    case Severity::kWarning: return "warning";
  }
  return "?";
}

const char* PartName(ReportPart part) {
  switch (part) {
    case ReportPart::kSettings: return "settings";
    case ReportPart::kImages: return "images";
    case ReportPart::kHubs: return "hubs";
    case ReportPart::kKit: return "kit";
    case ReportPart::kKitSums: return "kit-sums";
  }
  return "?";
}

FindingRow RowOf(FindingCode code) {
  constexpr Severity kError = Severity::kError;
  constexpr Severity kWarning = Severity::kWarning;
  constexpr ReportPart kSettings = ReportPart::kSettings;
  constexpr ReportPart kImages = ReportPart::kImages;
  constexpr ReportPart kHubs = ReportPart::kHubs;
  constexpr ReportPart kKit = ReportPart::kKit;
  constexpr ReportPart kKitSums = ReportPart::kKitSums;
  // clang-format off
  switch (code) {
    case FindingCode::kSettingsMissing:       return {"settings-missing", kError, kSettings, "SpiFlash.ini cannot be opened"};
    case FindingCode::kModuleKeyMissing:      return {"module-key-missing", kError, kSettings, "HUBNumber of 2 or more, a module key missing: the reader gives up"};
    case FindingCode::kModuleKeyIgnored:      return {"module-key-ignored", kWarning, kSettings, "HUBNumber of 0 or 1 and a module key in [HUBModule]: the reader reads none"};
    case FindingCode::kModuleFileMissing:     return {"module-file-missing", kError, kSettings, "a module's file is not among the images"};
    case FindingCode::kModuleFileCase:        return {"module-file-case", kError, kSettings, "a module's file is there only in another letter case"};
    case FindingCode::kIdUnparsed:            return {"id-unparsed", kWarning, kSettings, "a hub-ID line that is not HEX=HEX, and what the reader takes"};
    case FindingCode::kNoEquals:              return {"no-equals", kWarning, kSettings, "a line without `=` in a section: skipped"};
    case FindingCode::kKeyOutside:            return {"key-outside", kWarning, kSettings, "a key outside the first section of its name: never read"};
    case FindingCode::kLineSplit:             return {"line-split", kWarning, kSettings, "a line over 199 characters: the rest is read as another line"};
    case FindingCode::kIdDuplicate:           return {"id-duplicate", kWarning, kSettings, "a hub ID listed again: the first wins"};
    case FindingCode::kIdsOverLimit:          return {"ids-over-limit", kWarning, kSettings, "more than 100 hub IDs: the rest are not used"};
    case FindingCode::kFwVersionUndelivered:  return {"fwversion-undelivered", kWarning, kSettings, "with CheckHUBFW, no image delivers FWVersion to the short-format hubs"};
    case FindingCode::kFindingsCut:           return {"findings-cut", kWarning, kSettings, "more than 500 line findings: the rest are counted here"};
    case FindingCode::kNoImages:              return {"no-images", kWarning, kImages, "the search finds no image"};
    case FindingCode::kImagesUnchecked:       return {"images-unchecked", kWarning, kImages, "more than 100,000 entries"};
    case FindingCode::kImageNameTooLong:      return {"image-name-too-long", kWarning, kImages, "a name that does not fit the updater's path"};
    case FindingCode::kImageUnreadable:       return {"image-unreadable", kWarning, kImages, "an image that cannot be opened"};
    case FindingCode::kSizeRule:              return {"size-rule", kWarning, kImages, "a 0D12 image of the wrong size, warned about on every hub"};
    case FindingCode::kListUnreadable:        return {"sums-unreadable", kError, kImages, "Binfile\\SHA256SUMS cannot be read: the updater refuses every hub"};
    case FindingCode::kListBad:               return {"sums-bad", kError, kImages, "a bad line in Binfile\\SHA256SUMS, named: the updater refuses every hub"};
    case FindingCode::kImageDiffers:          return {"sums-differs", kError, kImages, "an image whose SHA-256 differs from its listed digest"};
    case FindingCode::kListedOtherCase:       return {"sums-case", kError, kImages, "an image listed only in another letter case: names compare byte for byte"};
    case FindingCode::kImageUnlisted:         return {"sums-unlisted", kWarning, kImages, "an image the list does not name"};
    case FindingCode::kListedMissing:         return {"sums-missing", kWarning, kImages, "a listed name the image search does not find"};
    case FindingCode::kHubsNotListed:         return {"hubs-not-listed", kError, kHubs, "no hub, or not HUBNumber hubs: the updater stops"};
    case FindingCode::kHubsClamped:           return {"hubs-clamped", kWarning, kHubs, "the library reports more than 16 hubs: the updater takes the first 16"};
    case FindingCode::kHubNoImage:            return {"hub-no-image", kError, kHubs, "a hub gets no image"};
    case FindingCode::kHubSeveralImages:      return {"hub-several-images", kWarning, kHubs, "more than one image passes; directory order decides"};
    case FindingCode::kHubImageRefused:       return {"hub-image-refused", kError, kHubs, "the image list does not vouch for the chosen image: the hub is refused"};
    case FindingCode::kKitDiffers:            return {"kit-differs", kWarning, kKit, "x86 and x64 differ in their settings or an image"};
    case FindingCode::kKitNotCompared:        return {"kit-not-compared", kWarning, kKit, "a file larger than 64 MiB in both folders: not compared"};
    case FindingCode::kKitSumsBad:            return {"kit-sums-bad", kError, kKitSums, "the kit root's SHA256SUMS cannot be read, or has a bad line, named: no file is checked"};
    case FindingCode::kKitSumsDiffers:        return {"kit-sums-differs", kError, kKitSums, "a file of the kit whose SHA-256 differs from the one SHA256SUMS lists"};
    case FindingCode::kKitSumsMissing:        return {"kit-sums-missing", kError, kKitSums, "a file SHA256SUMS lists that is not found or cannot be read whole"};
    case FindingCode::kKitSumsUnlisted:       return {"kit-sums-unlisted", kError, kKitSums, "a file of the kit that SHA256SUMS does not list"};
  }
  // clang-format on
  return {nullptr, kWarning, kSettings, nullptr};
}

void Add(std::vector<Finding>* findings, FindingCode code, int line, std::string text) {
  findings->push_back(Finding{code, line, std::move(text)});
}

int CountOf(const std::vector<Finding>& findings, Severity severity) {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(), [&](const Finding& f) {
    return f.Row().severity == severity;
  }));
}

}  // namespace check
