// The settings findings: each told, and told about the right line, against
// kits that each carry one mistake.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "kit_fixture.h"

namespace {

using namespace kit_fixture;

TEST(KitCheck, ACleanKitHasNoFindingAndItsHubGetsItsImage) {
  KitReport report = Kit().Check();
  EXPECT_TRUE(report.findings.empty()) << Codes(report);
  ASSERT_EQ(1u, report.hubs.size());
  EXPECT_EQ(HubOutcome::kProgram, report.hubs[0].plan.outcome);
  EXPECT_EQ(0, report.hubs[0].plan.search.chosen);
  EXPECT_EQ(0x0A21, report.hubs[0].plan.chosenVersion);
  ASSERT_EQ(1u, report.images.size());
  const check::ImageRow& row = report.images[0];
  EXPECT_EQ(0x0D12, row.imageId);
  EXPECT_TRUE(row.longLayout);
  EXPECT_FALSE(row.breaksSizeRule);
  EXPECT_EQ("Maker Inc.", row.manufacturer);
  EXPECT_EQ("USB3.0 Hub", row.product1);
  EXPECT_EQ(std::string(47, 'p'), row.product2);
  EXPECT_EQ(1u << 3, row.rules);  // rule 4 alone
  EXPECT_EQ(1, report.settings.state->TargetIdCount);
  EXPECT_EQ(std::vector<int>{2}, report.settings.read.idLines);
}

// ---- Settings: each finding, on its line.

struct SettingsCase {
  const char* name;
  std::function<std::string(std::string)> edit;
  FindingCode code;
  int line;
  Severity severity;
  const char* imageName = "A.BIN";  // the kit's one image
};
// Named in test listings by its name, not by its bytes.
void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }

std::string LongLine() { return "; " + std::string(250, 'x'); }

// The clean kit's hub ID and more, `total` in all.
std::function<std::string(std::string)> Ids(int total) {
  return [total](std::string settings) {
    std::string ids;
    for (int i = 1; i < total; ++i) {
      char line[32];
      std::snprintf(line, sizeof line, "1A2B%04X=0D12\n", 0x1000 + i);
      ids += line;
    }
    return Replace(settings, "1A2B0D12=0D12\n", "1A2B0D12=0D12\n" + ids);
  };
}

class SettingsFindings : public testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsFindings, AreToldOnTheirLine) {
  const SettingsCase& c = GetParam();
  Kit kit;
  kit.settings = c.edit(kit.settings);
  kit.images[0].first = c.imageName;
  KitReport report = kit.Check();
  const Finding* f = FindingOf(report, c.code);
  ASSERT_NE(nullptr, f) << Codes(report);
  EXPECT_EQ(c.line, f->line) << f->text;
  EXPECT_EQ(c.severity, f->Row().severity) << f->text;
}

