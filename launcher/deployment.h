// What a deployment run adds to the launcher: its options, the table of
// exit statuses, and the report.
#ifndef QUILLET_LAUNCHER_DEPLOYMENT_H_
#define QUILLET_LAUNCHER_DEPLOYMENT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "driver_session.h"
#include "updater_results.h"

constexpr char kUsageLine[] = "usage: Quillet.exe [--unattended] [--report FILE]\n";

struct LauncherOptions {
  bool unattended = false;  // no pause, and the exit status from the table
  bool report = false;
  std::string reportFile;  // as given, UTF-8
  bool log = false;
  std::string logFile;  // as given, UTF-8
  // Results are asked of the updater only when an option needs them.
  bool Any() const { return unattended || report || log; }
};

// Only "--name" arguments are options; every other argument is ignored, as
// a file dropped on the program always was. False for an unknown option or
// a --report without its file; `options` still says whether --unattended
// was given.
bool ParseOptions(const std::vector<std::string>& args, LauncherOptions* options);

// Everything the status and the report are made from.
struct LaunchRecord {
  std::string started;  // UTC, ISO 8601
  std::string ended;
  bool busy = false;              // a lock was held: nothing was done
  bool directoryTooLong = false;  // the start folder's path does not fit
  bool setupFailed = false;       // results could not be shared or passed
  bool installRan = false;
  InstallerRun install = {false, 0};
  bool removeRan = false;
  InstallerRun remove = {false, 0};
  const char* updaterProgram = nullptr;  // "Quillet64" or "Quillet32"
  bool updaterRan = false;
  InstallerRun updater = {false, 0};
  bool haveResults = false;
  UpdaterResults results;
  // The updater's folder ("C:\Kit\x64\"), once the launcher knows it.
  std::string updaterFolder;
  // Under --unattended: the record's write, and the hubs it shows waiting
  // for a power cycle.
  enum class RecordWrite { kNotAsked, kWritten, kFailed } recordWrite = RecordWrite::kNotAsked;
  int powerCyclePending = 0;
};

// The facts a status stands for, in the order they outweigh each other.
enum class StatusFact : uint8_t {
  kUsage,
  kBusy,
  kNotRun,
  kStoppedEarly,
  kNoHubs,
  kWriteFailed,
  kImageRefused,
  kNoImage,
  kDone,
};

struct StatusRow {
  StatusFact fact;
  int status;
  const char* reason;  // the report's name for it
};

// The table, first row first: the first fact that holds gives the status.
extern const StatusRow kStatusTable[9];

// The row the run ends with (never Usage: a usage error runs nothing).
const StatusRow& RunStatus(const LaunchRecord& record);

// The JSON report, schema 1.
std::string ReportJson(const LaunchRecord& record, const StatusRow& status);

#endif  // QUILLET_LAUNCHER_DEPLOYMENT_H_
