#include "simulator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include <unistd.h>

#include "hub_description.h"
#include "image_builder.h"
#include "sample_capture.h"

namespace sim {
namespace {

std::string Slurp(const std::string& path);

// A clock that only waiting moves, so the call log's times are exact.
class FakeSimPlatform : public SimPlatform {
 public:
  void Sleep(uint32_t ms) override {
    sleeps.push_back(ms);
    if (!watched.empty()) seenWhileWaiting.push_back(Slurp(watched));
    now += ms;
  }
  uint64_t NowMs() override { return now; }
  bool ReplaceFile(const std::string& from, const std::string& to) override {
    if (replacesLeft == 0) return false;
    if (replacesLeft > 0) --replacesLeft;
    return std::rename(from.c_str(), to.c_str()) == 0;
  }
  void Warn(const std::string& line) override { warnings.push_back(line); }

  uint64_t now = 1000;
  int replacesLeft = -1;  // -1: every replacement succeeds
  std::vector<uint32_t> sleeps;
  std::vector<std::string> warnings;
  std::string watched;  // a file whose contents every wait records
  std::vector<std::string> seenWhileWaiting;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void Spill(const std::string& path, const std::string& data) {
  std::ofstream(path, std::ios::binary) << data;
}

// The library's view of the updater's record head, by raw offsets.
struct Head {
  uint8_t bytes[22336] = {};
  uint8_t* deviceCount() { return bytes + 701; }
  uint8_t* record(int k) { return bytes + 702 + 676 * k; }
  uint16_t word(int k, int offset) { return record(k)[offset] | (record(k)[offset + 1] << 8); }
  void addTarget(uint32_t hubId, uint16_t imageId, uint8_t generation) {
    uint8_t* entry = bytes + 1 + 7 * bytes[0]++;
    std::memcpy(entry, &hubId, 4);
    std::memcpy(entry + 4, &imageId, 2);
    entry[6] = generation;
  }
};

// An image with the given flags, the version word at the offset its layout
// uses, and `size` bytes.
std::string Image(uint8_t flags, uint16_t word, size_t size = ImageBuilder::kLongSize) {
  return ImageBuilder(0x0D12, flags).Size(size).Fill('\x5A').Version(word).Bytes();
}

const char kTwoHubs[] =
    "[Library]\n"
    "Version=2024A1B2\n"
    "[Hub1]\n"
    "VendorId=3A17\nProductId=0415\nFirmwareVersion=9012\nDepth=1\nConnectionPortIndex=3\n"
    "ChipRevision=B3\nChipOptions=20\nUsbVersion=02\nManufacturer=Quillet\nProduct=Hub\n"
    "UpdateMilliseconds=1500\n"
    "[Hub2]\n"
    "VendorId=1D5C\nProductId=5510\nFirmwareVersion=0101\nDepth=2\nConnectionPortIndex=4\n"
    "UpdateMilliseconds=250\n";

// A description with `lines` added to its [Library] section.
std::string WithLibrary(const char* description, const std::string& lines) {
  std::string text = description;
  return text.insert(text.find("[Hub1]"), lines);
}

class SimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tz415sim-test-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    dir = pattern;
    description = dir + "/TZ415Sim.ini";
    log = dir + "/calls.log";
  }
  void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

  // One run of the updater: a fresh process, so a fresh simulator.
  Simulator& NewRun() {
    simulator = std::make_unique<Simulator>(platform, description, log);
    return *simulator;
  }

  // Everything the simulator may change on disk.
  std::string DiskState() {
    return Slurp(description) + "|" + Slurp(dir + "/TZ415Sim.Hub1.flash") + "|" +
           Slurp(dir + "/TZ415Sim.Hub2.flash");
  }