INSTANTIATE_TEST_SUITE_P(
    Kit, SettingsFindings,
    testing::Values(
        SettingsCase{"IdNotHex",
                     [](std::string s) {
                       return Replace(s, "1A2B0D12=0D12\n", "1A2B0D12=0D12\nVID_1A2B=0D12\n");
                     },
                     FindingCode::kIdUnparsed, 3, Severity::kWarning},
        SettingsCase{"ImageIdNotHex",
                     [](std::string s) {
                       return Replace(s, "1A2B0D12=0D12\n", "1A2B0D12=0D12\n1A2B0D13=ZZ\n");
                     },
                     FindingCode::kIdUnparsed, 3, Severity::kWarning},
        SettingsCase{"KeyWithoutEquals",
                     [](std::string s) { return Replace(s, "Compare=1", "Compare 1"); },
                     FindingCode::kNoEquals, 4, Severity::kWarning},
        SettingsCase{"KeyInAnotherSection",
                     [](std::string s) {
                       return Replace(s, "HUBNumber=0\n", "HUBNumber=0\nCheckHUBFW=1\n");
                     },
                     FindingCode::kKeyOutside, 7, Severity::kWarning},
        SettingsCase{"KeyInASecondSection",
                     [](std::string s) { return s + "[HUBFWCheck]\nFWVersion=140\n"; },
                     FindingCode::kKeyOutside, 13, Severity::kWarning},
        SettingsCase{"ModuleKeyOutside",
                     [](std::string s) { return "NO.1HUBWantUpdateBinFile=A.BIN\n" + s; },
                     FindingCode::kKeyOutside, 1, Severity::kWarning},
        SettingsCase{"ModuleKeyUnderHubNumberOne",
                     [](std::string s) {
                       return Replace(s, "HUBNumber=0\n",
                                      "HUBNumber=1\nNO.1HUBWantUpdateBinFile=A.BIN\n");
                     },
                     FindingCode::kModuleKeyIgnored, 7, Severity::kWarning},
        SettingsCase{"IdListedTwice",
                     [](std::string s) {
                       return Replace(s, "[Misc]", "[TargetID_U2]\n1A2B0D12=0D13\n[Misc]");
                     },
                     FindingCode::kIdDuplicate, 4, Severity::kWarning},
        SettingsCase{"MoreThan100Ids", Ids(102), FindingCode::kIdsOverLimit, 102,
                     Severity::kWarning},
        SettingsCase{"ThousandsOfOddLinesAreCountedNotListed",
                     [](std::string s) {
                       std::string odd;
                       for (int i = 0; i < 600; ++i) odd += "odd line\n";
                       return Replace(s, "[Misc]\n", "[Misc]\n" + odd);
                     },
                     FindingCode::kFindingsCut, 0, Severity::kWarning},
        SettingsCase{"LineLongerThanTheReaderReads",
                     [](std::string s) { return Replace(s, "[Misc]", LongLine() + "\n[Misc]"); },
                     FindingCode::kLineSplit, 3, Severity::kWarning},
        SettingsCase{"The101stId", Ids(101), FindingCode::kIdsOverLimit, 102, Severity::kWarning},
        SettingsCase{"LineAfterASplitLine",
                     [](std::string s) {
                       return LongLine() + "\n" + Replace(s, "Compare=1", "Compare 1");
                     },
                     FindingCode::kNoEquals, 5, Severity::kWarning},
        SettingsCase{"ModuleKeyMissing",
                     [](std::string s) {
                       return Replace(s, "HUBNumber=0\n",
                                      "HUBNumber=2\nNO.1HUBWantUpdateBinFile=A.BIN\n"
                                      "NO.2HUBDepth=1\nNO.2HUBWantUpdateBinFile=A.BIN\n");
                     },
                     FindingCode::kModuleKeyMissing, 0, Severity::kError},
        SettingsCase{"ModuleFileMissing",
                     [](std::string s) {
                       return Replace(s, "HUBNumber=0\n",
                                      "HUBNumber=2\nNO.1HUBWantUpdateBinFile=NONE.BIN\n"
                                      "NO.2HUBDepth=1\nNO.2HUBConnectionPortIndex=1\n"
                                      "NO.2HUBWantUpdateBinFile=A.BIN\n");
                     },
                     FindingCode::kModuleFileMissing, 0, Severity::kError},
        SettingsCase{"ModuleFileInAnotherCase",
                     [](std::string s) {
                       return Replace(s, "HUBNumber=0\n",
                                      "HUBNumber=2\nNO.1HUBWantUpdateBinFile=A.BIN\n"
                                      "NO.2HUBDepth=1\nNO.2HUBConnectionPortIndex=1\n"
                                      "NO.2HUBWantUpdateBinFile=a.bin\n");
                     },
                     FindingCode::kModuleFileCase, 0, Severity::kError},
        SettingsCase{"ModuleFileInUpperCasePresentInLowerCase",
                     [](std::string s) {
                       return Replace(s, "HUBNumber=0\n",
                                      "HUBNumber=2\nNO.1HUBWantUpdateBinFile=B.BIN\n"
                                      "NO.2HUBDepth=1\nNO.2HUBConnectionPortIndex=1\n"
                                      "NO.2HUBWantUpdateBinFile=B.BIN\n");
                     },
                     FindingCode::kModuleFileCase, 0, Severity::kError, "b.bin"},
        SettingsCase{"FwVersionNoImageDelivers",
                     [](std::string s) {
                       s = Replace(s, "1A2B0D12=0D12", "1A2B0D12=0D12\n3A170415=0D12");
                       return Replace(s, "CheckHUBFW=0", "CheckHUBFW=1");
                     },
                     FindingCode::kFwVersionUndelivered, 0, Severity::kWarning}),
    [](const testing::TestParamInfo<SettingsCase>& info) { return std::string(info.param.name); });

