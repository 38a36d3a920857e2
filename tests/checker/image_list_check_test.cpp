// The image list in the kit checker: each image's verdict as the updater's
// check would give it, the list's entries against the images, and each
// hub's decision when the list does not vouch for its chosen image.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "image_sums.h"
#include "kit_fixture.h"
#include "report.h"
#include "sha256.h"

namespace {

using namespace kit_fixture;

std::string Hex(const std::string& bytes) {
  std::unique_ptr<Sha256> hash = NewLibcryptoSha256();
  imagesums::Digest digest{};
  EXPECT_TRUE(hash->Update(bytes.data(), bytes.size()) && hash->Finish(&digest));
  return imagesums::DigestHex(digest);
}

const std::string kOther = LongImage(0x0D99);  // an image no hub of the kit wants

struct ListCase {
  const char* name;
  std::function<void(Kit&)> stage;
  std::string codes;  // the findings, as Codes() gives them
  HubOutcome outcome;
  ImageCheck chosenCheck;  // A.BIN's verdict
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

class ImageListCheck : public ::testing::TestWithParam<ListCase> {};

TEST_P(ImageListCheck, GivesEachImageAndHubTheUpdatersVerdict) {
  Kit kit;
  kit.images.push_back({"B.BIN", kOther});
  GetParam().stage(kit);
  KitReport report = kit.Check();
  EXPECT_EQ(GetParam().codes, Codes(report));
  ASSERT_EQ(1u, report.hubs.size());
  EXPECT_EQ(GetParam().outcome, report.hubs[0].plan.outcome)
      << check::Decision(report.hubs[0], report.images);
  EXPECT_EQ(GetParam().chosenCheck, report.images[0].sums.check);
}

const std::string kListA = Hex(LongImage()) + " *A.BIN\n";
const std::string kListB = Hex(kOther) + "  B.BIN\r\n";

INSTANTIATE_TEST_SUITE_P(
    Checker, ImageListCheck,
    ::testing::Values(
        ListCase{"NoList", [](Kit&) {}, "", HubOutcome::kProgram, ImageCheck::kNoList},
        ListCase{"Verified", [](Kit& k) { k.imageList = kListA + kListB; }, "",
                 HubOutcome::kProgram, ImageCheck::kVerified},
        ListCase{"ChosenDiffers",
                 [](Kit& k) {
                   k.imageList = kListA + kListB;
                   k.images[0].second[100] ^= 1;
                 },
                 "sums-differs@0 hub-image-refused@0 ", HubOutcome::kImageCheck,
                 ImageCheck::kDiffers},
        // The list's digest, not the image, differs, and only in its last byte.
        ListCase{"ChosenDigestDiffersInItsLastByte",
                 [](Kit& k) {
                   std::string hex = Hex(LongImage());
                   hex.back() = hex.back() == '0' ? '1' : '0';
                   k.imageList = hex + " *A.BIN\n" + kListB;
                 },
                 "sums-differs@0 hub-image-refused@0 ", HubOutcome::kImageCheck,
                 ImageCheck::kDiffers},
        ListCase{"ChosenUnlisted", [](Kit& k) { k.imageList = kListB; },
                 "sums-unlisted@0 hub-image-refused@0 ", HubOutcome::kImageCheck,
                 ImageCheck::kNotListed},
        ListCase{"AnotherUnlisted", [](Kit& k) { k.imageList = kListA; }, "sums-unlisted@0 ",
                 HubOutcome::kProgram, ImageCheck::kVerified},
        ListCase{"ListedInAnotherCase",
                 [](Kit& k) { k.imageList = Hex(LongImage()) + " *a.bin\n" + kListB; },
                 "sums-case@0 hub-image-refused@0 ", HubOutcome::kImageCheck,
                 ImageCheck::kNotListed},
        ListCase{"ListedButMissing",
                 [](Kit& k) { k.imageList = kListA + kListB + Hex("") + " *GONE.BIN\n"; },
                 "sums-missing@0 ", HubOutcome::kProgram, ImageCheck::kVerified},
        ListCase{"BadList", [](Kit& k) { k.imageList = kListA + "A.BIN OK\n"; },
                 "sums-bad@0 hub-image-refused@0 ", HubOutcome::kImageCheck, ImageCheck::kListBad},
        ListCase{"UnreadableList", [](Kit& k) { k.imageListUnreadable = true; },
                 "sums-unreadable@0 hub-image-refused@0 ", HubOutcome::kImageCheck,
                 ImageCheck::kListUnreadable},
        // The updater leaves a hub at the same level before it reads the list.
        ListCase{"SameLevelDecidedBeforeTheList",
                 [](Kit& k) {
                   k.imageList = "bad\n";
                   k.settings = Replace(k.settings, "CheckHUBFW=0", "CheckHUBFW=1");
                   k.hubs[0] = Hub(0x1A2B, 0x0D12, 0x0A21);
                 },
                 "sums-bad@0 ", HubOutcome::kSameLevelAfter, ImageCheck::kListBad}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

// One reading of the list, and each image hashed once, however many hubs
// the updater's check would be asked for.
TEST(ImageListCheck, ReadsTheListOnceAndHashesEachImageOnceWhateverTheNumberOfHubs) {
  FakeFiles files;
  files.AddFile("SpiFlash.ini", kCleanSettings);
  files.AddFile(".\\Binfile\\A.BIN", LongImage());
  files.AddFile(".\\Binfile\\B.BIN", kOther);
  files.AddFile(".\\Binfile\\SHA256SUMS", kListA + kListB);
  FakeHubLibrary library;
  library.hubs.assign(16, Hub());
  KitReport report = check::CheckKit(files, &library, "kit");
  ASSERT_EQ(16u, report.hubs.size());
  EXPECT_EQ(HubOutcome::kProgram, report.hubs[15].plan.outcome);
  EXPECT_EQ(1, files.OpenCount(".\\Binfile\\SHA256SUMS"));
  // Once to be scanned, once to be hashed.
  EXPECT_EQ(2, files.OpenCount(".\\Binfile\\A.BIN"));
  EXPECT_EQ(2, files.OpenCount(".\\Binfile\\B.BIN"));
}

TEST(ImageListCheck, TheFindingsNameTheLineTheDigestsAndTheHubsRefusal) {
  Kit kit;
  kit.imageList = "# kit\n" + kListA + kListA;
  KitReport report = kit.Check();
  ASSERT_NE(nullptr, FindingOf(report, FindingCode::kListBad));
  EXPECT_EQ("Binfile\\SHA256SUMS line 3: a name given twice (first at line 2): the updater "
            "refuses every hub",
            FindingOf(report, FindingCode::kListBad)->text);
  EXPECT_EQ("refused: A.BIN is chosen, but Binfile\\SHA256SUMS line 3: a name given twice; the "
            "hub is not written",
            check::Decision(report.hubs[0], report.images));

  kit.imageList = Hex("other bytes") + " *A.BIN\n";
  report = kit.Check();
  EXPECT_EQ("A.BIN does not match line 1: listed " + Hex("other bytes") + ", computed " +
                Hex(LongImage()),
            FindingOf(report, FindingCode::kImageDiffers)->text);
}

}  // namespace
