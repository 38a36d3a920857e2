// The launcher's run as the console and the platform see it: which children
// start, where, with which startup information, and what is printed when
// they cannot start or fail.
#include <gtest/gtest.h>

#include <string>

#include "fake_launcher_platform.h"
#include "launcher.h"

namespace {

// One child started in `directory` (as the launcher names it; the fake's
// current directory after the change) and ending with `status`.
std::string Child(const std::string& cd, const std::string& commandLine, const std::string& runsIn,
                  const char* startup, uint32_t status) {
  return "{cd " + cd + "}{start " + commandLine + " in " + runsIn + " " + startup + "}{exit " +
         std::to_string(status) + "}";
}

std::string Missing(const std::string& cd, const std::string& commandLine,
                    const std::string& runsIn, const char* startup) {
  return "{cd " + cd + "}{start " + commandLine + " in " + runsIn + " " + startup +
         "}{no such program}";
}

int Launch(FakeLauncherPlatform& os, bool processIs64Bit = false) {
  return LauncherMain(os, os, processIs64Bit);
}

// --------------------------------------------------------------- platform

TEST(Launcher, On64BitWindowsRunsQuillet64InX64BetweenInstallAndRemove) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.wow64 = Wow64Answer::kWow64;
  EXPECT_EQ(0, Launch(os));
  EXPECT_EQ("{cls}{breaks ignored}" +
                Child("C:\\Kit\\Driver\\", "TZ415FilterInst.exe i", "C:\\Kit\\Driver\\", "cleared",
                      0) +
                Child("C:\\Kit\\x64\\", "Quillet64 QRZ", "C:\\Kit\\x64\\", "launcher's", 0) +
                Child("C:\\Kit\\Driver\\", "TZ415FilterInst.exe u", "C:\\Kit\\Driver\\", "cleared",
                      0) +
                "{breaks restored}{PAUSE}",
            os.screen);
  EXPECT_EQ("", os.text);  // a clean run prints nothing of its own
  EXPECT_EQ(1, os.wow64Queries);
}

TEST(Launcher, On32BitWindowsRunsQuillet32InX86) {
  FakeLauncherPlatform os;
  os.AddKit("D:\\Tools\\Hub Kit");
  os.currentDirectory = "D:\\Tools\\Hub Kit";
  os.wow64 = Wow64Answer::kNotWow64;
  EXPECT_EQ(0, Launch(os));
  EXPECT_NE(std::string::npos, os.screen.find(Child("D:\\Tools\\Hub Kit\\x86\\", "Quillet32 QRZ",
                                                    "D:\\Tools\\Hub Kit\\x86\\", "launcher's", 0)))
      << os.screen;
  EXPECT_EQ(std::string::npos, os.screen.find("Quillet64"));
}

TEST(Launcher, APlatformWithoutIsWow64ProcessCountsAs32Bit) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.wow64 = Wow64Answer::kNoFunction;
  EXPECT_EQ(0, Launch(os));
  EXPECT_NE(std::string::npos, os.screen.find("{start Quillet32 QRZ in C:\\Kit\\x86\\"));
  EXPECT_EQ("", os.text);
}

TEST(Launcher, A64BitBuildIsOn64BitWindowsWithoutAsking) {
  for (Wow64Answer answer : {Wow64Answer::kNoFunction, Wow64Answer::kNotWow64}) {
    FakeLauncherPlatform os;
    os.AddKit("C:\\Kit");
    os.wow64 = answer;
    EXPECT_EQ(0, Launch(os, /*processIs64Bit=*/true));
    EXPECT_NE(std::string::npos, os.screen.find("{start Quillet64 QRZ in C:\\Kit\\x64\\"));
    EXPECT_EQ(0, os.wow64Queries);
  }
}

TEST(Launcher, AtADriveRootTheJoinedDirectoriesKeepBothBackslashes) {
  FakeLauncherPlatform os;
  os.currentDirectory = "C:\\";
  os.directories = {"C:\\\\Driver\\", "C:\\\\x64\\"};
  os.programs["C:\\\\Driver\\TZ415FilterInst.exe"] = 0;
  os.programs["C:\\\\x64\\Quillet64.exe"] = 0;
  EXPECT_EQ(0, Launch(os));
  EXPECT_EQ("{cls}{breaks ignored}" +
                Child("C:\\\\Driver\\", "TZ415FilterInst.exe i", "C:\\\\Driver\\", "cleared", 0) +
                Child("C:\\\\x64\\", "Quillet64 QRZ", "C:\\\\x64\\", "launcher's", 0) +
                Child("C:\\\\Driver\\", "TZ415FilterInst.exe u", "C:\\\\Driver\\", "cleared", 0) +
                "{breaks restored}{PAUSE}",
            os.screen);
}

// -------------------------------------------------------------- failures

TEST(Launcher, AMissingUpdaterIsReportedTwiceAndTheDriverStillGoesOut) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.programs.erase("C:\\Kit\\x64\\Quillet64.exe");
  EXPECT_EQ(0, Launch(os));
  EXPECT_EQ("{cls}{breaks ignored}" +
                Child("C:\\Kit\\Driver\\", "TZ415FilterInst.exe i", "C:\\Kit\\Driver\\", "cleared",
                      0) +
                Missing("C:\\Kit\\x64\\", "Quillet64 QRZ", "C:\\Kit\\x64\\", "launcher's") +
                "Update FW fail!\nUpdateFW failed! (1)\n" +
                Child("C:\\Kit\\Driver\\", "TZ415FilterInst.exe u", "C:\\Kit\\Driver\\", "cleared",
                      0) +
                "{breaks restored}{PAUSE}",
            os.screen);
}

