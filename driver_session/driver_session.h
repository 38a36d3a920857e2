// The filter driver in and out around the work of one program, and the
// kernel locks that keep two such runs apart (kernel_locks.h). The launcher
// and the kit checker's live mode both run this sequence; each implements
// SessionPlatform (session_win32.cpp for Windows, a scripted double in the
// host tests).
#ifndef QUILLET_DRIVER_SESSION_DRIVER_SESSION_H_
#define QUILLET_DRIVER_SESSION_DRIVER_SESSION_H_

#include <cstdint>

#include "kernel_locks.h"

// Every directory and command-line buffer, terminator included.
constexpr int kSessionPathSize = 260;

// How a child's startup information starts out before the hidden-window
// flags are set on it.
enum class StartupInfo {
  kCleared,    // all zero but the size field
  kLaunchers,  // the starting program's own, as the platform reports it
};

// Where a child's standard output goes.
enum class ChildOutput {
  kConsole,        // the shared console, as the starting program's own text
  kStandardError,  // the starting program's standard error: keeps its
                   // standard output for a report of its own
};

struct ChildStart {
  StartupInfo startup = StartupInfo::kCleared;
  ChildOutput output = ChildOutput::kConsole;
  // Standard input is the null device, so that nothing the child runs can
  // wait for a key.
  bool noInput = false;
};

class SessionPlatform {
 public:
  virtual ~SessionPlatform() = default;

  // Standard output; the text has reached the console when this returns,
  // so it never lands after a child's own output.
  virtual void Write(const char* text) = 0;
  // The same on standard error.
  virtual void WriteError(const char* text) = 0;

  // GetCurrentDirectoryA: the length copied, or the size needed (terminator
  // included) when `size` is too small, in which case nothing is copied.
  virtual uint32_t CurrentDirectory(char* buffer, uint32_t size) = 0;
  // SetCurrentDirectoryA; a directory that does not exist changes nothing.
  virtual void ChangeDirectory(const char* path) = 0;

  // Starts `commandLine` (no application name, so its first word is found
  // by the platform's program search from the current directory) with the
  // window hidden, creation flags 0, the starting program's environment and
  // the current directory; waits for the child without a time limit and
  // stores its exit status. The child's handles are closed before this
  // returns. False when the process cannot be created.
  virtual bool RunChild(char* commandLine, const ChildStart& start, uint32_t* exitStatus) = 0;

  // While set, Ctrl+C and Ctrl+Break in the shared console do not end the
  // program (the children still receive them).
  virtual void IgnoreBreakKeys(bool ignore) = 0;

  // The locks that keep this run apart from others: a role of its own,
  // which the updater takes without the rest.
  virtual KernelLocks& Locks() = 0;
};

// What one installer run gave.
struct InstallerRun {
  bool started;
  uint32_t status;  // the installer's exit status; 1 when it did not start
};

// What the caller wants beyond running the installer.
struct SessionOptions {
  // Back to the start directory after each child (the launcher leaves the
  // last child's directory as it is).
  bool restoreDirectory = false;
  ChildOutput installerOutput = ChildOutput::kConsole;
  // Where the session's own lines ("Filter Driver Fail!") go: standard
  // error keeps a caller's standard output for a report of its own.
  ChildOutput messages = ChildOutput::kConsole;
  bool noInput = false;
};

// One installation and one removal of the filter driver with
// "TZ415FilterInst.exe i" and "u" in the start directory plus "\Driver\".
// Break keys are ignored from the installation to the removal: a break key
// reaches every process on the console by a thread of its own, so the
// program could get it after its child had ended of it and leave the
// driver installed.
class DriverSession {
 public:
  // `startDirectory` must leave room for the longest suffix
  // (StartDirectoryFits).
  DriverSession(SessionPlatform& os, const char* startDirectory, const SessionOptions& options);

  InstallerRun Install();
  // Runs the removal whether or not the installation worked; callers that
  // must not remove a driver they did not install ask Installed() first.
  InstallerRun Remove();
  // The installation ran and ended with 0.
  bool Installed() const { return installed_; }
  const SessionOptions& Options() const { return options_; }

  // Runs `commandLine` in the start directory plus `suffix`; prints
  // `failure` and gives 1 when it cannot start.
  InstallerRun RunIn(const char* commandLine, const char* suffix, const ChildStart& start,
                     const char* failure);

 private:
  SessionPlatform& os_;
  const char* startDirectory_;
  SessionOptions options_;
  bool installed_ = false;
};

// The length GetCurrentDirectoryA reported and the text it gave: whether
// every child directory built from it fits the buffers.
bool StartDirectoryFits(uint32_t reported, const char* startDirectory);

// The platform over Win32 (session_win32.cpp); the host build has none.
SessionPlatform& Win32SessionRole();

#endif  // QUILLET_DRIVER_SESSION_DRIVER_SESSION_H_
