#include "hub_description.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace hubdesc {
namespace {

std::string ReadExample() {
  std::ifstream in(HUBDESC_EXAMPLE_DIR "/TZ415Sim.ini", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Field(const uint8_t (&field)[kHubStringSize]) {
  return std::string(reinterpret_cast<const char*>(field), kHubStringSize);
}

std::string Padded(const std::string& text) {
  std::string out = text;
  out.resize(kHubStringSize, '\0');
  return out;
}

HubDescription Parse(const std::string& text) {
  HubDescription description;
  std::string error;
  EXPECT_TRUE(ParseHubDescription(text, "hubs.ini", &description, &error)) << error;
  return description;
}

std::string ParseError(const std::string& text) {
  HubDescription description;
  std::string error;
  EXPECT_FALSE(ParseHubDescription(text, "dir/hubs.ini", &description, &error));
  return error;
}

TEST(HubDescription, DocumentedExampleGivesEveryField) {
  HubDescription d = Parse(ReadExample());
  EXPECT_EQ(0x20190823u, d.libraryVersion);
  EXPECT_EQ(-1, d.reportedCount);
  EXPECT_FALSE(d.requireTargetIds);
  EXPECT_FALSE(d.removeImageBeforeWrite);
  ASSERT_EQ(3u, d.hubs.size());

  const DescribedHub& a = d.hubs[0];
  EXPECT_EQ("Hub1", a.section);
  EXPECT_EQ(0x3A17, a.vendorId);
  EXPECT_EQ(0x0415, a.productId);
  EXPECT_EQ(0x03, a.usbVersion);
  EXPECT_EQ(0x9012, a.firmwareVersion);
  EXPECT_EQ(1, a.depth);
  EXPECT_EQ(3, a.connectionPortIndex);
  EXPECT_EQ(0xB3, a.chipRevision);
  EXPECT_EQ(0x00, a.chipOptions);
  EXPECT_EQ(Padded("Quillet Labs"), Field(a.manufacturer));
  EXPECT_EQ(Padded("USB3.0 Hub"), Field(a.product));
  EXPECT_EQ(0, a.updateResult);
  EXPECT_EQ(1500u, a.updateMilliseconds);

  const DescribedHub& b = d.hubs[1];
  EXPECT_EQ(0x02, b.usbVersion);
  EXPECT_EQ(0x0A20, b.firmwareVersion);
  EXPECT_EQ(2, b.depth);
  EXPECT_EQ(0xB2, b.chipRevision);
  EXPECT_EQ(0x10, b.chipOptions);
  EXPECT_EQ(Padded(std::string("Quillet\0Labs", 12)), Field(b.manufacturer));
  EXPECT_EQ(Padded("  Dock Hub  "), Field(b.product));

  EXPECT_EQ(7, d.hubs[2].updateResult);
}

TEST(HubDescription, AbsentFieldsTakeTheirDefaults) {
  HubDescription d = Parse("[Hub4]\nVendorId=0x1d5c\nProductId=5510\n");
  EXPECT_EQ(kDefaultLibraryVersion, d.libraryVersion);
  ASSERT_EQ(1u, d.hubs.size());
  const DescribedHub& h = d.hubs[0];
  EXPECT_EQ("Hub4", h.section);
  EXPECT_EQ(0x1D5C, h.vendorId);
  EXPECT_EQ(0x03, h.usbVersion);
  EXPECT_EQ(0x0000, h.firmwareVersion);
  EXPECT_EQ(1, h.depth);
  EXPECT_EQ(1, h.connectionPortIndex);
  EXPECT_EQ(0x10, h.chipRevision);
  EXPECT_EQ(0x00, h.chipOptions);
  EXPECT_EQ(std::string(kHubStringSize, '\0'), Field(h.manufacturer));
  EXPECT_EQ(std::string(kHubStringSize, '\0'), Field(h.product));
  EXPECT_EQ(0, h.updateResult);
  EXPECT_EQ(0u, h.updateMilliseconds);
}

TEST(HubDescription, LibrarySectionAndLayoutFreedoms) {
  // A byte-order mark, CR LF ends, comments, blanks around names and values,
  // names in any letter case; hubs stay in the order of their sections.
  HubDescription d = Parse("\xEF\xBB\xBF# generated\r\n"
                           "[ library ]\r\n"
                           "  version = 1234abcd \r\n"
                           "ReportedCount=20\r\n"
                           "requiretargetids=1\r\n"
                           "RemoveImageBeforeWrite=1\r\n"
                           "\r\n"
                           "[HUB9]\r\n"
                           "vendorid=1\r\nPRODUCTID=2\r\n"
                           "[Hub2]\r\nVendorId=3\r\nProductId=4\r\nUpdateResult=-5\r\n");
  EXPECT_EQ(0x1234ABCDu, d.libraryVersion);
  EXPECT_EQ(20, d.reportedCount);
  EXPECT_TRUE(d.requireTargetIds);
  EXPECT_TRUE(d.removeImageBeforeWrite);
  ASSERT_EQ(2u, d.hubs.size());
  EXPECT_EQ("HUB9", d.hubs[0].section);
  EXPECT_EQ(8, d.hubs[0].line);
  EXPECT_EQ("Hub2", d.hubs[1].section);
  EXPECT_EQ(-5, d.hubs[1].updateResult);
}

TEST(HubDescription, StringsAsTextOrAsRawBytes) {
  std::string all46;
  for (int i = 0; i < 46; ++i) all46 += "A5";
  HubDescription d = Parse("[Hub1]\nVendorId=1\nProductId=2\nManufacturerHex=" + all46 +
                           "\nProduct=" + std::string(46, 'p') + "\n");
  EXPECT_EQ(std::string(46, '\xA5'), Field(d.hubs[0].manufacturer));
  EXPECT_EQ(std::string(46, 'p'), Field(d.hubs[0].product));
}

TEST(HubDescription, EmptyStringsGiveZeroFields) {
  // An empty value has no bytes to copy: the field is cleared, nothing read.
  for (const char* value : {"Manufacturer=", "Manufacturer=\"\"", "Product=", "Product=\"\""}) {
    SCOPED_TRACE(value);
    HubDescription d = Parse(std::string("[Hub1]\nVendorId=1\nProductId=2\n") + value + "\n");
    EXPECT_EQ(std::string(kHubStringSize, '\0'), Field(d.hubs[0].manufacturer));
    EXPECT_EQ(std::string(kHubStringSize, '\0'), Field(d.hubs[0].product));
  }
}

TEST(HubDescription, EmptyTextGivesNoHubs) {
  HubDescription d = Parse("");
  EXPECT_TRUE(d.hubs.empty());
  EXPECT_EQ(kDefaultLibraryVersion, d.libraryVersion);
}

TEST(HubDescription, BadFilesNameTheFileAndTheLine) {
  const std::string hub = "[Hub1]\nVendorId=1\nProductId=2\n";
  struct Case {
    std::string text;
    std::string error;
  } cases[] = {
      {"VendorId=1\n", "dir/hubs.ini:1: VendorId stands before any [section]"},
      {"[Hubs]\n",
       "dir/hubs.ini:1: [Hubs] is not a known section ([Library], [Hub1], [Hub2], ...)"},
      {"[Library]\nVersion=1\n[library]\n", "dir/hubs.ini:3: [library] is given twice"},
      {"[Library]\nVersion=123456789\n",
       "dir/hubs.ini:2: Version: \"123456789\" is not a hexadecimal number from 0 to FFFFFFFF"},
      {"[Library]\nReportedCount=256\n",
       "dir/hubs.ini:2: ReportedCount: \"256\" is not a decimal number from 0 to 255"},
      {"[Library]\nRequireTargetIds=yes\n",
       "dir/hubs.ini:2: RequireTargetIds: \"yes\" is not a decimal number from 0 to 1"},
      {"[Library]\nHubs=3\n",
       "dir/hubs.ini:2: Hubs is not a key of [Library] (Version, ReportedCount, RequireTargetIds, "
       "RemoveImageBeforeWrite)"},
      {"[Library]\nRemoveImageBeforeWrite=2\n",
       "dir/hubs.ini:2: RemoveImageBeforeWrite: \"2\" is not a decimal number from 0 to 1"},
      {hub + "VendorId=5\n", "dir/hubs.ini:4: VendorId is given twice in its section"},
      {hub + "FirmwareVersion=1G00\n",
       "dir/hubs.ini:4: FirmwareVersion: \"1G00\" is not a hexadecimal number from 0 to FFFF"},
      {hub + "ChipRevision=100\n",
       "dir/hubs.ini:4: ChipRevision: \"100\" is not a hexadecimal number from 0 to FF"},
      {hub + "Depth=-1\n", "dir/hubs.ini:4: Depth: \"-1\" is not a decimal number from 0 to 255"},
      {hub + "UpdateMilliseconds=1e3\n",
       "dir/hubs.ini:4: UpdateMilliseconds: \"1e3\" is not a decimal number from 0 to 600000"},
      {hub + "Colour=red\n", "dir/hubs.ini:4: Colour is not a key of a hub section"},
      {hub + "RemoveImageBeforeWrite=on\n",
       "dir/hubs.ini:4: RemoveImageBeforeWrite: \"on\" is not a decimal number from 0 to 1"},
      {hub + "just words\n",
       "dir/hubs.ini:4: \"just words\" is neither a [section] nor a Key=Value line"},
      {hub + "Product=" + std::string(47, 'x') + "\n",
       "dir/hubs.ini:4: Product: 47 bytes, more than the 46 the record holds"},
      {hub + "Product=x\nProductHex=41\n",
       "dir/hubs.ini:5: ProductHex: the string is already given in this section"},
      {hub + "ManufacturerHex=4 1\n",
       "dir/hubs.ini:4: ManufacturerHex: \"4 1\" is not a sequence of hexadecimal byte pairs"},
      {hub + "ManufacturerHex=4Z\n",
       "dir/hubs.ini:4: ManufacturerHex: \"4Z\" is not a sequence of hexadecimal byte pairs"},
      {"[Library]\n\n[Hub3]\nProductId=2\n", "dir/hubs.ini:3: [Hub3] has no VendorId"},
      {"[Hub3]\nVendorId=2\n", "dir/hubs.ini:1: [Hub3] has no ProductId"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.error, ParseError(c.text));
  }
  // Each hex key of a hub one digit longer than its record field: refused,
  // never cut to fit, and so is a leading zero too many, whose number
  // would fit.
  const struct {
    const char* key;
    std::string max;
  } widths[] = {{"VendorId", "FFFF"},        {"ProductId", "FFFF"},    {"UsbVersion", "FF"},
                {"FirmwareVersion", "FFFF"}, {"ChipRevision", "FF"},   {"ChipOptions", "FF"},
                {"DescriptorLength", "FF"},  {"DescriptorType", "FF"}, {"UsbVersionLow", "FF"},
                {"DeviceClass", "FF"},       {"DeviceSubClass", "FF"}, {"DeviceProtocol", "FF"},
                {"MaxPacketSize0", "FF"}};
  for (const auto& width : widths) {
    std::string value = "1" + std::string(width.max.size(), '0');
    EXPECT_EQ("dir/hubs.ini:2: " + std::string(width.key) + ": \"" + value +
                  "\" is not a hexadecimal number from 0 to " + width.max,
              ParseError("[Hub1]\n" + std::string(width.key) + "=" + value + "\n" + hub.substr(7)));
    value = "0x0" + width.max;
    EXPECT_EQ("dir/hubs.ini:2: " + std::string(width.key) + ": \"" + value +
                  "\" has more than the " + std::to_string(width.max.size()) +
                  " hexadecimal digits of a number from 0 to " + width.max,
              ParseError("[Hub1]\n" + std::string(width.key) + "=" + value + "\n" + hub.substr(7)));
  }
  EXPECT_EQ("dir/hubs.ini:4: FirmwareVersion: \"09012\" has more than the 4 hexadecimal digits of "
            "a number from 0 to FFFF",
            ParseError(hub + "FirmwareVersion=09012\n"));
}

TEST(HubDescription, NoMoreThanSixteenHubs) {
  std::string text;
  for (int n = 1; n <= 17; ++n)
    text += "[Hub" + std::to_string(n) + "]\nVendorId=1\nProductId=" + std::to_string(n) + "\n";
  EXPECT_EQ("dir/hubs.ini:49: [Hub17]: no more than 16 hubs can be described", ParseError(text));
  text.resize(text.find("[Hub17]"));
  HubDescription d;
  std::string error;
  EXPECT_TRUE(ParseHubDescription(text, "x", &d, &error));
  EXPECT_EQ(16u, d.hubs.size());
}

TEST(HubDescription, FailedParseLeavesTheOutputAlone) {
  HubDescription d;
  d.libraryVersion = 42;
  std::string error;
  EXPECT_FALSE(ParseHubDescription("[Hub1]\nVendorId=1\n", "x", &d, &error));
  EXPECT_EQ(42u, d.libraryVersion);
  EXPECT_TRUE(d.hubs.empty());
}

TEST(FirmwareVersionEdit, ReplacesOnlyTheValueOfThatSection) {
  const std::string text =
      "; keep me\r\n[Hub1]\r\nVendorId=1\r\n FirmwareVersion = 0101 \r\n"
      "[Hub2]\r\n; FirmwareVersion=dead\r\nfirmwareversion=0A20\r\nDepth=2\r\n";
  std::string out;
  ASSERT_TRUE(WithFirmwareVersion(text, "hub2", 0x9013, &out));
  EXPECT_EQ("; keep me\r\n[Hub1]\r\nVendorId=1\r\n FirmwareVersion = 0101 \r\n"
            "[Hub2]\r\n; FirmwareVersion=dead\r\nfirmwareversion=9013\r\nDepth=2\r\n",
            out);
  ASSERT_TRUE(WithFirmwareVersion(text, "Hub1", 0x00AB, &out));
  EXPECT_EQ("; keep me\r\n[Hub1]\r\nVendorId=1\r\n FirmwareVersion =00AB\r\n"
            "[Hub2]\r\n; FirmwareVersion=dead\r\nfirmwareversion=0A20\r\nDepth=2\r\n",
            out);
}

TEST(FirmwareVersionEdit, AddsTheKeyWhenTheSectionHasNone) {
  std::string out;
  ASSERT_TRUE(WithFirmwareVersion("[Hub1]\r\nVendorId=1\r\n[Hub2]\r\nVendorId=2\r\n", "Hub1",
                                  0x1234, &out));
  EXPECT_EQ("[Hub1]\r\nFirmwareVersion=1234\r\nVendorId=1\r\n[Hub2]\r\nVendorId=2\r\n", out);
  // A header on the last line, without a line end of its own.
  ASSERT_TRUE(WithFirmwareVersion("[Hub1]\nVendorId=1\n[Hub2]", "Hub2", 0xF, &out));
  EXPECT_EQ("[Hub1]\nVendorId=1\n[Hub2]\nFirmwareVersion=000F\n", out);
}

TEST(FirmwareVersionEdit, UnknownSectionIsRefused) {
  std::string out = "untouched";
  EXPECT_FALSE(WithFirmwareVersion("[Hub1]\nFirmwareVersion=1\n", "Hub10", 1, &out));
  EXPECT_EQ("untouched", out);
}

TEST(FirmwareVersionEdit, EditedTextParsesToTheNewVersion) {
  std::string out;
  ASSERT_TRUE(WithFirmwareVersion(ReadExample(), "Hub3", 0xBEEF, &out));
  HubDescription d = Parse(out);
  EXPECT_EQ(0x9012, d.hubs[0].firmwareVersion);
  EXPECT_EQ(0x0A20, d.hubs[1].firmwareVersion);
  EXPECT_EQ(0xBEEF, d.hubs[2].firmwareVersion);
}

}  // namespace
}  // namespace hubdesc
