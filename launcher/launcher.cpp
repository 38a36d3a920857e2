#include "launcher.h"

#include <cstdio>
#include <cstring>

#include "shared_names.h"

namespace {

constexpr char kInstallCommand[] = "TZ415FilterInst.exe i";
constexpr char kRemoveCommand[] = "TZ415FilterInst.exe u";
constexpr char kDriverSuffix[] = "\\Driver\\";
constexpr char kUpdater32Command[] = "Quillet32 " QUILLET_LAUNCH_TOKEN;
constexpr char kUpdater64Command[] = "Quillet64 " QUILLET_LAUNCH_TOKEN;
constexpr char kUpdater32Suffix[] = "\\x86\\";
constexpr char kUpdater64Suffix[] = "\\x64\\";

// Every child directory is LaunchDirectory plus one of the suffixes; the
// longest decides whether the base fits.
constexpr size_t kLongestSuffix = sizeof kDriverSuffix - 1;

// Reported when a child cannot be created at all.
constexpr uint32_t kNotStarted = 1;

struct Child {
  const char* commandLine;
  const char* suffix;
  StartupInfo startup;
  const char* failure;
};

// The base and the suffix are joined as they are: a base at a drive's root
// already ends in a backslash and keeps both.
void JoinDirectory(const char* base, const char* suffix, char (&out)[kLauncherPathSize]) {
  std::snprintf(out, sizeof out, "%s%s", base, suffix);
}

uint32_t RunChild(LaunchContext& context, const Child& child) {
  char commandLine[kLauncherPathSize];
  std::snprintf(commandLine, sizeof commandLine, "%s", child.commandLine);
  char directory[kLauncherPathSize];
  JoinDirectory(context.LaunchDirectory, child.suffix, directory);
  context.os->ChangeDirectory(directory);

  uint32_t exitStatus = 0;
  bool started = context.os->RunChild(commandLine, child.startup, &exitStatus);
  if (!started) {
    context.os->Write(child.failure);
    return kNotStarted;
  }
  return exitStatus;
}

// GetCurrentDirectoryA copies nothing when the buffer is too small; a base
// that fits but leaves no room for the suffix would be cut short.
bool LaunchDirectoryFits(uint32_t reported, const char* launchDirectory) {
  if (reported >= kLauncherPathSize) return false;
  return std::strlen(launchDirectory) + kLongestSuffix < kLauncherPathSize;
}

}  // namespace

bool DetectIs64BitWindows(LauncherPlatform& os, bool processIs64Bit) {
  if (processIs64Bit) return true;
  return os.QueryWow64() == Wow64Answer::Wow64;
}

uint32_t RunFilterInstaller(LaunchContext& context, bool install) {
  Child installer = {install ? kInstallCommand : kRemoveCommand, kDriverSuffix,
                     StartupInfo::Cleared, "Filter Driver Fail!\n"};
  return RunChild(context, installer);
}

uint32_t RunUpdater(LaunchContext& context) {
  Child updater = {context.Is64BitWindows ? kUpdater64Command : kUpdater32Command,
                   context.Is64BitWindows ? kUpdater64Suffix : kUpdater32Suffix,
                   StartupInfo::Launchers, "Update FW fail!\n"};
  return RunChild(context, updater);
}

int LauncherMain(LauncherPlatform& os, bool processIs64Bit) {
  os.RunCommand("cls");

  LaunchContext context = {};
  context.os = &os;
  uint32_t reported = os.CurrentDirectory(context.LaunchDirectory, kLauncherPathSize);
  if (!LaunchDirectoryFits(reported, context.LaunchDirectory)) {
    os.Write("!!!Error The working directory path is too long\n");
    os.RunCommand("PAUSE");
    return 0;
  }

  context.Is64BitWindows = DetectIs64BitWindows(os, processIs64Bit);

  // A break key in the shared console reaches every process on it, each by
  // a thread of its own, so the launcher may get it only after the updater
  // has ended of it. Ignored from the installation to the removal, it never
  // leaves the filter driver installed.
  os.IgnoreBreakKeys(true);
  RunFilterInstaller(context, true);
  uint32_t status = RunUpdater(context);
  if (status != 0) {
    char line[64];
    // Statuses with the top bit set are NTSTATUS codes and read as negative.
    std::snprintf(line, sizeof line, "UpdateFW failed! (%d)\n", static_cast<int32_t>(status));
    os.Write(line);
  }
  RunFilterInstaller(context, false);
  os.IgnoreBreakKeys(false);

  os.RunCommand("PAUSE");
  return 0;
}
