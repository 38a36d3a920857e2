#include "unattended.h"

#include <cstdio>

#include "launcher.h"
#include "quillet_version.h"

std::string PendingForUpdater(DeploymentStore& store, record::DeploymentRecord* last) {
  // A record that does not read whole is no record: none of its hubs is
  // taken as waiting, nor kept.
  std::string text;
  record::DeploymentRecord read;
  *last = record::DeploymentRecord();
  if (store.ReadRecord(&text) && record::ParseRecord(text, &read)) *last = read;
  const std::vector<PendingWrite> writes = record::PendingWrites(*last);
  return FormatPending(writes.data(), static_cast<int>(writes.size()));
}

std::string KitIdentity(DeploymentStore& store, const std::string& updaterFolder) {
  if (updaterFolder.empty()) return record::kNoListIdentity;
  std::string hex;
  const FileHash hash = store.HashFile(updaterFolder + record::kKitList, &hex);
  return record::KitIdentityOf(hash, hex);
}

record::DeploymentRecord RunRecord(const record::DeploymentRecord& last, const LaunchRecord& run,
                                   const StatusRow& status, const std::string& kitIdentity) {
  record::DeploymentRecord next =
      record::NextRecord(last, run.haveResults ? &run.results : nullptr, run.ended);
  next.status = status.status;
  next.reason = status.reason;
  next.started = run.started;
  next.ended = run.ended;
  next.launcherVersion = QUILLET_VERSION;
  next.kitIdentity = kitIdentity;
  return next;
}

void KeepRecord(SessionPlatform& os, DeploymentStore& store, const record::DeploymentRecord& last,
                const StatusRow& status, LaunchRecord* run) {
  // A run that found another one running leaves the record to that one,
  // which knows what it wrote.
  if (run->busy) return;
  const record::DeploymentRecord next =
      RunRecord(last, *run, status, KitIdentity(store, run->updaterFolder));
  run->powerCyclePending = next.PendingCount();
  if (store.WriteRecord(record::FormatRecord(next), record::LastResult(next))) {
    run->recordWrite = LaunchRecord::RecordWrite::kWritten;
  } else {
    run->recordWrite = LaunchRecord::RecordWrite::kFailed;
    os.Write("!!!Error The update record cannot be written\n");
  }
}

namespace {

LogType HubType(HubOutcome outcome) {
  switch (outcome) {
    case HubOutcome::kProgrammed:
    case HubOutcome::kSameLevelBefore:
    case HubOutcome::kSameLevelAfter: return LogType::kInformation;
    case HubOutcome::kPowerCyclePending: return LogType::kWarning;
    // Only planned, never a result: a run that reports it wrote nothing.
    case HubOutcome::kProgram:
    case HubOutcome::kWriteFailed:
    case HubOutcome::kNoImage:
    case HubOutcome::kImageCheck: return LogType::kError;
  }
  return LogType::kError;
}

std::string HubLine(const HubResult& hub) {
  char line[128];
  std::snprintf(line, sizeof line, "Hub %d (%04X/%04X, depth %u, port %u, firmware %04X): %s",
                hub.device, hub.place.vendorId, hub.place.productId, hub.place.depth,
                hub.place.port, hub.firmwareBefore, OutcomeName(hub.outcome));
  std::string text = line;
  if (hub.image[0] != '\0') text += std::string(", image ") + hub.image;
  if (hub.libraryCalled) text += ", library result " + std::to_string(hub.libraryResult);
  return text;
}

}  // namespace

std::vector<LogEvent> RunEvents(const LaunchRecord& run, const StatusRow& status,
                                const std::vector<std::string>& args) {
  std::vector<LogEvent> events;
  std::string command = "Quillet " QUILLET_VERSION " started:";
  for (const std::string& arg : args) command += " " + arg;
  events.push_back({LogType::kInformation, command});
  if (run.haveResults && run.results.stage != UpdaterStage::kBusy) {
    const bool read = run.results.stage != UpdaterStage::kSettings;
    events.push_back({read ? LogType::kInformation : LogType::kError,
                      read ? "Settings: read" : "Settings: missing or unreadable"});
    if (read) {
      const bool driver = run.results.stage != UpdaterStage::kDriver;
      events.push_back({driver ? LogType::kInformation : LogType::kError,
                        driver ? "Filter driver: registered" : "Filter driver: not registered"});
    }
  }
  for (int i = 0; run.haveResults && i < run.results.hubCount; ++i) {
    events.push_back({HubType(run.results.hubs[i].outcome), HubLine(run.results.hubs[i])});
  }
  if (run.recordWrite == LaunchRecord::RecordWrite::kFailed) {
    events.push_back({LogType::kWarning, "The update record cannot be written"});
  }
  std::string end = "Status " + std::to_string(status.status) + " (" + status.reason + ")";
  if (run.powerCyclePending > 0) {
    end += ", power cycle pending for " + std::to_string(run.powerCyclePending) + " hub(s)";
  }
  events.push_back({status.status == 0      ? LogType::kInformation
                    : status.status == 1618 ? LogType::kWarning
                                            : LogType::kError,
                    end});
  return events;
}
