// The launcher for deployment tools: its options, its status table and the
// order of its rows, and the report, against the scripted platform.
#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "deployment.h"
#include "fake_launcher_platform.h"
#include "launcher.h"
#include "quillet_version.h"
#include "sample_results.h"
#include "shared_names.h"
#include "updater_results.h"

namespace {

// ---------------------------------------------------------------- options

struct OptionsCase {
  const char* name;
  std::vector<std::string> args;
  bool known;
  bool unattended;
  const char* reportFile;  // null: no report
};

void PrintTo(const OptionsCase& c, std::ostream* os) { *os << c.name; }

class Options : public testing::TestWithParam<OptionsCase> {};

TEST_P(Options, OnlyDashDashArgumentsAreOptions) {
  const OptionsCase& c = GetParam();
  LauncherOptions options;
  EXPECT_EQ(c.known, ParseOptions(c.args, &options));
  EXPECT_EQ(c.unattended, options.unattended);
  if (c.known) {
    EXPECT_EQ(c.reportFile != nullptr, options.report);
    EXPECT_EQ(c.reportFile != nullptr ? c.reportFile : "", options.reportFile);
  }
}

const OptionsCase kOptionsCases[] = {
    {"None", {}, true, false, nullptr},
    {"DroppedFilesAreIgnored", {"C:\\x.txt", "-unattended", "/report"}, true, false, nullptr},
    {"Unattended", {"--unattended"}, true, true, nullptr},
    {"ReportWithItsFile", {"--report", "out\\r.json", "--unattended"}, true, true, "out\\r.json"},
    {"ReportJoined", {"--report=r.json"}, true, false, "r.json"},
    {"ReportJoinedWithoutFile", {"--report="}, false, false, nullptr},
    {"ReportWithoutFile", {"--unattended", "--report"}, false, true, nullptr},
    {"ReportWithEmptyFile", {"--report", ""}, false, false, nullptr},
    {"ReportFollowedByAnOption", {"--report", "--unattended"}, false, true, nullptr},
    {"UnknownAfterUnattended", {"--unattended", "--silent"}, false, true, nullptr},
    {"UnknownBeforeUnattended", {"--unatended", "--unattended"}, false, true, nullptr},
    {"BareDashes", {"--"}, false, false, nullptr},
    {"LetterCaseCounts", {"--Unattended"}, false, false, nullptr},
    {"LogWithItsFile", {"--log", "q.log", "--unattended"}, true, true, nullptr},
    {"LogJoined", {"--log=q.log"}, true, false, nullptr},
    {"LogWithoutFile", {"--unattended", "--log"}, false, true, nullptr},
    {"LogFollowedByAnOption", {"--log", "--unattended"}, false, true, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Launcher, Options, testing::ValuesIn(kOptionsCases),
                         [](const testing::TestParamInfo<OptionsCase>& info) {
                           return std::string(info.param.name);
                         });

// ----------------------------------------------------------- status table

LaunchRecord Listed(std::vector<HubOutcome> outcomes) {
  LaunchRecord r;
  r.installRan = r.removeRan = r.updaterRan = true;
  r.install = r.remove = r.updater = {true, 0};
  r.haveResults = true;
  r.results.stage = UpdaterStage::kListed;
  for (HubOutcome outcome : outcomes) {
    HubResult hub;
    hub.outcome = outcome;
    RecordHub(&r.results, hub);
  }
  return r;
}

struct StatusCase {
  const char* name;
  LaunchRecord record;
  int status;
};

LaunchRecord With(LaunchRecord r, void (*change)(LaunchRecord&)) {
  change(r);
  return r;
}

std::vector<StatusCase> StatusCases() {
  using O = HubOutcome;
  return {
      {"AllProgrammed", Listed({O::kProgrammed, O::kProgrammed}), 0},
      {"NothingToDoIsSuccess", Listed({O::kSameLevelAfter, O::kProgrammed}), 0},
      {"NoImage", Listed({O::kProgrammed, O::kNoImage}), 12},
      {"ImageCheckOutweighsNoImage", Listed({O::kNoImage, O::kImageCheck}), 14},
      {"WriteFailedOutweighsTheRest", Listed({O::kNoImage, O::kImageCheck, O::kWriteFailed}), 13},
      {"NoHubs", With(Listed({}), [](LaunchRecord& r) { r.results.stage = UpdaterStage::kNoHubs; }),
       10},
      {"SettingsStopBeforeListing",
       With(Listed({}), [](LaunchRecord& r) { r.results.stage = UpdaterStage::kSettings; }), 11},
      {"DriverNotRegistered",
       With(Listed({}),
            [](LaunchRecord& r) {
              r.install.status = 1;
              r.results.stage = UpdaterStage::kDriver;
            }),
       11},
      {"DirectoryTooLongRunsNothingAndIsNoMissingResult",
       With(LaunchRecord(), [](LaunchRecord& r) { r.directoryTooLong = true; }), 11},
      {"NoResults", With(Listed({O::kProgrammed}), [](LaunchRecord& r) { r.haveResults = false; }),
       1},
      {"UpdaterEndedBadlyOutweighsItsHubs",
       With(Listed({O::kWriteFailed}), [](LaunchRecord& r) { r.updater.status = 0xC0000135u; }), 1},
      {"InstallerNotStartedOutweighsTheDriverCheck",
       With(Listed({}),
            [](LaunchRecord& r) {
              r.install = {false, 1};
              r.results.stage = UpdaterStage::kDriver;
            }),
       1},
      {"RemovalNotStarted",
       With(Listed({O::kProgrammed}),
            [](LaunchRecord& r) {
              r.remove = {false, 1};
            }),
       1},
      {"ResultsNotShared",
       With(Listed({O::kProgrammed}), [](LaunchRecord& r) { r.setupFailed = true; }), 1},
      {"LauncherRefused", With(LaunchRecord(), [](LaunchRecord& r) { r.busy = true; }), 1618},
      {"UpdaterRefusedOutweighsMissingHubs",
       With(Listed({}), [](LaunchRecord& r) { r.results.stage = UpdaterStage::kBusy; }), 1618},
  };
}

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class Status : public testing::TestWithParam<StatusCase> {};

TEST_P(Status, IsTheFirstRowThatHolds) {
  EXPECT_EQ(GetParam().status, RunStatus(GetParam().record).status);
}

INSTANTIATE_TEST_SUITE_P(Launcher, Status, testing::ValuesIn(StatusCases()),
                         [](const testing::TestParamInfo<StatusCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(StatusTable, EveryCodeAndReasonIsItsOwnInTheDocumentedOrder) {
  std::vector<int> codes;
  std::set<std::string> reasons;
  for (const StatusRow& row : kStatusTable) {
    codes.push_back(row.status);
    reasons.insert(row.reason);
  }
  EXPECT_EQ((std::vector<int>{2, 1618, 1, 11, 10, 13, 14, 12, 0}), codes);
  EXPECT_EQ(codes.size(), reasons.size());
}

// ------------------------------------------------------- the whole launcher

std::string ResultsText(UpdaterStage stage, std::vector<HubOutcome> outcomes) {
  UpdaterResults results;
  std::snprintf(results.version, sizeof results.version, "2.9");
  results.stage = stage;
  int device = static_cast<int>(outcomes.size());
  for (HubOutcome outcome : outcomes) {
    HubResult hub;
    hub.device = device--;
    hub.outcome = outcome;
    RecordHub(&results, hub);
  }
  return FormatResults(results);
}

int Launch(FakeLauncherPlatform& os, std::vector<std::string> args) {
  return LauncherMain(os, os, false, args);
}

TEST(Unattended, NeverPausesGivesChildrenNoInputAndEndsWithTheTablesStatus) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.updaterResults = ResultsText(UpdaterStage::kListed, {HubOutcome::kWriteFailed});
  EXPECT_EQ(13, Launch(os, {"--unattended"}));
  EXPECT_EQ("{cls}{breaks ignored}{cd C:\\Kit\\Driver\\}{start TZ415FilterInst.exe i in "
            "C:\\Kit\\Driver\\ cleared no-input}{exit 0}{cd C:\\Kit\\x64\\}{start Quillet64 QRZ "
            "--results=Local\\Quillet.Results.77 in C:\\Kit\\x64\\ launcher's no-input}{exit 0}"
            "{cd C:\\Kit\\Driver\\}{start TZ415FilterInst.exe u in C:\\Kit\\Driver\\ cleared "
            "no-input}{exit 0}{breaks restored}",
            os.screen);
  EXPECT_TRUE(os.files.empty());
}

TEST(Unattended, AnUpdaterThatLeavesNoResultsIsNamedAndEnds1) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  EXPECT_EQ(1, Launch(os, {"--unattended"}));
  EXPECT_EQ("!!!Error The updater left no results\n", os.text);
}

TEST(Unattended, ResultsThatCannotBeSharedAreNamedAndEnd1) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.resultsCannotBeShared = true;
  EXPECT_EQ(1, Launch(os, {"--unattended"}));
  EXPECT_EQ("!!!Error The updater's results cannot be shared\n", os.text);
  EXPECT_NE(std::string::npos, os.screen.find("{start Quillet64 QRZ in"));
}

TEST(Unattended, BusyAndUsageEndWithoutPause) {
  FakeLauncherPlatform busy;
  busy.AddKit("C:\\Kit");
  busy.heldElsewhere[static_cast<int>(KernelLock::kWrite)] = true;
  EXPECT_EQ(1618, Launch(busy, {"--unattended"}));
  EXPECT_EQ(QUILLET_BUSY_LINE, busy.screen);

  FakeLauncherPlatform usage;
  EXPECT_EQ(2, Launch(usage, {"--unattended", "--quiet"}));
  EXPECT_EQ(kUsageLine, usage.screen);
  EXPECT_EQ("", usage.locks);

  FakeLauncherPlatform attended;
  EXPECT_EQ(0, Launch(attended, {"--quiet"}));
  EXPECT_EQ(std::string(kUsageLine) + "{PAUSE}", attended.screen);
}

TEST(Report, IsWrittenFromTheStartFolderAndTheExitStatusStays0) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.updaterResults = ResultsText(UpdaterStage::kListed, {HubOutcome::kNoImage});
  EXPECT_EQ(0, Launch(os, {"--report", "r.json"}));
  EXPECT_EQ("", os.text);
  ASSERT_EQ(1u, os.files.count("C:\\Kit\\r.json"));
  const std::string& json = os.files["C:\\Kit\\r.json"];
  EXPECT_NE(std::string::npos, json.find("\"status\": 12,\n  \"reason\": \"no-image\",\n  "
                                         "\"started\": \"T0\",\n  \"ended\": \"T1\""))
      << json;
  EXPECT_NE(std::string::npos, json.find("\"image\": null, \"noImageReason\": \"not-found\", "
                                         "\"libraryResult\": null, \"outcome\": \"no-image\"}"))
      << json;
  EXPECT_EQ("{PAUSE}", os.screen.substr(os.screen.size() - 7));
}

