// A hub's fate, one name for the updater's results, the launcher's report
// and the kit checker. The plan decides one of the first five, or PowerCyclePending; the update
// run turns a Program into Programmed or WriteFailed by writing.
#ifndef QUILLET_COMMON_HUB_OUTCOME_H_
#define QUILLET_COMMON_HUB_OUTCOME_H_

#include <cstdint>

enum class HubOutcome : uint8_t {
  kSameLevelBefore,  // a short-format hub at FWVersion: no image looked for
  kNoImage,          // the hub test failed or every image was refused
  kSameLevelAfter,   // the chosen image delivers the version the hub reports
  kImageCheck,       // the image list does not vouch for the chosen image
  kProgram,          // the chosen image is to be written
  kProgrammed,       // the library wrote the image
  kWriteFailed,      // the library was called and failed
  // Written by an earlier run and still reporting its firmware from before
  // that write: it waits for a power cycle; nothing written.
  kPowerCyclePending,
};

// Each outcome's names: in the results text, the launcher's report and the
// record, where both same-level outcomes are "same-level"; in the checker's;
// and the report's noImageReason, why no image was chosen (null for the
// outcomes that always have one). A switch, so that an outcome without
// names does not build; past the last outcome all are null.
struct HubOutcomeNames {
  const char* results;
  const char* checker;
  const char* noImageReason;
};
constexpr HubOutcomeNames NamesOf(HubOutcome outcome) {
  switch (outcome) {
    case HubOutcome::kSameLevelBefore:
      return {"same-level", "same-level-before-selection", "same-level"};
    case HubOutcome::kNoImage: return {"no-image", "no-image", "not-found"};
    case HubOutcome::kSameLevelAfter: return {"same-level", "same-level-after-selection", nullptr};
    case HubOutcome::kImageCheck: return {"image-check", "refused", nullptr};
    case HubOutcome::kProgram: return {"program", "program", nullptr};
    case HubOutcome::kProgrammed: return {"programmed", "programmed", nullptr};
    case HubOutcome::kWriteFailed: return {"write-failed", "write-failed", nullptr};
    case HubOutcome::kPowerCyclePending:
      return {"power-cycle-pending", "power-cycle-pending", "power-cycle-pending"};
  }
  return {nullptr, nullptr, nullptr};
}

inline const char* OutcomeName(HubOutcome outcome) { return NamesOf(outcome).results; }
inline const char* CheckerOutcomeName(HubOutcome outcome) { return NamesOf(outcome).checker; }
inline bool IsSameLevel(HubOutcome outcome) {
  return outcome == HubOutcome::kSameLevelBefore || outcome == HubOutcome::kSameLevelAfter;
}

#endif  // QUILLET_COMMON_HUB_OUTCOME_H_