  std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    std::istringstream in(Slurp(log));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  std::string dir, description, log;
  FakeSimPlatform platform;
  std::unique_ptr<Simulator> simulator;
  Head head;
};

TEST_F(SimulatorTest, EnumerationFillsTheRecordsByteForByte) {
  Spill(description, kTwoHubs);
  Simulator& s = NewRun();
  uint32_t version = 0;
  EXPECT_EQ(0, s.GetDllVersion(&version));
  EXPECT_EQ(0x2024A1B2u, version);
  std::memset(head.record(2), 0xEE, 676);  // past the reported hubs: untouched
  EXPECT_EQ(0, s.GetEnumInfo(head.deviceCount()));

  EXPECT_EQ(2, *head.deviceCount());
  uint8_t* hub = head.record(0);
  // The standard device descriptor at 255, bcdUSB high byte at 258.
  const uint8_t descriptor[18] = {18,   1,    0x00, 0x02, 9,    0, 1, 64, 0x17,
                                  0x3A, 0x15, 0x04, 0x12, 0x90, 1, 2, 0,  1};
  EXPECT_EQ(0, std::memcmp(descriptor, hub + 255, 18));
  EXPECT_EQ(0x3A17, head.word(0, 263));
  EXPECT_EQ(0x0415, head.word(0, 265));
  EXPECT_EQ(0x9012, head.word(0, 267));
  EXPECT_EQ(3, hub[529]);
  EXPECT_EQ(1, hub[530]);
  EXPECT_EQ(0xB3, hub[531]);
  EXPECT_EQ(0x20, hub[532]);
  EXPECT_EQ(0, std::memcmp("Quillet\0\0", hub + 533, 9));
  EXPECT_EQ(0, std::memcmp("Hub\0\0", hub + 579, 5));
  EXPECT_EQ(std::string(255, '\0'), std::string(reinterpret_cast<char*>(hub), 255));

  EXPECT_EQ(0x1D5C, head.word(1, 263));
  EXPECT_EQ(0x0101, head.word(1, 267));
  EXPECT_EQ(0x03, head.record(1)[258]);  // USB 3 by default
  EXPECT_EQ(3, head.record(1)[255 + 6]);
  EXPECT_EQ(9, head.record(1)[255 + 7]);
  EXPECT_EQ(2, head.record(1)[530]);
  EXPECT_EQ(4, head.record(1)[529]);
  EXPECT_EQ(std::string(676, '\xEE'), std::string(reinterpret_cast<char*>(head.record(2)), 676));
  EXPECT_TRUE(platform.warnings.empty());
}

// A capture of what some library listed, reserved stretches and all, is
// replayed as listed: the same count and version, and every byte of every
// record but the reserved ones, which come back as zero. Programming a
// captured hub succeeds, and leaves a capture that still reads.
TEST_F(SimulatorTest, ACaptureReplaysTheListedHubs) {
  std::vector<HubDeviceInfo> listed(3);
  for (size_t k = 0; k < listed.size(); ++k) {
    auto* bytes = reinterpret_cast<uint8_t*>(&listed[k]);
    for (size_t b = 0; b < sizeof listed[k]; ++b) bytes[b] = static_cast<uint8_t>(b * 7 + k);
  }
  hubdesc::CaptureInfo info = SampleCaptureInfo();
  info.libraryVersion = 0x20240101;
  for (int reported : {3, 20}) {
    SCOPED_TRACE(reported);
    std::string capture, error;
    ASSERT_TRUE(hubdesc::WriteCapture(info, reported, listed, &capture, &error)) << error;
    Spill(description, capture);
    Simulator& s = NewRun();
    uint32_t version = 0;
    s.GetDllVersion(&version);
    EXPECT_EQ(0x20240101u, version);
    s.GetEnumInfo(head.deviceCount());
    EXPECT_EQ(reported, *head.deviceCount());
    for (int k = 0; k < 3; ++k) {
      HubDeviceInfo expected = listed[k];
      std::memset(expected.Reserved0, 0, sizeof expected.Reserved0);
      std::memset(expected.Reserved1, 0, sizeof expected.Reserved1);
      std::memset(expected.Reserved2, 0, sizeof expected.Reserved2);
      EXPECT_EQ(0, std::memcmp(&expected, head.record(k), sizeof expected)) << "hub " << k;
    }
  }
  Spill(dir + "/a.bin", Image(0x08, 0x1234));
  Simulator& s = NewRun();
  s.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(0, s.UpdateISP(0, (dir + "/a.bin").c_str(), 0));
  hubdesc::HubDescription after;
  std::string error;
  ASSERT_TRUE(hubdesc::ParseHubDescription(Slurp(description), "after", &after, &error)) << error;
  EXPECT_TRUE(after.isCapture);
  EXPECT_EQ(0x1234, after.hubs[0].firmwareVersion);
  EXPECT_TRUE(platform.warnings.empty());
}

TEST_F(SimulatorTest, ReportedCountMayDifferFromTheHubsWritten) {
  Spill(description, WithLibrary(kTwoHubs, "ReportedCount=20\n"));
  Simulator& s = NewRun();
  std::memset(head.record(2), 0xEE, 676);
  s.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(20, *head.deviceCount());
  EXPECT_EQ(0x5510, head.word(1, 265));
  EXPECT_EQ(0xEE, head.record(2)[0]);
  // Only described hubs can be programmed.
  Spill(dir + "/a.bin", Image(0x08, 0x1234));
  EXPECT_EQ(kNoSuchHub, s.UpdateISP(2, (dir + "/a.bin").c_str(), 0));
}

TEST_F(SimulatorTest, RequireTargetIdsReportsOnlyListedHubs) {
  Spill(description, WithLibrary(kTwoHubs, "RequireTargetIds=1\n"));
  Simulator& s = NewRun();
  head.addTarget(0x3A170416, 0x0D12, 3);
  head.addTarget(0x1D5C5510, 0x0D12, 2);
  s.SetIniInfo(head.bytes);
  s.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(1, *head.deviceCount());
  EXPECT_EQ(0x5510, head.word(0, 265));
  // Positions count within what was reported: 0 is Hub2 now.
  Spill(dir + "/a.bin", Image(0x08, 0x0202));
  EXPECT_EQ(0, s.UpdateISP(0, (dir + "/a.bin").c_str(), 0));
  EXPECT_EQ("<missing>", Slurp(dir + "/TZ415Sim.Hub1.flash"));
  EXPECT_EQ(Image(0x08, 0x0202), Slurp(dir + "/TZ415Sim.Hub2.flash"));
}

TEST_F(SimulatorTest, RequireTargetIdsWithoutATableReportsNothing) {
  Spill(description, WithLibrary(kTwoHubs, "RequireTargetIds=1\n"));
  NewRun().GetEnumInfo(head.deviceCount());
  EXPECT_EQ(0, *head.deviceCount());
}

TEST_F(SimulatorTest, BadDescriptionIsReportedOnceAndGivesNoHubs) {
  Spill(description, "[Hub1]\nVendorId=3A17\nProductId=3A1704\n");
  Simulator& s = NewRun();
  uint32_t version = 0;
  s.GetDllVersion(&version);
  s.SetIniInfo(head.bytes);
  *head.deviceCount() = 9;
  s.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(hubdesc::kDefaultLibraryVersion, version);
  EXPECT_EQ(0, *head.deviceCount());
  EXPECT_EQ(std::string(676, '\0'), std::string(reinterpret_cast<char*>(head.record(0)), 676));
  ASSERT_EQ(1u, platform.warnings.size());
  EXPECT_EQ("TZ415Sim: " + description +
                ":3: ProductId: \"3A1704\" is not a hexadecimal number from 0 to FFFF; "
                "reporting no hubs",
            platform.warnings[0]);
}

TEST_F(SimulatorTest, MissingDescriptionIsReportedOnceAndGivesNoHubs) {
  Simulator& s = NewRun();
  uint32_t version = 0;
  s.GetDllVersion(&version);
  s.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(0, *head.deviceCount());
  EXPECT_EQ(hubdesc::kDefaultLibraryVersion, version);
  EXPECT_EQ(std::vector<std::string>{"TZ415Sim: no hub description " + description +
                                     "; reporting no hubs"},
            platform.warnings);
  EXPECT_EQ(kNoSuchHub, s.UpdateISP(0, description.c_str(), 0));
}

TEST_F(SimulatorTest, NullArgumentsAreRefusedWithoutHarm) {
  Spill(description, kTwoHubs);
  Simulator& s = NewRun();
  EXPECT_NE(0, s.GetDllVersion(nullptr));
  EXPECT_EQ(0, s.SetIniInfo(nullptr));
  EXPECT_NE(0, s.GetEnumInfo(nullptr));
  EXPECT_EQ(kNoSuchHub, s.UpdateISP(0, nullptr, 0));
  s.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(kImageUnreadable, s.UpdateISP(0, nullptr, 0));
}

TEST_F(SimulatorTest, ProgrammingPersistsIntoTheNextRun) {
  Spill(description, kTwoHubs);
  Spill(dir + "/long.bin", Image(0x08, 0x0A21));
  Simulator& first = NewRun();
  first.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(0, first.UpdateISP(1, (dir + "/long.bin").c_str(), 0));
  EXPECT_EQ(std::vector<uint32_t>{250}, platform.sleeps);
  EXPECT_EQ(Image(0x08, 0x0A21), Slurp(dir + "/TZ415Sim.Hub2.flash"));
  EXPECT_EQ("<missing>", Slurp(dir + "/TZ415Sim.Hub1.flash"));
  EXPECT_EQ("<missing>", Slurp(description + ".tmp"));
  std::string expected = kTwoHubs;
  expected.replace(expected.find("FirmwareVersion=0101"), 20, "FirmwareVersion=0A21");
  EXPECT_EQ(expected, Slurp(description));

  Head next;
  NewRun().GetEnumInfo(next.deviceCount());
  EXPECT_EQ(0x0A21, next.word(1, 267));
  EXPECT_EQ(0x9012, next.word(0, 267));
}

TEST_F(SimulatorTest, WithActivationAtPowerCycleTheOldVersionStaysUntilTheHubsArePowerCycled) {
  Spill(description, kTwoHubs);
  Spill(dir + "/long.bin", Image(0x08, 0x0A21));
  Simulator written(platform, description, log, "", true);
  written.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(0, written.UpdateISP(1, (dir + "/long.bin").c_str(), 0));
  EXPECT_EQ(Image(0x08, 0x0A21), Slurp(dir + "/TZ415Sim.Hub2.flash"));
  EXPECT_EQ(kTwoHubs, Slurp(description));
  EXPECT_NE(std::string::npos, LogLines().back().find("hub=Hub2 version=0A21 at-power-cycle"));
  Head before;
  NewRun().GetEnumInfo(before.deviceCount());
  EXPECT_EQ(0x0101, before.word(1, 267));

  std::vector<std::string> activated;
  ASSERT_TRUE(NewRun().PowerCycle(&activated));
  EXPECT_EQ(std::vector<std::string>{"Hub2"}, activated);
  std::string expected = kTwoHubs;
  expected.replace(expected.find("FirmwareVersion=0101"), 20, "FirmwareVersion=0A21");
  EXPECT_EQ(expected, Slurp(description));
  EXPECT_EQ("<missing>", Slurp(Simulator::PendingPathFor(description, "Hub2")));
  Head after;
  NewRun().GetEnumInfo(after.deviceCount());
  EXPECT_EQ(0x0A21, after.word(1, 267));
  // A second power cycle has nothing left to bring.
  ASSERT_TRUE(NewRun().PowerCycle(&activated));
  EXPECT_TRUE(activated.empty());
  EXPECT_EQ(expected, Slurp(description));
}

TEST_F(SimulatorTest, NewVersionIsReadAsTheUpdateRunReadsIt) {
  struct Case {
    std::string image;
    uint16_t version;
  } cases[] = {
      {Image(0x08, 0x0A21), 0x0A21},         // long layout: 8012
      {Image(0x80, 0x1111), 0x1111},         // long layout by bit 7
      {Image(0x00, 0x9013, 28801), 0x9013},  // short layout: 8044
      {Image(0x70, 0x9010, 28801), 0x9017},  // plus (flags >> 4) & 7
      {Image(0x58, 0xFFFE), 0x0003},         // modulo 2^16
      {Image(0x30, 0x4444, 8045), 0x0047},   // one byte of the word present
      {Image(0x20, 0x4444, 100), 0x0002},    // no word at all: the addend alone
  };
  Spill(description, kTwoHubs);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    Spill(dir + "/x.bin", c.image);
    Simulator& s = NewRun();
    s.GetEnumInfo(head.deviceCount());
    ASSERT_EQ(0, s.UpdateISP(0, (dir + "/x.bin").c_str(), 0));
    Head next;
    NewRun().GetEnumInfo(next.deviceCount());
    EXPECT_EQ(c.version, next.word(0, 267));
    EXPECT_EQ(c.version, DeliveredVersion(c.image));
  }
  EXPECT_EQ(0x0002, DeliveredVersion(std::string("\x01\x02\x20", 3)));
  EXPECT_EQ(0x0000, DeliveredVersion(""));
}

