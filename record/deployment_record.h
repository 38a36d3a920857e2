// The record an unattended run leaves on the computer, for deployment
// tools' detection rules and for the next run: the last run's status and
// kit, and each hub's outcome, with the writes still waiting for a power
// cycle. The launcher keeps it under HKLM\SOFTWARE\Quillet (64-bit view) as
// two values, each written in one call and each whole on its own:
//
//   Record      REG_MULTI_SZ  the lines FormatRecord makes
//   LastResult  REG_SZ        "<status> <kit identity>", what a registry
//                             detection rule compares
//
// The layout is documented in docs/deployment-record.md.
#ifndef QUILLET_RECORD_DEPLOYMENT_RECORD_H_
#define QUILLET_RECORD_DEPLOYMENT_RECORD_H_

#include <cstdint>
#include <string>
#include <vector>

#include "updater_results.h"

namespace record {

// The kit identity of a kit without Binfile\SHA256SUMS.
constexpr char kNoListIdentity[] = "none";

// The most hubs a record shows waiting for a power cycle: as many pending
// writes as the launcher can hand the updater, so every mark kept still
// keeps its hub from being written again.
constexpr int kMostWaiting = kResultsHubs;

// One hub as the record keeps it, known by its place (hub_place.h), which
// stays the same across runs while the dock stays on its port.
struct HubEntry {
  HubPlace place;
  // What the hub reported before the write that the entry is about (for a
  // hub still pending, before the earlier run's write).
  uint16_t firmwareBefore = 0;
  uint16_t delivers = 0;    // the version the image written delivers
  std::string imageSha256;  // 64 lower-case hex digits; empty when none
  std::string image;        // ".\Binfile\NAME"; empty when none
  HubOutcome outcome = HubOutcome::kNoImage;
  PendingMark previous = PendingMark::kNone;
  // UTC: the write's, for a hub the library was asked to write and for one
  // still waiting for its power cycle; else the run's end.
  std::string time;
  bool powerCyclePending = false;
};

struct DeploymentRecord {
  int status = 0;
  std::string reason;
  std::string started;
  std::string ended;
  std::string launcherVersion;
  std::string kitIdentity;
  std::vector<HubEntry> hubs;

  int PendingCount() const;
};

// The record's text: "key value" lines, one "hub" line per hub, "end" last.
std::string FormatRecord(const DeploymentRecord& record);
// False when the text is not a whole record of this format.
bool ParseRecord(const std::string& text, DeploymentRecord* record);

// The value a registry detection rule compares: "<status> <kit identity>".
std::string LastResult(const DeploymentRecord& record);

// The hubs the last record shows as waiting for a power cycle, as the
// updater is told of them.
std::vector<PendingWrite> PendingWrites(const DeploymentRecord& last);

// This run's record: its hubs from the updater's results (`results` null
// when there are none), each pending write carried from `last` while the
// hub still waits, then `last`'s waiting hubs that this run did not visit,
// as they were, up to kMostWaiting waiting in all. `ended` is the time of
// the hubs this run did not write.
DeploymentRecord NextRecord(const DeploymentRecord& last, const UpdaterResults* results,
                            const std::string& ended);

}  // namespace record

#endif  // QUILLET_RECORD_DEPLOYMENT_RECORD_H_
