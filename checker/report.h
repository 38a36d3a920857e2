// The checker's two renderings of one check: aligned text for people and
// JSON for packaging pipelines (schema in checker/README.md). Both say the
// same things; only main decides what the findings mean for the exit status.
#ifndef QUILLET_CHECKER_REPORT_H_
#define QUILLET_CHECKER_REPORT_H_

#include <string>
#include <vector>

#include "hub_description.h"
#include "kit_check.h"
#include "kit_sums.h"

namespace check {

// Hubs read from this computer (--live) rather than from a description.
struct LiveSource {
  bool used = false;
  std::string folder;   // the updater folder judged against them
  std::string library;  // its TZ415API.dll, as named in the report
  uint32_t libraryVersion = 0;
  int reportedCount = 0;         // as the library reported it, beyond 16 too
  bool driverInstalled = false;  // for the check, and removed after it
};

// Hubs replayed from a capture of a computer's hubs (--hubs CAPTURE), so
// that a replay is never taken for a check of this computer.
struct ReplaySource {
  bool used = false;
  std::string file;
  hubdesc::CaptureInfo capture;
  // Per kit (as in CheckRun::kits): whether the hub-ID table the settings
  // hand to the library differs from the one the capture was made with, so
  // that the library may have listed other hubs.
  std::vector<bool> hubIdsDiffer;
};

// One run of the checker: one updater folder, or a kit root's x86 and x64.
struct CheckRun {
  std::string folder;
  bool kitRoot = false;
  std::vector<KitReport> kits;
  std::vector<std::string> kitNames;  // "x86", "x64"; empty for one folder
  std::vector<Finding> kitFindings;   // differences between the kit's folders
  KitSums kitSums;                    // a kit root's own SHA256SUMS; its findings are kitFindings
  LiveSource live;
  ReplaySource replay;
  RecordSummary lastRun;  // the hubs' computer's last unattended run

  int Count(Severity severity) const;
};

// What the update run would do with the hub, in one line: for the hubs of
// a computer with a record, what an unattended run does and, where it
// differs, what a run without options does.
std::string Decision(const HubReport& hub, const std::vector<ImageRow>& images);
// What a run that planned `plan` does with the hub `info`, in one line;
// `again` for a write that the record shows made once already.
std::string PlanDecision(const HubPlan& plan, const HubDeviceInfo& info,
                         const std::vector<ImageRow>& images, bool again = false);

// The lines the text report and --explain open with for the hubs of a
// computer: its last unattended run, or why there is none to tell.
std::string LastRunText(const RecordSummary& summary);

// The text report's part on the hubs: each hub, what the run does with it
// and why every other image is refused. Empty when no hubs were judged.
std::string HubsText(const KitReport& kit);

std::string TextReport(const CheckRun& run);
std::string JsonReport(const CheckRun& run);

}  // namespace check

#endif  // QUILLET_CHECKER_REPORT_H_
