// A hub an earlier unattended run wrote and that still reports its firmware
// from before that write is left alone: the rule on its own, and the update
// run around it, which writes nothing to it and says so on one line.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
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

TEST_F(PendingRun, WrittenHubsCarryTheirPlaceTheDeliveredVersionTheDigestAndTheirOwnTime) {
  AddHub(0x0B00);      // neither before nor delivered: judged as ever, and marked
  AddHub(kBefore, 4);  // the same hub on another port: judged afresh
  const PendingWrites pending = OneWrite();
  Run(&pending);
  EXPECT_EQ(2u, library_.updatedPositions.size());
  ASSERT_EQ(2, results_.hubCount);
  const HubResult& moved = results_.hubs[0];
  EXPECT_EQ(HubOutcome::kProgrammed, moved.outcome);
  EXPECT_EQ(PendingMark::kNone, moved.previous);
  EXPECT_EQ(4, moved.place.port);
  EXPECT_EQ(2, moved.place.depth);
  EXPECT_EQ(kDelivered, moved.delivers);
  EXPECT_EQ(64u, std::strlen(moved.imageSha256));
  EXPECT_EQ(PendingMark::kChanged, results_.hubs[1].previous);
  EXPECT_EQ(3, results_.hubs[1].place.port);
  // Each write's own time, as the clock reads when the library returns.
  EXPECT_STREQ("2026-12-09T06:16:00Z", moved.writeTime);
  EXPECT_STREQ("2026-12-09T06:16:01Z", results_.hubs[1].writeTime);
}

}  // namespace