// ---- Settings at the edge of a finding, which give none.

struct QuietCase {
  const char* name;
  std::function<std::string(std::string)> edit;
};
void PrintTo(const QuietCase& c, std::ostream* os) { *os << c.name; }

class SettingsWithoutFindings : public testing::TestWithParam<QuietCase> {};

TEST_P(SettingsWithoutFindings, GiveNone) {
  Kit kit;
  kit.settings = GetParam().edit(kit.settings);
  KitReport report = kit.Check();
  EXPECT_TRUE(report.findings.empty()) << Codes(report);
  ASSERT_EQ(1u, report.hubs.size());
  EXPECT_EQ(HubOutcome::kProgram, report.hubs[0].plan.outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Kit, SettingsWithoutFindings,
    testing::Values(QuietCase{"ExactlyOneHundredIds", Ids(100)},
                    // Only short-format hubs are held to FWVersion.
                    QuietCase{"FwVersionCheckedWithoutShortFormatIds",
                              [](std::string s) {
                                return Replace(s, "CheckHUBFW=0", "CheckHUBFW=1");
                              }},
                    // The reader reads it whole: the file ends where its buffer does.
                    QuietCase{"LastLineOf199CharactersWithoutALineFeed",
                              [](std::string s) { return s + ";" + std::string(198, 'x'); }}),
    [](const testing::TestParamInfo<QuietCase>& info) { return std::string(info.param.name); });

// The warning for module keys left at HUBNumber 0 or 1 is not given where
// the reader reads them.
TEST(KitCheck, ModuleKeysUnderHubNumberTwoAreReadWithoutAWarning) {
  Kit kit;
  kit.settings = Replace(kit.settings, "HUBNumber=0\n",
                         "HUBNumber=2\nNO.1HUBWantUpdateBinFile=A.BIN\nNO.2HUBDepth=1\n"
                         "NO.2HUBConnectionPortIndex=1\nNO.2HUBWantUpdateBinFile=A.BIN\n");
  kit.hubs = {RootHub(), Hub()};
  KitReport report = kit.Check();
  EXPECT_TRUE(report.findings.empty()) << Codes(report);
  ASSERT_EQ(2u, report.hubs.size());
  EXPECT_EQ(HubOutcome::kProgram, report.hubs[1].plan.outcome);
}

TEST(KitCheck, AKeyIsInsideEverySectionThatStartsOnItsHeaderLine) {
  Kit kit;
  kit.settings = Replace(kit.settings, "[HUBName]\nWantuUpdateHUBName=Dock\n[HUBFWCheck]\n",
                         "[HUBName][HUBFWCheck]\nWantuUpdateHUBName=Dock\n");
  kit.settings = Replace(kit.settings, "CheckHUBFW=0", "CheckHUBFW=2");
  KitReport report = kit.Check();
  // The reader reads both sections from the lines after the one header line.
  EXPECT_EQ(2, report.settings.state->CheckHubFw);
  EXPECT_STREQ("Dock", report.settings.state->TargetHubName);
  EXPECT_EQ(nullptr, FindingOf(report, FindingCode::kKeyOutside)) << Codes(report);
}

TEST(KitCheck, TheReaderGivingUpStopsTheHubsAndNamesTheMissingKey) {
  Kit kit;
  kit.settings = Replace(kit.settings, "HUBNumber=0\n",
                         "HUBNumber=2\nNO.1HUBWantUpdateBinFile=A.BIN\nNO.2HUBDepth=1\n");
  KitReport report = kit.Check();
  EXPECT_TRUE(report.settings.readerGaveUp);
  EXPECT_TRUE(report.hubs.empty());
  const Finding* f = FindingOf(report, FindingCode::kModuleKeyMissing);
  ASSERT_NE(nullptr, f);
  EXPECT_NE(std::string::npos, f->text.find("NO.2HUBConnectionPortIndex")) << f->text;
}

}  // namespace
