// The kit checker against in-memory kits: one clean kit, and crafted kits
// that each carry one mistake, so that every finding and every refusal is
// shown to be told, and told about the right line or image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "checker_main.h"
#include "fake_files.h"
#include "fake_hub_library.h"
#include "hub_builders.h"
#include "kit_check.h"
#include "report.h"

namespace {

using check::Finding;
using check::HubReport;
using check::KitReport;
using check::Outcome;
using check::Severity;

const char kCleanSettings[] = "[TargetID_U3]\n"
                              "1A2B0D12=0D12\n"
                              "[Misc]\n"
                              "Manufacturer&ProductStringCompare=1\n"
                              "[HUBModule]\n"
                              "HUBNumber=0\n"
                              "[HUBName]\n"
                              "WantuUpdateHUBName=Dock\n"
                              "[HUBFWCheck]\n"
                              "CheckHUBFW=0\n"
                              "FWVersion=139\n";

void Put(std::string& image, size_t offset, const std::string& bytes) {
  for (size_t i = 0; i < bytes.size() && offset + i < image.size(); ++i)
    image[offset + i] = bytes[i];
}

// A long-layout image (flags bit 3: rule 4, B2/B3 chips with options 00).
std::string LongImage(uint16_t id = 0x0D12, uint16_t version = 0x0A21,
                      const char* manufacturer = "Maker Inc.", const char* product = "USB3.0 Hub",
                      size_t size = 28848) {
  std::string image(size, '\0');
  Put(image, 0, std::string{char(id >> 8), char(id & 0xFF), 0x08, 0});
  Put(image, 8012, std::string{char(version & 0xFF), char(version >> 8)});
  Put(image, 28704, manufacturer);
  Put(image, 28752, product);
  Put(image, 28800, std::string(47, 'p'));  // up to the image's last byte
  return image;
}

HubDeviceInfo Hub(uint16_t vendor = 0x1A2B, uint16_t product = 0x0D12, uint16_t version = 0x0A20) {
  HubDeviceInfo hub = MakeHub(vendor, product, version, 1, 1);
  hub.UsbVersion = 0x03;
  hub.ChipRevision = 0xB3;
  hub.ChipOptions = 0x00;
  SetHubString(hub.ManufacturerString, "Maker Inc.");
  SetHubString(hub.ProductString, "USB3.0 Hub");
  return hub;
}

HubDeviceInfo RootHub() {
  HubDeviceInfo hub = Hub();
  hub.Depth = 0;
  return hub;
}

struct Kit {
  std::string settings = kCleanSettings;
  std::vector<std::pair<std::string, std::string>> images = {{"A.BIN", LongImage()}};
  std::vector<HubDeviceInfo> hubs = {Hub()};
  bool describeHubs = true;

  KitReport Check() const {
    FakeFiles files;
    files.AddFile("SpiFlash.ini", settings);
    for (const auto& image : images) files.AddFile(".\\Binfile\\" + image.first, image.second);
    FakeHubLibrary library;
    library.hubs = hubs;
    return check::CheckKit(files, describeHubs ? &library : nullptr, "kit");
  }
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

const Finding* FindingOf(const KitReport& report, const std::string& code) {
  for (const Finding& f : report.findings) {
    if (f.code == code) return &f;
  }
  return nullptr;
}

std::string Codes(const KitReport& report) {
  std::string codes;
  for (const Finding& f : report.findings) codes += f.code + "@" + std::to_string(f.line) + " ";
  return codes;
}

TEST(KitCheck, ACleanKitHasNoFindingAndItsHubGetsItsImage) {
  KitReport report = Kit().Check();
  EXPECT_TRUE(report.findings.empty()) << Codes(report);
  ASSERT_EQ(1u, report.hubs.size());
  EXPECT_EQ(Outcome::kProgram, report.hubs[0].outcome);
  EXPECT_EQ(0, report.hubs[0].chosen);
  EXPECT_EQ(0x0A21, report.hubs[0].chosenVersion);
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
  EXPECT_EQ(std::vector<int>{2}, report.settings.idLines);
}

// ---- Settings: each finding, on its line.

struct SettingsCase {
  const char* name;
  std::function<std::string(std::string)> edit;
  const char* code;
  int line;
  Severity severity;
};
// Named in test listings by its name, not by its bytes.
void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }

std::string LongLine() { return "; " + std::string(250, 'x'); }

std::string ManyIds(std::string settings) {
  std::string ids;
  for (int i = 0; i < 101; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "1A2B%04X=0D12\n", 0x1000 + i);
    ids += line;
  }
  return Replace(settings, "1A2B0D12=0D12\n", "1A2B0D12=0D12\n" + ids);
}

