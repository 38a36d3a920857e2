// Judging hubs: what the update run would do with each described hub, by
// the updater's own listing and selection tests.
#ifndef QUILLET_CHECKER_HUB_JUDGE_H_
#define QUILLET_CHECKER_HUB_JUDGE_H_

#include <vector>

#include "kit_report.h"

class HubLibrary;

namespace check {

// Lists the hubs `library` describes as the updater lists them and judges
// each, last first, against report->images.
void CheckHubs(HubLibrary& library, KitReport* report);

// One hub planned as the update run plans it, its images read from the
// checker's cache: every image judged, not only up to the first that passes.
void JudgeHub(const UpdaterState& state, const std::vector<ImageRow>& images, HubReport* hub);

}  // namespace check

#endif  // QUILLET_CHECKER_HUB_JUDGE_H_
