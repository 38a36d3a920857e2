// A capture replays the hubs a library listed, record for record, and a
// damaged, cut or newer one is refused with the file and the line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "hub_description.h"
#include "hub_records.h"
#include "sample_capture.h"

namespace hubdesc {
namespace {

// A 32-bit checker's, with a table of two hub IDs.
CaptureInfo Info() {
  CaptureInfo info = SampleCaptureInfo();
  info.checkerBits = 32;
  info.folder = "x86";
  info.hubIds = {{0x3A170415, 0x0D12, 3}, {0x1D5C5510, 0x1D55, 2}};
  return info;
}

std::string Bytes(const HubDeviceInfo& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

// The record as replayed: the reserved stretches are not captured.
HubDeviceInfo WithoutReserved(HubDeviceInfo record) {
  std::memset(record.Reserved0, 0, sizeof record.Reserved0);
  std::memset(record.Reserved1, 0, sizeof record.Reserved1);
  std::memset(record.Reserved2, 0, sizeof record.Reserved2);
  return record;
}

// What a library over the capture lists, handed the capture's own table.
std::vector<HubDeviceInfo> Replayed(const HubDescription& capture, int* count) {
  static LibraryRecord state;
  std::memset(&state, 0xEE, sizeof state);
  state.TargetIdCount = 0;
  DescribedHubLibrary library(capture);
  uint32_t version = 0;
  library.GetDllVersion(&version);
  EXPECT_EQ(capture.capture.libraryVersion, version);
  library.SetIniInfo(&state.TargetIdCount);
  library.GetEnumInfo(&state.DeviceCount);
  *count = state.DeviceCount;
  return std::vector<HubDeviceInfo>(state.Devices, state.Devices + capture.hubs.size());
}

TEST(Capture, RandomRecordsReplayAsTheLibraryListedThem) {
  std::mt19937 random(16);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::vector<HubDeviceInfo> listed(random() % (kMaxDescribedHubs + 1));
    for (HubDeviceInfo& record : listed)
      for (size_t b = 0; b < sizeof record; ++b)
        reinterpret_cast<uint8_t*>(&record)[b] = static_cast<uint8_t>(random());
    int stated = static_cast<int>(random() % 256);
    CaptureInfo info = Info();
    info.libraryVersion = static_cast<uint32_t>(random());
    std::string text, error;
    ASSERT_TRUE(WriteCapture(info, stated, listed, &text, &error)) << error;

    HubDescription back;
    ASSERT_TRUE(ParseHubDescription(text, "capture.ini", &back, &error)) << error;
    EXPECT_TRUE(back.isCapture);
    EXPECT_EQ(info.time, back.capture.time);
    EXPECT_EQ(info.libraryVersion, back.capture.libraryVersion);
    EXPECT_EQ(static_cast<int>(listed.size()), back.capture.hubCount);
    int count = 0;
    std::vector<HubDeviceInfo> replayed = Replayed(back, &count);
    EXPECT_EQ(stated, count);
    for (size_t k = 0; k < listed.size(); ++k)
      EXPECT_EQ(Bytes(WithoutReserved(listed[k])), Bytes(replayed[k])) << "hub " << k;
  }
}

TEST(Capture, VersionOneFixtureStillReads) {
  std::ifstream in(HUBDESC_TEST_DATA "/capture_v1.ini", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  HubDescription d;
  std::string error;
  ASSERT_TRUE(ParseHubDescription(text.str(), "capture_v1.ini", &d, &error)) << error;
  ASSERT_TRUE(d.isCapture);
  const CaptureInfo& c = d.capture;
  EXPECT_EQ(1, c.formatVersion);
  EXPECT_EQ("2.9", c.checkerVersion);
  EXPECT_EQ(0x20190823u, c.libraryVersion);
  EXPECT_EQ("2026-12-08T21:35:07Z", c.time);
  EXPECT_EQ("6.2.9200", c.windowsVersion);
  EXPECT_EQ("10.0.19045", c.registryWindowsVersion);
  EXPECT_EQ(64, c.checkerBits);
  EXPECT_EQ("x64", c.folder);
  EXPECT_EQ("3A170415=0D12/3,3A170600=0D12/3,3A170610=0D12/2", HubIdTableText(c.hubIds));
  ASSERT_EQ(3u, d.hubs.size());
  HubDeviceInfo record;
  FillRecord(d.hubs[1], &record);
  EXPECT_EQ(0x0A20, uint16_t{record.FirmwareVersion});
  EXPECT_EQ(64, record.MaxPacketSize0);
  EXPECT_EQ(0, std::memcmp(record.ManufacturerString, "Quillet\0Labs", 12));
}

std::string Capture(const std::vector<HubDeviceInfo>& hubs) {
  std::string text, error;
  EXPECT_TRUE(WriteCapture(Info(), static_cast<int>(hubs.size()), hubs, &text, &error)) << error;
  return text;
}

std::string ParseError(const std::string& text) {
  HubDescription d;
  std::string error;
  EXPECT_FALSE(ParseHubDescription(text, "c.ini", &d, &error)) << text;
  return error;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(Capture, CutAnywhereIsRefused) {
  HubDeviceInfo hub = {};
  hub.VendorId = 0x3A17;
  const std::string text = Capture({hub, hub});
  // Every cut but the final line end's loses something the reader needs
  // (cut to nothing, it is an empty description).
  for (size_t size = 1; size + 1 < text.size(); ++size) {
    HubDescription d;
    std::string error;
    EXPECT_FALSE(ParseHubDescription(text.substr(0, size), "c.ini", &d, &error))
        << "cut at " << size << ": " << text.substr(0, size);
  }
  size_t lastHub = text.rfind("[Hub2]");
  EXPECT_EQ("c.ini:1: the capture states 2 hubs but holds 1: it is cut short",
            ParseError(text.substr(0, lastHub)));
}

TEST(Capture, BadCapturesNameTheFileAndTheLine) {
  HubDeviceInfo hub = {};
  const std::string one = Capture({hub});
  std::string seventeen = Replace(one, "Hubs=1", "Hubs=16");
  for (int n = 2; n <= 17; ++n)
    seventeen += "\n[Hub" + std::to_string(n) + "]\nVendorId=1\nProductId=2\n";
  struct Case {
    std::string text;
    std::string error;
  } cases[] = {
      {Replace(one, "Product=\"\"", "ProductHex=4 1"),
       "c.ini:29: ProductHex: \"4 1\" is not a sequence of hexadecimal byte pairs"},
      {seventeen, "c.ini:105: [Hub17]: no more than 16 hubs can be described"},
      {Replace(one, "Hubs=1", "Hubs=17"),
       "c.ini:11: Hubs: \"17\" is not a decimal number from 0 to 16"},
      {one + "[Capture]\n", "c.ini:44: [Capture] is given twice"},
      {one + "[hub1]\n", "c.ini:44: [hub1] is given twice"},
      {Replace(one, "FormatVersion=1", "FormatVersion=7"),
       "c.ini:2: the capture is in description format version 7; this reader knows versions up "
       "to 1"},
      {Replace(one, "FormatVersion=1\n", "FormatVersion=2\nNewKey=1\n"),
       "c.ini:2: the capture is in description format version 2; this reader knows versions up "
       "to 1"},
      {Replace(one, "LibraryVersion=20190823", "LibraryVersion=20190824"),
       "c.ini:1: the capture's LibraryVersion is not [Library]'s Version"},
      {Replace(one, "Time=2026-12-08T21:35:07Z", "Time=yesterday"),
       "c.ini:5: Time: \"yesterday\" is not a UTC time such as 2026-12-08T21:35:07Z"},
      {Replace(one, "HubIds=3A170415=0D12/3,", "HubIds=3A17=0D12/3,"),
       "c.ini:10: HubIds: \"3A17=0D12/3,1D5C5510=1D55/2\" is not a hub-ID table such as "
       "3A170415=0D12/3,3A170600=0D12/3 (at most 100), or -"},
      {Replace(one, "CheckerBits=32", "CheckerBits=48"),
       "c.ini:8: CheckerBits: \"48\" is not 32 or 64"},
      {Replace(one, "CheckerBits=32\n", "ComputerName=\"DESK\"\n"),
       "c.ini:8: ComputerName is not a key of [Capture]"},
      {Replace(one, "DeviceClass=00\n", ""), "c.ini:19: [Hub1] has no DeviceClass"},
      {Replace(one, "ReportedCount=1\n", ""), "c.ini:13: [Library] has no ReportedCount"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.error, ParseError(c.text));
  }
}

// The library takes at most kMaxTargetIds hub IDs; a capture states what
// was handed to it, so a longer table is no capture of a real run.
TEST(Capture, AHubIdTableOfAHundredEntriesIsReadAndOneMoreIsRefused) {
  const std::string one = Capture({HubDeviceInfo{}});
  const std::string given = "HubIds=3A170415=0D12/3,1D5C5510=1D55/2";
  std::string table;
  for (int n = 0; n < kMaxTargetIds; ++n) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%s%08X=0D12/3", n == 0 ? "" : ",", 0x3A170000 + n);
    table += entry;
  }
  HubDescription d;
  std::string error;
  ASSERT_TRUE(ParseHubDescription(Replace(one, given, "HubIds=" + table), "c.ini", &d, &error))
      << error;
  ASSERT_EQ(static_cast<size_t>(kMaxTargetIds), d.capture.hubIds.size());
  EXPECT_EQ(0x3A170063u, +d.capture.hubIds.back().HubId);

  table += ",3A17FFFF=0D12/3";
  EXPECT_EQ("c.ini:10: HubIds: \"" + table +
                "\" is not a hub-ID table such as 3A170415=0D12/3,3A170600=0D12/3 (at most 100), "
                "or -",
            ParseError(Replace(one, given, "HubIds=" + table)));
}

TEST(Capture, WriterRefusesWhatCannotBeReadBack) {
  std::string text = "untouched", error;
  EXPECT_FALSE(WriteCapture(Info(), 17, std::vector<HubDeviceInfo>(17), &text, &error));
  EXPECT_EQ("a capture holds at most 16 hubs, not 17", error);
  CaptureInfo info = Info();
  info.folder = "x86\r\n[Hub9]";
  EXPECT_FALSE(WriteCapture(info, 0, {}, &text, &error));
  EXPECT_EQ("the capture's Folder \"\"x86\r\n[Hub9]\"\" is not a folder name", error);
  EXPECT_EQ("untouched", text);
}

}  // namespace
}  // namespace hubdesc