class SettingsFindings : public testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsFindings, AreToldOnTheirLine) {
  const SettingsCase& c = GetParam();
  Kit kit;
  kit.settings = c.edit(kit.settings);
  KitReport report = kit.Check();
  const Finding* f = FindingOf(report, c.code);
  ASSERT_NE(nullptr, f) << Codes(report);
  EXPECT_EQ(c.line, f->line) << f->text;
  EXPECT_EQ(c.severity, f->severity) << f->text;
}

INSTANTIATE_TEST_SUITE_P(
    Kit, SettingsFindings,
    testing::Values(
        SettingsCase{"IdNotHex",
                     [](std::string s) {
                       return Replace(s, "1A2B0D12=0D12\n", "1A2B0D12=0D12\nVID_1A2B=0D12\n");
                     },
                     "id-unparsed", 3, Severity::kWarning},
        SettingsCase{"ImageIdNotHex",
                     [](std::string s) {
                       return Replace(s, "1A2B0D12=0D12\n", "1A2B0D12=0D12\n1A2B0D13=ZZ\n");
                     },
                     "id-unparsed", 3, Severity::kWarning},
        SettingsCase{"KeyWithoutEquals",
                     [](std::string s) { return Replace(s, "Compare=1", "Compare 1"); },
                     "no-equals", 4, Severity::kWarning},
        SettingsCase{"KeyInAnotherSection",
                     [](std::string s) {
                       return Replace(s, "HUBNumber=0\n", "HUBNumber=0\nCheckHUBFW=1\n");
                     },
                     "key-outside", 7, Severity::kWarning},
        SettingsCase{"KeyInASecondSection",
                     [](std::string s) { return s + "[HUBFWCheck]\nFWVersion=140\n"; },
                     "key-outside", 13, Severity::kWarning},
        SettingsCase{"ModuleKeyOutside",
                     [](std::string s) { return "NO.1HUBWantUpdateBinFile=A.BIN\n" + s; },
                     "key-outside", 1, Severity::kWarning},
        SettingsCase{"IdListedTwice",
                     [](std::string s) {
                       return Replace(s, "[Misc]", "[TargetID_U2]\n1A2B0D12=0D13\n[Misc]");
                     },
                     "id-duplicate", 4, Severity::kWarning},
        SettingsCase{"MoreThan100Ids", ManyIds, "ids-over-limit", 102, Severity::kWarning},
        SettingsCase{"ThousandsOfOddLinesAreCountedNotListed",
                     [](std::string s) {
                       std::string odd;
                       for (int i = 0; i < 600; ++i) odd += "odd line\n";
                       return Replace(s, "[Misc]\n", "[Misc]\n" + odd);
                     },
                     "findings-cut", 0, Severity::kWarning},
        SettingsCase{"LineLongerThanTheReaderReads",
                     [](std::string s) { return Replace(s, "[Misc]", LongLine() + "\n[Misc]"); },
                     "line-split", 3, Severity::kWarning},
        SettingsCase{"ModuleKeyMissing",
                     [](std::string s) {
                       return Replace(s, "HUBNumber=0\n",
                                      "HUBNumber=2\nNO.1HUBWantUpdateBinFile=A.BIN\n"
                                      "NO.2HUBDepth=1\nNO.2HUBWantUpdateBinFile=A.BIN\n");
                     },
                     "module-key-missing", 0, Severity::kError},
        SettingsCase{"ModuleFileMissing",
                     [](std::string s) {
                       return Replace(s, "HUBNumber=0\n",
                                      "HUBNumber=2\nNO.1HUBWantUpdateBinFile=NONE.BIN\n"
                                      "NO.2HUBDepth=1\nNO.2HUBConnectionPortIndex=1\n"
                                      "NO.2HUBWantUpdateBinFile=A.BIN\n");
                     },
                     "module-file-missing", 0, Severity::kError},
        SettingsCase{"ModuleFileInAnotherCase",
                     [](std::string s) {
                       return Replace(s, "HUBNumber=0\n",
                                      "HUBNumber=2\nNO.1HUBWantUpdateBinFile=A.BIN\n"
                                      "NO.2HUBDepth=1\nNO.2HUBConnectionPortIndex=1\n"
                                      "NO.2HUBWantUpdateBinFile=a.bin\n");
                     },
                     "module-file-case", 0, Severity::kError},
        SettingsCase{"FwVersionNoImageDelivers",
                     [](std::string s) {
                       s = Replace(s, "1A2B0D12=0D12", "1A2B0D12=0D12\n3A170415=0D12");
                       return Replace(s, "CheckHUBFW=0", "CheckHUBFW=1");
                     },
                     "fwversion-undelivered", 0, Severity::kWarning}),
    [](const testing::TestParamInfo<SettingsCase>& info) { return std::string(info.param.name); });