TEST_F(SimulatorTest, RefusedCallsChangeNothingAndTakeNoTime) {
  Spill(description, kTwoHubs);
  Spill(dir + "/TZ415Sim.Hub1.flash", "old contents");
  Spill(dir + "/empty.bin", "");
  Spill(dir + "/good.bin", Image(0x08, 0x2222));
  std::string before = DiskState();

  Simulator& s = NewRun();
  EXPECT_EQ(kNoSuchHub, s.UpdateISP(0, (dir + "/good.bin").c_str(), 0));  // not enumerated yet
  s.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(kNoSuchHub, s.UpdateISP(2, (dir + "/good.bin").c_str(), 0));
  EXPECT_EQ(kNoSuchHub, s.UpdateISP(255, (dir + "/good.bin").c_str(), 0));
  EXPECT_EQ(kImageUnreadable, s.UpdateISP(0, (dir + "/none.bin").c_str(), 0));
  EXPECT_EQ(kImageUnreadable, s.UpdateISP(0, (dir + "/empty.bin").c_str(), 0));
  EXPECT_EQ(kImageUnreadable, s.UpdateISP(0, dir.c_str(), 0));  // a directory
  EXPECT_EQ(before, DiskState());
  EXPECT_TRUE(platform.sleeps.empty());
}

