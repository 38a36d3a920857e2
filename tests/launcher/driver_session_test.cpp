// The driver session as its two users need it: the run lock around the
// whole session, and the choices the kit checker's live mode makes (its
// working directory back after each child, the installer's output off its
// standard output, no removal of a driver it did not install).
#include <gtest/gtest.h>

#include <string>

#include "driver_session.h"
#include "fake_launcher_platform.h"
#include "launcher.h"
#include "shared_names.h"

namespace {

// ------------------------------------------------------------ run lock
// The rule itself is tests/driver_session/kernel_locks_test.cpp's.

// Another run, as the launcher can see it.
struct Other {
  const char* name;
  void (*stage)(FakeLauncherPlatform&);
};

const Other kOthers[] = {
    {"run held", [](FakeLauncherPlatform& os) { os.heldElsewhere[0] = true; }},
    {"write held", [](FakeLauncherPlatform& os) { os.heldElsewhere[1] = true; }},
    {"both held",
     [](FakeLauncherPlatform& os) { os.heldElsewhere[0] = os.heldElsewhere[1] = true; }},
    // An elevated run's locks are out of sight of a run without rights:
    // their signs are not.
    {"elevated writer, run without rights",
     [](FakeLauncherPlatform& os) {
       os.elevated = false;
       os.signElsewhere[1] = LockSign::kUnproven;
     }},
    {"elevated launcher, run without rights",
     [](FakeLauncherPlatform& os) {
       os.elevated = false;
       os.signElsewhere[0] = LockSign::kUnproven;
     }},
};

TEST(RunLock, HeldMakesTheLauncherPrintTheLineAndTouchNothing) {
  for (const Other& other : kOthers) {
    SCOPED_TRACE(other.name);
    FakeLauncherPlatform os;
    os.AddKit("C:\\Kit");
    other.stage(os);
    EXPECT_EQ(0, LauncherMain(os, os, false));
    // No cls: a second launcher in the same console keeps the first's text.
    EXPECT_EQ(std::string(QUILLET_BUSY_LINE) + "{PAUSE}", os.screen);
    EXPECT_FALSE(os.Holds(KernelLock::kRun) || os.signShown[0]);
  }
}

// Where nothing else runs, or only what a user without rights left under
// the signs' names, the rights change nothing a run prints.
TEST(RunLock, LeavesARunsTextAsItIsWhateverItsRights) {
  FakeLauncherPlatform alone;
  alone.AddKit("C:\\Kit");
  EXPECT_EQ(0, LauncherMain(alone, alone, false));
  EXPECT_EQ("+run -run ", alone.signs);
  for (bool elevated : {false, true}) {
    FakeLauncherPlatform os;
    os.AddKit("C:\\Kit");
    os.elevated = elevated;
    if (elevated) os.signElsewhere[0] = os.signElsewhere[1] = LockSign::kUnproven;
    EXPECT_EQ(0, LauncherMain(os, os, false));
    EXPECT_EQ(alone.screen, os.screen) << elevated;
    EXPECT_EQ(elevated ? "+run -run " : "", os.signs);
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
