// Choosing a hub's image in .\Binfile: module place, hub ID, the directory
// search, and the tests on each entry with every message they print.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "hub_builders.h"
#include "image_builder.h"
#include "param_names.h"
#include "printer.h"
#include "settings.h"
#include "selection.h"
#include "run_state.h"

namespace {

constexpr uint32_t kHubId = 0x1A2B0D12;
constexpr uint16_t kImageId = 0x0D12;
constexpr uint8_t kUntouched = 0x5A;

std::string Image(uint16_t id, uint8_t flags, size_t size) {
  return ImageBuilder(id, flags).Size(size).Bytes();
}

// A long-layout image that suits the fixture's hub under rule 3, with its
// identification strings in place.
std::string LongImage(uint16_t id = kImageId, const std::string& manufacturer = "Maker Inc.",
                      const std::string& product1 = "USB3.0 Hub",
                      const std::string& product2 = "Other Hub") {
  return ImageBuilder(id, 0x0C)
      .Manufacturer(manufacturer)
      .Product1(product1)
      .Product2(product2)
      .Bytes();
}

// A short-layout image that suits a B3 hub with options 0x20 under rule 6.
ImageBuilder ShortImageBuilder(uint16_t id, const std::string& manufacturer,
                               const std::string& product1, const std::string& product2) {
  ImageBuilder image(id, 0x04);
  image.ShortSignature().Manufacturer(manufacturer).Product1(product1).Product2(product2);
  return image;
}

std::string ShortImage(uint16_t id = kImageId, const std::string& manufacturer = "Maker Inc.",
                       const std::string& product1 = "USB3.0 Hub",
                       const std::string& product2 = "Other Hub") {
  return ShortImageBuilder(id, manufacturer, product1, product2).Bytes();
}

class Selection : public ::testing::Test {
 protected:
  Selection() : state_(std::make_unique<UpdaterState>()) {
    hub_ = MakeHub(0x1A2B, 0x0D12, 0x0100, 1, 1);
    hub_.ChipRevision = 0xB2;
    hub_.ChipOptions = 0x30;
    SetHubString(hub_.ManufacturerString, "Maker Inc.");
    SetHubString(hub_.ProductString, "USB3.0 Hub");
    AddTarget(kHubId, kImageId);
  }

  void AddTarget(uint32_t hubId, uint16_t imageId, uint8_t generation = 3) {
    state_->TargetIds[state_->TargetIdCount++] = TargetIdEntry{hubId, imageId, generation};
  }

  struct Module {
    uint8_t depth;
    uint8_t port;
    const char* name;
  };
  // The [HUBModule] list as the settings reader leaves it: HubNumber nodes.
  void SetModules(const std::vector<Module>& modules) {
    state_->Modules.Reset(0);
    for (const Module& m : modules) state_->Modules.Add(m.depth, m.port, m.name);
    state_->HubNumber = static_cast<uint8_t>(modules.size());
  }

  void AddImage(const std::string& name, const std::string& bytes) {
    os_.AddFile(".\\Binfile\\" + name, bytes);
  }

  // Every call leaves no file open and writes the path only when it chooses.
  bool Select(uint32_t hubId = kHubId) {
    std::memset(path_, kUntouched, sizeof path_);
    bool chosen = SelectFWBinFile(*state_, out_, os_, hubId, hub_, path_);
    EXPECT_EQ(0, os_.OpenFiles());
    if (!chosen) {
      for (unsigned char c : path_) EXPECT_EQ(kUntouched, c);
    }
    return chosen;
  }

  std::string Path() const { return std::string(path_, strnlen(path_, sizeof path_)); }
  UpdaterState& state() { return *state_; }