TEST(KitCheck, AKeyIsInsideEverySectionThatStartsOnItsHeaderLine) {
  Kit kit;
  kit.settings = Replace(kit.settings, "[HUBName]\nWantuUpdateHUBName=Dock\n[HUBFWCheck]\n",
                         "[HUBName][HUBFWCheck]\nWantuUpdateHUBName=Dock\n");
  kit.settings = Replace(kit.settings, "CheckHUBFW=0", "CheckHUBFW=2");
  KitReport report = kit.Check();
  // The reader reads both sections from the lines after the one header line.
  EXPECT_EQ(2, report.settings.state->CheckHubFw);
  EXPECT_STREQ("Dock", report.settings.state->TargetHubName);
  EXPECT_EQ(nullptr, FindingOf(report, "key-outside")) << Codes(report);
}

TEST(KitCheck, TheReaderGivingUpStopsTheHubsAndNamesTheMissingKey) {
  Kit kit;
  kit.settings = Replace(kit.settings, "HUBNumber=0\n",
                         "HUBNumber=2\nNO.1HUBWantUpdateBinFile=A.BIN\nNO.2HUBDepth=1\n");
  KitReport report = kit.Check();
  EXPECT_TRUE(report.settings.readerGaveUp);
  EXPECT_TRUE(report.hubs.empty());
  const Finding* f = FindingOf(report, "module-key-missing");
  ASSERT_NE(nullptr, f);
  EXPECT_NE(std::string::npos, f->text.find("NO.2HUBConnectionPortIndex")) << f->text;
}

TEST(KitCheck, AnImageBreakingTheSizeRuleIsNamedOnce) {
  Kit kit;
  kit.images.push_back({"BIG.BIN", LongImage(0x0D12, 1, "Maker Inc.", "USB3.0 Hub", 28849)});
  KitReport report = kit.Check();
  ASSERT_EQ(1, std::count_if(report.findings.begin(), report.findings.end(),
                             [](const Finding& f) { return f.code == "size-rule"; }))
      << Codes(report);
  EXPECT_TRUE(report.images[1].breaksSizeRule);
  EXPECT_EQ(SelectionTest::kSizeRule, report.hubs[0].verdicts[1].failed);
}

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
  EXPECT_EQ(Outcome::kNoImage, hub.outcome);
  EXPECT_NE(nullptr, FindingOf(report, "hub-no-image")) << Codes(report);
  const ::Verdict& verdict =
      hub.hubVerdict.failed != SelectionTest::kPassed ? hub.hubVerdict : hub.verdicts.at(0);
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

