// What a run with options keeps beyond its report: the record an unattended
// run leaves for deployment tools, and the --log lines.
#ifndef QUILLET_LAUNCHER_UNATTENDED_H_
#define QUILLET_LAUNCHER_UNATTENDED_H_

#include <string>
#include <vector>

#include "cmtrace_log.h"
#include "deployment.h"
#include "deployment_record.h"
#include "deployment_store.h"

class SessionPlatform;

// The last record (empty when there is none or it is not whole) and its
// pending writes as the text the updater reads before it starts.
std::string PendingForUpdater(DeploymentStore& store, record::DeploymentRecord* last);

// The updater folder's kit identity (record/kit_identity.h); a run that
// found no updater folder has no list, so record::kNoListIdentity.
std::string KitIdentity(DeploymentStore& store, const std::string& updaterFolder);

// This run's record, from the last one and what the run did.
record::DeploymentRecord RunRecord(const record::DeploymentRecord& last, const LaunchRecord& run,
                                   const StatusRow& status, const std::string& kitIdentity);

// Writes this run's record; a record that cannot be written gets a line,
// never another status. Sets run->recordWrite and run->powerCyclePending.
void KeepRecord(SessionPlatform& os, DeploymentStore& store, const record::DeploymentRecord& last,
                const StatusRow& status, LaunchRecord* run);

// The run's events for --log: start, settings, driver, each hub, status.
std::vector<LogEvent> RunEvents(const LaunchRecord& run, const StatusRow& status,
                                const std::vector<std::string>& args);

#endif  // QUILLET_LAUNCHER_UNATTENDED_H_
