// The live check's steps on a scripted computer: the order of the updater's
// steps, the working directory around every library call, the filter driver
// in and out only when the check put it in, and one line for each way the
// computer can refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "hub_builders.h"
#include "hub_description.h"
#include "kit_check.h"
#include "live_capture.h"
#include "live_fixture.h"

namespace {

const char kSettings[] = "[TargetID_U3]\n1A2B0D12=0D12\n[HUBModule]\nHUBNumber=0\n";

struct LiveRun {
  FakeLiveMachine machine;
  FakeFiles files;
  check::LivePlace place = {"kit\\x64", "C:\\Work\\kit"};

  LiveRun() {
    files.AddFile("kit\\x64\\TZ415API.dll", ProgramFile(0x8664));
    files.AddFile("C:\\Work\\kit\\Driver\\TZ415FilterInst.exe", "MZ");
    machine.library.hubs = {MakeHub(0x1A2B, 0x0D12, 0x0A20)};
  }

  // Begin, then what CheckKit asks of the library; the error line or "".
  std::string Run() {
    std::string error;
    {
      check::LiveCheck live(machine.roles, files, check::LiveOptions());
      if (!live.Begin(place, &error)) return error;
      FakeFiles kit;
      kit.AddFile("SpiFlash.ini", kSettings);
      check::CheckKit(kit, &live.Hubs(), place.updaterFolder);
      machine.log.push_back(live.DriverInstalled() ? "installed here" : "found registered");
    }
    machine.log.push_back("ended");
    return error;
  }
};

TEST(LiveCheck, AsksTheLibraryInTheUpdatersOrderFromItsFolderAndNeverProgramsAHub) {
  LiveRun run;
  run.machine.RegisterDriver(true);
  EXPECT_EQ("", run.Run());
  const std::vector<std::string> expected = {"load C:\\Work\\kit\\x64\\TZ415API.dll",
                                             "version in C:\\Work\\kit\\x64",
                                             "ids in C:\\Work\\kit\\x64",
                                             "sleep 3000",
                                             "enum in C:\\Work\\kit\\x64",
                                             "found registered",
                                             "ended"};
  EXPECT_EQ(expected, run.machine.log);
  EXPECT_EQ("C:\\Work", run.machine.currentDirectory);
  EXPECT_FALSE(run.machine.Holds(KernelLock::kRun));
  EXPECT_TRUE(run.machine.DriverRegistered());
}

TEST(LiveCheck, InstallsAMissingDriverForTheCheckAndRemovesItAfter) {
  LiveRun run;
  EXPECT_EQ("", run.Run());
  const std::vector<std::string> expected = {"start TZ415FilterInst.exe i in C:\\Work\\kit\\Driver",
                                             "load C:\\Work\\kit\\x64\\TZ415API.dll",
                                             "version in C:\\Work\\kit\\x64",
                                             "ids in C:\\Work\\kit\\x64",
                                             "sleep 3000",
                                             "enum in C:\\Work\\kit\\x64",
                                             "installed here",
                                             "start TZ415FilterInst.exe u in C:\\Work\\kit\\Driver",
                                             "ended"};
  EXPECT_EQ(expected, run.machine.log);
  EXPECT_EQ("C:\\Work", run.machine.currentDirectory);
  EXPECT_FALSE(run.machine.DriverRegistered());
  EXPECT_FALSE(run.machine.breaksIgnored);
  EXPECT_FALSE(run.machine.Holds(KernelLock::kRun));
}

struct Refusal {
  const char* name;
  std::function<void(LiveRun&)> stage;
  const char* line;
  bool installerRuns;
};

class LiveRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(LiveRefusal, EndsWithOneLineAndLeavesTheDriverAsItWas) {
  LiveRun run;
  GetParam().stage(run);
  bool registeredBefore = run.machine.DriverRegistered();
  std::string error = run.Run();
  EXPECT_EQ(GetParam().line, error);
  EXPECT_EQ(std::string::npos, error.find('\n'));
  EXPECT_EQ(registeredBefore, run.machine.DriverRegistered());
  EXPECT_EQ("C:\\Work", run.machine.currentDirectory);
  EXPECT_FALSE(run.machine.Holds(KernelLock::kRun));
  EXPECT_FALSE(run.machine.breaksIgnored);
  int starts = 0;
  for (const std::string& event : run.machine.log) {
    EXPECT_NE(0u, event.find("version")) << event;
    starts += event.compare(0, 6, "start ") == 0;
  }
  EXPECT_EQ(GetParam().installerRuns ? 2 : 0, starts);
}

const Refusal kRefusals[] = {
    {"NoInstaller",
     [](LiveRun& r) { r.files.RemoveFile("C:\\Work\\kit\\Driver\\TZ415FilterInst.exe"); },
     "the filter driver tz415filter is not registered, and there is no "
     "C:\\Work\\kit\\Driver\\TZ415FilterInst.exe to install it for the check: install the "
     "driver, or run --live from a whole kit",
     false},
    {"InstallerRegistersNothing", [](LiveRun& r) { r.machine.installerRegisters = false; },
     "C:\\Work\\kit\\Driver\\TZ415FilterInst.exe i did not register the filter driver "
     "tz415filter: run --live as administrator, or install the driver first",
     true},
    {"AnotherRunHoldsTheLock",
     [](LiveRun& r) { r.machine.heldElsewhere[static_cast<int>(KernelLock::kRun)] = true; },
     "another Quillet run is under way: run --live again when it has ended", false},
    {"NoLibrary", [](LiveRun& r) { r.files.RemoveFile("kit\\x64\\TZ415API.dll"); },
     "the hub library kit\\x64\\TZ415API.dll is missing", true},
    {"LibraryOfTheOtherBitness",
     [](LiveRun& r) { r.files.AddFile("kit\\x64\\TZ415API.dll", ProgramFile(0x014C)); },
     "the hub library kit\\x64\\TZ415API.dll is 32-bit, and this checker is 64-bit: a library "
     "of the other bitness cannot be loaded",
     true},
    {"NotAProgram", [](LiveRun& r) { r.files.AddFile("kit\\x64\\TZ415API.dll", "[Hub1]\n"); },
     "the hub library kit\\x64\\TZ415API.dll is not a Windows library", true},
    {"LibraryForAnotherProcessor",
     [](LiveRun& r) { r.files.AddFile("kit\\x64\\TZ415API.dll", ProgramFile(0xAA64)); },
     "the hub library kit\\x64\\TZ415API.dll is built for another processor: it cannot be "
     "loaded here",
     true},
    {"LibraryWithoutTheCalls",
     [](LiveRun& r) {
       r.machine.RegisterDriver(true);
       r.machine.loadFailure = "does not export TA_SetIniInfo: it is not the hub library";
     },
     "the hub library kit\\x64\\TZ415API.dll does not export TA_SetIniInfo: it is not the hub "
     "library",
     false},
};

INSTANTIATE_TEST_SUITE_P(Computers, LiveRefusal, testing::ValuesIn(kRefusals),
                         [](const testing::TestParamInfo<Refusal>& info) {
                           return std::string(info.param.name);
                         });

TEST(LiveCheck, KeepsWhatTheLibraryWasHandedAndListedWithinTheTable) {
  LiveRun run;
  run.machine.RegisterDriver(true);
  run.machine.library.hubs.assign(16, MakeHub(0x1A2B, 0x0D12, 0x0A20));
  run.machine.library.reportedCount = 20;
  check::LiveCheck live(run.machine.roles, run.files, check::LiveOptions());
  std::string error;
  ASSERT_TRUE(live.Begin(run.place, &error)) << error;
  FakeFiles kit;
  kit.AddFile("SpiFlash.ini", kSettings);
  check::KitReport report = check::CheckKit(kit, &live.Hubs(), "kit\\x64");
  EXPECT_EQ(0x20190823u, live.Hubs().version());
  ASSERT_EQ(1u, live.Hubs().targetIds().size());
  EXPECT_EQ(0x1A2B0D12u, +live.Hubs().targetIds()[0].HubId);
  EXPECT_EQ(20, live.Hubs().reportedCount());
  EXPECT_EQ(16u, live.Hubs().listed().size());
  EXPECT_EQ(16u, report.hubs.size());
  // The updater's clamp, told.
  auto clamped =
      std::find_if(report.findings.begin(), report.findings.end(), [](const check::Finding& f) {
        return f.code == check::FindingCode::kHubsClamped;
      });
  ASSERT_NE(report.findings.end(), clamped);
  EXPECT_EQ("the library reports 20 hubs: the updater takes the first 16", clamped->text);
  EXPECT_EQ(check::Severity::kWarning, clamped->Row().severity);
}

TEST(LiveCapture, RecordsTheHubsWhereTheyWereListedAndNothingOfThePathAboveTheFolder) {
  LiveRun run;
  run.machine.RegisterDriver(true);
  run.machine.library.hubs = {MakeHub(0x1A2B, 0x0D12, 0x0A20), MakeHub(0x3A17, 0x0415, 0x9012)};
  check::LiveCheck live(run.machine.roles, run.files, check::LiveOptions());
  std::string error;
  ASSERT_TRUE(live.Begin(run.place, &error)) << error;
  std::string text;
  EXPECT_FALSE(check::LiveCaptureText(run.machine.roles, live.Hubs(), "kit\\x64", &text, &error));
  EXPECT_NE(std::string::npos, error.find("not asked for the hubs")) << error;

  FakeFiles kit;
  kit.AddFile("SpiFlash.ini", kSettings);
  check::CheckKit(kit, &live.Hubs(), "kit\\x64");
  ASSERT_TRUE(check::LiveCaptureText(run.machine.roles, live.Hubs(), "kit\\x64", &text, &error))
      << error;
  EXPECT_EQ(std::string::npos, text.find("Work")) << text;
  hubdesc::HubDescription capture;
  ASSERT_TRUE(hubdesc::ParseHubDescription(text, "capture.ini", &capture, &error)) << error;
  ASSERT_TRUE(capture.isCapture);
  EXPECT_EQ("x64", capture.capture.folder);
  EXPECT_EQ("2026-12-08T21:35:07Z", capture.capture.time);
  EXPECT_EQ("6.2.9200", capture.capture.windowsVersion);
  // This registry keeps no version.
  EXPECT_EQ("unknown", capture.capture.registryWindowsVersion);
  EXPECT_EQ(64, capture.capture.checkerBits);
  EXPECT_EQ(0x20190823u, capture.capture.libraryVersion);
  ASSERT_EQ(1u, capture.capture.hubIds.size());
  EXPECT_EQ(0x1A2B0D12u, +capture.capture.hubIds[0].HubId);
  ASSERT_EQ(2u, capture.hubs.size());
  EXPECT_EQ(0x0415, capture.hubs[1].productId);
}

TEST(LivePlace, IsTheFolderTheLauncherWouldRunAndNeedsAProcessOfWindowsOwnBitness) {
  FakeLiveMachine machine;
  check::LivePlace place;
  std::string error;
  ASSERT_TRUE(check::ChooseLivePlace(machine.roles, "kit", true, '\\', &place, &error));
  EXPECT_EQ("kit\\x64", place.updaterFolder);
  EXPECT_EQ("C:\\Work\\kit", place.kitRoot);

  ASSERT_TRUE(check::ChooseLivePlace(machine.roles, "kit\\x64", false, '\\', &place, &error));
  EXPECT_EQ("kit\\x64", place.updaterFolder);
  EXPECT_EQ("C:\\Work\\kit", place.kitRoot);

  machine.process64 = false;
  machine.windows64 = false;
  ASSERT_TRUE(check::ChooseLivePlace(machine.roles, "kit\\", true, '\\', &place, &error));
  EXPECT_EQ("kit\\x86", place.updaterFolder);

  machine.windows64 = true;
  EXPECT_FALSE(check::ChooseLivePlace(machine.roles, "kit", true, '\\', &place, &error));
  EXPECT_NE(std::string::npos, error.find("QuilletCheck64.exe")) << error;
}

TEST(RegistryWindowsVersion, TakesTheNumbersWhereTheyAreAndTheVersionTextElsewhere) {
  const char16_t key[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  const std::vector<uint8_t> ten = {10, 0, 0, 0};
  const std::vector<uint8_t> zero = {0, 0, 0, 0};
  FakeSystem system;
  EXPECT_EQ("", check::RegistryWindowsVersion(system));
  system.SetRegistryValue(key, u"CurrentVersion", MultiString({"6.3"}));
  EXPECT_EQ("6.3", check::RegistryWindowsVersion(system));
  system.SetRegistryValue(key, u"CurrentBuildNumber", MultiString({"19045"}));
  EXPECT_EQ("6.3.19045", check::RegistryWindowsVersion(system));
  system.SetRegistryValue(key, u"CurrentMajorVersionNumber", ten);
  system.SetRegistryValue(key, u"CurrentMinorVersionNumber", zero);
  EXPECT_EQ("10.0.19045", check::RegistryWindowsVersion(system));
  // Only digits and dots are ever expected; anything else is not copied out.
  system.SetRegistryValue(key, u"CurrentBuildNumber", {'1', 0, 0x0A, 0, 0, 0});
  EXPECT_EQ("10.0", check::RegistryWindowsVersion(system));
}

// ---- The command.

TEST(LiveCommand, JudgesOnlyTheFolderTheLauncherWouldRunAndSaysWhereTheHubsCameFrom) {
  LiveHost host(kSettings);
  FakeLiveMachine machine;
  machine.library.hubs = {MakeHub(0x1A2B, 0x0D12, 0x0A20)};
  host.machine = &machine;
  std::string out;
  std::string err;
  // The kit has no images: the hub gets none, an error of the kit's.
  ASSERT_EQ(1, check::CheckerMain({"--live", "--json", "kit"}, host, &out, &err)) << err;
  size_t x64 = out.find("\"name\":\"x64\"");
  ASSERT_NE(std::string::npos, x64) << out;
  EXPECT_NE(std::string::npos, out.substr(0, x64).find("\"hubs\":null")) << out;
  EXPECT_NE(std::string::npos, out.find("\"device\":1", x64)) << out;
  EXPECT_NE(std::string::npos,
            out.find(
                "\"live\":{\"folder\":\"kit\\\\x64\",\"library\":\"kit\\\\x64\\\\TZ415API.dll\","
                "\"libraryVersion\":\"20190823\",\"reportedCount\":1,\"driverInstalled\":true}"))
      << out;
  EXPECT_FALSE(machine.DriverRegistered());

  ASSERT_EQ(1, check::CheckerMain({"--live", "kit"}, host, &out, &err)) << err;
  EXPECT_NE(std::string::npos,
            out.find("Hubs of this computer, listed by kit\\x64\\TZ415API.dll (API Version "
                     "20190823); the filter driver was installed for the check and removed "
                     "after it\n"))
      << out;
  EXPECT_NE(std::string::npos, out.find("4. Summary")) << out;

  // This computer's record: its hub waits for its power cycle, which an
  // unattended run leaves, and a run without options finds no image for.
  machine.system.SetRegistryValue(
      u"SOFTWARE\\Quillet", u"Record",
      MultiString({"Quillet record 1", "status 0", "reason done", "started -", "ended -",
                   "launcher 2.9", "kit none", "powerCyclePending 1",
                   "hub 1A2B 0D12 1 1 0A20 0A21 programmed - 1 2026-12-09T06:16:58Z - ", "end"}));
  ASSERT_EQ(0, check::CheckerMain({"--live", "--json", "kit"}, host, &out, &err)) << err;
  EXPECT_NE(std::string::npos, out.find("\"lastRun\":{\"read\":true,")) << out;
  EXPECT_NE(std::string::npos, out.find("\"outcome\":\"power-cycle-pending\",")) << out;
  EXPECT_NE(std::string::npos, out.find("\"plainRun\":{\"outcome\":\"no-image\",")) << out;
}

TEST(LiveCommand, SavesTheListedHubsAsACaptureOnceTheDriverIsOutAndNeverOverAnother) {
  LiveHost host(kSettings);
  FakeLiveMachine machine;
  machine.library.hubs = {MakeHub(0x1A2B, 0x0D12, 0x0A20)};
  host.machine = &machine;
  std::string out;
  std::string err;
  EXPECT_EQ(1, check::CheckerMain({"--live", "--save-hubs", "hubs.ini", "kit"}, host, &out, &err))
      << err;
  ASSERT_EQ(1u, host.saved.count("hubs.ini"));
  hubdesc::HubDescription capture;
  ASSERT_TRUE(hubdesc::ParseHubDescription(host.saved["hubs.ini"], "hubs.ini", &capture, &err))
      << err;
  EXPECT_TRUE(capture.isCapture);
  EXPECT_EQ("x64", capture.capture.folder);
  EXPECT_EQ(1u, capture.hubs.size());

  host.saved["hubs.ini"] = "earlier";
  out.clear();
  EXPECT_EQ(2, check::CheckerMain({"--live", "--save-hubs", "hubs.ini", "kit"}, host, &out, &err));
  EXPECT_EQ("", out);
  EXPECT_EQ("QuilletCheck: hubs.ini exists; --force replaces it\n", err);
  EXPECT_EQ("earlier", host.saved["hubs.ini"]);
  EXPECT_FALSE(machine.DriverRegistered());
  EXPECT_FALSE(machine.Holds(KernelLock::kRun));
  EXPECT_EQ(1, check::CheckerMain({"--live", "--save-hubs", "hubs.ini", "--force", "kit"}, host,
                                  &out, &err));
  EXPECT_NE("earlier", host.saved["hubs.ini"]);
}

TEST(LiveCommand, IsAUsageErrorWhereTheHubsCannotBeRead) {
  LiveHost host(kSettings);
  std::string out;
  std::string err;
  EXPECT_EQ(2, check::CheckerMain({"--live", "kit"}, host, &out, &err));
  EXPECT_NE(std::string::npos, err.find("only the Windows checkers")) << err;
  FakeLiveMachine machine;
  host.machine = &machine;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--live", "--hubs", "hubs.ini", "kit"},
        std::vector<std::string>{"--live", "nowhere"}}) {
    err.clear();
    out.clear();
    EXPECT_EQ(2, check::CheckerMain(args, host, &out, &err)) << args[1];
    EXPECT_EQ("", out);
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
  }
  EXPECT_TRUE(machine.log.empty());
}

}  // namespace
