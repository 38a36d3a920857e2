#include "driver_session.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kInstallCommand[] = "TZ415FilterInst.exe i";
constexpr char kRemoveCommand[] = "TZ415FilterInst.exe u";
constexpr char kDriverSuffix[] = "\\Driver\\";
constexpr char kInstallerFailed[] = "Filter Driver Fail!\n";

// Every child directory is the start directory plus a suffix of at most
// this length ("\Driver\" is the longest; "\x64\" and "\x86\" are shorter).
constexpr size_t kLongestSuffix = sizeof kDriverSuffix - 1;

// Reported when a child cannot be created at all.
constexpr uint32_t kNotStarted = 1;

}  // namespace

// GetCurrentDirectoryA copies nothing when the buffer is too small; a base
// that fits but leaves no room for the suffix would be cut short.
bool StartDirectoryFits(uint32_t reported, const char* startDirectory) {
  if (reported >= kSessionPathSize) return false;
  return std::strlen(startDirectory) + kLongestSuffix < kSessionPathSize;
}

DriverSession::DriverSession(SessionPlatform& os, const char* startDirectory,
                             const SessionOptions& options)
    : os_(os), startDirectory_(startDirectory), options_(options) {}

InstallerRun DriverSession::RunIn(const char* commandLine, const char* suffix,
                                  const ChildStart& start, const char* failure) {
  // CreateProcessA may write into its command line: a copy of our own.
  char line[kSessionPathSize];
  std::snprintf(line, sizeof line, "%s", commandLine);
  // The base and the suffix are joined as they are: a base at a drive's
  // root already ends in a backslash and keeps both.
  char directory[kSessionPathSize];
  std::snprintf(directory, sizeof directory, "%s%s", startDirectory_, suffix);
  os_.ChangeDirectory(directory);

  InstallerRun run = {false, kNotStarted};
  run.started = os_.RunChild(line, start, &run.status);
  if (!run.started) {
    run.status = kNotStarted;
    if (options_.messages == ChildOutput::kStandardError) {
      os_.WriteError(failure);
    } else {
      os_.Write(failure);
    }
  }
  if (options_.restoreDirectory) os_.ChangeDirectory(startDirectory_);
  return run;
}

InstallerRun DriverSession::Install() {
  os_.IgnoreBreakKeys(true);
  ChildStart start;
  start.output = options_.installerOutput;
  start.noInput = options_.noInput;
  InstallerRun run = RunIn(kInstallCommand, kDriverSuffix, start, kInstallerFailed);
  installed_ = run.started && run.status == 0;
  return run;
}

InstallerRun DriverSession::Remove() {
  ChildStart start;
  start.output = options_.installerOutput;
  start.noInput = options_.noInput;
  InstallerRun run = RunIn(kRemoveCommand, kDriverSuffix, start, kInstallerFailed);
  if (run.started && run.status == 0) installed_ = false;
  os_.IgnoreBreakKeys(false);
  return run;
}
