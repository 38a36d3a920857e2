// What the next run does with a computer's hubs: each planned with the
// writes its last unattended run left waiting, and what a run without
// options does where that differs; the record as the reports and --explain
// open with it, and the kit identity it is told against.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bundle.h"
#include "bundle_parts.h"
#include "checker_main.h"
#include "kit_fixture.h"
#include "report.h"
#include "sample_capture.h"

namespace {

using namespace kit_fixture;
using check::ComputerRecord;

const std::string kKit(64, 'a');
constexpr char kWritten[] = "2026-12-09T06:16:58Z";

// A write of A.BIN (0A21) to the kit's hub (1A2B/0D12, depth 1) on `port`,
// which reported 0A20: it waits for its power cycle.
std::string Wrote(int port, const std::string& time = kWritten) {
  return "hub 1A2B 0D12 1 " + std::to_string(port) + " 0A20 0A21 programmed - 1 " + time + " " +
         std::string(64, 'b') + " .\\Binfile\\A.BIN\n";
}
std::string RecordText(int pending, const std::string& hubs) {
  return "Quillet record 1\nstatus 0\nreason done\nstarted 2026-12-09T06:16:51Z\nended " +
         std::string(kWritten) + "\nlauncher 2.9\nkit " + kKit + "\npowerCyclePending " +
         std::to_string(pending) + "\n" + hubs + "end\n";
}

// A bundle's record part, or none with why.
ComputerRecord RecordOf(const std::string& text, const char* missing = nullptr) {
  bundle::Part part;
  part.text = text;
  part.missing = missing != nullptr;
  part.why = missing != nullptr ? missing : "";
  return check::ReadRecordPart(&part);
}

struct HubCase {
  const char* name;
  uint16_t firmware;  // what the hub reports now
  uint8_t port;
  ComputerRecord record;
  HubOutcome unattended;
  PowerCycle cycle;
  std::string decision;
};
void PrintTo(const HubCase& c, std::ostream* os) { *os << c.name; }

class NextRunOfAHub : public testing::TestWithParam<HubCase> {};

TEST_P(NextRunOfAHub, IsWhatAnUnattendedRunPlansAndAPlainRunWhereItDiffers) {
  const HubCase& c = GetParam();
  Kit kit;
  kit.images.push_back({"B.BIN", LongImage(0x1234)});
  kit.hubs[0].FirmwareVersion = c.firmware;
  kit.hubs[0].ConnectionPortIndex = c.port;
  kit.record = c.record;
  const KitReport report = kit.Check();
  ASSERT_EQ(1u, report.hubs.size()) << Codes(report);
  const HubReport& hub = report.hubs[0];
  EXPECT_EQ(c.unattended, hub.plan.outcome);
  EXPECT_EQ(c.cycle, hub.next.cycle);
  // Only a hub left waiting is one that a run without options writes.
  const bool waits = c.unattended == HubOutcome::kPowerCyclePending;
  EXPECT_EQ(waits, hub.next.differs && hub.next.plain.outcome == HubOutcome::kProgram);
  EXPECT_EQ(c.decision, check::Decision(hub, report.images));
  // The images refused, even where the unattended run judges none.
  EXPECT_NE(std::string::npos, check::HubsText(report).find("B.BIN  image-id"));
}

const ComputerRecord kWaiting = RecordOf(RecordText(1, Wrote(1)));
const std::string kWrites = "writes A.BIN (delivers 0A21, the hub has 0A20)";

INSTANTIATE_TEST_SUITE_P(
    Record, NextRunOfAHub,
    testing::Values(
        HubCase{"StillWaiting", 0x0A20, 1, kWaiting, HubOutcome::kPowerCyclePending,
                PowerCycle::kStillPending,
                "waits for a power cycle since 2026-12-09T06:16:58Z: an unattended run leaves "
                "it; a run without options writes A.BIN again (delivers 0A21, the hub has 0A20)"},
        HubCase{"TookEffect", 0x0A21, 1, kWaiting, HubOutcome::kProgram, PowerCycle::kTookEffect,
                "writes A.BIN (delivers 0A21, the hub has 0A21); its write of "
                "2026-12-09T06:16:58Z took effect"},
        HubCase{"ChangedElsewhere", 0x0B00, 1, kWaiting, HubOutcome::kProgram,
                PowerCycle::kChangedElsewhere,
                "writes A.BIN (delivers 0A21, the hub has 0B00); changed by other means since "
                "its write of 2026-12-09T06:16:58Z"},
        HubCase{"MovedToAnotherPort", 0x0A20, 2, kWaiting, HubOutcome::kProgram,
                PowerCycle::kNoWrite, kWrites},
        HubCase{"NoRecord", 0x0A20, 1, RecordOf("", "no record"), HubOutcome::kProgram,
                PowerCycle::kNoWrite, kWrites},
        // Its hub line reads, but not the record as a whole.
        HubCase{"RecordThatDoesNotRead", 0x0A20, 1, RecordOf(RecordText(2, Wrote(1))),
                HubOutcome::kProgram, PowerCycle::kNoWrite, kWrites}),
    [](const testing::TestParamInfo<HubCase>& info) { return std::string(info.param.name); });

TEST(NextRun, TheRecordIsToldAgainstThisKitsFoldersWithItsEarliestWaitingWrite) {
  const ComputerRecord read = RecordOf(RecordText(2, Wrote(1) + Wrote(2, "2026-12-08T09:00:00Z")));
  const std::string other(64, 'c');
  const std::vector<std::pair<std::vector<check::FolderIdentity>, std::string>> cases = {
      {{{"x86", other}, {"x64", kKit}}, "this kit's x64"},
      {{{"", kKit}}, "this kit"},
      {{{"", other}}, "not this kit (this kit's is " + other + ")"},
      {{}, "no kit to compare it with"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ("Last unattended run: status 0 (done), 2026-12-09T06:16:51Z to " +
                  std::string(kWritten) + ", launcher 2.9\n  kit " + kKit + ": " + c.second +
                  "\n  2 hubs wait for a power cycle since 2026-12-08T09:00:00Z\n",
              check::LastRunText(check::SummarizeRecord(read, c.first)));
  }
  // Two kits without a list are not told apart.
  const std::string none = Replace(RecordText(1, Wrote(1)), "kit " + kKit, "kit none");
  EXPECT_TRUE(check::SummarizeRecord(RecordOf(none), {{"", "none"}}).sameKit.empty());
  EXPECT_EQ("Last unattended run: none (no unattended run has left a record on this computer)\n",
            check::LastRunText(check::SummarizeRecord(
                RecordOf("", "no unattended run has left a record on this computer"), {})));
  EXPECT_EQ("Last unattended run: none (the record is not a whole record)\n",
            check::LastRunText(check::SummarizeRecord(RecordOf(RecordText(2, Wrote(1))), {})));
  // Hubs that are no computer's have no last run to tell.
  EXPECT_EQ("", check::LastRunText(check::RecordSummary()));
}

TEST(NextRun, AKitIsKnownByItsListsDigestAsTheLauncherNamesIt) {
  FakeFiles files;
  EXPECT_EQ("none", check::KitIdentityOf(files));
  files.AddUnopenableFile(".\\Binfile\\SHA256SUMS");
  EXPECT_EQ("unreadable", check::KitIdentityOf(files));
  // Found as the updater's search finds it, in any letter case.
  files.RemoveFile(".\\Binfile\\SHA256SUMS");
  files.AddFile(".\\Binfile\\sha256sums", "abc");
  const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  EXPECT_EQ(abc, check::KitIdentityOf(files));
}

class Host : public check::CheckerHost {
 public:
  FakeFiles files;
  Files& PlatformFiles() override { return files; }
  char Separator() const override { return '\\'; }
  bool IsFolder(const std::string& path) override { return path == "kit"; }
  bool SaveFile(const std::string&, const std::string&, bool, std::string*) override {
    return false;
  }
};

TEST(NextRun, TheCommandsOnABundleTellTheRecordAndWhatEachRunDoes) {
  Host host;
  host.files.AddFile("kit\\SpiFlash.ini", kCleanSettings);
  host.files.AddFile("kit\\Binfile\\A.BIN", LongImage());
  // A bundle of the kit's computer, its hub waiting for its power cycle.
  std::string error, capture, text;
  hubdesc::CaptureInfo info = SampleCaptureInfo();
  info.hubIds = {{0x1A2B0D12, 0x0D12, 3}};
  ASSERT_TRUE(hubdesc::WriteCapture(info, 1, {Hub()}, &capture, &error)) << error;
  bundle::Bundle written;
  written.Add("record", RecordText(1, Wrote(1)));
  written.Add("capture", capture);
  written.Add("images x64", "");
  ASSERT_TRUE(bundle::WriteBundle(written, &text, &error)) << error;
  const std::string path = testing::TempDir() + std::to_string(::getpid()) + "_next_run_bundle";
  std::ofstream(path, std::ios::binary) << text;

  const std::string leaves = "=> waits for a power cycle since 2026-12-09T06:16:58Z: an "
                             "unattended run leaves it; a run without options writes A.BIN again";
  const std::string lastRun = "Last unattended run: status 0 (done), 2026-12-09T06:16:51Z to "
                              "2026-12-09T06:16:58Z, launcher 2.9\n  kit " +
                              kKit + ": ";
  const std::string waiting = "\n  1 hub waits for a power cycle since 2026-12-09T06:16:58Z\n";
  std::string out, err;
  EXPECT_EQ(0, check::CheckerMain({"--hubs", path, "kit"}, host, &out, &err)) << err;
  EXPECT_NE(std::string::npos,
            out.find("computer\n" + lastRun + "not this kit (this kit's is none)" + waiting))
      << out;
  EXPECT_NE(std::string::npos, out.find(leaves)) << out;
  EXPECT_EQ(0, check::CheckerMain({"--json", "--hubs", path, "kit"}, host, &out, &err)) << err;
  for (const std::string& member : std::vector<std::string>{
           "\"lastRun\":{\"read\":true,\"status\":0,\"reason\":\"done\",",
           "\"sameKit\":false,\"powerCyclePending\":1,\"pendingSince\":\"2026-12-09T06:16:58Z\"},"
           "\"kits\":[{\"name\":\".\",\"kitIdentity\":\"none\",",
           "\"outcome\":\"power-cycle-pending\",\"decision\":\"waits for a power cycle since",
           "\"powerCycle\":{\"written\":\"2026-12-09T06:16:58Z\",\"delivers\":\"0A21\",\"now\":"
           "\"still-pending\"},\"plainRun\":{\"outcome\":\"program\",\"decision\":\"" +
               kWrites + "\",\"chosen\":\"A.BIN\",\"chosenDelivers\":\"0A21\"}"}) {
    EXPECT_NE(std::string::npos, out.find(member)) << member << "\n" << out;
  }
  // --explain opens with the record read against the kit given, and judges
  // the hubs with it.
  EXPECT_EQ(0, check::CheckerMain({"--explain", path, "kit"}, host, &out, &err)) << err;
  EXPECT_EQ(0u, out.find("Support bundle " + path + ", format 1\n" + lastRun +
                         "not this kit (x64 is none)" + waiting))
      << out;
  EXPECT_NE(std::string::npos, out.find(leaves)) << out;
  std::remove(path.c_str());
}

}  // namespace