TEST_F(SimulatorTest, ConfiguredFailureTakesItsTimeAndChangesNothing) {
  Spill(description, std::string(kTwoHubs) + "UpdateResult=7\n");
  Spill(dir + "/good.bin", Image(0x08, 0x2222));
  std::string before = DiskState();
  Simulator& s = NewRun();
  s.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(7, s.UpdateISP(1, (dir + "/good.bin").c_str(), 0));
  EXPECT_EQ(std::vector<uint32_t>{250}, platform.sleeps);
  EXPECT_EQ(before, DiskState());
  // The other hub still programs.
  EXPECT_EQ(0, s.UpdateISP(0, (dir + "/good.bin").c_str(), 0));
}

TEST_F(SimulatorTest, ImageRemovedBeforeTheWriteIsRefusedAndChangesNothing) {
  Spill(description, WithLibrary(kTwoHubs, "RemoveImageBeforeWrite=1\n"));
  Spill(dir + "/good.bin", Image(0x08, 0x2222));
  Simulator& s = NewRun();
  s.GetEnumInfo(head.deviceCount());
  std::string before = DiskState();
  EXPECT_EQ(kImageUnreadable, s.UpdateISP(0, (dir + "/good.bin").c_str(), 0));
  EXPECT_EQ("<missing>", Slurp(dir + "/good.bin"));
  EXPECT_EQ(before, DiskState());
  EXPECT_TRUE(platform.sleeps.empty());
  EXPECT_EQ("TA_UpdateISP index=0 path=\"" + dir +
                "/good.bin\" reserved=0 "
                "fault=\"image removed\" refused=\"image cannot be opened\" result=-2 ms=0",
            LogLines().back());
}

