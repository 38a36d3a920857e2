// The updater's results the launcher's tests start from: a hub whose write
// failed, every number of it different from the others, then a hub at the
// same level. The version is not the launcher's, so that a report shows
// which is which.
#ifndef QUILLET_TESTS_LAUNCHER_SAMPLE_RESULTS_H_
#define QUILLET_TESTS_LAUNCHER_SAMPLE_RESULTS_H_

#include <cstdio>

#include "updater_results.h"

inline UpdaterResults SampleResults() {
  UpdaterResults results;
  std::snprintf(results.version, sizeof results.version, "2.8");
  results.stage = UpdaterStage::kListed;
  HubResult hub;
  hub.device = 2;
  hub.place.vendorId = 0x3A17;
  hub.place.productId = 0x0600;
  hub.firmwareBefore = 0x9012;
  std::snprintf(hub.image, sizeof hub.image, ".\\Binfile\\My Dock.BIN");
  hub.libraryCalled = true;
  hub.libraryResult = -7;
  hub.outcome = HubOutcome::kWriteFailed;
  RecordHub(&results, hub);
  hub = HubResult();
  hub.device = 1;
  hub.outcome = HubOutcome::kSameLevelBefore;
  RecordHub(&results, hub);
  return results;
}

#endif  // QUILLET_TESTS_LAUNCHER_SAMPLE_RESULTS_H_
