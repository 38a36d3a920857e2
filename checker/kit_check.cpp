#include "kit_check.h"

#include "selection.h"
#include "tz415api.h"

namespace check {

namespace {

// Stands for the hub library where no hubs are listed: the reader hands
// it the hub-ID table, and nothing else is asked of it.
class NoLibrary : public HubLibrary {
 public:
  void GetDllVersion(uint32_t* version) override { *version = 0; }
  void SetIniInfo(void*) override {}
  void GetEnumInfo(uint8_t* deviceCount) override { *deviceCount = 0; }
  int UpdateISP(uint8_t, const char*, int) override { return -1; }
};

}  // namespace

KitReport CheckKit(Files& files, HubLibrary* hubs, const std::string& folder,
                   const ComputerRecord* record) {
  KitReport report;
  report.folder = folder;
  NoLibrary none;
  HubLibrary& library = hubs != nullptr ? *hubs : none;
  ReadSettings(files, library, &report);
  ReadImages(files, &report);
  CheckImageList(files, &report);
  if (report.settings.read.found) {
    CheckModuleFiles(&report);
    CheckFwVersion(&report);
  }
  if (record != nullptr) report.kitIdentity = KitIdentityOf(files);
  if (hubs == nullptr) return report;
  // Hubs from a description are no computer's: none waits for anything.
  const PendingWrites pending = record != nullptr ? PendingOf(*record) : PendingWrites();
  CheckHubs(library, &report, &pending);
  if (record != nullptr) JudgeNextRuns(*record, &report);
  return report;
}

void HashEveryImage(Files& files, KitReport* report) {
  for (ImageRow& row : report->images) {
    row.hashed = row.sums.check == ImageCheck::kVerified || row.sums.check == ImageCheck::kDiffers;
    // The list's check could not hash these; neither could this.
    if (row.hashed || row.sums.check == ImageCheck::kImageUnreadable ||
        row.sums.check == ImageCheck::kNoHash)
      continue;
    char path[kImagePathSize];
    row.hashed = row.opened && MakeImagePath(row.name.c_str(), path) &&
                 HashFile(files, path, &row.sums.computed) == HashOutcome::kHashed;
  }
}

}  // namespace check
