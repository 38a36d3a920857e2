// A hub an earlier unattended run wrote and that still reports its firmware
// from before that write is left alone: the rule on its own, and the update
// run around it, which writes nothing to it and says so on one line.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <ostream>
#include <string>

#include "fake_hub_library.h"
#include "fake_platform.h"
#include "hub_builders.h"
#include "image_builder.h"
#include "power_cycle.h"
#include "printer.h"
#include "update.h"
#include "run_state.h"

namespace {

constexpr uint16_t kVendor = 0x05E3;
constexpr uint16_t kProduct = 0x0620;
constexpr uint16_t kImageId = 0x0D22;
constexpr uint16_t kBefore = 0x9012;
constexpr uint16_t kDelivered = 0x0A21;

PendingWrites OneWrite(uint16_t product = kProduct, uint8_t depth = 2, uint8_t port = 3) {
  PendingWrites pending;
  pending.writes[0] = {{kVendor, product, depth, port}, kBefore, kDelivered};
  pending.count = 1;
  return pending;
}

struct RuleCase {
  const char* name;
  uint16_t vendor, product;
  uint8_t depth, port;
  uint16_t reports;
  PowerCycle verdict;
};

class PendingRule : public testing::TestWithParam<RuleCase> {};

TEST_P(PendingRule, TheSameHubOnTheSamePlaceIsJudgedByWhatItReports) {
  const RuleCase& c = GetParam();
  const PendingWrites pending = OneWrite();
  const HubDeviceInfo hub = MakeHub(c.vendor, c.product, c.reports, c.depth, c.port);
  EXPECT_EQ(c.verdict, JudgePowerCycle(hub, &pending));
  // Without the launcher's option there is nothing pending at all.
  EXPECT_EQ(PowerCycle::kNoWrite, JudgePowerCycle(hub, nullptr));
}

const RuleCase kRuleCases[] = {
    {"StillReportsItsFirmwareBefore", kVendor, kProduct, 2, 3, kBefore, PowerCycle::kStillPending},
    {"ReportsTheDeliveredVersion", kVendor, kProduct, 2, 3, kDelivered, PowerCycle::kTookEffect},
    {"ReportsSomethingElse", kVendor, kProduct, 2, 3, 0x0B00, PowerCycle::kChangedElsewhere},
    {"MovedToAnotherPort", kVendor, kProduct, 2, 4, kBefore, PowerCycle::kNoWrite},
    {"MovedToAnotherDepth", kVendor, kProduct, 1, 3, kBefore, PowerCycle::kNoWrite},
    {"AnotherProduct", kVendor, 0x0621, 2, 3, kBefore, PowerCycle::kNoWrite},
    {"AnotherVendor", 0x05E4, kProduct, 2, 3, kBefore, PowerCycle::kNoWrite},
};

INSTANTIATE_TEST_SUITE_P(PowerCycle, PendingRule, testing::ValuesIn(kRuleCases),
                         [](const testing::TestParamInfo<RuleCase>& info) {
                           return std::string(info.param.name);
                         });

// One long-format hub with its image, version checks off, so that without a
// pending write it is always programmed.
class PendingRun : public testing::Test {
 protected:
  PendingRun() : state_(new UpdaterState) {
    TargetIdEntry& entry = state_->TargetIds[state_->TargetIdCount++];
    entry.HubId = static_cast<uint32_t>(kVendor) << 16 | kProduct;
    entry.ImageId = kImageId;
    entry.UsbGeneration = 3;
    os_.AddFile(".\\Binfile\\L.BIN",
                ImageBuilder(kImageId, 0x08).Size(9000).Version(kDelivered).Bytes());
    library_.screen = &os_;
  }

  // With CheckHUBFW set, a hub reporting what its image delivers is left
  // alone.
  void CompareVersions() { state_->CheckHubFw = 1; }

  void AddHub(uint16_t firmware, uint8_t port = 3) {
    HubDeviceInfo& hub = state_->Devices[state_->DeviceCount++];
    hub = MakeHub(kVendor, kProduct, firmware, 2, port);
    hub.ChipRevision = 0xB3;  // takes an image with ImageFlags bit 3
  }

  void Run(const PendingWrites* pending) {
    Printer out(os_);
    out.TakeConsoleHandle();
    EXPECT_TRUE(DoUpdateFW(*state_, out, os_, os_, library_, &results_, pending));
  }

