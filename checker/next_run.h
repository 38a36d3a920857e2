// What the next run does with the hubs of a computer that has a record.
// Hubs that come from a computer (--live, a bundle) are planned with the
// writes its last unattended run left waiting for a power cycle, the same
// input an unattended run's updater gets: the update run's own PlanHub
// decides. Where a run without options would do otherwise (it writes a
// waiting hub again), its plan is kept beside. The text report, the JSON
// report and --explain print from these values.
#ifndef QUILLET_CHECKER_NEXT_RUN_H_
#define QUILLET_CHECKER_NEXT_RUN_H_

#include <cstdint>
#include <string>
#include <vector>

#include "deployment_record.h"
#include "hub_plan.h"

class Files;

namespace check {

struct KitReport;

enum class RecordRead {
  kRead,        // a whole record
  kNone,        // no unattended run has left one: nothing is wrong
  kUnreadable,  // there, but not whole
};

// The last unattended run's record of the computer the hubs come from, as
// this computer's registry (bundle_computer.h) or a bundle's record part
// (bundle_parts.h) gives it.
struct ComputerRecord {
  RecordRead state = RecordRead::kNone;
  record::DeploymentRecord last;  // when read
  std::string text;               // when read: its lines, as read
  std::string why;                // when not: a phrase

  bool Read() const { return state == RecordRead::kRead; }
};

// The record of `text`, or why it does not read.
ComputerRecord RecordOfText(const std::string& text, const std::string& notWhole);

// The writes the record leaves waiting, through the text the launcher hands
// an unattended run's updater and the updater reads: none when it does not
// read, as for the launcher.
PendingWrites PendingOf(const ComputerRecord& record);

// The kit identity (record/kit_identity.h) of the updater folder that
// `files` reads, its list found as the updater's own search finds it.
std::string KitIdentityOf(Files& files);

// What the next run does with one hub beside an unattended run's plan, which
// the hub's report holds.
struct NextRun {
  // What became of the record's write to this hub that waited for its
  // power cycle; kNoWrite for every other hub.
  PowerCycle cycle = PowerCycle::kNoWrite;
  std::string writtenAt;  // that write's time, UTC
  uint16_t delivers = 0;  // the version it delivers
  // A run without options does otherwise; then its plan.
  bool differs = false;
  HubPlan plain;
};

// Each hub of `kit`, planned with the record's pending writes, gets what a
// run without options would do instead. Nothing where the record leaves no
// write waiting, or does not read: both runs then judge every hub alike.
void JudgeNextRuns(const ComputerRecord& record, KitReport* kit);

// An updater folder of the kit judged, by name ("x64"; empty for the one
// folder checked) and kit identity.
struct FolderIdentity {
  std::string name;
  std::string identity;
};
std::vector<FolderIdentity> IdentitiesOf(const std::vector<KitReport>& kits,
                                         const std::vector<std::string>& names);

// The record, as the reports and --explain open with it.
struct RecordSummary {
  bool used = false;  // the hubs come from a computer
  bool read = false;
  std::string why;  // not read: why
  record::DeploymentRecord last;
  // This kit's folders, and those whose identity is the last run's kit: a
  // kit without a readable list is told from no other.
  std::vector<FolderIdentity> kits;
  std::vector<std::string> sameKit;
  int pending = 0;
  std::string pendingSince;  // the earliest waiting write's time
};
RecordSummary SummarizeRecord(const ComputerRecord& record,
                              const std::vector<FolderIdentity>& kits);

}  // namespace check

#endif  // QUILLET_CHECKER_NEXT_RUN_H_