  FakePlatform os_;
  HubDeviceInfo hub_;
  std::unique_ptr<UpdaterState> state_;
  Printer out_{os_};
  char path_[kImagePathSize];
};

// ---- Module lookup.

TEST_F(Selection, AHubAtADepthWithoutAModuleIsRefusedBeforeItsIdIsLookedUp) {
  SetModules({{0, 0, "A.BIN"}, {2, 1, "B.BIN"}, {2, 3, "C.BIN"}});
  AddImage("A.BIN", LongImage());
  hub_.Depth = 1;
  EXPECT_FALSE(Select());
  EXPECT_EQ("Please Check [HUBModule] setting\n", os_.Screen());
  // Not listed either: still only this message.
  os_.ClearScreen();
  EXPECT_FALSE(Select(0x0BDA0411));
  EXPECT_EQ("Please Check [HUBModule] setting\n", os_.Screen());
  EXPECT_EQ(0, os_.Searches());
}

TEST_F(Selection, ADeeperHubNeedsDepthAndPortToMatch) {
  SetModules({{0, 0, "A.BIN"}, {2, 1, "B.BIN"}, {2, 3, "C.BIN"}});
  for (const char* name : {"A.BIN", "B.BIN", "C.BIN"}) AddImage(name, LongImage());
  hub_.Depth = 2;
  hub_.ConnectionPortIndex = 3;
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\C.BIN", Path());
  hub_.ConnectionPortIndex = 2;
  EXPECT_FALSE(Select());
  EXPECT_EQ("Please Check [HUBModule] setting\n", os_.Screen());
}

TEST_F(Selection, AHubAtDepthZeroAlwaysTakesModuleOne) {
  SetModules({{0, 0, "A.BIN"}, {0, 4, "B.BIN"}});
  for (const char* name : {"B.BIN", "A.BIN"}) AddImage(name, LongImage());
  hub_.Depth = 0;
  hub_.ConnectionPortIndex = 4;
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\A.BIN", Path());
}

TEST_F(Selection, TheFirstMatchingModuleWins) {
  SetModules({{0, 0, "A.BIN"}, {1, 1, "B.BIN"}, {1, 1, "C.BIN"}});
  for (const char* name : {"C.BIN", "B.BIN"}) AddImage(name, LongImage());
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\B.BIN", Path());
}

TEST_F(Selection, OnlyHubNumberModulesAreWalked) {
  SetModules({{0, 0, "A.BIN"}, {3, 3, "B.BIN"}, {1, 1, "C.BIN"}});
  AddImage("C.BIN", LongImage());
  state().HubNumber = 2;
  EXPECT_FALSE(Select());
  EXPECT_EQ("Please Check [HUBModule] setting\n", os_.Screen());
}

TEST_F(Selection, AListShorterThanHubNumberEndsTheWalk) {
  SetModules({{0, 0, "A.BIN"}, {3, 3, "B.BIN"}});
  state().HubNumber = 5;
  EXPECT_FALSE(Select());
  EXPECT_EQ("Please Check [HUBModule] setting\n", os_.Screen());
}

TEST_F(Selection, WithHubNumberOneNeitherPlaceNorNameCounts) {
  SetModules({{0, 0, "WANTED.BIN"}});
  hub_.Depth = 3;
  AddImage("OTHER.BIN", LongImage());
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\OTHER.BIN", Path());
  EXPECT_EQ("", os_.Screen());
}

// ---- Target lookup.

TEST_F(Selection, AHubMissingFromTheTableGetsTwoLinesAndNoFileIsOpened) {
  AddImage("A.BIN", LongImage());
  EXPECT_FALSE(Select(0x0BDA0411));
  EXPECT_EQ("This Firmware update tool is not support this HUB_Vid[BDA]_Pid[411]\n"
            "Please add this HUB info to SpiFlash.ini file\n",
            os_.Screen());
  EXPECT_EQ(0, os_.Searches());
  EXPECT_EQ(0, os_.OpenCount(".\\Binfile\\A.BIN"));
}

TEST_F(Selection, TheIdIsComparedInAll32Bits) {
  AddImage("A.BIN", LongImage());
  // Same product ID under another vendor.
  EXPECT_FALSE(Select(0x1A2C0D12));
  EXPECT_EQ("This Firmware update tool is not support this HUB_Vid[1A2C]_Pid[D12]\n"
            "Please add this HUB info to SpiFlash.ini file\n",
            os_.Screen());
}

TEST_F(Selection, TheFirstTableEntryForAnIdGivesTheImageId) {
  state().TargetIdCount = 0;
  AddTarget(0x11110001, 0x7777);
  AddTarget(kHubId, kImageId, 3);
  AddTarget(kHubId, 0x0D13, 2);
  AddImage("U2.BIN", LongImage(0x0D13));
  AddImage("U3.BIN", LongImage(kImageId));
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\U3.BIN", Path());
}

TEST_F(Selection, EntriesPastTheCountAreNotLookedAt) {
  state().TargetIdCount = 0;
  state().TargetIds[0] = TargetIdEntry{kHubId, kImageId, 3};
  AddImage("A.BIN", LongImage());
  EXPECT_FALSE(Select());
  EXPECT_NE(std::string::npos, os_.Screen().find("not support"));
}

TEST_F(Selection, NoEntryPastTheHundredthIsLookedAtWhateverTheCount) {
  // The library may hand back any count; the bytes after the table then
  // hold what would match.
  state().TargetIdCount = 0;
  for (int i = 0; i < kMaxTargetIds; ++i) AddTarget(0x11110000u + static_cast<uint32_t>(i), 0x7777);
  state().TargetIdCount = 255;
  const TargetIdEntry match{kHubId, kImageId, 3};
  std::memcpy(reinterpret_cast<uint8_t*>(LibraryHead(state())) +
                  offsetof(LibraryRecord, TargetIds) + sizeof state().TargetIds,
              &match, sizeof match);
  AddImage("A.BIN", LongImage());
  EXPECT_FALSE(Select());
  EXPECT_NE(std::string::npos, os_.Screen().find("not support"));
}

// ---- Directory search.

TEST_F(Selection, AMissingBinfileDirectoryIsAnError) {
  os_.AddFile("SpiFlash.ini", "");
  EXPECT_FALSE(Select());
  EXPECT_EQ("!!!Error searching directory\n", os_.Screen());
}

TEST_F(Selection, ABinfileWithoutBinEntriesIsAnError) {
  os_.AddFile(".\\Binfile\\readme.txt", LongImage());
  os_.AddFile(".\\Binfile\\A.BIN.old", LongImage());
  EXPECT_FALSE(Select());
  EXPECT_EQ("!!!Error searching directory\n", os_.Screen());
}

TEST_F(Selection, LowerCaseExtensionsAreFoundAndTheNameIsKeptAsFound) {
  AddImage("fw.bin", LongImage());
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\fw.bin", Path());
}

TEST_F(Selection, NoPassingEntryEndsSilently) {
  AddImage("A.BIN", LongImage(0x1111));
  AddImage("B.BIN", LongImage(0x2222));
  EXPECT_FALSE(Select());
  EXPECT_EQ("", os_.Screen());
}

TEST_F(Selection, TheFirstPassingEntryInDirectoryOrderIsChosen) {
  for (uint8_t modules : {0, 1}) {
    os_ = FakePlatform();
    if (modules) SetModules({{0, 0, "A.BIN"}});
    AddImage("Z.BIN", LongImage(0x1111));
    AddImage("M.BIN", LongImage());
    AddImage("A.BIN", LongImage());
    EXPECT_TRUE(Select()) << "HubNumber " << int(state().HubNumber);
    EXPECT_EQ(".\\Binfile\\M.BIN", Path());
    // The search ends with the chosen entry.
    EXPECT_EQ(0, os_.OpenCount(".\\Binfile\\A.BIN"));
  }
}

TEST_F(Selection, EveryCallSearchesAfresh) {
  AddImage("A.BIN", LongImage());
  EXPECT_TRUE(Select());
  EXPECT_TRUE(Select());
  EXPECT_EQ(2, os_.Searches());
  EXPECT_EQ(2, os_.OpenCount(".\\Binfile\\A.BIN"));
}

TEST_F(Selection, TheLongestNameFillsThePathBuffer) {
  std::string name = std::string(255, 'N') + ".BIN";
  AddImage(name, LongImage());
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\" + name, Path());
  EXPECT_EQ(269u, Path().size());
  EXPECT_EQ('\0', path_[269]);
}

TEST_F(Selection, ANameOneCharacterLongerThanThePathBufferIsPassedOver) {
  AddImage(std::string(256, 'N') + ".BIN", LongImage());
  AddImage("A.BIN", LongImage());
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\A.BIN", Path());
  // Nothing cut to fit is opened, nor said to be unopenable.
  EXPECT_EQ("", os_.Screen());
}

// ---- Opening, and the size rule.

TEST_F(Selection, AnEntryThatCannotBeOpenedIsReportedWithoutALineEnd) {
  os_.AddUnopenableFile(".\\Binfile\\LOCKED.BIN");
  AddImage("A.BIN", LongImage());
  EXPECT_TRUE(Select());
  EXPECT_EQ("!!!Error opening file faile:  LOCKED.BIN", os_.Screen());
  EXPECT_EQ(".\\Binfile\\A.BIN", Path());
}

TEST_F(Selection, AWronglySizedFixedSizeImageIsIllegalAndSkipped) {
  AddImage("BAD.BIN", Image(0x0D12, 0x00, 28800));
  AddImage("GOOD.BIN", LongImage());
  EXPECT_TRUE(Select());
  EXPECT_EQ("\nWarning !!!BAD.BIN bin file is illgal...\n", os_.Screen());
  EXPECT_EQ(".\\Binfile\\GOOD.BIN", Path());
}

TEST_F(Selection, TheSizeRuleFollowsTheLayout) {
  // Long layout at 28848, short at 28801: both legal, neither reported.
  AddImage("LONG.BIN", Image(0x0D12, 0x08, 28848));
  AddImage("SHORT.BIN", Image(0x0D12, 0x00, 28801));
  // Each at the other's size: both illegal.
  AddImage("LONG2.BIN", Image(0x0D12, 0x80, 28801));
  AddImage("SHORT2.BIN", Image(0x0D12, 0x04, 28848));
  hub_.ChipRevision = 0x20;  // nothing passes the chip test
  EXPECT_FALSE(Select());
  EXPECT_EQ("\nWarning !!!LONG2.BIN bin file is illgal...\n"
            "\nWarning !!!SHORT2.BIN bin file is illgal...\n",
            os_.Screen());
}

TEST_F(Selection, OtherImageFamiliesAreNeverIllegal) {
  AddImage("A.BIN", Image(0x0D13, 0x00, 28800));
  AddImage("B.BIN", Image(0x0D13, 0x08, 10));
  AddImage("C.BIN", Image(0x120D, 0x00, 5));
  EXPECT_FALSE(Select());
  EXPECT_EQ("", os_.Screen());
}

TEST_F(Selection, TheIllegalWarningComesInEveryCallForEveryHub) {
  AddTarget(0x1A2B0D13, 0x0D13);
  AddImage("BAD.BIN", Image(0x0D12, 0x08, 28801));
  AddImage("A.BIN", LongImage(0x0D13));
  AddImage("B.BIN", LongImage());
  EXPECT_TRUE(Select(0x1A2B0D13));
  EXPECT_EQ(".\\Binfile\\A.BIN", Path());
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\B.BIN", Path());
  EXPECT_EQ("\nWarning !!!BAD.BIN bin file is illgal...\n"
            "\nWarning !!!BAD.BIN bin file is illgal...\n",
            os_.Screen());
}

TEST_F(Selection, MessagesOfSeveralEntriesFollowTheDirectoryOrder) {
  AddImage("BAD.BIN", Image(0x0D12, 0x00, 100));
  os_.AddUnopenableFile(".\\Binfile\\LOCKED.BIN");
  AddImage("WRONG.BIN", LongImage(0x4444));
  AddImage("GOOD.BIN", LongImage());
  EXPECT_TRUE(Select());
  EXPECT_EQ("\nWarning !!!BAD.BIN bin file is illgal...\n"
            "!!!Error opening file faile:  LOCKED.BIN",
            os_.Screen());
}

// ---- The two short-format models.

TEST_F(Selection, ShortFormatModelsNeedOnlyTheIdentifier) {
  for (uint32_t model : {0x3A170415u, 0x3A170416u}) {
    os_ = FakePlatform();
    AddTarget(model, 0x0415);
    state().StringCompare = 1;
    hub_.ChipRevision = 0x20;
    hub_.ChipOptions = 0x00;
    SetHubString(hub_.ProductString, "Nothing alike");
    AddImage("OTHER.BIN", Image(0x0416, 0x00, 10));
    AddImage("ANY.BIN", Image(0x0415, 0xFF, 10));
    EXPECT_TRUE(Select(model)) << std::hex << model;
    EXPECT_EQ(".\\Binfile\\ANY.BIN", Path());
    // The same image for an ordinary hub with that identifier fails.
    AddTarget(0x3A170417, 0x0415);
    EXPECT_FALSE(Select(0x3A170417));
    state().TargetIdCount -= 2;
  }
}

TEST_F(Selection, ShortFormatModelsStillTakeTheNameTest) {
  AddTarget(0x3A170415, 0x0415);
  SetModules({{0, 0, "A.BIN"}, {1, 1, "WANTED.BIN"}});
  AddImage("A.BIN", Image(0x0415, 0x00, 10));
  AddImage("WANTED.BIN", Image(0x0415, 0x00, 10));
  EXPECT_TRUE(Select(0x3A170415));
  EXPECT_EQ(".\\Binfile\\WANTED.BIN", Path());
}

TEST_F(Selection, ShortFormatModelsStillTakeTheSizeRule) {
  AddTarget(0x3A170415, 0x0D12);
  AddImage("A.BIN", Image(0x0D12, 0x00, 10));
  EXPECT_FALSE(Select(0x3A170415));
  EXPECT_EQ("\nWarning !!!A.BIN bin file is illgal...\n", os_.Screen());
}

// ---- String test.

TEST_F(Selection, WithoutStringCompareTheStringsAreNotRead) {
  AddImage("A.BIN", LongImage(kImageId, "Someone Else", "Another", "Another"));
  EXPECT_TRUE(Select());
  EXPECT_EQ(4u, os_.BytesRead(".\\Binfile\\A.BIN"));
}

// Any value but 0 switches the string test on.
class StringCompareSwitch : public Selection, public ::testing::WithParamInterface<int32_t> {};

TEST_P(StringCompareSwitch, NeedsManufacturerAndOneProduct) {
  state().StringCompare = GetParam();
  AddImage("MAKER.BIN", LongImage(kImageId, "Someone Else", "USB3.0 Hub", "USB3.0 Hub"));
  AddImage("PRODUCT.BIN", LongImage(kImageId, "Maker Inc.", "Another", "Another"));
  AddImage("SECOND.BIN", LongImage(kImageId, "Maker Inc.", "Another", "USB3.0 Hub"));
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\SECOND.BIN", Path());
}

INSTANTIATE_TEST_SUITE_P(Selection, StringCompareSwitch, ::testing::Values(1, 2, -1),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                           return "StringCompare" + SignedName(info.param);
                         });