  FakePlatform os_;
  FakeHubLibrary library_;
  UpdaterResults results_;

 private:
  std::unique_ptr<UpdaterState> state_;
};

TEST_F(PendingRun, AHubStillWaitingIsNotWrittenAgainAndSaysSoOnOneLine) {
  AddHub(kBefore);
  const PendingWrites pending = OneWrite();
  Run(&pending);
  EXPECT_TRUE(library_.updatedPositions.empty());
  EXPECT_EQ("DoUpdateFW()\n{2F}Device(1) firmware is written and waits for a power cycle. Update "
            "is unnecessary.\n\n{07}",
            os_.Screen());
  ASSERT_EQ(1, results_.hubCount);
  EXPECT_EQ(HubOutcome::kPowerCyclePending, results_.hubs[0].outcome);
  EXPECT_FALSE(results_.hubs[0].libraryCalled);
  EXPECT_STREQ("", results_.hubs[0].writeTime);
}

// What the run hands the launcher for each verdict of the rule: the
// verdict itself as the mark the record keeps, and for a hub the library
// was asked to write what it delivers, its digest and the write's time
// only when the write took place.
struct RunCase {
  const char* name;
  uint16_t reports;
  uint8_t port;
  bool compareVersions;
  int libraryResult;
  HubOutcome outcome;
  PendingMark mark;
  bool called;
  uint16_t delivers;
  bool digest;
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class PendingRunRow : public PendingRun, public testing::WithParamInterface<RunCase> {};

TEST_P(PendingRunRow, HandsOverTheRulesVerdictAndOnlyAWriteThatTookPlaceAsDelivered) {
  const RunCase& c = GetParam();
  if (c.compareVersions) CompareVersions();
  AddHub(c.reports, c.port);
  library_.updateResults[0] = c.libraryResult;
  const PendingWrites pending = OneWrite();
  Run(&pending);
  ASSERT_EQ(1, results_.hubCount);
  const HubResult& hub = results_.hubs[0];
  EXPECT_EQ(c.outcome, hub.outcome);
  EXPECT_EQ(c.mark, hub.previous);
  EXPECT_EQ(c.called, hub.libraryCalled);
  EXPECT_EQ(c.delivers, hub.delivers);
  EXPECT_EQ(c.digest ? 64u : 0u, std::strlen(hub.imageSha256));
  EXPECT_STREQ(c.called ? "2026-12-09T06:16:00Z" : "", hub.writeTime);
  EXPECT_STREQ(c.outcome == HubOutcome::kPowerCyclePending ? "" : ".\\Binfile\\L.BIN", hub.image);
  EXPECT_EQ(c.port, hub.place.port);
}

const RunCase kRunCases[] = {
    {"StillWaiting", kBefore, 3, false, 0, HubOutcome::kPowerCyclePending, PendingMark::kNone,
     false, 0, false},
    {"TookEffectAndLeftAlone", kDelivered, 3, true, 0, HubOutcome::kSameLevelAfter,
     PendingMark::kCleared, false, 0, false},
    {"TookEffectAndWrittenAgain", kDelivered, 3, false, 0, HubOutcome::kProgrammed,
     PendingMark::kCleared, true, kDelivered, true},
    {"ChangedElsewhere", 0x0B00, 3, false, 0, HubOutcome::kProgrammed, PendingMark::kChanged, true,
     kDelivered, true},
    {"MovedToAnotherPort", kBefore, 4, false, 0, HubOutcome::kProgrammed, PendingMark::kNone, true,
     kDelivered, true},
    // Attempted, not delivered: the image is named, nothing else said of it.
    {"WriteFailed", 0x0B00, 3, false, -7, HubOutcome::kWriteFailed, PendingMark::kChanged, true, 0,
     false},
};

INSTANTIATE_TEST_SUITE_P(PowerCycle, PendingRunRow, testing::ValuesIn(kRunCases),
                         [](const testing::TestParamInfo<RunCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(PendingRun, EachWriteHasItsOwnTime) {
  AddHub(0x0B00);
  AddHub(0x0B00, 4);
  Run(nullptr);
  ASSERT_EQ(2, results_.hubCount);
  EXPECT_STREQ("2026-12-09T06:16:00Z", results_.hubs[0].writeTime);
  EXPECT_STREQ("2026-12-09T06:16:01Z", results_.hubs[1].writeTime);
}

}  // namespace
