#include "deployment.h"

namespace {

bool AnyHub(const LaunchRecord& record, HubOutcome outcome) {
  for (int i = 0; i < record.results.hubCount; ++i) {
    if (record.results.hubs[i].outcome == outcome) return true;
  }
  return false;
}

bool Holds(StatusFact fact, const LaunchRecord& r) {
  const UpdaterStage stage = r.results.stage;
  switch (fact) {
    case StatusFact::kUsage: return false;
    case StatusFact::kBusy: return r.busy || (r.haveResults && stage == UpdaterStage::kBusy);
    case StatusFact::kNotRun:
      // A start folder too long to use stops the run before any child: no
      // results are missing then.
      if (r.directoryTooLong) return false;
      return r.setupFailed || (r.installRan && !r.install.started) ||
             (r.removeRan && !r.remove.started) || (r.updaterRan && r.updater.status != 0) ||
             !r.haveResults;
    case StatusFact::kStoppedEarly:
      return r.directoryTooLong || stage == UpdaterStage::kSettings ||
             stage == UpdaterStage::kDriver;
    case StatusFact::kNoHubs: return stage == UpdaterStage::kNoHubs;
    case StatusFact::kWriteFailed: return AnyHub(r, HubOutcome::kWriteFailed);
    case StatusFact::kImageRefused: return AnyHub(r, HubOutcome::kImageCheck);
    case StatusFact::kNoImage: return AnyHub(r, HubOutcome::kNoImage);
    case StatusFact::kDone: return true;
  }
  return true;
}

}  // namespace

const StatusRow kStatusTable[9] = {
    {StatusFact::kUsage, 2, "usage"},
    {StatusFact::kBusy, 1618, "busy"},
    {StatusFact::kNotRun, 1, "not-run"},
    {StatusFact::kStoppedEarly, 11, "stopped-early"},
    {StatusFact::kNoHubs, 10, "no-hubs"},
    {StatusFact::kWriteFailed, 13, "write-failed"},
    {StatusFact::kImageRefused, 14, "image-check"},
    {StatusFact::kNoImage, 12, "no-image"},
    {StatusFact::kDone, 0, "done"},
};

const StatusRow& RunStatus(const LaunchRecord& record) {
  for (const StatusRow& row : kStatusTable) {
    if (Holds(row.fact, record)) return row;
  }
  return kStatusTable[8];
}