TEST_F(Selection, AUsb2HubSkipsTheManufacturerButNotTheProduct) {
  state().StringCompare = 1;
  AddImage("A.BIN", LongImage(kImageId, "Someone Else", "USB3.0 Hub"));
  hub_.UsbVersion = 0x03;
  EXPECT_FALSE(Select());
  hub_.UsbVersion = 0x02;
  EXPECT_TRUE(Select());
  hub_.UsbVersion = 0x12;  // only the low four bits count
  EXPECT_TRUE(Select());
  SetHubString(hub_.ProductString, "Another");
  EXPECT_FALSE(Select());
}

TEST_F(Selection, StringsAreComparedAsRawBytesOverTheirLengths) {
  state().StringCompare = 1;
  // Bytes after the terminator take part.
  std::string product("USB3.0 Hub\0X", 12);
  std::memcpy(hub_.ProductString, product.data(), product.size());
  AddImage("A.BIN", LongImage());
  AddImage("B.BIN", LongImage(kImageId, "Maker Inc.", std::string("USB3.0 Hub\0Y", 12)));
  AddImage("C.BIN", LongImage(kImageId, "Maker Inc.", product));
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\C.BIN", Path());
}

TEST_F(Selection, OnlyTheFirst30And36BytesAreCompared) {
  state().StringCompare = 1;
  std::memset(hub_.ManufacturerString, 'M', sizeof hub_.ManufacturerString);
  std::memset(hub_.ProductString, 'P', sizeof hub_.ProductString);
  AddImage("A.BIN",
           LongImage(kImageId, std::string(30, 'M') + "xx", std::string(36, 'P') + "yy", ""));
  EXPECT_TRUE(Select());
  // One byte short of each: no match.
  os_ = FakePlatform();
  AddImage("B.BIN", LongImage(kImageId, std::string(29, 'M'), std::string(36, 'P')));
  AddImage("C.BIN", LongImage(kImageId, std::string(30, 'M'), std::string(35, 'P')));
  EXPECT_FALSE(Select());
}