TEST(Launcher, AMissingInstallerIsReportedBeforeAndAfterTheUpdate) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.programs.erase("C:\\Kit\\Driver\\TZ415FilterInst.exe");
  EXPECT_EQ(0, Launch(os));
  EXPECT_EQ("{cls}{breaks ignored}" +
                Missing("C:\\Kit\\Driver\\", "TZ415FilterInst.exe i", "C:\\Kit\\Driver\\",
                        "cleared") +
                "Filter Driver Fail!\n" +
                Child("C:\\Kit\\x64\\", "Quillet64 QRZ", "C:\\Kit\\x64\\", "launcher's", 0) +
                Missing("C:\\Kit\\Driver\\", "TZ415FilterInst.exe u", "C:\\Kit\\Driver\\",
                        "cleared") +
                "Filter Driver Fail!\n{breaks restored}{PAUSE}",
            os.screen);
  EXPECT_EQ("Filter Driver Fail!\nFilter Driver Fail!\n", os.text);
}

TEST(Launcher, AMissingDirectoryLeavesTheSearchWhereItWas) {
  // No x64 directory: the change fails unnoticed and the updater is looked
  // for in the installer's directory, where it is not.
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.directories.erase("C:\\Kit\\x64\\");
  EXPECT_EQ(0, Launch(os));
  EXPECT_NE(std::string::npos, os.screen.find(Missing("C:\\Kit\\x64\\", "Quillet64 QRZ",
                                                      "C:\\Kit\\Driver\\", "launcher's") +
                                              "Update FW fail!\nUpdateFW failed! (1)\n"))
      << os.screen;
}

TEST(Launcher, TheUpdatersNonZeroStatusIsPrintedSigned) {
  const struct {
    uint32_t status;
    const char* line;
  } cases[] = {
      {0xC0000135u, "UpdateFW failed! (-1073741515)\n"},
      {3, "UpdateFW failed! (3)\n"},
      {0xFFFFFFFFu, "UpdateFW failed! (-1)\n"},
  };
  for (const auto& c : cases) {
    FakeLauncherPlatform os;
    os.AddKit("C:\\Kit");
    os.programs["C:\\Kit\\x64\\Quillet64.exe"] = c.status;
    EXPECT_EQ(0, Launch(os));
    EXPECT_EQ(c.line, os.text);
    // Printed between the updater's end and the removal run.
    EXPECT_NE(std::string::npos,
              os.screen.find(std::string("{exit ") + std::to_string(c.status) + "}" + c.line +
                             "{cd C:\\Kit\\Driver\\}{start TZ415FilterInst.exe u"));
  }
}

// A break key reaches each process on the console by a thread of its own, so
// the launcher can get it after the updater has already ended of it. Were the
// keys live again between the children, it would end then, with the driver
// still installed.
TEST(Launcher, BreakKeysStayIgnoredFromTheInstallationToTheRemoval) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.programs["C:\\Kit\\x64\\Quillet64.exe"] = 0xC000013Au;  // ended by Ctrl+C
  EXPECT_EQ(0, Launch(os));
  size_t installed = os.screen.find("{start TZ415FilterInst.exe i");
  size_t removed = os.screen.find("{start TZ415FilterInst.exe u");
  ASSERT_NE(std::string::npos, installed) << os.screen;
  ASSERT_NE(std::string::npos, removed) << os.screen;
  EXPECT_EQ(std::string::npos,
            os.screen.substr(installed, removed - installed).find("{breaks restored}"))
      << os.screen;
}

TEST(Launcher, TheInstallersStatusIsNeverReported) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.programs["C:\\Kit\\Driver\\TZ415FilterInst.exe"] = 2;
  EXPECT_EQ(0, Launch(os));
  EXPECT_EQ("", os.text);
  EXPECT_NE(std::string::npos, os.screen.find("{start Quillet64 QRZ"));
}

// ------------------------------------------------------ directory length

std::string DirectoryOfLength(size_t length) {
  std::string directory = "C:\\";
  while (directory.size() < length) directory += 'd';
  return directory;
}

TEST(Launcher, ADirectoryThatLeavesRoomForTheLongestSuffixRuns) {
  // 251 characters, "\Driver\" and the terminator fill the 260 exactly.
  FakeLauncherPlatform os;
  const std::string base = DirectoryOfLength(251);
  os.currentDirectory = base;
  os.AddKit(base);
  EXPECT_EQ(0, Launch(os));
  EXPECT_EQ("", os.text);
  EXPECT_NE(std::string::npos, os.screen.find("{start TZ415FilterInst.exe u in " + base +
                                              "\\Driver\\ cleared}{exit 0}"));
}

TEST(Launcher, ADirectoryTooLongForTheBuffersStartsNoChild) {
  const struct {
    size_t length;
    uint32_t reportedTooSmall;  // 0: what the directory's length gives
  } cases[] = {
      {252, 0},
      {259, 0},
      {260, 0},
      {300, 0},
      // A report of exactly the buffer's size still means nothing was copied.
      {20, kLauncherPathSize},
  };
  for (const auto& c : cases) {
    const size_t length = c.length;
    SCOPED_TRACE(c.reportedTooSmall);
    FakeLauncherPlatform os;
    os.currentDirectory = DirectoryOfLength(length);
    os.reportedTooSmall = c.reportedTooSmall;
    os.AddKit(os.currentDirectory);
    EXPECT_EQ(0, Launch(os)) << length;
    EXPECT_EQ("{cls}!!!Error The working directory path is too long\n{PAUSE}", os.screen) << length;
    EXPECT_EQ(0, os.wow64Queries);
  }
}

}  // namespace
