// Judging hubs: what the update run would do with each described hub, by
// the updater's own listing and selection tests.
#ifndef QUILLET_CHECKER_HUB_JUDGE_H_
#define QUILLET_CHECKER_HUB_JUDGE_H_

#include <vector>

#include "kit_report.h"

class HubLibrary;

namespace check {

// Lists the hubs `library` describes as the updater lists them and judges
// each, last first, against report->images; with `pending`, the writes a
// computer's last unattended run left waiting, as that run's updater would.
void CheckHubs(HubLibrary& library, KitReport* report, const PendingWrites* pending = nullptr);

// One hub planned as the update run plans it, its images read from the
// checker's cache: every image judged, not only up to the first that passes.
void JudgeHub(const UpdaterState& state, const std::vector<ImageRow>& images, HubReport* hub,
              const PendingWrites* pending = nullptr);

}  // namespace check

#endif  // QUILLET_CHECKER_HUB_JUDGE_H_
