// The update run as the console shows it: hubs last to first, the version
// checks, the announcement box, the library call with the zero-based
// position, and every coloured passage in order.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake_hub_library.h"
#include "fake_platform.h"
#include "hub_builders.h"
#include "image_builder.h"
#include "param_names.h"
#include "printer.h"
#include "update.h"
#include "update_transcript.h"
#include "updater_state.h"

namespace {

// The two models of the short version format.
constexpr uint32_t kShortFormatHubA = 0x3A170415;
constexpr uint32_t kShortFormatHubB = 0x3A170416;
constexpr uint32_t kLongHubId = 0x05E30620;  // any hub of the long version format
constexpr uint16_t kLongImageId = 0x0D22;
constexpr uint16_t kShortImageId = 0x0D13;

// Chip codes under which an image passes selection's compatibility rules.
struct Chip {
  uint8_t revision;
  uint8_t options;
};
constexpr Chip kPlainChip = {0x10, 0x00};   // takes ImageFlags with bits 7, 3, 2 clear
constexpr Chip kB3Chip = {0xB3, 0x00};      // takes bit 3 set, bits 7 and 2 clear
constexpr Chip kB3Option10 = {0xB3, 0x10};  // takes bit 7 set

class UpdateRun : public ::testing::Test {
 protected:
  UpdateRun() : state_(new UpdaterState) {
    std::memset(state_.get(), 0, sizeof(UpdaterState));
    state_->ConsoleHandle = FakePlatform::kConsole;
    AddTarget(kShortFormatHubA, kShortImageId);
    AddTarget(kShortFormatHubB, kShortImageId);
    AddTarget(kLongHubId, kLongImageId);
    library_.screen = &os_;
  }

  UpdaterState& state() { return *state_; }

  void AddTarget(uint32_t hubId, uint16_t imageId) {
    TargetIdEntry& entry = state_->TargetIds[state_->TargetIdCount++];
    entry.HubId = hubId;
    entry.ImageId = imageId;
    entry.UsbGeneration = 3;
  }

  HubDeviceInfo& AddHub(uint32_t hubId, uint16_t firmwareVersion, Chip chip = kPlainChip) {
    HubDeviceInfo& hub = state_->Devices[state_->DeviceCount++];
    hub = MakeHub(static_cast<uint16_t>(hubId >> 16), static_cast<uint16_t>(hubId & 0xFFFF),
                  firmwareVersion);
    hub.ChipRevision = chip.revision;
    hub.ChipOptions = chip.options;
    return hub;
  }

  // The one image for the short-format hubs; selection takes it on its
  // identifier alone.
  void AddShortImage() {
    os_.AddFile(".\\Binfile\\S.BIN", ImageBuilder(kShortImageId, 0x00).Size(64).Bytes());
  }

  void SetHubName(const char* name) { std::strcpy(state_->TargetHubName, name); }

  void Run() {
    Printer out(os_, *state_);
    EXPECT_TRUE(DoUpdateFW(*state_, out, os_, os_, library_));
  }
  const std::string& Screen() const { return os_.Screen(); }

  FakePlatform os_;
  FakeHubLibrary library_;