TEST_F(SimulatorTest, ImageRemovalCanBeGivenForOneHub) {
  Spill(description, std::string(kTwoHubs) + "RemoveImageBeforeWrite=1\n");  // Hub2's
  Spill(dir + "/a.bin", Image(0x08, 0x2222));
  Spill(dir + "/b.bin", Image(0x08, 0x3333));
  Simulator& s = NewRun();
  s.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(kImageUnreadable, s.UpdateISP(1, (dir + "/a.bin").c_str(), 0));
  EXPECT_EQ("<missing>", Slurp(dir + "/a.bin"));
  EXPECT_EQ(0, s.UpdateISP(0, (dir + "/b.bin").c_str(), 0));
  EXPECT_EQ(Image(0x08, 0x3333), Slurp(dir + "/b.bin"));
}

TEST_F(SimulatorTest, StorageFailureLeavesTheHubAsItWas) {
  Spill(description, kTwoHubs);
  Spill(dir + "/TZ415Sim.Hub1.flash", "old contents");
  Spill(dir + "/good.bin", Image(0x08, 0x2222));
  std::string before = DiskState();
  for (int replaces : {0, 1}) {
    SCOPED_TRACE(replaces);
    platform.replacesLeft = replaces;  // 1: the flash file is replaced, the description not
    Simulator& s = NewRun();
    s.GetEnumInfo(head.deviceCount());
    EXPECT_EQ(kStorageFailed, s.UpdateISP(0, (dir + "/good.bin").c_str(), 0));
    EXPECT_EQ(before, DiskState());
    EXPECT_EQ("<missing>", Slurp(description + ".tmp"));
    EXPECT_EQ("<missing>", Slurp(dir + "/TZ415Sim.Hub1.flash.tmp"));
  }
  // A hub without a flash file before: none after a failure either.
  platform.replacesLeft = 1;
  Simulator& s = NewRun();
  s.GetEnumInfo(head.deviceCount());
  EXPECT_EQ(kStorageFailed, s.UpdateISP(1, (dir + "/good.bin").c_str(), 0));
  EXPECT_EQ(before, DiskState());
}

