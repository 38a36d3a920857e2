// The launcher: filter driver in, the matching updater, filter driver out,
// and a key press. Its logic runs against two roles: the driver session's
// SessionPlatform (session_win32.cpp) and LauncherPlatform, which
// launcher_win32.cpp implements over Win32 and the C runtime; the host
// tests implement both with one scripted machine.
#ifndef QUILLET_LAUNCHER_LAUNCHER_H_
#define QUILLET_LAUNCHER_LAUNCHER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "deployment.h"
#include "deployment_store.h"
#include "driver_session.h"
#include "updater_choice.h"

// Every directory and command-line buffer, terminator included.
constexpr int kLauncherPathSize = kSessionPathSize;

// What only the launcher asks of the platform, beyond the driver session's
// role.
class LauncherPlatform {
 public:
  virtual ~LauncherPlatform() = default;

  // One command line through the command interpreter ("cls", "PAUSE").
  virtual void RunCommand(const char* command) = 0;

  // Looks up IsWow64Process in kernel32 at run time and, if it is there,
  // asks it about the current process.
  virtual Wow64Answer QueryWow64() = 0;

  // Asked only when an option asks for results or a report.
  // The time now, UTC, as "2026-12-08T21:40:00Z".
  virtual std::string UtcNow() = 0;
  // `path` (UTF-8) made absolute from the current directory; empty when
  // the platform cannot say.
  virtual std::string FullPath(const std::string& path) = 0;
  // Writes `text` under a temporary name beside `path` and renames it over
  // `path`, so that a reader finds the old file or the whole new one. False
  // for an empty path.
  virtual bool WriteReplacing(const std::string& path, const std::string& text) = 0;
  // Creates the section the updater writes its results into
  // (updater_results.h), with `pending` (the pending writes for the updater
  // to read) as its first text, and gives its name; empty when it cannot.
  virtual std::string CreateResults(const std::string& pending) = 0;
  // The section's text, empty when the updater wrote none; closes it.
  virtual std::string TakeResults() = 0;
};

// What the launcher knows through its run.
struct LaunchContext {
  SessionPlatform* os;
  char LaunchDirectory[kLauncherPathSize];
  bool Is64BitWindows;
  DriverSession* session;
  // Set when an option asks for the updater's results.
  const char* resultsName;
};

// A 64-bit launcher runs on 64-bit Windows by construction; a 32-bit one
// must ask whether it runs under the 32-bit emulation.
bool DetectIs64BitWindows(LauncherPlatform& os, bool processIs64Bit);

// Quillet64 or Quillet32 with the launch token (and where to leave its
// results, when asked); its exit status, or 1 when it cannot be started.
InstallerRun RunUpdater(LaunchContext& context);

// The whole launcher run; `args` are the arguments after the program's
// name, in UTF-8. `os` writes, runs the children and holds the locks;
// `launcher` is the rest. 0, but under --unattended the status from the
// table.
int LauncherMain(SessionPlatform& os, LauncherPlatform& launcher, bool processIs64Bit,
                 const std::vector<std::string>& args = {});
// The same, keeping the record and the log in `store` when options ask
// (nothing is kept without one).
int LauncherMain(SessionPlatform& os, LauncherPlatform& launcher, DeploymentStore& store,
                 bool processIs64Bit, const std::vector<std::string>& args);
int LauncherMain(SessionPlatform& os, LauncherPlatform& launcher, DeploymentStore* store,
                 bool processIs64Bit, const std::vector<std::string>& args);

#endif  // QUILLET_LAUNCHER_LAUNCHER_H_