 private:
  std::unique_ptr<UpdaterState> state_;
};

std::string Complete(const std::string& hubName) {
  return "Firmware Update Complete.\n{20}\nPlease Power-Cycle your " + hubName +
         " for the update to take effect!\n\n{07}";
}

std::string SameLevelShort(int number) {
  return "{2F}Device(" + std::to_string(number) +
         ") firmware version is at the same level as this updater.\n"
         " Update is unnecessary.\n\n{07}";
}

std::string SameLevelLong(int number) {
  return "{2F}\nDevice(" + std::to_string(number) +
         ") firmware version is at the same level as this updater.\n"
         " Update is unnecessary.\n\n{07}";
}

const char kFailed[] = "{0C} => Warning!!! Warning!!! Warning!!! Upgrade failed!!!\n\a\a\a{07}";

// ---------------------------------------------------------------- order

TEST_F(UpdateRun, NoHubsPrintsOnlyTheHeading) {
  Run();
  EXPECT_EQ("DoUpdateFW()\n", Screen());
  EXPECT_TRUE(library_.calls.empty());
  EXPECT_EQ(0, os_.Searches());
}

TEST_F(UpdateRun, OneHubShowsTheWholeProgrammingTranscript) {
  AddShortImage();
  AddHub(kShortFormatHubA, 0x9013);
  SetHubName("USB 3.0 Hub");
  Run();
  EXPECT_EQ("DoUpdateFW()\n"
            "Please wait while FW is updated...\n"
            "{E0}--------------------------------------------------\n"
            "|  DO NOT DISCONNECT THE AC ADAPTER OR USB CABLE |\n"
            "--------------------------------------------------\n"
            "{07}device(1) Update In Progress...\n"
            "FileName:.\\Binfile\\S.BIN\n"
            "{guard on}{TA_UpdateISP(0,.\\Binfile\\S.BIN,0)}{guard off}"
            "Device(1):\n\tUpdata FW => SUCCESS\n"
            "Firmware Update Complete.\n"
            "{20}\nPlease Power-Cycle your USB 3.0 Hub for the update to take effect!\n\n{07}",
            Screen());
}

TEST_F(UpdateRun, HubsAreVisitedLastFirstWithZeroBasedPositions) {
  AddShortImage();
  for (int i = 0; i < 3; ++i) AddHub(kShortFormatHubB, 0x9013);
  SetHubName("Dock");
  Run();
  EXPECT_EQ((std::vector<int>{2, 1, 0}), library_.updatedPositions);
  EXPECT_EQ("DoUpdateFW()\n" + Programmed(2, ".\\Binfile\\S.BIN") +
                Programmed(1, ".\\Binfile\\S.BIN") + Programmed(0, ".\\Binfile\\S.BIN") +
                Complete("Dock"),
            Screen());
}

TEST_F(UpdateRun, AClaimOfMoreHubsThanTheTableHoldsVisitsTheTableOnly) {
  AddShortImage();
  for (int i = 0; i < kMaxDevices; ++i) AddHub(kShortFormatHubA, 0x9013);
  state().DeviceCount = 40;
  Run();
  ASSERT_EQ(16u, library_.updatedPositions.size());
  EXPECT_EQ(15, library_.updatedPositions.front());
  EXPECT_EQ(0, library_.updatedPositions.back());
  EXPECT_NE(std::string::npos, Screen().find("device(16) Update In Progress"));
  EXPECT_NE(std::string::npos, Screen().find(Complete("")));
}

// ---------------------------------------------------- short-format check

TEST_F(UpdateRun, ShortFormatVersionIsComparedAsTheListShowsIt) {
  AddShortImage();
  AddHub(kShortFormatHubA, 0x9013);  // listed as V1.39
  state().CheckHubFw = 1;
  state().FwVersion = 0x0139;
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + SameLevelShort(1), Screen());
  EXPECT_TRUE(library_.calls.empty());
  EXPECT_EQ(0, os_.Searches());  // no image looked for
}

TEST_F(UpdateRun, ShortFormatHubIsProgrammedWhenOnlyTheRawVersionMatches) {
  AddShortImage();
  AddHub(kShortFormatHubB, 0x9013);
  state().CheckHubFw = 1;
  state().FwVersion = 0x9013;
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + Programmed(0, ".\\Binfile\\S.BIN") + Complete(""), Screen());
}

TEST_F(UpdateRun, ShortFormatCheckIgnoresBitsEightToEleven) {
  AddShortImage();
  AddHub(kShortFormatHubA, 0x9013);
  AddHub(kShortFormatHubB, 0x9F13);
  state().CheckHubFw = 1;
  state().FwVersion = 0x0139;
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + SameLevelShort(2) + SameLevelShort(1), Screen());
  EXPECT_TRUE(library_.calls.empty());
}

TEST_F(UpdateRun, FwVersionAboveThreeDigitsNeverMatchesAShortFormatHub) {
  // The hubs that would match if only the low twelve bits counted. No image:
  // a hub that is not skipped shows the selection failure instead.
  state().CheckHubFw = 1;
  for (uint16_t fwVersion : {0x1139, 0x9139, 0xF139}) {
    for (uint16_t bits8to11 = 0; bits8to11 < 16; ++bits8to11) {
      state().DeviceCount = 0;
      AddHub(kShortFormatHubA, static_cast<uint16_t>(0x9013 | (bits8to11 << 8)));
      state().FwVersion = fwVersion;
      os_.ClearScreen();
      Run();
      ASSERT_NE(std::string::npos, Screen().find("Upgrade failed")) << std::hex << fwVersion;
      ASSERT_EQ(std::string::npos, Screen().find("same level")) << std::hex << fwVersion;
    }
  }
}