TEST_F(Selection, TheShortLayoutKeepsItsStringsAtItsOwnOffsets) {
  state().StringCompare = 1;
  hub_.ChipRevision = 0xB3;
  hub_.ChipOptions = 0x20;
  // The long layout's places.
  AddImage("LONGPLACES.BIN", ImageBuilder(kImageId, 0x04)
                                 .ShortSignature()
                                 .At(28704, "Maker Inc.")
                                 .At(28752, "USB3.0 Hub")
                                 .Bytes());
  AddImage("SHORT.BIN", ShortImage(kImageId, "Maker Inc.", "Another", "USB3.0 Hub"));
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\SHORT.BIN", Path());
  EXPECT_EQ("", os_.Screen());
}

// ---- Compatibility rules through selection.

TEST_F(Selection, AChipRevisionOutsideTheRulesAcceptsNoImageAndSaysNothing) {
  hub_.ChipRevision = 0x20;
  for (uint8_t flags : {0x00, 0x04, 0x08, 0x0C, 0x80, 0x84}) {
    AddImage("F" + std::to_string(flags) + ".BIN", Image(0x1234, flags, 28801));
  }
  state().TargetIds[0].ImageId = 0x1234;
  EXPECT_FALSE(Select());
  EXPECT_EQ("", os_.Screen());
}