TEST(KitCheck, AnImageThatCannotBeOpenedIsRefusedAsTheUpdaterRefusesIt) {
  FakeFiles files;
  files.AddFile("SpiFlash.ini", kCleanSettings);
  files.AddUnopenableFile(".\\Binfile\\A.BIN");
  files.AddFile(".\\Binfile\\B.BIN", LongImage());
  FakeHubLibrary library;
  library.hubs = {Hub()};
  KitReport report = check::CheckKit(files, &library, "kit");
  ASSERT_EQ(1u, report.hubs.size());
  EXPECT_EQ(SelectionTest::kCannotOpen, report.hubs[0].verdicts[0].failed);
  EXPECT_EQ(1, report.hubs[0].chosen);
  EXPECT_NE(nullptr, FindingOf(report, "image-unreadable"));
}

TEST(KitCheck, TwoImagesThatBothSuitAHubAreFlaggedAndTheFirstInDirectoryOrderWins) {
  Kit kit;
  kit.images.push_back({"B.BIN", LongImage(0x0D12, 0x0B00)});
  KitReport report = kit.Check();
  ASSERT_EQ(1u, report.hubs.size());
  EXPECT_EQ(2, report.hubs[0].passing);
  EXPECT_EQ(0, report.hubs[0].chosen);
  const Finding* f = FindingOf(report, "hub-several-images");
  ASSERT_NE(nullptr, f);
  EXPECT_EQ(Severity::kWarning, f->severity);
}

// ---- The same-level decisions, made by the update run's own functions.

struct SameLevelCase {
  const char* name;
  uint16_t vendor, product, hubVersion;
  const char* checkHubFw;
  Outcome outcome;
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
  EXPECT_EQ(c.outcome, report.hubs[0].outcome) << check::Decision(report.hubs[0], report.images);
}

INSTANTIATE_TEST_SUITE_P(Kit, SameLevel,
                         testing::Values(
                             // 9013 reads V139, FWVersion=139.
                             SameLevelCase{"ShortFormatAtFwVersion", 0x3A17, 0x0415, 0x9013,
                                           "CheckHUBFW=1", Outcome::kSameLevelBefore},
                             // Their images are neither string- nor rule-tested.
                             SameLevelCase{"ShortFormatBelowFwVersion", 0x3A17, 0x0415, 0x9012,
                                           "CheckHUBFW=1", Outcome::kProgram},
                             SameLevelCase{"ShortFormatWithoutTheCheck", 0x3A17, 0x0415, 0x9013,
                                           "CheckHUBFW=0", Outcome::kProgram},
                             SameLevelCase{"OtherHubAtTheImagesVersion", 0x1A2B, 0x0D12, 0x0A21,
                                           "CheckHUBFW=1", Outcome::kSameLevelAfter},
                             SameLevelCase{"OtherHubBelowTheImagesVersion", 0x1A2B, 0x0D12, 0x0A20,
                                           "CheckHUBFW=1", Outcome::kProgram},
                             SameLevelCase{"OtherHubAtItWithoutTheCheck", 0x1A2B, 0x0D12, 0x0A21,
                                           "CheckHUBFW=0", Outcome::kProgram}),
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
  const Finding* f = FindingOf(report, "hubs-not-listed");
  ASSERT_NE(nullptr, f);
  EXPECT_EQ(Severity::kError, f->severity);
}

TEST(KitCheck, HubsAreJudgedLastFirstAsTheUpdateRunVisitsThem) {
  Kit kit;
  kit.hubs = {Hub(), Hub(0x1A2B, 0x0D13)};
  KitReport report = kit.Check();
  ASSERT_EQ(2u, report.hubs.size());
  EXPECT_EQ(2, report.hubs[0].number);
  EXPECT_EQ(Outcome::kNoImage, report.hubs[0].outcome);
  EXPECT_EQ(1, report.hubs[1].number);
  EXPECT_EQ(Outcome::kProgram, report.hubs[1].outcome);
}

