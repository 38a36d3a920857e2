// Firmware images for the example tests, built by what their bytes mean
// rather than by raw offsets. The format's places are written out here on
// their own, not taken from fwimage/: tests/fwimage pins the reader to the
// same numbers, and the property tests' oracles keep a restatement of their
// own.
//
//   std::string image = ImageBuilder(0x0D12, 0x08).Version(0x0A21)
//                           .Manufacturer("Maker Inc.").Product1("USB3.0 Hub").Bytes();
#ifndef QUILLET_TESTS_SUPPORT_IMAGE_BUILDER_H_
#define QUILLET_TESTS_SUPPORT_IMAGE_BUILDER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ImageBuilder {
 public:
  // The fixed sizes of the two layouts, and where the short layout's
  // version word (also the signature word of rules 6 and 7) lies.
  static constexpr size_t kLongSize = 28848;
  static constexpr size_t kShortSize = 28801;
  static constexpr size_t kLongVersionAt = 8012;
  static constexpr size_t kShortVersionAt = 8044;

  // An image whose header holds `imageId` (high byte first) and `flags`;
  // bit 7 or bit 3 of the flags makes it a long-layout image. It is the
  // fixed size of its layout until Size() says otherwise; byte 3 and every
  // byte nothing is put at hold Fill()'s byte (0 unless said).
  ImageBuilder(uint16_t imageId, uint8_t flags);

  ImageBuilder& Size(size_t size);
  ImageBuilder& Fill(char byte);
  // The version word, little-endian, where the image's layout keeps it.
  ImageBuilder& Version(uint16_t word);
  // 0x9010 at the short layout's version place, whatever the layout.
  ImageBuilder& ShortSignature();
  // The identification fields of the image's layout, text as given.
  ImageBuilder& Manufacturer(const std::string& text);
  ImageBuilder& Product1(const std::string& text);
  ImageBuilder& Product2(const std::string& text);
  // Bytes at a place of the test's choosing, for tests about the place.
  ImageBuilder& At(size_t offset, const std::string& bytes);

  // The image: everything put, cut at its size.
  std::string Bytes() const;

  bool IsLong() const { return (flags_ & 0x88) != 0; }

 private:
  struct Piece {
    size_t offset;
    std::string bytes;
  };
  uint8_t flags_;
  size_t size_;
  char fill_ = '\0';
  std::vector<Piece> pieces_;
};

// A version word as the image keeps it: low byte first.
std::string LittleEndian(uint16_t word);

#endif  // QUILLET_TESTS_SUPPORT_IMAGE_BUILDER_H_
