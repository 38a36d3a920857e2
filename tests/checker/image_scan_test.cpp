// The image scan: each image read once, the rows the format gives, and the
// images the updater could never choose named.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "fake_files.h"
#include "fake_hub_library.h"
#include "kit_fixture.h"

namespace {

using namespace kit_fixture;

TEST(KitCheck, AnImageBreakingTheSizeRuleIsNamedOnce) {
  Kit kit;
  kit.images.push_back({"BIG.BIN", LongImage(0x0D12, 1, "Maker Inc.", "USB3.0 Hub", 28849)});
  KitReport report = kit.Check();
  ASSERT_EQ(1, std::count_if(report.findings.begin(), report.findings.end(),
                             [](const Finding& f) { return f.code == FindingCode::kSizeRule; }))
      << Codes(report);
  EXPECT_TRUE(report.images[1].breaksSizeRule);
  EXPECT_EQ(SelectionTest::kSizeRule, report.hubs[0].plan.search.verdicts[1].failed);
}

TEST(KitCheck, ANameThatJustFitsTheUpdatersPathIsTakenAndOneCharacterMoreIsNot) {
  Kit fits;
  fits.images = {{std::string(255, 'N') + ".BIN", LongImage()}};
  KitReport taken = fits.Check();
  EXPECT_TRUE(taken.findings.empty()) << Codes(taken);
  EXPECT_EQ(0, taken.hubs.at(0).plan.search.chosen);

  Kit over;
  over.images = {{std::string(256, 'N') + ".BIN", LongImage()}};
  KitReport refused = over.Check();
  EXPECT_FALSE(refused.images.at(0).nameFits);
  EXPECT_NE(nullptr, FindingOf(refused, FindingCode::kImageNameTooLong)) << Codes(refused);
  EXPECT_EQ(SelectionTest::kNameTooLong, refused.hubs.at(0).plan.search.verdicts.at(0).failed);
}

TEST(KitCheck, AnImageThatCannotBeOpenedIsRefusedAsTheUpdaterRefusesIt) {
  FakeFiles files;
  files.AddFile("SpiFlash.ini", kCleanSettings);
  files.AddUnopenableFile(".\\Binfile\\A.BIN");
  files.AddFile(".\\Binfile\\B.BIN", LongImage());
  FakeHubLibrary library;
  library.hubs = {Hub()};
  KitReport report = check::CheckKit(files, &library, "kit");
  ASSERT_EQ(1u, report.hubs.size());
  EXPECT_EQ(SelectionTest::kCannotOpen, report.hubs[0].plan.search.verdicts[0].failed);
  EXPECT_EQ(1, report.hubs[0].plan.search.chosen);
  EXPECT_NE(nullptr, FindingOf(report, FindingCode::kImageUnreadable));
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

}  // namespace