TEST_F(Selection, Rule6TakesTheSignatureWordAt8044) {
  hub_.ChipRevision = 0xB3;
  hub_.ChipOptions = 0x20;
  AddImage("WRONGWORD.BIN", ShortImageBuilder(kImageId, "Maker Inc.", "USB3.0 Hub", "Other Hub")
                                .At(ImageBuilder::kShortVersionAt, "\x11\x90")
                                .Bytes());
  AddImage("RIGHTWORD.BIN", ShortImage());
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\RIGHTWORD.BIN", Path());
}

TEST_F(Selection, Chip10WithAllOptionsTakesOnlyTheOptionBitWithoutBit3) {
  hub_.ChipRevision = 0x10;
  hub_.ChipOptions = 0x30;
  state().TargetIds[0].ImageId = 0x1234;
  AddImage("F0C.BIN", Image(0x1234, 0x0C, 28848));
  AddImage("F00.BIN", Image(0x1234, 0x00, 28801));
  AddImage("F04.BIN", Image(0x1234, 0x04, 28801));
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\F04.BIN", Path());
}

// ---- Name test.

TEST_F(Selection, TheNameMustMatchInLetterCase) {
  SetModules({{0, 0, "fw.bin"}, {2, 2, "OTHER.BIN"}});
  hub_.Depth = 0;
  AddImage("FW.BIN", LongImage());
  EXPECT_FALSE(Select());
  EXPECT_EQ("", os_.Screen());
}