// ---- Reading each image once.

TEST(KitCheck, ReadsEachImageOnceWhateverTheNumberOfHubs) {
  FakeFiles files;
  files.AddFile("SpiFlash.ini", kCleanSettings);
  files.AddFile(".\\Binfile\\A.BIN", LongImage());
  // A huge image costs no more than the stretches the format reads.
  files.AddSparseFile(".\\Binfile\\HUGE.BIN", uint64_t{1} << 40, LongImage().substr(0, 4));
  FakeHubLibrary library;
  library.hubs.assign(16, Hub());
  KitReport report = check::CheckKit(files, &library, "kit");
  EXPECT_EQ(16u, report.hubs.size());
  EXPECT_EQ(1, files.OpenCount(".\\Binfile\\A.BIN"));
  EXPECT_EQ(1, files.OpenCount(".\\Binfile\\HUGE.BIN"));
  EXPECT_LE(files.BytesRead(".\\Binfile\\HUGE.BIN"), 200u);
  EXPECT_EQ(0, files.OpenFiles());
}

TEST(KitCheck, PrintableFieldsEscapeWhatATerminalWouldNotShow) {
  const uint8_t field[] = {'A', '\\', 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 'z', 0, 'x'};
  EXPECT_EQ("A\\\\\\x01\\xFF*4z", check::Printable(field, sizeof field));
}

// ---- The command: exit status and bad input.

class FakeHost : public check::CheckerHost {
 public:
  FakeFiles files;
  std::set<std::string> folders;
  Files& PlatformFiles() override { return files; }
  char Separator() const override { return '\\'; }
  bool IsFolder(const std::string& path) override { return folders.count(path) > 0; }

  void Stage(const std::string& folder, const std::string& settings, const std::string& image) {
    folders.insert(folder);
    files.AddFile(folder + "\\SpiFlash.ini", settings);
    files.AddFile(folder + "\\Binfile\\A.BIN", image);
  }
};

struct CommandResult {
  int status;
  std::string out;
  std::string err;
};

CommandResult RunChecker(FakeHost& host, std::vector<std::string> args) {
  CommandResult run;
  run.status = check::CheckerMain(args, host, &run.out, &run.err);
  return run;
}

std::string WriteDescription(const std::string& name, const std::string& text) {
  std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

const char kOneHub[] =
    "[Hub1]\nVendorId=1A2B\nProductId=0D12\nFirmwareVersion=0A20\nChipRevision=B3\n"
    "Manufacturer=Maker Inc.\nProduct=USB3.0 Hub\n";

TEST(CheckerCommand, ExitsZeroOnACleanKitAndOneOnAnError) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage());
  std::string hubs = WriteDescription("one_hub.ini", kOneHub);
  CommandResult clean = RunChecker(host, {"--hubs", hubs, "kit"});
  EXPECT_EQ(0, clean.status) << clean.out;
  EXPECT_NE(std::string::npos, clean.out.find("writes A.BIN")) << clean.out;
  EXPECT_NE(std::string::npos, clean.out.find("Summary: 0 errors, 0 warnings")) << clean.out;

  std::string other = WriteDescription("other_hub.ini", Replace(kOneHub, "0D12", "0D13"));
  CommandResult failed = RunChecker(host, {"--hubs", other, "kit"});
  EXPECT_EQ(1, failed.status) << failed.out;
  EXPECT_NE(std::string::npos, failed.out.find("hub-id-not-in-settings")) << failed.out;
  EXPECT_TRUE(failed.err.empty());
}

TEST(CheckerCommand, WarningsFailOnlyWhenStrict) {
  FakeHost host;
  host.Stage("kit", Replace(kCleanSettings, "Compare=1", "Compare 1"), LongImage());
  EXPECT_EQ(0, RunChecker(host, {"kit"}).status);
  EXPECT_EQ(1, RunChecker(host, {"--strict", "kit"}).status);
}

