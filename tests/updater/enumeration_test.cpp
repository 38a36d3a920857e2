// Asking the library for the hubs, the HUBNumber rule, and the device list
// as the console shows it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "enumeration.h"
#include "fake_hub_library.h"
#include "fake_platform.h"
#include "hub_builders.h"
#include "printer.h"
#include "run_state.h"

namespace {

class Enumeration : public ::testing::Test {
 protected:
  Enumeration() : state_(std::make_unique<UpdaterState>()) { out_.TakeConsoleHandle(); }

  bool Enumerate() { return EnumerateDevices(*state_, out_, library_); }

  void AddHubs(int count) {
    for (int i = 0; i < count; ++i) {
      library_.hubs.push_back(MakeHub(0x1A2B, static_cast<uint16_t>(0x0100 + i),
                                      static_cast<uint16_t>(0x0A20 + i),
                                      static_cast<uint8_t>(i + 1)));
    }
  }

  UpdaterState& state() { return *state_; }

  FakePlatform os_;
  FakeHubLibrary library_;
  std::unique_ptr<UpdaterState> state_;
  Printer out_{os_};
};

// ---- The count line and the two version formats.

TEST_F(Enumeration, OneHubIsListedWithTheSingularWordAndTwoBlanks) {
  library_.hubs.push_back(MakeHub(0x1A2B, 0x0D12, 0x0A21, 1));
  EXPECT_TRUE(Enumerate());
  EXPECT_EQ("1 device  found:\n"
            "(1)Depth = 1, V/PID = 1A2B/0D12, FW Version = 0A21  \r\n",
            os_.Screen());
}

TEST_F(Enumeration, ThreeHubsAreListedInTheLibrarysOrderUnderTheirNumber) {
  library_.hubs.push_back(MakeHub(0x3A17, 0x0415, 0x9013, 2));
  library_.hubs.push_back(MakeHub(0x0BDA, 0x0411, 0x0003, 1));
  library_.hubs.push_back(MakeHub(0x3A17, 0x0416, 0xF0AB, 3));
  state().HubNumber = 3;
  EXPECT_TRUE(Enumerate());
  EXPECT_EQ("3 devices found:\n"
            "(1)Depth = 2, V/PID = 3A17/0415, FW Version = V1.39 \r\n"
            "(2)Depth = 1, V/PID = 0BDA/0411, FW Version = 0003  \r\n"
            "(3)Depth = 3, V/PID = 3A17/0416, FW Version = VA.BF \r\n",
            os_.Screen());
}

TEST_F(Enumeration, ShortFormatDependsOnTheProductIdAloneAndHidesBits8To11) {
  // Two versions that differ only in bits 8 to 11 look the same.
  library_.hubs.push_back(MakeHub(0x1234, 0x0416, 0x9013, 1));
  library_.hubs.push_back(MakeHub(0x3A17, 0x0415, 0x9F13, 1));
  // The same vendor with another product: four digits.
  library_.hubs.push_back(MakeHub(0x3A17, 0x0417, 0x9013, 1));
  EXPECT_TRUE(Enumerate());
  EXPECT_EQ("3 devices found:\n"
            "(1)Depth = 1, V/PID = 1234/0416, FW Version = V1.39 \r\n"
            "(2)Depth = 1, V/PID = 3A17/0415, FW Version = V1.39 \r\n"
            "(3)Depth = 1, V/PID = 3A17/0417, FW Version = 9013  \r\n",
            os_.Screen());
}

TEST_F(Enumeration, IdsAndVersionKeepLeadingZerosAndDepthIsDecimal) {
  library_.hubs.push_back(MakeHub(0x000A, 0x00B1, 0x0000, 200));
  EXPECT_TRUE(Enumerate());
  EXPECT_EQ("1 device  found:\n"
            "(1)Depth = 200, V/PID = 000A/00B1, FW Version = 0000  \r\n",
            os_.Screen());
}

TEST_F(Enumeration, TwoHubsTakeThePluralWord) {
  AddHubs(2);
  EXPECT_TRUE(Enumerate());
  EXPECT_EQ(0u, os_.Screen().find("2 devices found:\n(1)"));
}

// ---- The library call and the Depth bytes.

TEST_F(Enumeration, ClearsEveryDepthAndOnlyTheDepthsBeforeAskingTheLibrary) {
  for (HubDeviceInfo& hub : state().Devices) {
    std::memset(&hub, 0x77, sizeof hub);
  }
  library_.hubs.push_back(MakeHub(0x1A2B, 0x0D12, 0x0001, 0));
  library_.reportedCount = 0;
  EXPECT_FALSE(Enumerate());
  // Slot 0 was written by the library; the other slots keep every byte but
  // their Depth.
  for (int k = 1; k < kMaxDevices; ++k) {
    const HubDeviceInfo& hub = state().Devices[k];
    EXPECT_EQ(0, hub.Depth) << "slot " << k;
    EXPECT_EQ(0x77, hub.ConnectionPortIndex) << "slot " << k;
    EXPECT_EQ(0x77, hub.ChipRevision) << "slot " << k;
    EXPECT_EQ(0x7777, +hub.VendorId) << "slot " << k;
  }
  EXPECT_EQ(std::vector<std::string>{"TA_GetEnumInfo"}, library_.calls);
}

TEST_F(Enumeration, TheLibraryFillsTheCountAndTheTableBehindIt) {
  AddHubs(3);
  EXPECT_TRUE(Enumerate());
  EXPECT_EQ(3, state().DeviceCount);
  EXPECT_EQ(0x0102, +state().Devices[2].ProductId);
  EXPECT_EQ(3, state().Devices[2].Depth);
}

// ---- Refusals.

TEST_F(Enumeration, NoHubIsReportedInRedThenTheNormalColour) {
  EXPECT_FALSE(Enumerate());
  EXPECT_EQ("{0C}!!!No device found!\n{07}", os_.Screen());
}

TEST_F(Enumeration, NoDeviceColoursGoToTheConsoleHandle) {
  Printer untaken(os_);
  EXPECT_FALSE(EnumerateDevices(state(), untaken, library_));
  EXPECT_EQ("{0C@other}!!!No device found!\n{07@other}", os_.Screen());
}

TEST_F(Enumeration, NoHubUnderAnyHubNumberIsStillReportedInRed) {
  state().HubNumber = 2;
  EXPECT_FALSE(Enumerate());
  EXPECT_EQ("{0C}!!!No device found!\n{07}", os_.Screen());
}

TEST_F(Enumeration, AHubCountOtherThanHubNumberIsRefusedSilently) {
  // More hubs than HUBNumber, fewer, and two under a HUBNumber of 1, which
  // is a count like any other, not "any number".
  struct {
    uint8_t hubNumber;
    int hubs;
  } const cases[] = {{2, 3}, {2, 1}, {1, 2}};
  for (const auto& c : cases) {
    FakePlatform os;
    FakeHubLibrary library;
    for (int i = 0; i < c.hubs; ++i) {
      library.hubs.push_back(MakeHub(0x1A2B, 0x0D12, 0x0001, static_cast<uint8_t>(i + 1)));
    }
    state().HubNumber = c.hubNumber;
    Printer out(os);
    EXPECT_FALSE(EnumerateDevices(state(), out, library)) << c.hubs << " under " << +c.hubNumber;
    EXPECT_EQ("", os.Screen()) << c.hubs << " under " << +c.hubNumber;
  }
}

TEST_F(Enumeration, ACountOfZeroWithAFirstDepthIsRefusedSilently) {
  AddHubs(1);
  library_.reportedCount = 0;
  EXPECT_FALSE(Enumerate());
  EXPECT_EQ("", os_.Screen());
}

TEST_F(Enumeration, HubsAtDepthZeroThatDoNotMatchHubNumberCountAsNoDevice) {
  // Only the first Depth tells a refused table from an empty one.
  library_.hubs.push_back(MakeHub(0x1A2B, 0x0D12, 0x0001, 0));
  library_.hubs.push_back(MakeHub(0x1A2B, 0x0D12, 0x0001, 1));
  state().HubNumber = 3;
  EXPECT_FALSE(Enumerate());
  EXPECT_EQ("{0C}!!!No device found!\n{07}", os_.Screen());
}

TEST_F(Enumeration, AHubNumberEqualToTheCountAccepts) {
  AddHubs(2);
  state().HubNumber = 2;
  EXPECT_TRUE(Enumerate());
  EXPECT_EQ(0u, os_.Screen().find("2 devices found:\n"));
}

// ---- A library that claims more hubs than the table holds.

TEST_F(Enumeration, MoreThanSixteenHubsAreListedAsSixteen) {
  AddHubs(20);
  library_.reportedCount = 20;
  EXPECT_TRUE(Enumerate());
  std::string expected = "16 devices found:\n";
  for (int i = 0; i < 16; ++i) {
    char line[96];
    std::snprintf(line, sizeof line, "(%d)Depth = %d, V/PID = 1A2B/%04X, FW Version = %04X  \r\n",
                  i + 1, i + 1, 0x0100 + i, 0x0A20 + i);
    expected += line;
  }
  EXPECT_EQ(expected, os_.Screen());
  // The library's own count stays as it wrote it.
  EXPECT_EQ(20, state().DeviceCount);
}

TEST_F(Enumeration, MoreThanSixteenHubsMeetAHubNumberOfSixteen) {
  AddHubs(20);
  library_.reportedCount = 20;
  state().HubNumber = 16;
  EXPECT_TRUE(Enumerate());
  EXPECT_EQ(0u, os_.Screen().find("16 devices found:\n"));
}

TEST_F(Enumeration, MoreThanSixteenHubsDoNotMeetTheirOwnCountAsHubNumber) {
  AddHubs(20);
  library_.reportedCount = 20;
  state().HubNumber = 20;
  EXPECT_FALSE(Enumerate());
  EXPECT_EQ("", os_.Screen());
}

TEST_F(Enumeration, ACountOf255ListsSixteenAndReadsNothingPastTheTable) {
  AddHubs(16);
  library_.reportedCount = 255;
  // Whatever lies behind the table must not show up in the list.
  std::memset(state().Reserved, 0x41, sizeof state().Reserved);
  EXPECT_TRUE(Enumerate());
  EXPECT_EQ(0u, os_.Screen().find("16 devices found:\n"));
  EXPECT_EQ(std::string::npos, os_.Screen().find("(17)"));
}

}  // namespace