TEST_F(Selection, WithModulesTheWantedNameBeatsEarlierPassingEntries) {
  SetModules({{0, 0, "A.BIN"}, {1, 1, "B.BIN"}});
  AddImage("A.BIN", LongImage());
  AddImage("B.BIN", LongImage());
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\B.BIN", Path());
}

TEST_F(Selection, ANameWithABlankNeverPasses) {
  // The settings keep only the first word of a wanted name.
  SetModules({{0, 0, "My"}, {1, 1, "My"}});
  AddImage("My File.BIN", LongImage());
  EXPECT_FALSE(Select());
}

TEST_F(Selection, TheWantedNameMustStillPassEveryOtherTest) {
  SetModules({{0, 0, "A.BIN"}, {1, 1, "B.BIN"}});
  AddImage("B.BIN", LongImage(0x1111));
  AddImage("A.BIN", LongImage());
  EXPECT_FALSE(Select());
}

// ---- Short and empty images, and what is read.

TEST_F(Selection, ImagesShorterThanTheirHeaderMatchNothing) {
  AddTarget(0x3A170415, 0x0415);
  AddImage("EMPTY.BIN", "");
  AddImage("TWO.BIN", std::string("\x04\x15", 2));
  AddImage("THREE.BIN", std::string("\x04\x15\x00", 3));
  EXPECT_FALSE(Select(0x3A170415));
  EXPECT_EQ("", os_.Screen());
}

