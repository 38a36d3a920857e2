#include "next_run.h"

#include <memory>

#include "hub_judge.h"
#include "image_check.h"
#include "kit_identity.h"
#include "kit_report.h"
#include "platform.h"
#include "selection.h"
#include "updater_results.h"

namespace check {

namespace {

// The record's entry whose write the hub's verdict is about: each waiting
// entry handed over on its own, so that the power-cycle rule, not a
// restatement of it, says which is the hub's.
const record::HubEntry* WaitingEntry(const record::DeploymentRecord& last,
                                     const HubDeviceInfo& hub) {
  for (const record::HubEntry& entry : last.hubs) {
    ComputerRecord one;
    one.state = RecordRead::kRead;
    one.last.hubs.push_back(entry);
    const PendingWrites pending = PendingOf(one);
    if (JudgePowerCycle(hub, &pending) != PowerCycle::kNoWrite) return &entry;
  }
  return nullptr;
}

// A digest, not "none" or "unreadable", which would take two kits for one.
bool IsDigest(const std::string& identity) {
  return identity.size() == 64 &&
         identity.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

ComputerRecord RecordOfText(const std::string& text, const std::string& notWhole) {
  ComputerRecord record;
  if (record::ParseRecord(text, &record.last)) {
    record.state = RecordRead::kRead;
    record.text = text;
  } else {
    record.state = RecordRead::kUnreadable;
    record.why = notWhole;
  }
  return record;
}

PendingWrites PendingOf(const ComputerRecord& record) {
  PendingWrites pending;
  if (!record.Read()) return pending;
  const std::vector<PendingWrite> writes = record::PendingWrites(record.last);
  ParsePending(FormatPending(writes.data(), static_cast<int>(writes.size())), pending.writes,
               &pending.count);
  return pending;
}

std::string KitIdentityOf(Files& files) {
  const std::string list = std::string(".\\") + record::kKitList;
  std::unique_ptr<DirectorySearch> search = files.FindFiles(list.c_str());
  if (!search) return record::KitIdentityOf(record::ListHash::kAbsent, std::string());
  const std::string path = std::string(kImageDirectory) + search->Name();
  search.reset();
  imagesums::Digest digest{};
  if (HashFile(files, path.c_str(), &digest) != HashOutcome::kHashed) {
    return record::KitIdentityOf(record::ListHash::kUnreadable, std::string());
  }
  return record::KitIdentityOf(record::ListHash::kHashed, imagesums::DigestHex(digest));
}

void JudgeNextRuns(const ComputerRecord& record, KitReport* kit) {
  if (PendingOf(record).count == 0) return;
  const UpdaterState& state = *kit->settings.state;
  for (HubReport& hub : kit->hubs) {
    NextRun& next = hub.next;
    next.cycle = hub.plan.cycle;
    if (const record::HubEntry* entry = WaitingEntry(record.last, hub.info)) {
      next.writtenAt = entry->time;
      next.delivers = entry->delivers;
    }
    // Every hub planned again without the pending writes: the plan alone
    // says where that changes anything.
    HubReport plain;
    plain.number = hub.number;
    plain.info = hub.info;
    plain.hubId = hub.hubId;
    JudgeHub(state, kit->images, &plain);
    next.differs = plain.plan.outcome != hub.plan.outcome ||
                   plain.plan.search.chosen != hub.plan.search.chosen;
    if (next.differs) next.plain = plain.plan;
  }
}

std::vector<FolderIdentity> IdentitiesOf(const std::vector<KitReport>& kits,
                                         const std::vector<std::string>& names) {
  std::vector<FolderIdentity> identities;
  for (size_t k = 0; k < kits.size(); ++k) {
    identities.push_back({k < names.size() ? names[k] : std::string(), kits[k].kitIdentity});
  }
  return identities;
}

RecordSummary SummarizeRecord(const ComputerRecord& record,
                              const std::vector<FolderIdentity>& kits) {
  RecordSummary summary;
  summary.used = true;
  summary.read = record.Read();
  summary.why = record.why;
  summary.kits = kits;
  if (!summary.read) return summary;
  summary.last = record.last;
  for (const FolderIdentity& kit : kits) {
    if (IsDigest(kit.identity) && kit.identity == record.last.kitIdentity) {
      summary.sameKit.push_back(kit.name);
    }
  }
  summary.pending = record.last.PendingCount();
  for (const record::HubEntry& hub : record.last.hubs) {
    // UTC in one fixed form, so the text's order is the time's.
    if (hub.powerCyclePending &&
        (summary.pendingSince.empty() || hub.time < summary.pendingSince)) {
      summary.pendingSince = hub.time;
    }
  }
  return summary;
}

}  // namespace check
