// The launcher: filter driver in, the matching updater, filter driver out,
// and a key press. Its logic runs against LauncherPlatform, which
// launcher_win32.cpp implements over Win32 and the C runtime and the host
// tests implement with a scripted machine.
#ifndef QUILLET_LAUNCHER_LAUNCHER_H_
#define QUILLET_LAUNCHER_LAUNCHER_H_

#include <cstdint>

// Every directory and command-line buffer, terminator included.
constexpr int kLauncherPathSize = 260;

// How a child's startup information starts out before the hidden-window
// flags are set on it.
enum class StartupInfo {
  Cleared,    // all zero but the size field
  Launchers,  // the launcher's own, as the platform reports it
};

// The three outcomes of looking up IsWow64Process and calling it.
enum class Wow64Answer {
  NoFunction,  // the platform has no such function
  NotWow64,    // the call left the flag false
  Wow64,       // a 32-bit process under 64-bit Windows
};

class LauncherPlatform {
 public:
  virtual ~LauncherPlatform() = default;

  // Standard output; the text has reached the console when this returns,
  // so it never lands after a child's own output.
  virtual void Write(const char* text) = 0;
  // One command line through the command interpreter ("cls", "PAUSE").
  virtual void RunCommand(const char* command) = 0;

  // GetCurrentDirectoryA: the length copied, or the size needed (terminator
  // included) when `size` is too small, in which case nothing is copied.
  virtual uint32_t CurrentDirectory(char* buffer, uint32_t size) = 0;
  // SetCurrentDirectoryA; a directory that does not exist changes nothing.
  virtual void ChangeDirectory(const char* path) = 0;

  // Looks up IsWow64Process in kernel32 at run time and, if it is there,
  // asks it about the current process.
  virtual Wow64Answer QueryWow64() = 0;

  // Starts `commandLine` (no application name, so its first word is found
  // by the platform's program search from the current directory) with the
  // window hidden, no handle inheritance, creation flags 0, the launcher's
  // environment and the current directory; waits for the child without a
  // time limit and stores its exit status. The child's handles are closed
  // before this returns. False when the process cannot be created.
  virtual bool RunChild(char* commandLine, StartupInfo startup, uint32_t* exitStatus) = 0;

  // While set, Ctrl+C and Ctrl+Break in the shared console do not end the
  // launcher (the children still receive them).
  virtual void IgnoreBreakKeys(bool ignore) = 0;
};

// What the launcher knows through its run.
struct LaunchContext {
  LauncherPlatform* os;
  char LaunchDirectory[kLauncherPathSize];
  bool Is64BitWindows;
};

// A 64-bit launcher runs on 64-bit Windows by construction; a 32-bit one
// must ask whether it runs under the 32-bit emulation.
bool DetectIs64BitWindows(LauncherPlatform& os, bool processIs64Bit);

// The installer with "i" (install) or "u"; its exit status, or 1 when it
// cannot be started.
uint32_t RunFilterInstaller(LaunchContext& context, bool install);

// Quillet64 or Quillet32 with the launch token; its exit status, or 1 when
// it cannot be started.
uint32_t RunUpdater(LaunchContext& context);

// The whole launcher run. Always 0.
int LauncherMain(LauncherPlatform& os, bool processIs64Bit);

#endif  // QUILLET_LAUNCHER_LAUNCHER_H_