TEST_F(Selection, AShortFixedSizeImageIsIllegal) {
  AddImage("TWO.BIN", std::string("\x0D\x12", 2));
  AddImage("THREE.BIN", std::string("\x0D\x12\x08", 3));
  AddImage("ONE.BIN", std::string("\x0D", 1));
  EXPECT_FALSE(Select());
  EXPECT_EQ("\nWarning !!!TWO.BIN bin file is illgal...\n"
            "\nWarning !!!THREE.BIN bin file is illgal...\n",
            os_.Screen());
}

TEST_F(Selection, FieldsTheImageDoesNotHaveNeverMatch) {
  // A chip-10 hub whose strings are all zero bytes: missing bytes must not
  // be taken for zeros.
  hub_.ChipRevision = 0x10;
  hub_.ChipOptions = 0x00;
  std::memset(hub_.ManufacturerString, 0, sizeof hub_.ManufacturerString);
  std::memset(hub_.ProductString, 0, sizeof hub_.ProductString);
  state().TargetIds[0].ImageId = 0x1234;
  state().StringCompare = 1;
  AddImage("ENDS_BEFORE.BIN", Image(0x1234, 0x00, 28699));
  AddImage("ENDS_IN_MAKER.BIN", Image(0x1234, 0x00, 28699 + 29));
  AddImage("ENDS_IN_PRODUCT.BIN", Image(0x1234, 0x00, 28729 + 35));
  AddImage("ENDS_IN_SECOND.BIN",
           ImageBuilder(0x1234, 0x00).Size(28765 + 35).Product1("not this one").Bytes());
  EXPECT_FALSE(Select());

  // A USB 2 hub skips the manufacturer, not the product.
  hub_.UsbVersion = 0x02;
  EXPECT_FALSE(Select());
  EXPECT_EQ("", os_.Screen());

  // With its last byte the product field matches.
  AddImage("WHOLE.BIN", Image(0x1234, 0x00, 28729 + 36));
  EXPECT_TRUE(Select());
  EXPECT_EQ(".\\Binfile\\WHOLE.BIN", Path());
}

TEST_F(Selection, ARejectedImageIsReadOnlyAsFarAsItsFailingTest) {
  state().StringCompare = 1;
  AddImage("WRONGID.BIN", LongImage(0x4444));
  AddImage("WRONGMAKER.BIN", LongImage(kImageId, "Someone Else"));
  AddImage("ILLEGAL.BIN", Image(0x0D12, 0x08, 28000));
  EXPECT_FALSE(Select());
  EXPECT_EQ(4u, os_.BytesRead(".\\Binfile\\WRONGID.BIN"));
  EXPECT_EQ(4u + 30u, os_.BytesRead(".\\Binfile\\WRONGMAKER.BIN"));
  EXPECT_EQ(4u, os_.BytesRead(".\\Binfile\\ILLEGAL.BIN"));
}

TEST_F(Selection, AHugeImageIsNeverReadWhole) {
  state().TargetIds[0].ImageId = 0x1234;
  state().StringCompare = 1;
  std::string head = LongImage(0x1234);
  os_.AddSparseFile(".\\Binfile\\HUGE.BIN", uint64_t{1} << 30, head);
  EXPECT_TRUE(Select());
  EXPECT_LE(os_.BytesRead(".\\Binfile\\HUGE.BIN"), 4u + 30u + 36u);
}

// ---- Verdicts: the first failed test of each image and what it compared.