TEST(CheckerCommand, UsageAndUnreadableInputExitTwoWithOneLine) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage());
  host.folders.insert("empty");
  std::string bad = WriteDescription("bad_hubs.ini", "[Hub1]\nVendorId=XYZ\n");
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"--hubs"},
      {"kit", "kit"},
      {"missing"},
      {"empty"},
      {"--hubs", testing::TempDir() + "none.ini", "kit"},
      {"--hubs", bad, "kit"},
  };
  for (const auto& args : cases) {
    CommandResult run = RunChecker(host, args);
    EXPECT_EQ(2, run.status) << args[0];
    EXPECT_TRUE(run.out.empty()) << args[0];
    ASSERT_FALSE(run.err.empty()) << args[0];
    EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
  }
}

TEST(CheckerCommand, AKitRootIsCheckedFolderByFolderAndItsDifferencesTold) {
  FakeHost host;
  host.folders.insert("root");
  host.Stage("root\\x86", kCleanSettings, LongImage());
  host.Stage("root\\x64", kCleanSettings, LongImage());
  CommandResult same = RunChecker(host, {"--strict", "root"});
  EXPECT_EQ(0, same.status) << same.out;
  EXPECT_NE(std::string::npos, same.out.find("== x86 ==")) << same.out;
  EXPECT_NE(std::string::npos, same.out.find("== x64 ==")) << same.out;

  host.files.AddFile("root\\x64\\Binfile\\A.BIN", LongImage(0x0D12, 0x0A22));
  host.files.AddFile("root\\x64\\Binfile\\ONLY.BIN", LongImage());
  host.files.AddFile("root\\x64\\SpiFlash.ini", Replace(kCleanSettings, "Dock", "Dock 2"));
  CommandResult differs = RunChecker(host, {"--json", "root"});
  EXPECT_EQ(0, differs.status);
  for (const char* text : {"A.BIN differs", "ONLY.BIN is only in x64", "SpiFlash.ini differs"}) {
    EXPECT_NE(std::string::npos, differs.out.find(text)) << text << "\n" << differs.out;
  }
  EXPECT_EQ(1, RunChecker(host, {"--strict", "root"}).status);

  // Two huge images are named, not read to their ends.
  for (const char* folder : {"root\\x86", "root\\x64"}) {
    host.files.AddSparseFile(std::string(folder) + "\\Binfile\\HUGE.BIN", uint64_t{1} << 40, "");
  }
  CommandResult huge = RunChecker(host, {"root"});
  EXPECT_NE(std::string::npos, huge.out.find("HUGE.BIN is larger than 64 MiB")) << huge.out;
  EXPECT_LT(host.files.BytesRead("root\\x64\\Binfile\\HUGE.BIN"), 1000u);
}

TEST(CheckerCommand, JsonCarriesTheSameDecisionsAsText) {
  FakeHost host;
  host.Stage("kit", kCleanSettings, LongImage(0x1234));
  std::string hubs = WriteDescription("json_hub.ini", kOneHub);
  CommandResult json = RunChecker(host, {"--json", "--hubs", hubs, "kit"});
  EXPECT_EQ(1, json.status);
  for (const char* text : {"\"schema\":1", "\"outcome\":\"no-image\"", "\"test\":\"image-id\"",
                           "\"wantedImageId\":\"0D12\"", "\"imageId\":\"1234\"",
                           "\"summary\":{\"errors\":1,\"warnings\":0}"}) {
    EXPECT_NE(std::string::npos, json.out.find(text)) << text << "\n" << json.out;
  }
  int depth = 0;
  for (char c : json.out) {
    depth += c == '{' || c == '[' ? 1 : c == '}' || c == ']' ? -1 : 0;
    ASSERT_GE(depth, 0);
  }
  EXPECT_EQ(0, depth);
}

}  // namespace
