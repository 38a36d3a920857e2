// What an unattended run keeps on the computer: the record's text, the next
// record from the last one and the run's results, the launcher keeping it
// (and only under --unattended), and the --log lines and their rollover.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cmtrace_log.h"
#include "deployment_record.h"
#include "fake_launcher_platform.h"
#include "launcher.h"
#include "shared_names.h"
#include "updater_results.h"

namespace {

using record::DeploymentRecord;
using record::HubEntry;

class FakeStore : public DeploymentStore {
 public:
  std::string record;  // empty: none
  std::string lastResult;
  bool recordCannotBeWritten = false;
  int writes = 0;
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> hashes;  // path: hex; absent when not here

  bool ReadRecord(std::string* text) override {
    *text = record;
    return !record.empty();
  }
  bool WriteRecord(const std::string& text, const std::string& detection) override {
    ++writes;
    if (recordCannotBeWritten) return false;
    record = text;
    lastResult = detection;
    return true;
  }
  FileHash HashFile(const std::string& path, std::string* hex) override {
    auto found = hashes.find(path);
    if (found == hashes.end()) return FileHash::kAbsent;
    *hex = found->second;
    return FileHash::kHashed;
  }
  LogTime Now() override { return {2026, 12, 9, 6, 5, 4, 32}; }
  uint64_t FileSize(const std::string& path) override {
    return files.count(path) ? files[path].size() : 0;
  }
  bool Append(const std::string& path, const std::string& text) override {
    files[path] += text;
    return true;
  }
  bool Replace(const std::string& from, const std::string& to) override {
    files[to] = files[from];
    files.erase(from);
    return true;
  }
};

const std::string kSha(64, 'a');

HubEntry Pending(uint8_t port) {
  HubEntry hub;
  hub.place = {0x3A17, 0x0600, 1, port};
  hub.firmwareBefore = 0x9012;
  hub.delivers = 0x9013;
  hub.imageSha256 = kSha;
  hub.image = ".\\Binfile\\My Dock.BIN";
  hub.outcome = HubOutcome::kProgrammed;
  hub.time = "2026-12-08T10:00:00Z";
  hub.powerCyclePending = true;
  return hub;
}

DeploymentRecord Sample() {
  DeploymentRecord r;
  r.status = 0;
  r.reason = "done";
  r.started = "2026-12-08T09:59:00Z";
  r.ended = "2026-12-08T10:00:00Z";
  r.launcherVersion = "2.9";
  r.kitIdentity = kSha;
  r.hubs.push_back(Pending(2));
  HubEntry same;
  same.place = {0x3A17, 0x0415, 0, 0};
  same.outcome = HubOutcome::kSameLevelBefore;
  same.previous = PendingMark::kCleared;
  r.hubs.push_back(same);
  return r;
}

// ---------------------------------------------------------------- the text

TEST(RecordText, ReadsBackWholeAndACutOrInconsistentTextIsNoRecord) {
  const std::string text = record::FormatRecord(Sample());
  EXPECT_EQ("Quillet record 1\nstatus 0\nreason done\nstarted 2026-12-08T09:59:00Z\n"
            "ended 2026-12-08T10:00:00Z\nlauncher 2.9\nkit " +
                kSha +
                "\npowerCyclePending 1\n"
                "hub 3A17 0600 1 2 9012 9013 programmed - 1 2026-12-08T10:00:00Z " +
                kSha +
                " .\\Binfile\\My Dock.BIN\n"
                "hub 3A17 0415 0 0 0000 0000 same-level cleared 0 - - \nend\n",
            text);
  DeploymentRecord back;
  ASSERT_TRUE(record::ParseRecord(text, &back));
  EXPECT_EQ(text, record::FormatRecord(back));
  EXPECT_EQ("0 " + kSha, record::LastResult(back));
  for (size_t cut = 0; cut < text.size(); ++cut) {
    EXPECT_FALSE(record::ParseRecord(text.substr(0, cut), &back)) << cut;
  }
  // Whole, but not this record: a miscount, another format, a digest cut
  // short or too long.
  const std::string digest = " " + kSha + " ";
  const std::pair<std::string, std::string> changes[] = {
      {"powerCyclePending 1", "powerCyclePending 2"},
      {"Quillet record 1", "Quillet record 2"},
      {digest, " " + kSha.substr(1) + " "},
      {digest, " " + kSha + "a "},
  };
  for (const auto& change : changes) {
    std::string changed = text;
    changed.replace(changed.find(change.first), change.first.size(), change.second);
    EXPECT_FALSE(record::ParseRecord(changed, &back)) << change.second;
  }
}

// ---------------------------------------------------------------- next record

struct NextCase {
  const char* name;
  // What this run's results say of the hub.
  HubOutcome outcome;
  uint8_t port;
  uint16_t reportedBefore;
  uint16_t delivers;
  PendingMark mark;
  // What its entry in the next record says.
  bool pending;
  const char* time;
  uint16_t before;
  uint16_t entryDelivers;
  // The earlier waiting hub, not visited, kept after this run's own.
  bool keptAfter;
};

void PrintTo(const NextCase& c, std::ostream* os) { *os << c.name; }

class NextRecord : public testing::TestWithParam<NextCase> {};

TEST_P(NextRecord, KeepsTheWriteAHubWaitsForAndNoOther) {
  const NextCase& c = GetParam();
  DeploymentRecord last = Sample();
  UpdaterResults results;
  results.stage = UpdaterStage::kListed;
  HubResult hub;
  hub.place = {0x3A17, 0x0600, 1, c.port};
  hub.firmwareBefore = c.reportedBefore;
  hub.delivers = c.delivers;
  hub.outcome = c.outcome;
  hub.previous = c.mark;
  // As the updater stamps a hub the library was asked to write.
  if (c.outcome == HubOutcome::kProgrammed || c.outcome == HubOutcome::kWriteFailed) {
    std::snprintf(hub.writeTime, sizeof hub.writeTime, "WRITE");
  }
  RecordHub(&results, hub);
  const DeploymentRecord next = record::NextRecord(last, &results, "END");
  ASSERT_EQ(c.keptAfter ? 2u : 1u, next.hubs.size());
  if (c.keptAfter) {
    EXPECT_EQ(2, next.hubs[1].place.port);
    EXPECT_EQ("2026-12-08T10:00:00Z", next.hubs[1].time);
    EXPECT_TRUE(next.hubs[1].powerCyclePending);
  }
  const HubEntry& entry = next.hubs[0];
  EXPECT_EQ(c.outcome, entry.outcome);
  EXPECT_EQ(c.pending, entry.powerCyclePending);
  EXPECT_EQ(c.mark, entry.previous);
  EXPECT_EQ(c.time, entry.time);
  EXPECT_EQ(c.before, entry.firmwareBefore);
  EXPECT_EQ(c.entryDelivers, entry.delivers);
  EXPECT_EQ(c.port, entry.place.port);
}

const NextCase kNextCases[] = {
    // Still waiting: the earlier write, with its time, "before" and delivers.
    {"StillPending", HubOutcome::kPowerCyclePending, 2, 0x9012, 0, PendingMark::kNone, true,
     "2026-12-08T10:00:00Z", 0x9012, 0x9013, false},
    {"TookEffect", HubOutcome::kSameLevelBefore, 2, 0x9013, 0, PendingMark::kCleared, false, "END",
     0x9013, 0, false},
    {"ChangedAndWrittenAgain", HubOutcome::kProgrammed, 2, 0x0B00, 0x9013, PendingMark::kChanged,
     true, "WRITE", 0x0B00, 0x9013, false},
    // Another hub for the rule: the one that waits keeps its mark.
    {"MovedAndWrittenAfresh", HubOutcome::kProgrammed, 3, 0x9012, 0x9013, PendingMark::kNone, true,
     "WRITE", 0x9012, 0x9013, true},
    // A write that leaves the version as it was could never show it took.
    {"WrittenWithTheSameVersion", HubOutcome::kProgrammed, 2, 0x9013, 0x9013, PendingMark::kCleared,
     false, "WRITE", 0x9013, 0x9013, false},
    // Attempted, not delivered: the updater says so, and the record keeps it.
    {"WriteFailed", HubOutcome::kWriteFailed, 2, 0x0B00, 0, PendingMark::kChanged, false, "WRITE",
     0x0B00, 0, false},
};

INSTANTIATE_TEST_SUITE_P(Record, NextRecord, testing::ValuesIn(kNextCases),
                         [](const testing::TestParamInfo<NextCase>& info) {
                           return std::string(info.param.name);
                         });

// A waiting hub a run did not visit keeps its mark as it was, whether the
// run stopped before it listed the hubs or listed them without it (its dock
// unplugged for that run), so the next run does not write it again.
TEST(NextRecordOfAHubNotVisited, KeepsItsMarkAsItWas) {
  const DeploymentRecord last = Sample();
  UpdaterResults stopped;
  stopped.stage = UpdaterStage::kDriver;
  UpdaterResults without;
  without.stage = UpdaterStage::kListed;
  HubResult other;
  other.place = {0x3A17, 0x0415, 0, 1};
  RecordHub(&without, other);
  for (const UpdaterResults* results :
       {static_cast<const UpdaterResults*>(nullptr), static_cast<const UpdaterResults*>(&stopped),
        static_cast<const UpdaterResults*>(&without)}) {
    const DeploymentRecord next = record::NextRecord(last, results, "END");
    ASSERT_FALSE(next.hubs.empty());
    EXPECT_EQ(record::FormatRecord({0, "", "", "", "", "", {last.hubs[0]}}),
              record::FormatRecord({0, "", "", "", "", "", {next.hubs.back()}}));
    EXPECT_EQ(1, next.PendingCount());
  }
}

// As many wait as the updater can be handed, this run's first: a kept mark
// past that would no longer keep its hub from a second write.
TEST(NextRecordOfAHubNotVisited, KeepsNoMoreWaitingThanTheUpdaterIsHanded) {
  DeploymentRecord last;
  for (int port = 1; port <= record::kMostWaiting; ++port) {
    last.hubs.push_back(Pending(static_cast<uint8_t>(port)));
  }
  UpdaterResults results;
  results.stage = UpdaterStage::kListed;
  HubResult written;
  written.place = {0x3A17, 0x0600, 1, 40};
  written.firmwareBefore = 0x9012;
  written.delivers = 0x9013;
  written.outcome = HubOutcome::kProgrammed;
  RecordHub(&results, written);
  const DeploymentRecord next = record::NextRecord(last, &results, "END");
  EXPECT_EQ(record::kMostWaiting, next.PendingCount());
  EXPECT_EQ(40, next.hubs.front().place.port);
  EXPECT_EQ(record::kMostWaiting - 1, next.hubs.back().place.port);
  EXPECT_EQ(static_cast<size_t>(record::kMostWaiting), record::PendingWrites(next).size());
}

// ---------------------------------------------------------------- the launcher

UpdaterResults OneHub(HubOutcome outcome, uint16_t before) {
  UpdaterResults results;
  std::snprintf(results.version, sizeof results.version, "2.9");
  results.stage = UpdaterStage::kListed;
  HubResult hub;
  hub.device = 1;
  hub.place = {0x3A17, 0x0600, 1, 2};
  hub.firmwareBefore = before;
  hub.delivers = 0x9013;
  hub.outcome = outcome;
  // A hub left alone before selection has no image.
  if (outcome != HubOutcome::kPowerCyclePending && !IsSameLevel(outcome)) {
    std::snprintf(hub.image, sizeof hub.image, ".\\Binfile\\DOCK.BIN");
  }
  RecordHub(&results, hub);
  return results;
}

struct KitRun {
  FakeLauncherPlatform os;
  FakeStore store;
  KitRun() {
    os.AddKit("C:\\Kit");
    store.hashes["C:\\Kit\\x64\\Binfile\\SHA256SUMS"] = kSha;
  }
  int Launch(std::vector<std::string> args) { return LauncherMain(os, os, store, false, args); }
};

TEST(KeptRecord, AnUnattendedRunHandsOverThePendingWritesAndKeepsItsOwn) {
  KitRun run;
  run.store.record = record::FormatRecord(Sample());
  run.os.updaterResults = FormatResults(OneHub(HubOutcome::kPowerCyclePending, 0x9012));
  EXPECT_EQ(0, run.Launch({"--unattended", "--report", "r.json"}));
  EXPECT_EQ("Quillet pending 1\npending 3A17 0600 1 2 9012 9013\nend\n", run.os.sectionAtStart);
  EXPECT_EQ("", run.os.text);
  DeploymentRecord kept;
  ASSERT_TRUE(record::ParseRecord(run.store.record, &kept));
  EXPECT_EQ(kSha, kept.kitIdentity);
  EXPECT_EQ("T0", kept.started);
  EXPECT_EQ("T1", kept.ended);
  EXPECT_EQ(1, kept.PendingCount());
  EXPECT_EQ("0 " + kSha, run.store.lastResult);
  const std::string& json = run.os.files["C:\\Kit\\r.json"];
  EXPECT_NE(std::string::npos, json.find("\"powerCyclePending\": 1,\n  \"record\": "
                                         "{\"written\": true},\n"))
      << json;
  EXPECT_NE(std::string::npos, json.find("\"noImageReason\": \"power-cycle-pending\""));
}

// What the next run is handed and how many the run says wait: from this
// run's hubs and an earlier record that reads whole, never from one that
// does not.
TEST(KeptRecord, CountsTheHubsWaitingAfterThisRunFromAWholeEarlierRecordOnly) {
  std::string notWhole = record::FormatRecord(Sample());
  notWhole.replace(notWhole.find("powerCyclePending 1"), 19, "powerCyclePending 2");
  const std::string none = "Quillet pending 1\nend\n";
  const std::string one = "Quillet pending 1\npending 3A17 0600 1 2 9012 9013\nend\n";
  const struct {
    const char* name;
    std::string earlier;
    HubOutcome outcome;
    uint16_t reports;
    std::string handed;
    int waiting;
  } cases[] = {
      {"still waiting", record::FormatRecord(Sample()), HubOutcome::kPowerCyclePending, 0x9012, one,
       1},
      {"written, none before", "", HubOutcome::kProgrammed, 0x9012, none, 1},
      {"its write took effect", record::FormatRecord(Sample()), HubOutcome::kSameLevelBefore,
       0x9013, one, 0},
      {"earlier record not whole", notWhole, HubOutcome::kSameLevelBefore, 0x9012, none, 0},
  };
  for (const auto& c : cases) {
    KitRun run;
    run.store.record = c.earlier;
    run.os.updaterResults = FormatResults(OneHub(c.outcome, c.reports));
    EXPECT_EQ(0, run.Launch({"--unattended", "--report", "r.json", "--log", "q.log"})) << c.name;
    EXPECT_EQ(c.handed, run.os.sectionAtStart) << c.name;
    DeploymentRecord kept;
    ASSERT_TRUE(record::ParseRecord(run.store.record, &kept)) << c.name;
    EXPECT_EQ(c.waiting, kept.PendingCount()) << c.name;
    const std::string count = std::to_string(c.waiting);
    EXPECT_NE(std::string::npos,
              run.os.files["C:\\Kit\\r.json"].find("\"powerCyclePending\": " + count + ","))
        << c.name;
    EXPECT_EQ(c.waiting > 0, run.store.files["C:\\Kit\\q.log"].find("power cycle pending for " +
                                                                    count) != std::string::npos)
        << c.name;
  }
}

TEST(KeptRecord, ThatCannotBeWrittenGetsALineAndAMemberButKeepsTheStatus) {
  KitRun run;
  run.store.recordCannotBeWritten = true;
  run.os.updaterResults = FormatResults(OneHub(HubOutcome::kWriteFailed, 0x9012));
  EXPECT_EQ(13, run.Launch({"--unattended", "--report", "r.json"}));
  EXPECT_EQ("!!!Error The update record cannot be written\n", run.os.text);
  EXPECT_NE(std::string::npos,
            run.os.files["C:\\Kit\\r.json"].find("\"record\": {\"written\": false}"));
}

TEST(KeptRecord, IsNeitherReadNorWrittenWithoutUnattendedNorByABusyRun) {
  KitRun attended;
  attended.store.record = record::FormatRecord(Sample());
  attended.os.updaterResults = FormatResults(OneHub(HubOutcome::kProgrammed, 0x9012));
  EXPECT_EQ(0, attended.Launch({"--report", "r.json"}));
  EXPECT_EQ(0, attended.store.writes);
  EXPECT_EQ("", attended.os.sectionAtStart);
  EXPECT_NE(std::string::npos, attended.os.files["C:\\Kit\\r.json"].find(
                                   "\"powerCyclePending\": null,\n  \"record\": null,\n"));

  KitRun busy;
  busy.os.heldElsewhere[static_cast<int>(KernelLock::kRun)] = true;
  EXPECT_EQ(1618, busy.Launch({"--unattended"}));
  EXPECT_EQ(0, busy.store.writes);
}

TEST(KeptRecord, AKitWithoutAListIsNamedByTheStatedRule) {
  KitRun run;
  run.store.hashes.clear();
  run.os.updaterResults = FormatResults(OneHub(HubOutcome::kSameLevelBefore, 0x9013));
  EXPECT_EQ(0, run.Launch({"--unattended"}));
  EXPECT_EQ("0 none", run.store.lastResult);
}

// ---------------------------------------------------------------- the log

TEST(CMTrace, OneLinePerEventWithTheViewersFieldsAndNoLineEndInside) {
  const LogTime time = {2026, 12, 9, 6, 5, 4, 32};
  EXPECT_EQ("<![LOG[Status 0 (done)]LOG]!><time=\"06:05:04.032+000\" date=\"12-09-2026\" "
            "component=\"Quillet\" context=\"\" type=\"1\" thread=\"0\" file=\"\">\r\n",
            CMTraceLine({LogType::kInformation, "Status 0 (done)"}, time, 0));
  const std::string broken = CMTraceLine({LogType::kError, "a\r\nb\tc]LOG]!>d\x7f"}, time, 7);
  EXPECT_EQ(0u, broken.find("<![LOG[a  b c]LOG] !>d ]LOG]!><time="));
  EXPECT_NE(std::string::npos, broken.find("type=\"3\" thread=\"7\""));
  EXPECT_EQ(broken.size() - 2, broken.find('\r'));
}

TEST(CMTrace, RollsOverToOneOlderCopyBeforeTheLimit) {
  FakeStore store;
  EXPECT_EQ("C:\\Logs\\quillet.lo_", OlderLogPath("C:\\Logs\\quillet.log"));
  EXPECT_EQ("C:\\Logs.d\\quillet.lo_", OlderLogPath("C:\\Logs.d\\quillet"));
  const std::string path = "C:\\Logs\\quillet.log";
  ASSERT_TRUE(AppendLog(store, path, std::string(60, 'a'), 100));
  ASSERT_TRUE(AppendLog(store, path, std::string(40, 'b'), 100));  // exactly the limit
  EXPECT_EQ(100u, store.files[path].size());
  ASSERT_TRUE(AppendLog(store, path, "c", 100));
  EXPECT_EQ("c", store.files[path]);
  EXPECT_EQ(std::string(60, 'a') + std::string(40, 'b'), store.files["C:\\Logs\\quillet.lo_"]);
  ASSERT_TRUE(AppendLog(store, path, std::string(100, 'd'), 100));
  EXPECT_EQ("c", store.files["C:\\Logs\\quillet.lo_"]);  // one older copy, the last
}

TEST(LogOption, WritesStartSettingsDriverEachHubAndStatusWithOrWithoutUnattended) {
  for (bool unattended : {false, true}) {
    KitRun run;
    run.os.updaterResults = FormatResults(OneHub(HubOutcome::kWriteFailed, 0x9012));
    std::vector<std::string> args = {"--log", "q.log"};
    if (unattended) args.push_back("--unattended");
    run.Launch(args);
    const std::string& log = run.store.files["C:\\Kit\\q.log"];
    std::vector<std::string> messages;
    for (size_t at = 0; (at = log.find("<![LOG[", at)) != std::string::npos; at += 7) {
      messages.push_back(log.substr(at + 7, log.find("]LOG]!>", at) - at - 7) + " type " +
                         log.substr(log.find("type=\"", at) + 6, 1));
    }
    const std::string start = unattended ? "Quillet 2.9 started: --log q.log --unattended"
                                         : "Quillet 2.9 started: --log q.log";
    EXPECT_EQ((std::vector<std::string>{
                  start + " type 1", "Settings: read type 1", "Filter driver: registered type 1",
                  "Hub 1 (3A17/0600, depth 1, port 2, firmware 9012): write-failed, image "
                  ".\\Binfile\\DOCK.BIN type 3",
                  "Status 13 (write-failed) type 3"}),
              messages);
    EXPECT_EQ("", run.os.text);
  }
}

}  // namespace
