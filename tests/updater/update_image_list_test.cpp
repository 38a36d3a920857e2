// The update run with Binfile\SHA256SUMS: a chosen image is written only
// when the list verifies it, every refusal looks like a hub without an
// image, and a kit without a list runs as it always has.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "fake_hub_library.h"
#include "fake_platform.h"
#include "hub_builders.h"
#include "image_builder.h"
#include "image_sums.h"
#include "printer.h"
#include "sha256.h"
#include "update.h"
#include "run_state.h"
#include "update_transcript.h"

namespace {

constexpr uint32_t kShortFormatHub = 0x3A170415;
constexpr uint16_t kImageId = 0x0D13;
const char kList[] = ".\\Binfile\\SHA256SUMS";
const char kPath[] = ".\\Binfile\\S.BIN";

std::string ImageBytes(char fill) {
  return ImageBuilder(kImageId, 0x00).Size(64).Fill(fill).Bytes();
}

std::string Hex(const std::string& bytes) {
  std::unique_ptr<Sha256> hash = NewLibcryptoSha256();
  imagesums::Digest digest{};
  EXPECT_TRUE(hash->Update(bytes.data(), bytes.size()) && hash->Finish(&digest));
  return imagesums::DigestHex(digest);
}

const char kFailed[] = "{0C} => Warning!!! Warning!!! Warning!!! Upgrade failed!!!\n\a\a\a{07}";

const char kComplete[] =
    "Firmware Update Complete.\n{20}\nPlease Power-Cycle your Hub for the update to take "
    "effect!\n\n{07}";

template <typename Base>
class ImageListFixture : public Base {
 protected:
  ImageListFixture() : state_(new UpdaterState) {
    TargetIdEntry& entry = state_->TargetIds[state_->TargetIdCount++];
    entry.HubId = kShortFormatHub;
    entry.ImageId = kImageId;
    entry.UsbGeneration = 3;
    std::strcpy(state_->TargetHubName, "Hub");
    library_.screen = &os_;
    // The library opens the image itself; no handle of ours may be open.
    library_.duringUpdate = [this] { EXPECT_EQ(0, os_.OpenFiles()); };
    os_.AddFile(kPath, ImageBytes('\0'));
  }

  void AddHubs(int count) {
    for (int i = 0; i < count; ++i) {
      state_->Devices[state_->DeviceCount++] =
          MakeHub(kShortFormatHub >> 16, kShortFormatHub & 0xFFFF, 0x9013);
    }
  }

  std::string Run(UpdaterResults* results = nullptr) {
    Printer out(os_);
    out.TakeConsoleHandle();
    EXPECT_TRUE(DoUpdateFW(*state_, out, os_, os_, library_, results));
    return os_.Screen();
  }

