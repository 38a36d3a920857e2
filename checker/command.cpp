#include "command.h"

#include "described_hubs.h"
#include "kit_check.h"
#include "kit_sums.h"
#include "platform.h"
#include "rooted_files.h"
#include "settings.h"
#include "updater_choice.h"
#include "whole_file.h"

namespace check {

int UsageError(std::string* err, const std::string& line) {
  *err = "QuilletCheck: " + line + "\n";
  return kUsage;
}

bool CanReadFolder(CheckerHost& host, const std::string& folder, std::string* error) {
  if (host.IsFolder(folder)) return true;
  *error = "cannot read the folder " + folder;
  return false;
}

bool ReadKitFile(Files& files, const char* path, size_t limit, std::string* text,
                 std::string* why) {
  std::unique_ptr<ByteSource> file = files.OpenForRead(path);
  if (file == nullptr) {
    *why = std::string(path) + " cannot be opened";
    return false;
  }
  switch (ReadWhole(*file, limit, text)) {
    case WholeFile::kRead: return true;
    case WholeFile::kTooLarge:
      *why = std::string(path) + " is larger than " + std::to_string(limit / 1024) + " KiB";
      return false;
    case WholeFile::kUnreadable: break;
  }
  *why = std::string(path) + " cannot be read whole";
  return false;
}

Layout LayoutOf(CheckerHost& host, const std::string& folder, bool binfileMarks) {
  Layout layout;
  layout.folder = folder;
  const char separator = host.Separator();
  RootedFiles top(host.PlatformFiles(), folder, separator);
  if (top.OpenForRead(kSettingsPath) != nullptr ||
      (binfileMarks && host.IsFolder(JoinPath(folder, "Binfile", separator)))) {
    layout.paths.push_back(folder);
    return layout;
  }
  layout.kitRoot = true;
  for (bool windows64 : {false, true}) {
    const char* name = UpdaterFor(windows64).folder;
    std::string path = JoinPath(folder, name, separator);
    if (!host.IsFolder(path)) continue;
    layout.kitNames.push_back(name);
    layout.paths.push_back(path);
  }
  return layout;
}

bool LayOut(CheckerHost& host, const std::string& folder, bool binfileMarks, Layout* layout,
            std::string* error) {
  if (!CanReadFolder(host, folder, error)) return false;
  *layout = LayoutOf(host, folder, binfileMarks);
  if (!layout->paths.empty()) return true;
  *error = folder + " holds neither SpiFlash.ini" + (binfileMarks ? ", Binfile" : "") +
           " nor an x86 or x64 folder";
  return false;
}

bool LeaseLiveHubs(CheckerHost& host, const Layout& layout, bool quietStdout, LiveLease* lease,
                   std::string* error) {
  const LiveMachine& machine = *host.Live();
  LiveOptions options;
  options.quietStdout = quietStdout;
  options.separator = host.Separator();
  lease->check = std::make_unique<LiveCheck>(machine, host.PlatformFiles(), options);
  if (ChooseLivePlace(machine, layout.folder, layout.kitRoot, host.Separator(), &lease->place,
                      error) &&
      lease->check->Begin(lease->place, error)) {
    return true;
  }
  lease->check.reset();
  return false;
}

CheckRun JudgeKits(CheckerHost& host, const Layout& layout, const std::string& name,
                   const hubdesc::HubDescription* description, LiveLease* lease,
                   const ComputerRecord* record) {
  CheckRun run;
  run.folder = name;
  run.kitRoot = layout.kitRoot;
  run.kitNames = layout.kitNames;
  const char separator = host.Separator();
  for (const std::string& path : layout.paths) {
    RootedFiles files(host.PlatformFiles(), path, separator);
    // One library per folder: the listing may depend on the hub-ID table.
    std::unique_ptr<HubLibrary> described;
    if (description != nullptr) described = DescribedHubs(*description);
    HubLibrary* hubs = described.get();
    if (lease != nullptr && lease->check && path == lease->place.updaterFolder)
      hubs = &lease->check->Hubs();
    run.kits.push_back(CheckKit(files, hubs, path, record));
  }
  if (record != nullptr)
    run.lastRun = SummarizeRecord(*record, IdentitiesOf(run.kits, run.kitNames));
  if (run.kits.size() == 2) {
    // x86 and x64, in that order.
    RootedFiles x86(host.PlatformFiles(), layout.paths[0], separator);
    RootedFiles x64(host.PlatformFiles(), layout.paths[1], separator);
    CompareKits(run.kits[0], run.kits[1], x86, x64, &run.kitFindings);
  }
  if (layout.kitRoot) {
    run.kitSums = CheckKitSums(host, layout.folder);
    AddKitSumsFindings(run.kitSums, &run.kitFindings);
  }
  return run;
}

void NoteLiveSource(const LiveLease& lease, const std::string& folder, char separator,
                    LiveSource* source) {
  const LiveHubs& hubs = lease.check->Hubs();
  source->used = true;
  source->folder = folder;
  source->library = JoinPath(folder, kLibraryName, separator);
  source->libraryVersion = hubs.version();
  source->reportedCount = hubs.reportedCount();
  source->driverInstalled = lease.check->DriverInstalled();
}

}  // namespace check
