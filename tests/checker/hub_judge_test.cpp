// Judging hubs: the first test each refused image failed, with its values,
// and the update run's own decisions on each hub.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "kit_fixture.h"
#include "report.h"

namespace {

using namespace kit_fixture;

// ---- Hubs: the first test each refused image failed, with its values.

struct RefusalCase {
  const char* name;
  std::function<void(Kit&)> edit;
  SelectionTest failed;
  std::function<void(const ::Verdict&)> values;
};
// Named in test listings by its name, not by its bytes.
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class Refusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, NameTheFirstFailedTestAndTheValuesCompared) {
  const RefusalCase& c = GetParam();
  Kit kit;
  c.edit(kit);
  KitReport report = kit.Check();
  // Device(1), the kit's first hub, is the crafted one; the update run visits it last.
  ASSERT_EQ(kit.hubs.size(), report.hubs.size()) << Codes(report);
  const HubReport& hub = report.hubs.back();
  EXPECT_EQ(HubOutcome::kNoImage, hub.plan.outcome);
  EXPECT_NE(nullptr, FindingOf(report, FindingCode::kHubNoImage)) << Codes(report);
  const ::Verdict& verdict = hub.plan.search.hubVerdict.failed != SelectionTest::kPassed
                                 ? hub.plan.search.hubVerdict
                                 : hub.plan.search.verdicts.at(0);
  EXPECT_EQ(c.failed, verdict.failed) << check::TestName(verdict.failed);
  if (c.values) c.values(verdict);
  // The explanation names something, whatever the test.
  EXPECT_FALSE(check::Explain(verdict, report.images.at(0)).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Kit, Refusals,
    testing::Values(
        RefusalCase{"ModulePlace",
                    [](Kit& k) {
                      k.settings = Replace(k.settings, "HUBNumber=0\n",
                                           "HUBNumber=2\nNO.1HUBWantUpdateBinFile=A.BIN\n"
                                           "NO.2HUBDepth=1\nNO.2HUBConnectionPortIndex=2\n"
                                           "NO.2HUBWantUpdateBinFile=A.BIN\n");
                      k.hubs.push_back(RootHub());  // as many hubs as modules
                    },
                    SelectionTest::kModulePlace,
                    [](const ::Verdict& v) {
                      EXPECT_EQ(1, v.depth);
                      EXPECT_EQ(1, v.connectionPortIndex);
                    }},
        RefusalCase{"HubIdNotInSettings", [](Kit& k) { k.hubs = {Hub(0x1A2B, 0x0D13)}; },
                    SelectionTest::kHubIdNotInSettings, nullptr},
        RefusalCase{"EmptyImage",
                    [](Kit& k) {
                      k.images = {{"A.BIN", ""}};
                    },
                    SelectionTest::kHeaderTooShort,
                    [](const ::Verdict& v) { EXPECT_EQ(0u, v.headerLength); }},
        RefusalCase{
            "SizeRule",
            [](Kit& k) {
              k.images = {{"A.BIN", LongImage(0x0D12, 1, "Maker Inc.", "USB3.0 Hub", 28000)}};
            },
            SelectionTest::kSizeRule, [](const ::Verdict& v) { EXPECT_EQ(28000u, v.size); }},
        RefusalCase{"ImageId",
                    [](Kit& k) {
                      k.images = {{"A.BIN", LongImage(0x1234)}};
                    },
                    SelectionTest::kImageId,
                    [](const ::Verdict& v) {
                      EXPECT_EQ(0x0D12, v.wantedImageId);
                      EXPECT_EQ(0x1234, v.imageId);
                    }},
        RefusalCase{"Manufacturer",
                    [](Kit& k) { SetHubString(k.hubs[0].ManufacturerString, "Maker Inc!"); },
                    SelectionTest::kManufacturer,
                    [](const ::Verdict& v) {
                      EXPECT_EQ(9, v.manufacturer.difference);
                      EXPECT_EQ('.', v.manufacturer.imageByte);
                      EXPECT_EQ('!', v.manufacturer.hubByte);
                    }},
        RefusalCase{"Product", [](Kit& k) { SetHubString(k.hubs[0].ProductString, "USB3.0 Huc"); },
                    SelectionTest::kProduct,
                    [](const ::Verdict& v) {
                      EXPECT_EQ(9, v.product[0].difference);
                      EXPECT_EQ(0, v.product[1].difference);
                    }},
        RefusalCase{"NoCompatibilityRule", [](Kit& k) { k.hubs[0].ChipRevision = 0x10; },
                    SelectionTest::kNoCompatibilityRule,
                    [](const ::Verdict& v) {
                      EXPECT_EQ(0x10, v.chipRevision);
                      EXPECT_EQ(0x08, v.flags);
                    }},
        RefusalCase{"FileNameInAnotherCase",
                    [](Kit& k) {
                      k.settings = Replace(k.settings, "HUBNumber=0\n",
                                           "HUBNumber=2\nNO.1HUBWantUpdateBinFile=a.bin\n"
                                           "NO.2HUBDepth=1\nNO.2HUBConnectionPortIndex=1\n"
                                           "NO.2HUBWantUpdateBinFile=a.bin\n");
                      k.hubs.push_back(RootHub());
                    },
                    SelectionTest::kFileName,
                    [](const ::Verdict& v) { EXPECT_STREQ("a.bin", v.wantedName); }}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST(KitCheck, TwoImagesThatBothSuitAHubAreFlaggedAndTheFirstInDirectoryOrderWins) {
  Kit kit;
  kit.images.push_back({"B.BIN", LongImage(0x0D12, 0x0B00)});
  KitReport report = kit.Check();
  ASSERT_EQ(1u, report.hubs.size());
  EXPECT_EQ(2, report.hubs[0].plan.search.passing);
  EXPECT_EQ(0, report.hubs[0].plan.search.chosen);
  const Finding* f = FindingOf(report, FindingCode::kHubSeveralImages);
  ASSERT_NE(nullptr, f);
  EXPECT_EQ(Severity::kWarning, f->Row().severity);
}

// ---- The same-level decisions, made by the update run's own functions.

struct SameLevelCase {
  const char* name;
  uint16_t vendor, product, hubVersion;
  const char* checkHubFw;
  HubOutcome outcome;
};
// Named in test listings by its name, not by its bytes.
void PrintTo(const SameLevelCase& c, std::ostream* os) { *os << c.name; }

class SameLevel : public testing::TestWithParam<SameLevelCase> {};

TEST_P(SameLevel, IsDecidedAsTheUpdateRunDecides) {
  const SameLevelCase& c = GetParam();
  Kit kit;
  kit.settings = Replace(kit.settings, "1A2B0D12=0D12", "1A2B0D12=0D12\n3A170415=0D12");
  kit.settings = Replace(kit.settings, "CheckHUBFW=0", c.checkHubFw);
  kit.hubs = {Hub(c.vendor, c.product, c.hubVersion)};
  KitReport report = kit.Check();
  ASSERT_EQ(1u, report.hubs.size());
  EXPECT_EQ(c.outcome, report.hubs[0].plan.outcome)
      << check::Decision(report.hubs[0], report.images);
}

INSTANTIATE_TEST_SUITE_P(Kit, SameLevel,
                         testing::Values(
                             // 9013 reads V139, FWVersion=139.
                             SameLevelCase{"ShortFormatAtFwVersion", 0x3A17, 0x0415, 0x9013,
                                           "CheckHUBFW=1", HubOutcome::kSameLevelBefore},
                             // Their images are neither string- nor rule-tested.
                             SameLevelCase{"ShortFormatBelowFwVersion", 0x3A17, 0x0415, 0x9012,
                                           "CheckHUBFW=1", HubOutcome::kProgram},
                             SameLevelCase{"ShortFormatWithoutTheCheck", 0x3A17, 0x0415, 0x9013,
                                           "CheckHUBFW=0", HubOutcome::kProgram},
                             SameLevelCase{"OtherHubAtTheImagesVersion", 0x1A2B, 0x0D12, 0x0A21,
                                           "CheckHUBFW=1", HubOutcome::kSameLevelAfter},
                             SameLevelCase{"OtherHubBelowTheImagesVersion", 0x1A2B, 0x0D12, 0x0A20,
                                           "CheckHUBFW=1", HubOutcome::kProgram},
                             SameLevelCase{"OtherHubAtItWithoutTheCheck", 0x1A2B, 0x0D12, 0x0A21,
                                           "CheckHUBFW=0", HubOutcome::kProgram}),
                         [](const testing::TestParamInfo<SameLevelCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(KitCheck, HubsTheUpdaterWouldNotListAreAnErrorAndNoneIsJudged) {
  Kit kit;
  kit.settings = Replace(kit.settings, "HUBNumber=0\n",
                         "HUBNumber=2\nNO.1HUBWantUpdateBinFile=A.BIN\n"
                         "NO.2HUBDepth=1\nNO.2HUBConnectionPortIndex=1\n"
                         "NO.2HUBWantUpdateBinFile=A.BIN\n");
  KitReport report = kit.Check();
  EXPECT_TRUE(report.hubs.empty());
  const Finding* f = FindingOf(report, FindingCode::kHubsNotListed);
  ASSERT_NE(nullptr, f);
  EXPECT_EQ(Severity::kError, f->Row().severity);
}

TEST(KitCheck, HubsAreJudgedLastFirstAsTheUpdateRunVisitsThem) {
  Kit kit;
  kit.hubs = {Hub(), Hub(0x1A2B, 0x0D13)};
  KitReport report = kit.Check();
  ASSERT_EQ(2u, report.hubs.size());
  EXPECT_EQ(2, report.hubs[0].number);
  EXPECT_EQ(HubOutcome::kNoImage, report.hubs[0].plan.outcome);
  EXPECT_EQ(1, report.hubs[1].number);
  EXPECT_EQ(HubOutcome::kProgram, report.hubs[1].plan.outcome);
}

}  // namespace