TEST_F(Selection, EachImageGetsTheVerdictOfItsFirstFailedTest) {
  state().StringCompare = 1;
  Wanted wanted;
  ASSERT_EQ(SelectionTest::kPassed, WantedImage(state(), kHubId, hub_, &wanted).failed);
  EXPECT_EQ(kImageId, wanted.imageId);
  EXPECT_EQ(nullptr, wanted.fileName);

  std::string product = LongImage(kImageId, "Maker Inc.", "USB3.0 Hux", "XSB3.0 Hub!");
  const struct {
    const char* name;
    std::string bytes;
    SelectionTest failed;
  } cases[] = {
      {"SIZE.BIN", Image(0x0D12, 0x08, 28000), SelectionTest::kSizeRule},
      {"SHORT.BIN", std::string("\x0D\x13\x08", 3), SelectionTest::kHeaderTooShort},
      {"ID.BIN", LongImage(0x4444), SelectionTest::kImageId},
      {"MAKER.BIN", LongImage(kImageId, "Maker Inc,"), SelectionTest::kManufacturer},
      {"PRODUCT.BIN", product, SelectionTest::kProduct},
      {"CHIP.BIN",
       [] {
         std::string image = LongImage();
         image[2] = 0x08;  // bit 3 without bit 2: no rule for options 0x30
         return image;
       }(),
       SelectionTest::kNoCompatibilityRule},
      {"GOOD.BIN", LongImage(), SelectionTest::kPassed},
  };
  for (const auto& c : cases) {
    AddImage(c.name, c.bytes);
    std::string path = std::string(".\\Binfile\\") + c.name;
    std::unique_ptr<ByteSource> image = os_.OpenForRead(path.c_str());
    Verdict verdict = JudgeImage(state(), wanted, hub_, c.name, *image, image->Size());
    EXPECT_EQ(c.failed, verdict.failed) << c.name;
    EXPECT_EQ(c.bytes.size(), verdict.size) << c.name;

    if (c.failed == SelectionTest::kHeaderTooShort) {
      EXPECT_EQ(3u, verdict.headerLength);
    }
    if (c.failed == SelectionTest::kImageId) {
      EXPECT_EQ(0x4444, verdict.imageId);
      EXPECT_EQ(kImageId, verdict.wantedImageId);
    }
    if (c.failed == SelectionTest::kManufacturer) {
      EXPECT_TRUE(verdict.manufacturer.present);
      EXPECT_EQ(9, verdict.manufacturer.difference);
      EXPECT_EQ(',', verdict.manufacturer.imageByte);
      EXPECT_EQ('.', verdict.manufacturer.hubByte);
    }
    if (c.failed == SelectionTest::kProduct) {
      EXPECT_EQ(9, verdict.product[0].difference);
      EXPECT_EQ('x', verdict.product[0].imageByte);
      EXPECT_EQ(0, verdict.product[1].difference);
      EXPECT_EQ('X', verdict.product[1].imageByte);
    }
    if (c.failed == SelectionTest::kNoCompatibilityRule) {
      EXPECT_EQ(0xB2, verdict.chipRevision);
      EXPECT_EQ(0x30, verdict.chipOptions);
      EXPECT_EQ(0x08, verdict.flags);
    }
    if (c.failed == SelectionTest::kPassed) {
      EXPECT_EQ(3, verdict.rule);
    }
  }
}

TEST_F(Selection, HubVerdictsNameThePlaceAndTheWantedName) {
  SetModules({{0, 0, "A.BIN"}, {2, 3, "Good.BIN"}});
  hub_.Depth = 2;
  hub_.ConnectionPortIndex = 4;
  Wanted wanted;
  Verdict verdict = WantedImage(state(), kHubId, hub_, &wanted);
  EXPECT_EQ(SelectionTest::kModulePlace, verdict.failed);
  EXPECT_EQ(2, verdict.depth);
  EXPECT_EQ(4, verdict.connectionPortIndex);

  hub_.ConnectionPortIndex = 3;
  ASSERT_EQ(SelectionTest::kPassed, WantedImage(state(), kHubId, hub_, &wanted).failed);
  EXPECT_STREQ("Good.BIN", wanted.fileName);
  AddImage("GOOD.BIN", LongImage());
  std::unique_ptr<ByteSource> image = os_.OpenForRead(".\\Binfile\\GOOD.BIN");
  verdict = JudgeImage(state(), wanted, hub_, "GOOD.BIN", *image, image->Size());
  EXPECT_EQ(SelectionTest::kFileName, verdict.failed);
  EXPECT_STREQ("Good.BIN", verdict.wantedName);

  EXPECT_EQ(SelectionTest::kHubIdNotInSettings,
            WantedImage(state(), kHubId + 1, hub_, &wanted).failed);
}

}  // namespace
