// Writing a description and reading it back gives the same hubs: the records
// the library reports, the behaviour keys and [Library]'s, for the example
// and for random descriptions over every key's whole range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "hub_description.h"
#include "hub_records.h"

namespace hubdesc {
namespace {

std::string Record(const DescribedHub& hub) {
  HubDeviceInfo record;
  FillRecord(hub, &record);
  return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

// Everything a reader of the description can tell apart.
void ExpectSameHubs(const HubDescription& a, const HubDescription& b) {
  EXPECT_EQ(a.libraryVersion, b.libraryVersion);
  EXPECT_EQ(a.reportedCount, b.reportedCount);
  EXPECT_EQ(a.requireTargetIds, b.requireTargetIds);
  EXPECT_EQ(a.removeImageBeforeWrite, b.removeImageBeforeWrite);
  ASSERT_EQ(a.hubs.size(), b.hubs.size());
  for (size_t i = 0; i < a.hubs.size(); ++i) {
    SCOPED_TRACE(a.hubs[i].section);
    EXPECT_EQ(a.hubs[i].section, b.hubs[i].section);
    EXPECT_EQ(Record(a.hubs[i]), Record(b.hubs[i]));
    EXPECT_EQ(a.hubs[i].updateResult, b.hubs[i].updateResult);
    EXPECT_EQ(a.hubs[i].updateMilliseconds, b.hubs[i].updateMilliseconds);
    EXPECT_EQ(a.hubs[i].removeImageBeforeWrite, b.hubs[i].removeImageBeforeWrite);
  }
}

HubDescription Reread(const HubDescription& description, std::string* text) {
  std::string error;
  EXPECT_TRUE(WriteHubDescription(description, text, &error)) << error;
  HubDescription back;
  EXPECT_TRUE(ParseHubDescription(*text, "written.ini", &back, &error)) << error << "\n" << *text;
  return back;
}

TEST(DescriptionWriter, ExampleComesBackWithEveryKeyWritten) {
  std::ifstream in(HUBDESC_EXAMPLE_DIR "/TZ415Sim.ini", std::ios::binary);
  std::stringstream example;
  example << in.rdbuf();
  HubDescription d;
  std::string error, text;
  ASSERT_TRUE(ParseHubDescription(example.str(), "TZ415Sim.ini", &d, &error)) << error;
  ExpectSameHubs(d, Reread(d, &text));
  // Hub2's manufacturer has a zero inside, so it cannot be text.
  EXPECT_NE(std::string::npos, text.find("ManufacturerHex=51 75 69 6C 6C 65 74 00 4C 61 62 73\n"));
  EXPECT_NE(std::string::npos, text.find("Product=\"  Dock Hub  \"\n"));
  EXPECT_NE(std::string::npos, text.find("[Hub3]\nVendorId=1D5C\n"));
  // 4 [Library] keys but ReportedCount, 24 per hub, 4 headers, 3 blank lines.
  EXPECT_EQ(3 + 3 * 24 + 4 + 3, std::count(text.begin(), text.end(), '\n')) << text;
}

uint8_t Byte(std::mt19937& random) { return static_cast<uint8_t>(random() & 0xFF); }

// Strings as hubs give them (text), with unprintable bytes, inner zeros,
// or nothing at all.
void RandomString(std::mt19937& random, uint8_t (&field)[kHubStringSize]) {
  std::memset(field, 0, kHubStringSize);
  size_t length = random() % (kHubStringSize + 1);
  int kind = static_cast<int>(random() % 3);
  for (size_t i = 0; i < length; ++i)
    field[i] = kind == 0 ? static_cast<uint8_t>(0x20 + random() % 0x5F) : Byte(random);
}

HubDescription RandomDescription(std::mt19937& random) {
  HubDescription d;
  d.libraryVersion = static_cast<uint32_t>(random());
  d.reportedCount = static_cast<int>(random() % 257) - 1;
  d.requireTargetIds = random() % 2 != 0;
  d.removeImageBeforeWrite = random() % 2 != 0;
  size_t hubs = random() % (kMaxDescribedHubs + 1);
  for (size_t i = 0; i < hubs; ++i) {
    HubDeviceInfo record;
    for (size_t b = 0; b < sizeof record; ++b)
      reinterpret_cast<uint8_t*>(&record)[b] = Byte(random);
    DescribedHub hub = HubFromRecord(record, "Hub" + std::to_string(i * 1000 + random() % 1000));
    RandomString(random, hub.manufacturer);
    RandomString(random, hub.product);
    if (random() % 2) hub.deviceProtocol = hub.maxPacketSize0 = -1;  // left to UsbVersion
    hub.updateResult = static_cast<int32_t>(random());
    hub.updateMilliseconds = static_cast<uint32_t>(random() % 600001);
    hub.removeImageBeforeWrite = random() % 2 != 0;
    d.hubs.push_back(hub);
  }
  return d;
}

TEST(DescriptionWriter, RandomDescriptionsComeBackTheSame) {
  std::mt19937 random(415);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    HubDescription d = RandomDescription(random);
    std::string text, again;
    HubDescription back = Reread(d, &text);
    ExpectSameHubs(d, back);
    // What was written is already canonical.
    Reread(back, &again);
    EXPECT_EQ(text, again);
  }
}

}  // namespace
}  // namespace hubdesc
