// A hub's fate, one name for the updater's results, the launcher's report
// and the kit checker. The plan decides one of the first five, or PowerCyclePending; the update
// run turns a Program into Programmed or WriteFailed by writing.
#ifndef QUILLET_COMMON_HUB_OUTCOME_H_
#define QUILLET_COMMON_HUB_OUTCOME_H_

#include <cstdint>

enum class HubOutcome : uint8_t {
  SameLevelBefore,  // a short-format hub at FWVersion: no image looked for
  NoImage,          // the hub test failed or every image was refused
  SameLevelAfter,   // the chosen image delivers the version the hub reports
  ImageCheck,       // the image list does not vouch for the chosen image
  Program,          // the chosen image is to be written
  Programmed,       // the library wrote the image
  WriteFailed,      // the library was called and failed
  // Written by an earlier run and still reporting its firmware from before
  // that write: it waits for a power cycle; nothing written.
  PowerCyclePending,
};

// Each outcome's names: in the results text and the launcher's report,
// where both same-level outcomes are "same-level", and in the checker's.
// A switch, so that an outcome without names does not build; past the last
// outcome both are null.
struct HubOutcomeNames {
  const char* results;
  const char* checker;
};
constexpr HubOutcomeNames NamesOf(HubOutcome outcome) {
  switch (outcome) {
    case HubOutcome::SameLevelBefore: return {"same-level", "same-level-before-selection"};
    case HubOutcome::NoImage: return {"no-image", "no-image"};
    case HubOutcome::SameLevelAfter: return {"same-level", "same-level-after-selection"};
    case HubOutcome::ImageCheck: return {"image-check", "refused"};
    case HubOutcome::Program: return {"program", "program"};
    case HubOutcome::Programmed: return {"programmed", "programmed"};
    case HubOutcome::WriteFailed: return {"write-failed", "write-failed"};
    case HubOutcome::PowerCyclePending: return {"power-cycle-pending", "power-cycle-pending"};
  }
  return {nullptr, nullptr};
}

inline const char* OutcomeName(HubOutcome outcome) { return NamesOf(outcome).results; }
inline const char* CheckerOutcomeName(HubOutcome outcome) { return NamesOf(outcome).checker; }
inline bool IsSameLevel(HubOutcome outcome) {
  return outcome == HubOutcome::SameLevelBefore || outcome == HubOutcome::SameLevelAfter;
}

#endif  // QUILLET_COMMON_HUB_OUTCOME_H_