  std::unique_ptr<UpdaterState> state_;
  FakePlatform os_;
  FakeHubLibrary library_;
};

class ImageListRun : public ImageListFixture<::testing::Test> {};

// The whole of a refused hub's transcript but its one line.
std::string Refused(int number, const std::string& why) {
  return "Device(" + std::to_string(number) + "):\n\t" + why + kFailed;
}

struct Refusal {
  const char* name;
  std::function<void(FakePlatform&)> stage;
  std::string line;
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

class RefusedImage : public ImageListFixture<::testing::TestWithParam<Refusal>> {};

TEST_P(RefusedImage, LeavesTheHubUnwrittenWithOneLineThatSaysWhy) {
  AddHubs(1);
  GetParam().stage(os_);
  EXPECT_EQ("DoUpdateFW()\n" + Refused(1, GetParam().line), Run());
  EXPECT_TRUE(library_.calls.empty());
  EXPECT_EQ(0, os_.OpenFiles());
}

const std::string kGoodLine = Hex(ImageBytes('\0')) + " *S.BIN\n";

// A digest that differs from `hex` in its last byte alone.
std::string LastByteChanged(std::string hex) {
  hex.back() = hex.back() == '0' ? '1' : '0';
  return hex;
}

// A good list of exactly `size` bytes: the image's line, then one comment.
std::string ListOfSize(uint64_t size) {
  return kGoodLine + "#" + std::string(size - kGoodLine.size() - 2, 'x') + "\n";
}

INSTANTIATE_TEST_SUITE_P(
    UpdateRun, RefusedImage,
    ::testing::Values(
        Refusal{"DigestDiffers",
                [](FakePlatform& os) {
                  os.AddFile(kList, kGoodLine);
                  os.Patch(kPath, 40, "\x01");
                },
                "\t!!!Error. The FW file .\\Binfile\\S.BIN does not match Binfile\\SHA256SUMS\n"
                "\t listed   " +
                    Hex(ImageBytes('\0')) + "\n\t computed " +
                    Hex(ImageBytes('\0').replace(40, 1, "\x01")) + "\n"},
        Refusal{"DigestDiffersInItsLastByte",
                [](FakePlatform& os) {
                  os.AddFile(kList, LastByteChanged(Hex(ImageBytes('\0'))) + " *S.BIN\n");
                },
                "\t!!!Error. The FW file .\\Binfile\\S.BIN does not match Binfile\\SHA256SUMS\n"
                "\t listed   " +
                    LastByteChanged(Hex(ImageBytes('\0'))) + "\n\t computed " +
                    Hex(ImageBytes('\0')) + "\n"},
        Refusal{"NotListed", [](FakePlatform& os) { os.AddFile(kList, Hex("") + " *T.BIN\n"); },
                "\t!!!Error. The FW file .\\Binfile\\S.BIN is not listed in "
                "Binfile\\SHA256SUMS\n"},
        Refusal{"ListedInAnotherCase",
                [](FakePlatform& os) { os.AddFile(kList, Hex(ImageBytes('\0')) + " *s.bin\n"); },
                "\t!!!Error. The FW file .\\Binfile\\S.BIN is not listed in "
                "Binfile\\SHA256SUMS\n"},
        Refusal{"BadLine", [](FakePlatform& os) { os.AddFile(kList, kGoodLine + "S.BIN OK\n"); },
                "\t!!!Error. Binfile\\SHA256SUMS line 2: no accepted form\n"},
        Refusal{"PathInList",
                [](FakePlatform& os) { os.AddFile(kList, Hex("") + " *x64/S.BIN\n"); },
                "\t!!!Error. Binfile\\SHA256SUMS line 1: a path separator in the name\n"},
        Refusal{"NameTwice", [](FakePlatform& os) { os.AddFile(kList, kGoodLine + kGoodLine); },
                "\t!!!Error. Binfile\\SHA256SUMS line 2: a name given twice\n"},
        Refusal{"ListUnreadable", [](FakePlatform& os) { os.AddUnopenableFile(kList); },
                "\t!!!Error. Binfile\\SHA256SUMS cannot be read\n"},
        // A good list, one byte over the limit (exactly the limit is read).
        Refusal{"ListTooLarge",
                [](FakePlatform& os) {
                  os.AddFile(kList, ListOfSize(imagesums::kMaxListSize + 1));
                },
                "\t!!!Error. Binfile\\SHA256SUMS cannot be read\n"},
        Refusal{"ImageGoneBeforeTheHash",
                [](FakePlatform& os) {
                  os.AddFile(kList, kGoodLine);
                  os.VanishAfterOpens(kPath, 1);  // selection's open was the last
                },
                "\t!!!Error. The FW file .\\Binfile\\S.BIN cannot be read\n"},
        Refusal{"NoSha256",
                [](FakePlatform& os) {
                  os.AddFile(kList, kGoodLine);
                  os.RemoveSha256();
                },
                "\t!!!Error. The FW file .\\Binfile\\S.BIN cannot be checked: SHA-256 is "
                "not available\n"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(ImageListRun, AVerifiedImageIsWrittenWithTheTranscriptOfAKitWithoutAList) {
  AddHubs(2);
  std::string plain = Run();
  EXPECT_EQ("DoUpdateFW()\n" + Programmed(1, kPath) + Programmed(0, kPath) + kComplete, plain);

  // Found as the image search finds names, whatever its letter case.
  os_.AddFile(".\\Binfile\\sha256sums", "SHA256 (S.BIN) = " + Hex(ImageBytes('\0')) + "\r\n");
  os_.ClearScreen();
  EXPECT_EQ(plain, Run());
}

TEST_F(ImageListRun, AListOfExactlyItsSizeLimitIsRead) {
  AddHubs(1);
  os_.AddFile(kList, ListOfSize(imagesums::kMaxListSize));
  EXPECT_EQ("DoUpdateFW()\n" + Programmed(0, kPath) + kComplete, Run());
}

TEST_F(ImageListRun, ARefusedHubSuppressesCompletionAndTheRunGoesOn) {
  AddHubs(2);
  os_.AddFile(kList, Hex(ImageBytes('\0')) + " *S.BIN\n");
  // The image changes between the two hubs, as a failing stick's might.
  library_.duringUpdate = [this] { os_.Patch(kPath, 63, "x"); };
  UpdaterResults results;
  std::string screen = Run(&results);
  // The refusal is an outcome of its own for deployment tools.
  ASSERT_EQ(2, results.hubCount);
  EXPECT_EQ(HubOutcome::kProgrammed, results.hubs[0].outcome);
  EXPECT_EQ(HubOutcome::kImageCheck, results.hubs[1].outcome);
  EXPECT_FALSE(results.hubs[1].libraryCalled);
  EXPECT_STREQ(kPath, results.hubs[1].image);
  EXPECT_EQ(1u, library_.calls.size());
  EXPECT_EQ(0u, screen.find("DoUpdateFW()\n" + Programmed(1, kPath) +
                            "Device(1):\n\t\t!!!Error. The FW file"));
  EXPECT_EQ(screen.size() - std::strlen(kFailed), screen.rfind(kFailed));
  EXPECT_EQ(std::string::npos, screen.find("Complete"));
}

TEST_F(ImageListRun, AHubAtTheSameLevelIsLeftAloneBeforeTheListIsRead) {
  AddHubs(1);
  state_->CheckHubFw = 1;
  state_->FwVersion = 0x0139;
  os_.AddFile(kList, "not a list\n");
  std::string screen = Run();
  EXPECT_NE(std::string::npos, screen.find("at the same level"));
  EXPECT_EQ(0, os_.OpenCount(kList));
}

}  // namespace
