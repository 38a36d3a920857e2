// Reads the images that make_image.py wrote from tests/imagemaker/images/*.image with
// the updater's own image reader, so the maker and the updater check each
// other's idea of the format.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "firmware_image.h"

namespace {

class FileSource : public ByteSource {
 public:
  explicit FileSource(const std::string& name)
      : file_(std::fopen((std::string(IMAGE_DIR "/") + name).c_str(), "rb")) {}
  ~FileSource() override {
    if (file_) std::fclose(file_);
  }
  bool Open() const { return file_ != nullptr; }
  uint64_t Size() override {
    std::fseek(file_, 0, SEEK_END);
    return static_cast<uint64_t>(std::ftell(file_));
  }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return 0;
    return std::fread(buffer, 1, count, file_);
  }

 private:
  std::FILE* file_;
};

std::string Field(FileSource& image, uint64_t offset, size_t length) {
  std::string out(length, '?');
  EXPECT_TRUE(fwimage::ReadField(image, offset, length, reinterpret_cast<uint8_t*>(&out[0])));
  return out;
}

std::string Padded(const char* text, size_t length, size_t textLength = 0) {
  std::string out(text, textLength ? textLength : std::strlen(text));
  out.resize(length, '\0');
  return out;
}

TEST(MadeImages, LongLayoutReadsBackThroughTheUpdatersReader) {
  FileSource image("long_rule5.BIN");
  ASSERT_TRUE(image.Open());
  fwimage::Header header;
  ASSERT_TRUE(fwimage::ReadHeader(image, &header));
  EXPECT_TRUE(fwimage::HasImageId(header, 0x0D12));
  EXPECT_EQ(0x88, fwimage::Flags(header));
  EXPECT_TRUE(fwimage::IsLongLayout(fwimage::Flags(header)));
  EXPECT_EQ(fwimage::kFixedLongSize, image.Size());
  EXPECT_FALSE(fwimage::BreaksSizeRule(header, image.Size()));
  EXPECT_EQ(0x0A21, fwimage::DeliveredVersion(image));
  const fwimage::FieldLayout& f = fwimage::kLongFields;
  EXPECT_EQ(Padded("Quillet Labs", 48), Field(image, f.manufacturer, f.manufacturerSize));
  EXPECT_EQ(Padded("USB3.0 Hub", 48), Field(image, f.product1, f.productSize));
  EXPECT_EQ(Padded("USB3.0 Dock Hub", 48), Field(image, f.product2, f.productSize));
  EXPECT_EQ(5, fwimage::MatchingCompatibilityRule(image, 0x88, image.Size(), 0xB3, 0x10));
}

TEST(MadeImages, ShortLayoutReadsBackThroughTheUpdatersReader) {
  FileSource image("short_rule6.BIN");
  ASSERT_TRUE(image.Open());
  fwimage::Header header;
  ASSERT_TRUE(fwimage::ReadHeader(image, &header));
  EXPECT_EQ(0x74, fwimage::Flags(header));
  EXPECT_FALSE(fwimage::IsLongLayout(0x74));
  EXPECT_EQ(fwimage::kFixedShortSize, image.Size());
  EXPECT_FALSE(fwimage::BreaksSizeRule(header, image.Size()));
  EXPECT_EQ(0x9017, fwimage::DeliveredVersion(image));
  const fwimage::FieldLayout& f = fwimage::kShortFields;
  EXPECT_EQ(Padded("Quillet Labs", 30), Field(image, f.manufacturer, f.manufacturerSize));
  EXPECT_EQ(Padded("USB\0Hub", 36, 7), Field(image, f.product1, f.productSize));
  EXPECT_EQ(Padded("Spare", 36), Field(image, f.product2, f.productSize));
  EXPECT_EQ(6, fwimage::MatchingCompatibilityRule(image, 0x74, image.Size(), 0xB2, 0x20));
}

TEST(MadeImages, PatchedSignatureFailsRuleSix) {
  FileSource image("short_bad_signature.BIN");
  ASSERT_TRUE(image.Open());
  EXPECT_EQ(fwimage::kFixedShortSize, image.Size());
  EXPECT_EQ(0, fwimage::MatchingCompatibilityRule(image, 0x74, image.Size(), 0xB2, 0x20));
  EXPECT_EQ(0x9011 + 7, fwimage::DeliveredVersion(image));
}

TEST(MadeImages, DeliberatelyWrongSizeBreaksTheSizeRule) {
  FileSource image("long_too_long.BIN");
  ASSERT_TRUE(image.Open());
  fwimage::Header header;
  ASSERT_TRUE(fwimage::ReadHeader(image, &header));
  EXPECT_EQ(fwimage::kFixedLongSize + 1, image.Size());
  EXPECT_TRUE(fwimage::BreaksSizeRule(header, image.Size()));
}

TEST(MadeImages, OtherFamilyHasNoSizeRuleAndNoVersionWord) {
  FileSource image("other_family.BIN");
  ASSERT_TRUE(image.Open());
  fwimage::Header header;
  ASSERT_TRUE(fwimage::ReadHeader(image, &header));
  EXPECT_TRUE(fwimage::HasImageId(header, 0x1D55));
  EXPECT_EQ(100u, image.Size());
  EXPECT_FALSE(fwimage::BreaksSizeRule(header, image.Size()));
  EXPECT_EQ(3, fwimage::DeliveredVersion(image));
}

}  // namespace
