#include "launcher.h"

#include <cstdio>

#include "shared_names.h"
#include "unattended.h"

namespace {

// Everything between the locks and the final pause; `record` tells the
// status and the report what happened.
void Launch(SessionPlatform& os, LauncherPlatform& launcher, bool processIs64Bit,
            const LauncherOptions& options, const std::string& pending, LaunchRecord* record) {
  // Before the screen is cleared, so that a second launcher in the same
  // console does not wipe the first one's text.
  if (!TakeRunLock(os.Locks())) {
    os.Write(QUILLET_BUSY_LINE);
    record->busy = true;
    return;
  }
  launcher.RunCommand("cls");

  LaunchContext context = {};
  context.os = &os;
  uint32_t reported = os.CurrentDirectory(context.LaunchDirectory, kLauncherPathSize);
  if (!StartDirectoryFits(reported, context.LaunchDirectory)) {
    os.Write("!!!Error The working directory path is too long\n");
    record->directoryTooLong = true;
    GiveBackRunLock(os.Locks());
    return;
  }

  context.Is64BitWindows = DetectIs64BitWindows(launcher, processIs64Bit);
  const UpdaterChoice& updater = UpdaterFor(context.Is64BitWindows);
  record->updaterProgram = updater.program;
  record->updaterFolder = std::string(context.LaunchDirectory) + updater.suffix;

  std::string resultsName;
  if (options.Any()) {
    resultsName = launcher.CreateResults(pending);
    if (resultsName.empty()) {
      os.Write("!!!Error The updater's results cannot be shared\n");
      record->setupFailed = true;
    }
  }
  context.resultsName = resultsName.empty() ? nullptr : resultsName.c_str();

  SessionOptions sessionOptions;
  // Nothing a child runs may wait for a key that no one will press.
  sessionOptions.noInput = options.unattended;
  DriverSession session(os, context.LaunchDirectory, sessionOptions);
  context.session = &session;
  record->install = session.Install();
  record->installRan = true;
  record->updater = RunUpdater(context);
  record->updaterRan = true;
  uint32_t status = record->updater.status;
  if (status != 0) {
    char line[64];
    // Statuses with the top bit set are NTSTATUS codes and read as negative.
    std::snprintf(line, sizeof line, "UpdateFW failed! (%d)\n", static_cast<int32_t>(status));
    os.Write(line);
  }
  if (!resultsName.empty()) {
    record->haveResults = ParseResults(launcher.TakeResults(), &record->results);
    // Status 1 comes with a line of its own when nothing else says why.
    if (!record->haveResults && status == 0) os.Write("!!!Error The updater left no results\n");
  }
  record->remove = session.Remove();
  record->removeRan = true;
  GiveBackRunLock(os.Locks());
}

}  // namespace

bool DetectIs64BitWindows(LauncherPlatform& os, bool processIs64Bit) {
  // Asked only of a 32-bit launcher.
  return processIs64Bit || Is64BitWindows(false, os.QueryWow64());
}

InstallerRun RunUpdater(LaunchContext& context) {
  ChildStart start;
  start.startup = StartupInfo::kLaunchers;
  start.noInput = context.session->Options().noInput;
  char commandLine[kLauncherPathSize];
  const UpdaterChoice& updater = UpdaterFor(context.Is64BitWindows);
  const char* command = updater.command;
  int length = context.resultsName == nullptr
                   ? std::snprintf(commandLine, sizeof commandLine, "%s", command)
                   : std::snprintf(commandLine, sizeof commandLine, "%s %s%s", command,
                                   QUILLET_RESULTS_ARGUMENT, context.resultsName);
  // Cut short, the updater would write its results nowhere, or elsewhere.
  if (length < 0 || length >= kLauncherPathSize) {
    context.os->Write("!!!Error The updater's command line is too long\n");
    return {false, 1};
  }
  return context.session->RunIn(commandLine, updater.suffix, start, "Update FW fail!\n");
}

int LauncherMain(SessionPlatform& os, LauncherPlatform& launcher, bool processIs64Bit,
                 const std::vector<std::string>& args) {
  return LauncherMain(os, launcher, nullptr, processIs64Bit, args);
}

int LauncherMain(SessionPlatform& os, LauncherPlatform& launcher, DeploymentStore& store,
                 bool processIs64Bit, const std::vector<std::string>& args) {
  return LauncherMain(os, launcher, &store, processIs64Bit, args);
}

int LauncherMain(SessionPlatform& os, LauncherPlatform& launcher, DeploymentStore* store,
                 bool processIs64Bit, const std::vector<std::string>& args) {
  LauncherOptions options;
  if (!ParseOptions(args, &options)) {
    os.Write(kUsageLine);
    if (options.unattended) return kStatusTable[0].status;
    // A double-clicked window must not vanish before the line is read.
    launcher.RunCommand("PAUSE");
    return 0;
  }

  LaunchRecord record;
  std::string reportPath, logPath;
  // From the start folder: the run changes the current directory.
  if (options.report) reportPath = launcher.FullPath(options.reportFile);
  if (options.log) logPath = launcher.FullPath(options.logFile);
  if (options.report || options.unattended) record.started = launcher.UtcNow();
  // Only a deployment run reads or keeps the record.
  record::DeploymentRecord last;
  std::string pending;
  if (options.unattended && store != nullptr) pending = PendingForUpdater(*store, &last);
  Launch(os, launcher, processIs64Bit, options, pending, &record);
  const StatusRow& status = RunStatus(record);
  if (options.report || options.unattended) record.ended = launcher.UtcNow();
  if (options.unattended && store != nullptr) KeepRecord(os, *store, last, status, &record);
  if (options.log && store != nullptr) {
    std::string lines;
    const LogTime time = store->Now();
    for (const LogEvent& event : RunEvents(record, status, args)) {
      lines += CMTraceLine(event, time, 0);
    }
    if (!AppendLog(*store, logPath, lines)) os.Write("!!!Error The log cannot be written\n");
  }
  if (options.report) {
    if (!launcher.WriteReplacing(reportPath, ReportJson(record, status))) {
      os.Write("!!!Error The report cannot be written\n");
    }
  }
  if (options.unattended) return status.status;
  launcher.RunCommand("PAUSE");
  return 0;
}
