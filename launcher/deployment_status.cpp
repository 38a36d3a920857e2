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
    case StatusFact::Usage: return false;
    case StatusFact::Busy: return r.busy || (r.haveResults && stage == UpdaterStage::Busy);
    case StatusFact::NotRun:
      // A start folder too long to use stops the run before any child: no
      // results are missing then.
      if (r.directoryTooLong) return false;
      return r.setupFailed || (r.installRan && !r.install.started) ||
             (r.removeRan && !r.remove.started) || (r.updaterRan && r.updater.status != 0) ||
             !r.haveResults;
    case StatusFact::StoppedEarly:
      return r.directoryTooLong || stage == UpdaterStage::Settings || stage == UpdaterStage::Driver;
    case StatusFact::NoHubs: return stage == UpdaterStage::NoHubs;
    case StatusFact::WriteFailed: return AnyHub(r, HubOutcome::WriteFailed);
    case StatusFact::ImageRefused: return AnyHub(r, HubOutcome::ImageCheck);
    case StatusFact::NoImage: return AnyHub(r, HubOutcome::NoImage);
    case StatusFact::Done: return true;
  }
  return true;
}

}  // namespace

const StatusRow kStatusTable[9] = {
    {StatusFact::Usage, 2, "usage"},
    {StatusFact::Busy, 1618, "busy"},
    {StatusFact::NotRun, 1, "not-run"},
    {StatusFact::StoppedEarly, 11, "stopped-early"},
    {StatusFact::NoHubs, 10, "no-hubs"},
    {StatusFact::WriteFailed, 13, "write-failed"},
    {StatusFact::ImageRefused, 14, "image-check"},
    {StatusFact::NoImage, 12, "no-image"},
    {StatusFact::Done, 0, "done"},
};

const StatusRow& RunStatus(const LaunchRecord& record) {
  for (const StatusRow& row : kStatusTable) {
    if (Holds(row.fact, record)) return row;
  }
  return kStatusTable[8];
}
