// The image format read from raw bytes: header, size rule, fields, the
// delivered version and every row of the chip compatibility table.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "fake_files.h"
#include "firmware_image.h"

namespace {

using fwimage::Header;

// One image file in a fake file tree, opened for reading.
class Image {
 public:
  Image(uint64_t size, const std::string& head) { os_.AddSparseFile(kPath, size, head); }
  explicit Image(const std::string& bytes) { os_.AddFile(kPath, bytes); }

  void Put(uint64_t offset, const std::string& bytes) { os_.Patch(kPath, offset, bytes); }
  ByteSource& Open() {
    source_ = os_.OpenForRead(kPath);
    return *source_;
  }
  uint64_t BytesRead() const { return os_.BytesRead(kPath); }

 private:
  static constexpr const char* kPath = "image.bin";
  FakeFiles os_;
  std::unique_ptr<ByteSource> source_;
};

std::string HeaderBytes(uint8_t id0, uint8_t id1, uint8_t flags, uint8_t byte3 = 0x5A) {
  return std::string{static_cast<char>(id0), static_cast<char>(id1), static_cast<char>(flags),
                     static_cast<char>(byte3)};
}

// ---- Header.

TEST(ImageHeader, IdentifierIsHighByteFirstAndFlagsAreByteTwo) {
  Image image(HeaderBytes(0x0D, 0x12, 0x84) + "rest");
  Header header;
  ASSERT_TRUE(fwimage::ReadHeader(image.Open(), &header));
  EXPECT_EQ(4u, header.length);
  EXPECT_EQ(0x0D12, fwimage::ImageId(header));
  EXPECT_EQ(0x84, fwimage::Flags(header));
  EXPECT_TRUE(fwimage::HasImageId(header, 0x0D12));
  EXPECT_FALSE(fwimage::HasImageId(header, 0x120D));
  EXPECT_EQ(4u, image.BytesRead());
}

TEST(ImageHeader, ShortImagesReportHowMuchOfTheHeaderTheyHave) {
  for (size_t size = 0; size < 4; ++size) {
    Image image(HeaderBytes(0x0D, 0x12, 0x08).substr(0, size));
    Header header;
    EXPECT_FALSE(fwimage::ReadHeader(image.Open(), &header)) << size;
    EXPECT_EQ(size, header.length);
  }
}

TEST(ImageHeader, AnIdentifierThatWasNotReadMatchesNoImageId) {
  Image one(std::string(1, '\0'));
  Header header;
  fwimage::ReadHeader(one.Open(), &header);
  // The missing byte reads as zero, but is not compared.
  EXPECT_FALSE(fwimage::HasImageId(header, 0x0000));

  Image two(std::string(2, '\0'));
  fwimage::ReadHeader(two.Open(), &header);
  EXPECT_TRUE(fwimage::HasImageId(header, 0x0000));
}

TEST(ImageLayout, Bit7OrBit3SelectsTheLongLayout) {
  for (int flags = 0; flags < 256; ++flags) {
    bool isLong = (flags & 0x80) != 0 || (flags & 0x08) != 0;
    EXPECT_EQ(isLong, fwimage::IsLongLayout(static_cast<uint8_t>(flags))) << flags;
    EXPECT_EQ(isLong ? 8012u : 8044u, fwimage::VersionOffsetFor(static_cast<uint8_t>(flags)));
    EXPECT_EQ(isLong ? 28704u : 28699u,
              fwimage::FieldsFor(static_cast<uint8_t>(flags)).manufacturer);
    EXPECT_EQ(isLong ? 28752u : 28729u, fwimage::FieldsFor(static_cast<uint8_t>(flags)).product1);
    EXPECT_EQ(isLong ? 28800u : 28765u, fwimage::FieldsFor(static_cast<uint8_t>(flags)).product2);
  }
}

// ---- Size rule.

struct SizeCase {
  uint8_t id0, id1, flags;
  uint64_t size;
  bool breaks;
};

TEST(ImageSizeRule, OnlyTheFixedSizeFamilyHasOneAndItFollowsTheLayout) {
  const SizeCase cases[] = {
      {0x0D, 0x12, 0x00, 28801, false}, {0x0D, 0x12, 0x00, 28800, true},
      {0x0D, 0x12, 0x00, 28848, true},  {0x0D, 0x12, 0x08, 28848, false},
      {0x0D, 0x12, 0x08, 28801, true},  {0x0D, 0x12, 0x80, 28848, false},
      {0x0D, 0x12, 0x04, 28802, true},  {0x0D, 0x12, 0x70, 28801, false},
      {0x0D, 0x13, 0x00, 28800, false}, {0x0D, 0x13, 0x08, 5, false},
      {0x12, 0x0D, 0x00, 100, false},   {0x0C, 0x12, 0x00, 0, false},
  };
  for (const SizeCase& c : cases) {
    Image image(c.size, HeaderBytes(c.id0, c.id1, c.flags));
    Header header;
    fwimage::ReadHeader(image.Open(), &header);
    EXPECT_EQ(c.breaks, fwimage::BreaksSizeRule(header, c.size))
        << std::hex << int(c.id0) << " " << int(c.id1) << " flags " << int(c.flags) << std::dec
        << " size " << c.size;
  }
}

TEST(ImageSizeRule, AFixedSizeImageTooShortForItsFlagsBreaksTheRule) {
  Image image(std::string("\x0D\x12", 2));
  Header header;
  fwimage::ReadHeader(image.Open(), &header);
  EXPECT_TRUE(fwimage::BreaksSizeRule(header, 2));

  Image one(std::string("\x0D", 1));
  fwimage::ReadHeader(one.Open(), &header);
  EXPECT_FALSE(fwimage::BreaksSizeRule(header, 1));
}

// ---- Fields.

TEST(ImageFields, AFieldIsReadOnlyWhenTheImageHoldsAllOfIt) {
  Image image(HeaderBytes(0x12, 0x34, 0x00) + std::string("..Maker\0\0\x01", 10));
  ByteSource& source = image.Open();
  uint8_t field[fwimage::kMaxCompareLength] = {};
  ASSERT_TRUE(fwimage::ReadField(source, 6, 8, field));
  // Bytes after a terminator are read too.
  EXPECT_EQ(std::string("Maker\0\0\x01", 8), std::string(reinterpret_cast<char*>(field), 8));
  // One byte past the end: not a field, even though the bytes read agree.
  EXPECT_FALSE(fwimage::ReadField(source, 6, 9, field));
  // Past the end entirely.
  EXPECT_FALSE(fwimage::ReadField(source, 100, 36, field));
}

// ---- The version the image delivers.

TEST(ImageVersion, TheLayoutPicksTheWordAndBits4To6AreAdded) {
  struct Case {
    uint8_t flags;
    uint16_t expected;
  };
  const Case cases[] = {
      {0x08, 0x1234},  // long: 8012, nothing added
      {0x80, 0x1234},  // long: 8012, nothing added
      {0x00, 0x5678},  // short: 8044
      {0x70, 0x567F},  // short, plus 7
      {0xF8, 0x123B},  // long, plus 7
      {0x1C, 0x1235},  // long, plus 1
  };
  for (const Case& c : cases) {
    Image image(28848, HeaderBytes(0x0D, 0x12, c.flags));
    image.Put(8012, "\x34\x12");
    image.Put(8044, "\x78\x56");
    EXPECT_EQ(c.expected, fwimage::DeliveredVersion(image.Open())) << int(c.flags);
  }
}

TEST(ImageVersion, TheAdditionWrapsAtSixteenBits) {
  Image image(28801, HeaderBytes(0x0D, 0x12, 0x30));
  image.Put(8044, "\xFE\xFF");
  EXPECT_EQ(0x0001, fwimage::DeliveredVersion(image.Open()));
}

TEST(ImageVersion, BytesTheImageLacksCountAsZero) {
  Image endsInside(8045, HeaderBytes(0x12, 0x34, 0x20));
  endsInside.Put(8044, "\x99");
  EXPECT_EQ(0x0099 + 2, fwimage::DeliveredVersion(endsInside.Open()));

  Image endsBefore(HeaderBytes(0x12, 0x34, 0x50));
  EXPECT_EQ(5, fwimage::DeliveredVersion(endsBefore.Open()));

  // Without byte 2 the flags count as 0: the short layout, nothing added.
  Image twoBytes(std::string("\x12\x34", 2));
  EXPECT_EQ(0, fwimage::DeliveredVersion(twoBytes.Open()));
  Image empty{std::string()};
  EXPECT_EQ(0, fwimage::DeliveredVersion(empty.Open()));
}

TEST(ImageVersion, ReadsOnlyTheHeaderAndTheWord) {
  Image image(uint64_t{1} << 30, HeaderBytes(0x0D, 0x12, 0x00));
  fwimage::DeliveredVersion(image.Open());
  EXPECT_EQ(6u, image.BytesRead());
}

// ---- Compatibility rules, one test per row.

// An image of the fixed short size whose word at 8044 is `word`.
class Compatibility : public ::testing::Test {
 protected:
  int Rule(uint8_t flags, uint8_t revision, uint8_t options, uint64_t size = 28801,
           const std::string& word = "\x10\x90") {
    Image image(size, HeaderBytes(0x0D, 0x12, flags));
    if (size >= 8046) image.Put(8044, word);
    int rule = fwimage::MatchingCompatibilityRule(image.Open(), flags, size, revision, options);
    lastBytesRead_ = image.BytesRead();
    return rule;
  }
  uint64_t lastBytesRead_ = 0;
};

TEST_F(Compatibility, Rule1OptionBitOnChip10WithAllOptions) {
  EXPECT_EQ(1, Rule(0x04, 0x10, 0x30, 100));
  EXPECT_EQ(1, Rule(0x74, 0x10, 0xFF, 100));  // other bits count for nothing
  EXPECT_EQ(0, Rule(0x0C, 0x10, 0x30, 100));  // bit 3 set
  EXPECT_EQ(0, Rule(0x00, 0x10, 0x30, 100));  // bit 2 clear
  EXPECT_EQ(0, Rule(0x84, 0x10, 0x30, 100));  // bit 7 set
  EXPECT_EQ(0, Rule(0x04, 0x10, 0x20, 100));
  EXPECT_EQ(0, Rule(0x04, 0xB2, 0x30, 28801, "\x11\x90"));
}

TEST_F(Compatibility, Rule2NoOptionBitOnChip10WithoutOptions) {
  EXPECT_EQ(2, Rule(0x00, 0x10, 0x00, 100));
  EXPECT_EQ(2, Rule(0x00, 0x10, 0xCF, 100));  // only bits 4 and 5 of the options count
  EXPECT_EQ(0, Rule(0x08, 0x10, 0x00, 100));
  EXPECT_EQ(0, Rule(0x00, 0x10, 0x10, 100));
  EXPECT_EQ(0, Rule(0x00, 0x11, 0x00, 100));
}

TEST_F(Compatibility, Rule3LongLayoutWithOptionBitOnB2OrB3WithAllOptions) {
  EXPECT_EQ(3, Rule(0x0C, 0xB2, 0x30, 100));
  EXPECT_EQ(3, Rule(0x0C, 0xB3, 0x30, 100));
  EXPECT_EQ(0, Rule(0x0C, 0x10, 0x30, 100));
  EXPECT_EQ(0, Rule(0x0C, 0xB3, 0x20, 100));
  EXPECT_EQ(0, Rule(0x8C, 0xB3, 0x30, 100));
}

TEST_F(Compatibility, Rule4LongLayoutWithoutOptionBitOnB2OrB3WithoutOptions) {
  EXPECT_EQ(4, Rule(0x08, 0xB2, 0x00, 100));
  EXPECT_EQ(4, Rule(0x08, 0xB3, 0x00, 100));
  EXPECT_EQ(0, Rule(0x08, 0xB3, 0x30, 100));
  EXPECT_EQ(0, Rule(0x08, 0x10, 0x00, 100));
}

TEST_F(Compatibility, Rule5Bit7OnB2OrB3WithOption10WhateverBits2And3) {
  for (uint8_t flags : {0x80, 0x84, 0x88, 0x8C, 0xFC}) {
    EXPECT_EQ(5, Rule(flags, 0xB2, 0x10, 100)) << int(flags);
    EXPECT_EQ(5, Rule(flags, 0xB3, 0x10, 100)) << int(flags);
  }
  EXPECT_EQ(0, Rule(0x80, 0xB3, 0x00, 100));
  EXPECT_EQ(0, Rule(0x80, 0xB3, 0x20, 100));
  EXPECT_EQ(0, Rule(0x80, 0x10, 0x10, 100));
}

TEST_F(Compatibility, Rule6OptionBitOnB2OrB3WithAnyOptionAndTheSignature) {
  EXPECT_EQ(6, Rule(0x04, 0xB3, 0x20));
  EXPECT_EQ(6, Rule(0x04, 0xB2, 0x10));
  EXPECT_EQ(6, Rule(0x0C, 0xB3, 0x20));  // bit 3 either way
  EXPECT_EQ(0, Rule(0x04, 0xB3, 0x20, 28801, "\x11\x90"));
  EXPECT_EQ(0, Rule(0x04, 0xB3, 0x20, 28802));
  EXPECT_EQ(0, Rule(0x04, 0xB3, 0x00));
  EXPECT_EQ(0, Rule(0x04, 0x10, 0x20));
}

TEST_F(Compatibility, Rule7NoOptionBitOnB2OrB3WithoutOptionsAndTheSignature) {
  EXPECT_EQ(7, Rule(0x00, 0xB2, 0x00));
  EXPECT_EQ(7, Rule(0x70, 0xB3, 0x00));
  EXPECT_EQ(0, Rule(0x00, 0xB2, 0x00, 28801, "\x10\x91"));
  EXPECT_EQ(0, Rule(0x00, 0xB2, 0x00, 28848));
  EXPECT_EQ(0, Rule(0x00, 0xB2, 0x10));
}

TEST_F(Compatibility, EarlierRowsWinWhenSeveralHold) {
  // Rule 3 holds, and so would rule 6.
  EXPECT_EQ(3, Rule(0x0C, 0xB3, 0x30));
  // Rule 4 holds, and so would rule 7.
  EXPECT_EQ(4, Rule(0x08, 0xB2, 0x00));
}

TEST_F(Compatibility, AnyOtherChipRevisionSuitsNoImage) {
  for (int flags = 0; flags < 256; ++flags) {
    for (uint8_t options : {0x00, 0x10, 0x20, 0x30}) {
      for (uint8_t revision : {0x00, 0x20, 0xB1, 0xB4, 0x11, 0xFF}) {
        ASSERT_EQ(0, Rule(static_cast<uint8_t>(flags), revision, options));
      }
    }
  }
}

// ---- The 0x9010 word.

TEST_F(Compatibility, TheSignatureIsLittleEndianAt8044) {
  EXPECT_EQ(0, Rule(0x04, 0xB3, 0x20, 28801, "\x90\x10"));
  EXPECT_EQ(0, Rule(0x04, 0xB3, 0x20, 28801, std::string("\x00\x00", 2)));
  EXPECT_EQ(6, Rule(0x04, 0xB3, 0x20, 28801, "\x10\x90"));
}

TEST_F(Compatibility, TheSignatureIsReadOnlyWhenTheRestOfRule6Or7Holds) {
  // Chip 0x10: rules 6 and 7 are out before the word is looked at.
  EXPECT_EQ(0, Rule(0x00, 0x10, 0x10));
  EXPECT_EQ(0u, lastBytesRead_);
  // Wrong size: not read either.
  EXPECT_EQ(0, Rule(0x04, 0xB3, 0x20, 30000));
  EXPECT_EQ(0u, lastBytesRead_);
  // Rules 1 to 5 read nothing.
  EXPECT_EQ(5, Rule(0x80, 0xB2, 0x10));
  EXPECT_EQ(0u, lastBytesRead_);
  EXPECT_EQ(6, Rule(0x04, 0xB3, 0x20));
  EXPECT_EQ(2u, lastBytesRead_);
}

// What a kit's author can read off an image: the rules whose flag bits and
// signature it meets, whichever chip comes.
TEST_F(Compatibility, TheRulesAnImageCanMeetAreTheImageHalvesOfTheTable) {
  auto rules = [](uint8_t flags, bool signature) {
    Image image(28801, HeaderBytes(0x0D, 0x12, flags));
    image.Put(8044, signature ? "\x10\x90" : "\x11\x90");
    return fwimage::ImageCompatibilityRules(image.Open(), flags, 28801);
  };
  EXPECT_EQ((1u << 0) | (1u << 5), rules(0x44, true));  // rules 1 and 6
  EXPECT_EQ(1u << 0, rules(0x44, false));               // 6 wants the signature
  EXPECT_EQ((1u << 3) | (1u << 6), rules(0x08, true));  // rules 4 and 7
  EXPECT_EQ(1u << 4, rules(0x80, true));                // rule 5 alone
  EXPECT_EQ((1u << 2) | (1u << 5), rules(0x0C, true));  // rules 3 and 6
  // Whatever rule a chip takes an image by is among them.
  for (int flags = 0; flags < 256; ++flags) {
    for (bool signature : {true, false}) {
      unsigned meets = rules(static_cast<uint8_t>(flags), signature);
      for (uint8_t revision : {0x10, 0xB2, 0xB3}) {
        for (uint8_t options : {0x00, 0x10, 0x20, 0x30}) {
          int rule = Rule(static_cast<uint8_t>(flags), revision, options, 28801,
                          signature ? "\x10\x90" : "\x11\x90");
          if (rule > 0) {
            EXPECT_TRUE(meets & (1u << (rule - 1))) << flags << " rule " << rule;
          }
        }
      }
    }
  }
}

TEST_F(Compatibility, AnImageReportingTheFixedSizeButEndingBeforeTheWordDoesNotMatch) {
  // The size comes from the file system; the bytes may still be missing.
  Image image(HeaderBytes(0x0D, 0x12, 0x04));
  EXPECT_EQ(0, fwimage::MatchingCompatibilityRule(image.Open(), 0x04, 28801, 0xB3, 0x20));
}

}  // namespace
