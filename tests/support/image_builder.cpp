#include "image_builder.h"

namespace {

// Where each layout's identification fields start.
struct Fields {
  size_t manufacturer;
  size_t product1;
  size_t product2;
};
constexpr Fields kLongFields = {28704, 28752, 28800};
constexpr Fields kShortFields = {28699, 28729, 28765};

}  // namespace

std::string LittleEndian(uint16_t word) {
  return std::string{static_cast<char>(word & 0xFF), static_cast<char>(word >> 8)};
}

ImageBuilder::ImageBuilder(uint16_t imageId, uint8_t flags)
    : flags_(flags), size_(IsLong() ? kLongSize : kShortSize) {
  At(0, std::string{static_cast<char>(imageId >> 8), static_cast<char>(imageId & 0xFF),
                    static_cast<char>(flags)});
}

ImageBuilder& ImageBuilder::Size(size_t size) {
  size_ = size;
  return *this;
}

ImageBuilder& ImageBuilder::Fill(char byte) {
  fill_ = byte;
  return *this;
}

ImageBuilder& ImageBuilder::Version(uint16_t word) {
  return At(IsLong() ? kLongVersionAt : kShortVersionAt, LittleEndian(word));
}

ImageBuilder& ImageBuilder::ShortSignature() { return At(kShortVersionAt, LittleEndian(0x9010)); }

ImageBuilder& ImageBuilder::Manufacturer(const std::string& text) {
  return At((IsLong() ? kLongFields : kShortFields).manufacturer, text);
}

ImageBuilder& ImageBuilder::Product1(const std::string& text) {
  return At((IsLong() ? kLongFields : kShortFields).product1, text);
}

ImageBuilder& ImageBuilder::Product2(const std::string& text) {
  return At((IsLong() ? kLongFields : kShortFields).product2, text);
}

ImageBuilder& ImageBuilder::At(size_t offset, const std::string& bytes) {
  pieces_.push_back(Piece{offset, bytes});
  return *this;
}

std::string ImageBuilder::Bytes() const {
  std::string image(size_, fill_);
  for (const Piece& piece : pieces_) {
    for (size_t i = 0; i < piece.bytes.size() && piece.offset + i < size_; ++i)
      image[piece.offset + i] = piece.bytes[i];
  }
  return image;
}
