// The driver session as its two users need it: the run lock around the
// whole session, and the choices the kit checker's live mode makes (its
// working directory back after each child, the installer's output off its
// standard output, no removal of a driver it did not install).
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "driver_session.h"
#include "fake_launcher_platform.h"
#include "launcher.h"
#include "shared_names.h"

namespace {

// ------------------------------------------------------------ run lock

struct LockCase {
  const char* name;
  bool runHeld;
  bool writeHeld;
  bool taken;
  const char* story;
};

void PrintTo(const LockCase& c, std::ostream* os) { *os << c.name; }

class RunLock : public testing::TestWithParam<LockCase> {};

TEST_P(RunLock, IsTakenOnlyWhenNoRunAndNoWriteHoldsEither) {
  const LockCase& c = GetParam();
  FakeLauncherPlatform os;
  os.heldElsewhere[static_cast<int>(KernelLock::kRun)] = c.runHeld;
  os.heldElsewhere[static_cast<int>(KernelLock::kWrite)] = c.writeHeld;
  EXPECT_EQ(c.taken, TakeRunLock(os));
  EXPECT_EQ(c.story, os.locks);
  EXPECT_EQ(c.taken, os.lockHeld[static_cast<int>(KernelLock::kRun)]);
  EXPECT_FALSE(os.lockHeld[static_cast<int>(KernelLock::kWrite)]);
}

const LockCase kLockCases[] = {
    {"BothFree", false, false, true, "+run +write -write "},
    {"RunHeld", true, false, false, "run held "},
    {"WriteHeld", false, true, false, "+run write held -run "},
    {"BothHeld", true, true, false, "run held "},
};

INSTANTIATE_TEST_SUITE_P(Locks, RunLock, testing::ValuesIn(kLockCases),
                         [](const testing::TestParamInfo<LockCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(RunLock, HeldMakesTheLauncherPrintTheLineAndTouchNothing) {
  for (const LockCase& c : kLockCases) {
    if (c.taken) continue;
    SCOPED_TRACE(c.name);
    FakeLauncherPlatform os;
    os.AddKit("C:\\Kit");
    os.heldElsewhere[static_cast<int>(KernelLock::kRun)] = c.runHeld;
    os.heldElsewhere[static_cast<int>(KernelLock::kWrite)] = c.writeHeld;
    EXPECT_EQ(0, LauncherMain(os, os, false));
    // No cls: a second launcher in the same console keeps the first's text.
    EXPECT_EQ(std::string(QUILLET_BUSY_LINE) + "{PAUSE}", os.screen);
  }
}

TEST(RunLock, IsHeldFromBeforeTheInstallationToAfterTheRemoval) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  EXPECT_EQ(0, LauncherMain(os, os, false));
  EXPECT_EQ(std::string::npos, os.screen.find("without the run lock")) << os.screen;
  EXPECT_EQ("+run +write -write -run ", os.locks);
}

// ------------------------------------------------------------- options

TEST(DriverSession, CanRestoreTheDirectoryAndKeepTheInstallersOutputOffStandardOutput) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.directories.insert("C:\\Kit");
  SessionOptions options;
  options.restoreDirectory = true;
  options.installerOutput = ChildOutput::kStandardError;
  options.noInput = true;
  DriverSession session(os, "C:\\Kit", options);
  session.Install();
  session.Remove();
  EXPECT_EQ(
      "{breaks ignored}{cd C:\\Kit\\Driver\\}{start TZ415FilterInst.exe i in C:\\Kit\\Driver\\ "
      "cleared no-input output-to-stderr}{child runs without the run lock}{exit 0}{cd C:\\Kit}"
      "{cd C:\\Kit\\Driver\\}{start TZ415FilterInst.exe u in C:\\Kit\\Driver\\ cleared no-input "
      "output-to-stderr}{child runs without the run lock}{exit 0}{cd C:\\Kit}{breaks restored}",
      os.screen);
}

// A caller whose standard output is a report keeps the failure line off it.
TEST(DriverSession, CanPutItsOwnLinesOnStandardError) {
  for (ChildOutput messages : {ChildOutput::kConsole, ChildOutput::kStandardError}) {
    FakeLauncherPlatform os;
    os.AddKit("C:\\Kit");
    os.programs.erase("C:\\Kit\\Driver\\TZ415FilterInst.exe");
    SessionOptions options;
    options.messages = messages;
    DriverSession(os, "C:\\Kit", options).Install();
    bool toStderr = messages == ChildOutput::kStandardError;
    EXPECT_EQ(toStderr ? "" : "Filter Driver Fail!\n", os.text);
    EXPECT_EQ(toStderr, os.screen.find("{stderr Filter Driver Fail!\n}") != std::string::npos)
        << os.screen;
  }
}

TEST(DriverSession, HasInstalledOnlyWhenTheInstallerRanAndEndedWell) {
  const struct {
    bool present;
    uint32_t status;
    bool installed;
  } cases[] = {{true, 0, true}, {true, 1, false}, {false, 0, false}};
  for (const auto& c : cases) {
    FakeLauncherPlatform os;
    os.AddKit("C:\\Kit");
    if (c.present) {
      os.programs["C:\\Kit\\Driver\\TZ415FilterInst.exe"] = c.status;
    } else {
      os.programs.erase("C:\\Kit\\Driver\\TZ415FilterInst.exe");
    }
    DriverSession session(os, "C:\\Kit", SessionOptions());
    EXPECT_FALSE(session.Installed());
    InstallerRun run = session.Install();
    EXPECT_EQ(c.present, run.started);
    EXPECT_EQ(c.installed, session.Installed()) << os.screen;
    if (c.installed) {
      session.Remove();
      EXPECT_FALSE(session.Installed());
    }
  }
}

}  // namespace