TEST_F(SimulatorTest, CallLogHasOneLinePerCallWithItsTime) {
  Spill(description, kTwoHubs);
  Spill(dir + "/good.bin", Image(0x08, 0x2222));
  Simulator& s = NewRun();
  uint32_t version;
  s.GetDllVersion(&version);
  head.addTarget(0x3A170415, 0x0D12, 3);
  head.addTarget(0x3A170416, 0x0D13, 2);
  s.SetIniInfo(head.bytes);
  s.GetEnumInfo(head.deviceCount());
  s.UpdateISP(1, (dir + "/good.bin").c_str(), 0);
  s.UpdateISP(0, "missing.bin", 5);
  s.UpdateISP(9, "x y.bin", 0);
  Head empty;
  s.SetIniInfo(empty.bytes);
  std::vector<std::string> expected = {
      "TA_GetDllVersion version=2024A1B2 result=0 ms=0",
      "TA_SetIniInfo count=2 ids=3A170415=0D12/3,3A170416=0D13/2 result=0 ms=0",
      "TA_GetEnumInfo count=2 hubs=Hub1,Hub2 result=0 ms=0",
      "TA_UpdateISP index=1 path=\"" + dir +
          "/good.bin\" reserved=0 hub=Hub2 version=2222 result=0 ms=250",
      "TA_UpdateISP index=0 path=\"missing.bin\" reserved=5 refused=\"image cannot be opened\" "
      "result=-2 ms=0",
      "TA_UpdateISP index=9 path=\"x y.bin\" reserved=0 refused=\"no hub at this position\" "
      "result=-1 ms=0",
      "TA_SetIniInfo count=0 ids=- result=0 ms=0",
  };
  EXPECT_EQ(expected, LogLines());
}

// A test presses keys on this file's line, so it must be there while the
// write lasts, and only for calls that write.
TEST_F(SimulatorTest, StartsFileSaysAWriteHasBegunWhileItLasts) {
  Spill(description, std::string(kTwoHubs) + "UpdateResult=7\n");
  Spill(dir + "/good.bin", Image(0x08, 0x2222));
  std::string starts = dir + "/starts.log";
  platform.watched = starts;
  Simulator s(platform, description, log, starts);
  s.GetEnumInfo(head.deviceCount());
  s.UpdateISP(0, "missing.bin", 0);
  s.UpdateISP(9, (dir + "/good.bin").c_str(), 0);
  s.UpdateISP(1, (dir + "/good.bin").c_str(), 0);  // a configured failure
  s.UpdateISP(0, (dir + "/good.bin").c_str(), 0);
  const std::string first = "TA_UpdateISP index=1 hub=Hub2 started\n";
  const std::string second = "TA_UpdateISP index=0 hub=Hub1 started\n";
  EXPECT_EQ((std::vector<std::string>{first, first + second}), platform.seenWhileWaiting);
  EXPECT_EQ(first + second, Slurp(starts));
  EXPECT_EQ(5u, LogLines().size());  // the call log as without the file
}

TEST_F(SimulatorTest, NoLogWithoutALogPath) {
  Spill(description, kTwoHubs);
  Simulator s(platform, description, "");
  s.GetEnumInfo(head.deviceCount());
  EXPECT_EQ("<missing>", Slurp(log));
}

TEST(FlashPath, BesideTheDescriptionNamedAfterIt) {
  EXPECT_EQ("TZ415Sim.Hub2.flash", Simulator::FlashPathFor("TZ415Sim.ini", "Hub2"));
  EXPECT_EQ("C:\\kit\\x64\\demo.Hub1.flash",
            Simulator::FlashPathFor("C:\\kit\\x64\\demo.ini", "Hub1"));
  EXPECT_EQ("a.b/hubs.Hub3.flash", Simulator::FlashPathFor("a.b/hubs", "Hub3"));
  EXPECT_EQ(".hubs.Hub3.flash", Simulator::FlashPathFor(".hubs", "Hub3"));
}

}  // namespace
}  // namespace sim