TEST_F(UpdateRun, ShortFormatHubsSkipTheImageVersionCheck) {
  // The image's version word equals the hub's raw version; only FwVersion
  // decides for these hubs.
  os_.AddFile(".\\Binfile\\S.BIN",
              ImageBuilder(kShortImageId, 0x00).Size(8046).Version(0x9013).Bytes());
  AddHub(kShortFormatHubA, 0x9013);
  state().CheckHubFw = 1;
  state().FwVersion = 0x0921;
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + Programmed(0, ".\\Binfile\\S.BIN") + Complete(""), Screen());
}

// ---------------------------------------------------- image version check

TEST_F(UpdateRun, LongLayoutImageCarriesItsVersionAt8012) {
  os_.AddFile(".\\Binfile\\L.BIN",
              ImageBuilder(kLongImageId, 0x08).Size(9000).Version(0x0A21).Bytes());
  AddHub(kLongHubId, 0x0A21, kB3Chip);
  state().CheckHubFw = 1;
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + SameLevelLong(1), Screen());
  EXPECT_TRUE(library_.calls.empty());
}

TEST_F(UpdateRun, ShortLayoutImageCarriesItsVersionAt8044PlusTheFlagsAddend) {
  // Bits 4 to 6 of 0x70 add 7.
  os_.AddFile(".\\Binfile\\L.BIN",
              ImageBuilder(kLongImageId, 0x70).Size(9000).Version(0x0A1A).Bytes());
  AddHub(kLongHubId, 0x0A21);
  AddHub(kLongHubId, 0x0A1A);
  state().CheckHubFw = 1;
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + Programmed(1, ".\\Binfile\\L.BIN") + SameLevelLong(1), Screen());
  EXPECT_EQ((std::vector<int>{1}), library_.updatedPositions);
}

TEST_F(UpdateRun, Bit7ChoosesTheLongLayoutAndAddsNothing) {
  std::string image = ImageBuilder(kLongImageId, 0x80)
                          .Size(9000)
                          .Version(0x0B05)
                          .At(ImageBuilder::kShortVersionAt, LittleEndian(0x0C05))
                          .Bytes();
  os_.AddFile(".\\Binfile\\L.BIN", image);
  AddHub(kLongHubId, 0x0C05, kB3Option10);
  AddHub(kLongHubId, 0x0B05, kB3Option10);
  state().CheckHubFw = 1;
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + SameLevelLong(2) + Programmed(0, ".\\Binfile\\L.BIN"), Screen());
}

TEST_F(UpdateRun, AnImageEndingBeforeItsVersionWordDeliversOnlyTheAddend) {
  // Short layout, 0x30 adds 3; the file ends long before 8044.
  os_.AddFile(".\\Binfile\\L.BIN", ImageBuilder(kLongImageId, 0x30).Size(100).Bytes());
  AddHub(kLongHubId, 0x0003);
  AddHub(kLongHubId, 0x0000);
  state().CheckHubFw = 1;
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + Programmed(1, ".\\Binfile\\L.BIN") + SameLevelLong(1), Screen());
  EXPECT_EQ(0, os_.OpenFiles());
}

// Any value but 0 switches both version checks on.
class VersionCheckSwitch : public UpdateRun, public ::testing::WithParamInterface<int32_t> {};

TEST_P(VersionCheckSwitch, HubsAtTheSameLevelAreSkippedInBothFormats) {
  AddShortImage();
  os_.AddFile(".\\Binfile\\L.BIN",
              ImageBuilder(kLongImageId, 0x08).Size(9000).Version(0x0A21).Bytes());
  AddHub(kShortFormatHubA, 0x9013);
  AddHub(kLongHubId, 0x0A21, kB3Chip);
  state().CheckHubFw = GetParam();
  state().FwVersion = 0x0139;
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + SameLevelLong(2) + SameLevelShort(1), Screen());
  EXPECT_TRUE(library_.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(UpdateRun, VersionCheckSwitch, ::testing::Values(1, 2, -1),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                           return "CheckHubFw" + SignedName(info.param);
                         });

// The chosen image is gone when its version is read: it delivers 0, so the
// hub is programmed unless it reports 0 itself.
class VanishedImage : public UpdateRun, public ::testing::WithParamInterface<uint16_t> {};

TEST_P(VanishedImage, DeliversVersionZero) {
  os_.AddFile(".\\Binfile\\L.BIN",
              ImageBuilder(kLongImageId, 0x08).Size(9000).Version(0x0A21).Bytes());
  os_.VanishAfterOpens(".\\Binfile\\L.BIN", 1);
  AddHub(kLongHubId, GetParam(), kB3Chip);
  state().CheckHubFw = 1;
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + (GetParam() == 0
                                    ? SameLevelLong(1)
                                    : Programmed(0, ".\\Binfile\\L.BIN") + Complete("")),
            Screen());
}

