#include "deployment.h"

namespace {

bool AnyHub(const LaunchRecord& record, HubOutcome outcome) {
  for (int i = 0; i < record.results.hubCount; ++i) {
    if (record.results.hubs[i].outcome == outcome) return true;
  }
  return false;
}

bool Holds(Finding finding, const LaunchRecord& r) {
  const UpdaterStage stage = r.results.stage;
  switch (finding) {
    case Finding::Usage: return false;
    case Finding::Busy: return r.busy || (r.haveResults && stage == UpdaterStage::Busy);
    case Finding::NotRun:
      // A start folder too long to use stops the run before any child: no
      // results are missing then.
      if (r.directoryTooLong) return false;
      return r.setupFailed || (r.installRan && !r.install.started) ||
             (r.removeRan && !r.remove.started) || (r.updaterRan && r.updater.status != 0) ||
             !r.haveResults;
    case Finding::StoppedEarly:
      return r.directoryTooLong || stage == UpdaterStage::Settings || stage == UpdaterStage::Driver;
    case Finding::NoHubs: return stage == UpdaterStage::NoHubs;
    case Finding::WriteFailed: return AnyHub(r, HubOutcome::WriteFailed);
    case Finding::ImageRefused: return AnyHub(r, HubOutcome::ImageCheck);
    case Finding::NoImage: return AnyHub(r, HubOutcome::NoImage);
    case Finding::Done: return true;
  }
  return true;
}

}  // namespace

const StatusRow kStatusTable[9] = {
    {Finding::Usage, 2, "usage"},
    {Finding::Busy, 1618, "busy"},
    {Finding::NotRun, 1, "not-run"},
    {Finding::StoppedEarly, 11, "stopped-early"},
    {Finding::NoHubs, 10, "no-hubs"},
    {Finding::WriteFailed, 13, "write-failed"},
    {Finding::ImageRefused, 14, "image-check"},
    {Finding::NoImage, 12, "no-image"},
    {Finding::Done, 0, "done"},
};

const StatusRow& RunStatus(const LaunchRecord& record) {
  for (const StatusRow& row : kStatusTable) {
    if (Holds(row.finding, record)) return row;
  }
  return kStatusTable[8];
}