// Every member from its own source, each source given a value no other
// has: the installer's two runs, the updater's status and version, and a
// hub whose numbers all differ.
TEST(Report, HoldsEachMemberToItsOwnSource) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.commandStatus["TZ415FilterInst.exe i"] = 3;
  os.commandStatus["TZ415FilterInst.exe u"] = 7;
  os.programs["C:\\Kit\\x64\\Quillet64.exe"] = 5;
  os.updaterResults = FormatResults(SampleResults());
  // An updater that ends with a status of its own ended abnormally.
  EXPECT_EQ(1, Launch(os, {"--unattended", "--report", "r.json"}));
  EXPECT_EQ(
      "{\n  \"schema\": 1,\n  \"status\": 1,\n  \"reason\": \"not-run\",\n"
      "  \"started\": \"T0\",\n  \"ended\": \"T1\",\n"
      "  \"launcher\": {\"version\": \"" QUILLET_VERSION "\"},\n"
      "  \"updater\": {\"program\": \"Quillet64\", \"exitStatus\": 5, \"version\": \"2.8\", "
      "\"stage\": \"listed\"},\n"
      "  \"installer\": {\"install\": {\"started\": true, \"exitStatus\": 3}, "
      "\"remove\": {\"started\": true, \"exitStatus\": 7}},\n"
      "  \"powerCyclePending\": null,\n  \"record\": null,\n"
      "  \"hubs\": [\n"
      "    {\"device\": 2, \"vid\": \"3A17\", \"pid\": \"0600\", \"firmwareBefore\": \"9012\",\n"
      "     \"image\": \".\\\\Binfile\\\\My Dock.BIN\", \"noImageReason\": null, "
      "\"libraryResult\": -7, \"outcome\": \"write-failed\"},\n"
      "    {\"device\": 1, \"vid\": \"0000\", \"pid\": \"0000\", \"firmwareBefore\": \"0000\",\n"
      "     \"image\": null, \"noImageReason\": \"same-level\", \"libraryResult\": null, "
      "\"outcome\": \"same-level\"}\n"
      "  ]\n}\n",
      os.files["C:\\Kit\\r.json"]);
}

