#include "launcher.h"

#include <cstdio>

#include "shared_names.h"

namespace {

constexpr char kUpdater32Command[] = "Quillet32 " QUILLET_LAUNCH_TOKEN;
constexpr char kUpdater64Command[] = "Quillet64 " QUILLET_LAUNCH_TOKEN;
constexpr char kUpdater32Suffix[] = "\\x86\\";
constexpr char kUpdater64Suffix[] = "\\x64\\";

}  // namespace

bool DetectIs64BitWindows(LauncherPlatform& os, bool processIs64Bit) {
  if (processIs64Bit) return true;
  return os.QueryWow64() == Wow64Answer::Wow64;
}

uint32_t RunUpdater(LaunchContext& context) {
  ChildStart start;
  start.startup = StartupInfo::Launchers;
  return context.session
      ->RunIn(context.Is64BitWindows ? kUpdater64Command : kUpdater32Command,
              context.Is64BitWindows ? kUpdater64Suffix : kUpdater32Suffix, start,
              "Update FW fail!\n")
      .status;
}

int LauncherMain(LauncherPlatform& os, bool processIs64Bit) {
  // Before the screen is cleared, so that a second launcher in the same
  // console does not wipe the first one's text.
  if (!TakeRunLock(os)) {
    os.Write(QUILLET_BUSY_LINE);
    os.RunCommand("PAUSE");
    return 0;
  }
  os.RunCommand("cls");

  LaunchContext context = {};
  context.os = &os;
  uint32_t reported = os.CurrentDirectory(context.LaunchDirectory, kLauncherPathSize);
  if (!StartDirectoryFits(reported, context.LaunchDirectory)) {
    os.Write("!!!Error The working directory path is too long\n");
    os.Unlock(KernelLock::Run);
    os.RunCommand("PAUSE");
    return 0;
  }

  context.Is64BitWindows = DetectIs64BitWindows(os, processIs64Bit);

  DriverSession session(os, context.LaunchDirectory, SessionOptions());
  context.session = &session;
  session.Install();
  uint32_t status = RunUpdater(context);
  if (status != 0) {
    char line[64];
    // Statuses with the top bit set are NTSTATUS codes and read as negative.
    std::snprintf(line, sizeof line, "UpdateFW failed! (%d)\n", static_cast<int32_t>(status));
    os.Write(line);
  }
  session.Remove();
  os.Unlock(KernelLock::Run);

  os.RunCommand("PAUSE");
  return 0;
}
