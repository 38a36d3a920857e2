// The next run in words: what the text report, the JSON report's decision
// and --explain say of a computer's record and of each of its hubs.
#include "report.h"

namespace check {

namespace {

// What the last run's kit is to this one.
std::string KitAgainst(const RecordSummary& summary) {
  if (summary.kits.empty()) return "no kit to compare it with";
  if (!summary.sameKit.empty()) {
    std::string names;
    for (const std::string& name : summary.sameKit) names += (names.empty() ? "" : " and ") + name;
    return names.empty() ? "this kit" : "this kit's " + names;
  }
  std::string theirs;
  for (const FolderIdentity& kit : summary.kits) {
    theirs += (theirs.empty() ? "" : ", ") +
              (kit.name.empty() ? "this kit's is " : kit.name + " is ") + kit.identity;
  }
  return "not this kit (" + theirs + ")";
}

}  // namespace

std::string Decision(const HubReport& hub, const std::vector<ImageRow>& images) {
  const NextRun& next = hub.next;
  std::string unattended = PlanDecision(hub.plan, hub.info, images);
  if (next.differs) {
    const HubPlan& plain = next.plain;
    const bool writes = plain.outcome == HubOutcome::kProgram;
    const std::string instead =
        PlanDecision(plain, hub.info, images, writes && plain.chosenVersion == next.delivers);
    const std::string left =
        hub.plan.outcome == HubOutcome::kPowerCyclePending
            ? "waits for a power cycle since " + next.writtenAt + ": an unattended run leaves it"
            : "an unattended run: " + unattended;
    return left + "; a run without options" + (writes ? " " : ": ") + instead;
  }
  switch (next.cycle) {
    case PowerCycle::kTookEffect:
      return unattended + "; its write of " + next.writtenAt + " took effect";
    case PowerCycle::kChangedElsewhere:
      return unattended + "; changed by other means since its write of " + next.writtenAt;
    case PowerCycle::kNoWrite:
    case PowerCycle::kStillPending: break;
  }
  return unattended;
}

std::string LastRunText(const RecordSummary& summary) {
  if (!summary.used) return "";
  if (!summary.read) return "Last unattended run: none (" + summary.why + ")\n";
  const record::DeploymentRecord& last = summary.last;
  std::string text = Format("Last unattended run: status %d (%s), %s to %s, launcher %s\n",
                            last.status, last.reason.c_str(), last.started.c_str(),
                            last.ended.c_str(), last.launcherVersion.c_str());
  text += "  kit " + last.kitIdentity + ": " + KitAgainst(summary) + "\n";
  if (summary.pending == 0) return text + "  no hub waits for a power cycle\n";
  return text + Format("  %d hub%s for a power cycle since %s\n", summary.pending,
                       summary.pending == 1 ? " waits" : "s wait", summary.pendingSince.c_str());
}

}  // namespace check
