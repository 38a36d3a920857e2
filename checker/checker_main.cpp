#include "checker_main.h"

#include <cstdio>
#include <optional>

#include "bundle_command.h"
#include "bundle_computer.h"
#include "bundle_parts.h"
#include "checker_options.h"
#include "command.h"
#include "described_hubs.h"
#include "live_capture.h"
#include "write_sums.h"

namespace check {

namespace {

int Report(const CheckRun& run, const Options& options, std::string* out) {
  *out = options.json ? JsonReport(run) : TextReport(run);
  bool failed =
      run.Count(Severity::kError) > 0 || (options.strict && run.Count(Severity::kWarning) > 0);
  return failed ? kFound : kClean;
}

// --write-sums: each updater folder's list.
int WriteSumsCommand(CheckerHost& host, const Options& options, std::string* out,
                     std::string* err) {
  Layout layout;
  std::string error;
  if (!LayOut(host, options.folder, true, &layout, &error)) return UsageError(err, error);
  for (const std::string& folder : layout.paths) {
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
  Layout layout;
  if (!LayOut(host, options.folder, false, &layout, &error)) return UsageError(err, error);
  CheckRun run = JudgeKits(host, layout, options.folder, described ? &description : nullptr,
                           nullptr, record ? &*record : nullptr);
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

// --live: the kit against this computer's hubs, leased until the report
// is made.
int LiveCommand(CheckerHost& host, const Options& options, std::string* out, std::string* err) {
  if (host.Live() == nullptr) {
    return UsageError(err,
                      "--live reads the hubs through the maker's library, which only the Windows "
                      "checkers (QuilletCheck32.exe, QuilletCheck64.exe) can load");
  }
  std::string error;
  Layout layout;
  LiveLease lease;
  if (!LayOut(host, options.folder, false, &layout, &error) ||
      !LeaseLiveHubs(host, layout, options.json, &lease, &error)) {
    return UsageError(err, error);
  }
  // Read under the lease's run lock, so that no unattended run rewrites it
  // while the hubs are judged.
  const ComputerRecord record = ReadLastRunRecord(host.Live()->system);
  CheckRun run = JudgeKits(host, layout, options.folder, nullptr, &lease, &record);
  const std::string& served = lease.place.updaterFolder;
  NoteLiveSource(lease, served, host.Separator(), &run.live);
  std::string capture;
  bool captured = options.saveHubs.empty() ||
                  LiveCaptureText(*host.Live(), lease.check->Hubs(), served, &capture, &error);
  // The driver out before anything is written or printed, as the launcher
  // has it out before its pause.
  lease.check.reset();
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