TEST(Report, ThatCannotBeWrittenIsNamed) {
  FakeLauncherPlatform os;
  os.AddKit("C:\\Kit");
  os.updaterResults = ResultsText(UpdaterStage::kListed, {HubOutcome::kProgrammed});
  os.reportCannotBeWritten = true;
  EXPECT_EQ(0, Launch(os, {"--unattended", "--report", "D:\\r.json"}));
  EXPECT_EQ("!!!Error The report cannot be written\n", os.text);
}

TEST(Report, EscapesWhatJsonCannotHoldAsItIs) {
  LaunchRecord r;
  r.updaterRan = true;
  r.updaterProgram = "Quillet64";
  r.haveResults = true;
  r.results.stage = UpdaterStage::kListed;
  HubResult hub;
  std::snprintf(hub.image, sizeof hub.image, ".\\Binfile\\\"A\"\xE9.BIN");
  hub.libraryCalled = true;
  hub.libraryResult = -2;
  RecordHub(&r.results, hub);
  const std::string json = ReportJson(r, RunStatus(r));
  EXPECT_NE(std::string::npos,
            json.find("\"image\": \".\\\\Binfile\\\\\\\"A\\\"\\u00e9.BIN\", \"noImageReason\": "
                      "null, \"libraryResult\": -2"))
      << json;
}

}  // namespace
