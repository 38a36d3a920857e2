#include "checker_main.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "bundle_command.h"
#include "checker_options.h"
#include "described_hubs.h"
#include "hub_description.h"
#include "kit_check.h"
#include "live_capture.h"
#include "live_check.h"
#include "platform.h"
#include "report.h"
#include "rooted_files.h"
#include "settings.h"
#include "updater_choice.h"
#include "write_sums.h"

namespace check {

namespace {

// Every usage or input error ends a command the same way: one line, and
// the status that says the kit was not judged.
int UsageError(std::string* err, const std::string& line) {
  *err = "QuilletCheck: " + line + "\n";
  return kUsage;
}

// The updater folders `folder` stands for: itself, when it holds the
// settings (or, with `binfileMarks`, a Binfile); otherwise those of its x86
// and x64 that are there, as kit names.
struct Layout {
  bool updaterFolder = false;
  std::vector<std::string> kitNames;
};

Layout LayoutOf(CheckerHost& host, const std::string& folder, bool binfileMarks) {
  Layout layout;
  RootedFiles top(host.PlatformFiles(), folder, host.Separator());
  layout.updaterFolder =
      top.OpenForRead(kSettingsPath) != nullptr ||
      (binfileMarks && host.IsFolder(JoinPath(folder, "Binfile", host.Separator())));
  if (layout.updaterFolder) return layout;
  for (bool windows64 : {false, true}) {
    const char* name = UpdaterFor(windows64).folder;
    if (host.IsFolder(JoinPath(folder, name, host.Separator()))) layout.kitNames.push_back(name);
  }
  return layout;
}

// `description`: the hubs to judge, null for none; `live`: the library of
// this computer, for the one folder it serves; `record`: the hubs'
// computer's, null for hubs that are no computer's.
KitReport CheckFolder(CheckerHost& host, const std::string& folder,
                      const hubdesc::HubDescription* description, LiveHubs* live,
                      const ComputerRecord* record) {
  RootedFiles files(host.PlatformFiles(), folder, host.Separator());
  std::unique_ptr<HubLibrary> hubs;
  if (description != nullptr) hubs = DescribedHubs(*description);
  return CheckKit(files, live != nullptr ? live : hubs.get(), folder, record);
}

// The run's folder laid out: one updater folder, or a kit root.
bool LayOutRun(CheckerHost& host, const std::string& folder, CheckRun* run, std::string* error) {
  run->folder = folder;
  Layout layout = LayoutOf(host, folder, false);
  if (layout.updaterFolder) return true;
  if (layout.kitNames.empty()) {
    *error = folder + " holds neither SpiFlash.ini nor an x86 or x64 folder";
    return false;
  }
  run->kitNames = layout.kitNames;
  run->kitRoot = true;
  return true;
}

// Judges every folder of the run; `live` serves only `liveFolder`, and the
// whole of an updater folder.
void JudgeKits(CheckerHost& host, CheckRun* run, const hubdesc::HubDescription* description,
               LiveHubs* live, const std::string& liveFolder, const ComputerRecord* record) {
  if (!run->kitRoot) {
    run->kits.push_back(CheckFolder(host, run->folder, description, live, record));
    return;
  }
  for (const std::string& name : run->kitNames) {
    std::string folder = JoinPath(run->folder, name, host.Separator());
    bool judged = live != nullptr && folder == liveFolder;
    run->kits.push_back(CheckFolder(host, folder, description, judged ? live : nullptr, record));
  }
  if (run->kits.size() == 2) {
    // x86 and x64, in that order.
    const char separator = host.Separator();
    RootedFiles x86(host.PlatformFiles(), JoinPath(run->folder, run->kitNames[0], separator),
                    separator);
    RootedFiles x64(host.PlatformFiles(), JoinPath(run->folder, run->kitNames[1], separator),
                    separator);
    CompareKits(run->kits[0], run->kits[1], x86, x64, &run->kitFindings);
  }
}

int Report(const CheckRun& run, const Options& options, std::string* out) {
  *out = options.json ? JsonReport(run) : TextReport(run);
  bool failed =
      run.Count(Severity::kError) > 0 || (options.strict && run.Count(Severity::kWarning) > 0);
  return failed ? kFound : kClean;
}

void NoteLiveSource(const LivePlace& place, const LiveCheck& live, char separator,
                    LiveSource* source) {
  source->used = true;
  source->folder = place.updaterFolder;
  source->library = JoinPath(place.updaterFolder, kLibraryName, separator);
  const LiveHubs& hubs = live.Hubs();
  source->libraryVersion = hubs.version();
  source->reportedCount = hubs.reportedCount();
  source->driverInstalled = live.DriverInstalled();
}

// --write-sums: each updater folder's list.
int WriteSumsCommand(CheckerHost& host, const Options& options, std::string* out,
                     std::string* err) {
  if (!host.IsFolder(options.folder)) {
    return UsageError(err, "cannot read the folder " + options.folder);
  }
  Layout layout = LayoutOf(host, options.folder, true);
  std::vector<std::string> folders;
  if (layout.updaterFolder) folders.push_back(options.folder);
  for (const std::string& name : layout.kitNames)
    folders.push_back(JoinPath(options.folder, name, host.Separator()));
  if (folders.empty()) {
    return UsageError(err, options.folder +
                               " holds neither SpiFlash.ini, Binfile nor an x86 or x64 folder");
  }
  for (const std::string& folder : folders) {
    std::string error;
    if (!WriteSums(host, folder, options.force, out, &error)) return UsageError(err, error);
  }
  return kClean;
}

// The hubs of --hubs written back in canonical form: a description, even
// when a capture was read, since they were not listed on this computer.
bool SaveDescription(CheckerHost& host, const Options& options, hubdesc::HubDescription description,
                     std::string* error) {
  description.isCapture = false;
  std::string text;
  return hubdesc::WriteHubDescription(description, &text, error) &&
         host.SaveFile(options.saveHubs, text, options.force, error);
}

// The kit on its own, or against the hubs of --hubs (a capture or a bundle).
int CheckCommand(CheckerHost& host, const Options& options, std::string* out, std::string* err) {
  std::string error;
  hubdesc::HubDescription description;
  std::optional<ComputerRecord> record;  // a bundle's hubs are its computer's
  const bool described = !options.hubs.empty();
  if (described && !ReadHubsOrBundle(options.hubs, &description, &error, &record)) {
    return UsageError(err, error);
  }
  if (!host.IsFolder(options.folder)) {
    return UsageError(err, "cannot read the folder " + options.folder);
  }
  CheckRun run;
  if (!LayOutRun(host, options.folder, &run, &error)) return UsageError(err, error);
  JudgeKits(host, &run, described ? &description : nullptr, nullptr, std::string(),
            record ? &*record : nullptr);
  if (record) run.lastRun = SummarizeRecord(*record, IdentitiesOf(run.kits, run.kitNames));
  if (described && description.isCapture) {
    run.replay.used = true;
    run.replay.file = options.hubs;
    run.replay.capture = description.capture;
    for (const KitReport& kit : run.kits)
      run.replay.hubIdsDiffer.push_back(HubIdsDifferFromCapture(kit, description.capture));
  }
  if (!options.saveHubs.empty() && !SaveDescription(host, options, description, &error)) {
    return UsageError(err, error);
  }
  return Report(run, options, out);
}

// --live: the kit against this computer's hubs. The lease on the computer
// lasts until the report is made: the library may read the hub-ID table it
// was handed at any of its calls.
int LiveCommand(CheckerHost& host, const Options& options, std::string* out, std::string* err) {
  const LiveMachine* machine = host.Live();
  if (machine == nullptr) {
    return UsageError(err,
                      "--live reads the hubs through the maker's library, which only the Windows "
                      "checkers (QuilletCheck32.exe, QuilletCheck64.exe) can load");
  }
  if (!host.IsFolder(options.folder)) {
    return UsageError(err, "cannot read the folder " + options.folder);
  }
  std::string error;
  CheckRun run;
  if (!LayOutRun(host, options.folder, &run, &error)) return UsageError(err, error);
  LiveOptions liveOptions;
  liveOptions.quietStdout = options.json;
  liveOptions.separator = host.Separator();
  auto live = std::make_unique<LiveCheck>(*machine, host.PlatformFiles(), liveOptions);
  LivePlace place;
  if (!ChooseLivePlace(*machine, options.folder, run.kitRoot, host.Separator(), &place, &error) ||
      !live->Begin(place, &error)) {
    live.reset();
    return UsageError(err, error);
  }
  const ComputerRecord record = ReadComputerRecord(machine->system);
  JudgeKits(host, &run, nullptr, &live->Hubs(), place.updaterFolder, &record);
  run.lastRun = SummarizeRecord(record, IdentitiesOf(run.kits, run.kitNames));
  NoteLiveSource(place, *live, host.Separator(), &run.live);
  std::string capture;
  bool captured = options.saveHubs.empty() ||
                  LiveCaptureText(*machine, live->Hubs(), place.updaterFolder, &capture, &error);
  // The driver out before anything is written or printed, as the launcher
  // has it out before its pause.
  live.reset();
  if (!captured || (!options.saveHubs.empty() &&
                    !host.SaveFile(options.saveHubs, capture, options.force, &error))) {
    return UsageError(err, error);
  }
  return Report(run, options, out);
}

}  // namespace

int CheckerMain(const std::vector<std::string>& args, CheckerHost& host, std::string* out,
                std::string* err) {
  if (IsBundleCommand(args)) return BundleCommand(args, host, out, err);
  Options options;
  std::string error;
  if (!ParseArguments(args, &options, &error)) return UsageError(err, error);
  if (options.writeSums) return WriteSumsCommand(host, options, out, err);
  if (options.live) return LiveCommand(host, options, out, err);
  return CheckCommand(host, options, out, err);
}

int RunChecker(int argc, char** argv, CheckerHost& host) {
  std::string out;
  std::string err;
  int status = CheckerMain(std::vector<std::string>(argv + 1, argv + argc), host, &out, &err);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return status;
}

}  // namespace check