INSTANTIATE_TEST_SUITE_P(UpdateRun, VanishedImage, ::testing::Values(0x0A21, 0x0000),
                         [](const ::testing::TestParamInfo<uint16_t>& info) {
                           return "HubAt" + HexName(info.param);
                         });

TEST_F(UpdateRun, WithoutCheckHubFwEveryHubWithAnImageIsProgrammed) {
  AddShortImage();
  os_.AddFile(".\\Binfile\\L.BIN",
              ImageBuilder(kLongImageId, 0x08).Size(9000).Version(0x0A21).Bytes());
  AddHub(kShortFormatHubA, 0x9013);
  AddHub(kLongHubId, 0x0A21, kB3Chip);
  state().CheckHubFw = 0;
  state().FwVersion = 0x0139;
  SetHubName("Hub");
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + Programmed(1, ".\\Binfile\\L.BIN") +
                Programmed(0, ".\\Binfile\\S.BIN") + Complete("Hub"),
            Screen());
}

// ------------------------------------------------------------- failures

TEST_F(UpdateRun, NoImageGivesTheErrorAndTheRedWarning) {
  // Listed, but the only image is for other hubs: the search runs dry
  // without a message of its own.
  os_.AddFile(".\\Binfile\\X.BIN", ImageBuilder(0x0D99, 0x00).Size(64).Bytes());
  AddHub(kLongHubId, 0x0100);
  Run();
  EXPECT_EQ(std::string("DoUpdateFW()\n"
                        "Device(1):\n\t\t!!!Error. Either the FW not found\n"
                        "\t Or FW is incorrect for HUB chip version\n") +
                kFailed,
            Screen());
  EXPECT_TRUE(library_.calls.empty());
}

TEST_F(UpdateRun, LibraryFailureWarnsForThatHubAndTheRunGoesOn) {
  AddShortImage();
  AddHub(kShortFormatHubA, 0x9013);
  AddHub(kShortFormatHubA, 0x9013);
  library_.updateResults[0] = 1;
  Run();
  std::string failedCall = "Please wait while FW is updated...\n"
                           "{E0}--------------------------------------------------\n"
                           "|  DO NOT DISCONNECT THE AC ADAPTER OR USB CABLE |\n"
                           "--------------------------------------------------\n{07}"
                           "device(1) Update In Progress...\n"
                           "FileName:.\\Binfile\\S.BIN\n"
                           "{guard on}{TA_UpdateISP(0,.\\Binfile\\S.BIN,0)}{guard off}";
  EXPECT_EQ("DoUpdateFW()\n" + Programmed(1, ".\\Binfile\\S.BIN") + failedCall + kFailed, Screen());
}

TEST_F(UpdateRun, ALaterFailureAfterASuccessAlsoSuppressesCompletion) {
  AddShortImage();
  AddHub(kShortFormatHubA, 0x9013);
  AddHub(kShortFormatHubA, 0x9013);
  library_.updateResults[1] = -5;
  Run();
  EXPECT_NE(std::string::npos, Screen().find(kFailed));
  EXPECT_NE(std::string::npos, Screen().find(Programmed(0, ".\\Binfile\\S.BIN")));
  EXPECT_EQ(std::string::npos, Screen().find("Firmware Update Complete."));
  EXPECT_EQ(std::string::npos, Screen().find("{20}"));
}

TEST_F(UpdateRun, ASkippedHubSuppressesCompletion) {
  AddShortImage();
  AddHub(kShortFormatHubA, 0x9013);
  AddHub(kShortFormatHubA, 0x9014);  // listed V1.49
  state().CheckHubFw = 1;
  state().FwVersion = 0x0139;
  Run();
  EXPECT_EQ("DoUpdateFW()\n" + Programmed(1, ".\\Binfile\\S.BIN") + SameLevelShort(1), Screen());
}

TEST_F(UpdateRun, AnEmptyHubNameLeavesTwoBlanksInThePrompt) {
  AddShortImage();
  AddHub(kShortFormatHubA, 0x9013);
  Run();
  EXPECT_NE(std::string::npos,
            Screen().find("{20}\nPlease Power-Cycle your  for the update to take effect!\n\n{07}"));
}

}  // namespace
