#include "firmware_image.h"

#include <cstring>

namespace fwimage {

namespace {

bool BitHolds(Bit condition, uint8_t flags, uint8_t bit) {
  switch (condition) {
    case Bit::kClear: return (flags & bit) == 0;
    case Bit::kSet: return (flags & bit) != 0;
    case Bit::kEither: return true;
  }
  return false;
}

uint8_t RevisionSet(uint8_t chipRevision) {
  switch (chipRevision) {
    case 0x10: return kRevision10;
    case 0xB2: return kRevisionB2;
    case 0xB3: return kRevisionB3;
    default: return 0;
  }
}

// Only bits 4 and 5 of the chip's options count.
uint8_t OptionSet(uint8_t chipOptions) {
  return static_cast<uint8_t>(1u << ((chipOptions & 0x30) >> 4));
}

uint16_t LittleEndianWord(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

bool HasShortSignature(ByteSource& image, uint64_t size) {
  if (size != kFixedShortSize) return false;
  uint8_t word[kVersionSize];
  if (!ReadField(image, kShortVersionOffset, sizeof word, word)) return false;
  return LittleEndianWord(word) == kShortSignatureWord;
}

}  // namespace

// One rule to a line, its columns aligned.
// clang-format off
const CompatibilityRule kCompatibilityRules[kCompatibilityRuleCount] = {
    // bit 7     bit 2        bit 3        ChipOptions & 0x30                    ChipRevision               28801 bytes, 0x9010 at 8044
    {Bit::kClear, Bit::kSet,    Bit::kClear,  kOptions30,                           kRevision10,               false},
    {Bit::kClear, Bit::kClear,  Bit::kClear,  kOptions00,                           kRevision10,               false},
    {Bit::kClear, Bit::kSet,    Bit::kSet,    kOptions30,                           kRevisionB2 | kRevisionB3, false},
    {Bit::kClear, Bit::kClear,  Bit::kSet,    kOptions00,                           kRevisionB2 | kRevisionB3, false},
    {Bit::kSet,   Bit::kEither, Bit::kEither, kOptions10,                           kRevisionB2 | kRevisionB3, false},
    {Bit::kClear, Bit::kSet,    Bit::kEither, kOptions10 | kOptions20 | kOptions30, kRevisionB2 | kRevisionB3, true},
    {Bit::kClear, Bit::kClear,  Bit::kEither, kOptions00,                           kRevisionB2 | kRevisionB3, true},
};
// clang-format on

bool ReadHeader(ByteSource& image, Header* header) {
  std::memset(header->bytes, 0, sizeof header->bytes);
  header->length = image.ReadAt(kHeaderOffset, header->bytes, kHeaderSize);
  if (header->length > kHeaderSize) header->length = kHeaderSize;
  return header->length == kHeaderSize;
}

bool HasImageId(const Header& header, uint16_t imageId) {
  return header.length > kIdLowIndex && ImageId(header) == imageId;
}

bool BreaksSizeRule(const Header& header, uint64_t size) {
  if (!HasImageId(header, (kFixedSizeId0 << 8) | kFixedSizeId1)) return false;
  if (header.length <= kFlagsIndex) return true;
  uint64_t required = IsLongLayout(Flags(header)) ? kFixedLongSize : kFixedShortSize;
  return size != required;
}

bool ReadField(ByteSource& image, uint64_t offset, size_t length, uint8_t* out) {
  return image.ReadAt(offset, out, length) == length;
}

uint16_t DeliveredVersion(ByteSource& image) {
  Header header;
  ReadHeader(image, &header);
  uint8_t flags = header.length > kFlagsIndex ? Flags(header) : 0;
  // A short read leaves the missing bytes of the word at 0.
  uint8_t word[kVersionSize] = {};
  image.ReadAt(VersionOffsetFor(flags), word, sizeof word);
  return static_cast<uint16_t>(LittleEndianWord(word) + VersionAddend(flags));
}

int MatchingCompatibilityRule(ByteSource& image, uint8_t flags, uint64_t size, uint8_t chipRevision,
                              uint8_t chipOptions) {
  uint8_t revision = RevisionSet(chipRevision);
  uint8_t options = OptionSet(chipOptions);
  for (int i = 0; i < kCompatibilityRuleCount; ++i) {
    const CompatibilityRule& rule = kCompatibilityRules[i];
    if ((rule.options & options) == 0 || (rule.revisions & revision) == 0) continue;
    if (ImageMeetsRule(rule, image, flags, size)) return i + 1;
  }
  return 0;
}

bool ImageMeetsRule(const CompatibilityRule& rule, ByteSource& image, uint8_t flags,
                    uint64_t size) {
  if (!BitHolds(rule.bit7, flags, kFlagLongLayoutHigh) ||
      !BitHolds(rule.bit2, flags, kFlagOption) || !BitHolds(rule.bit3, flags, kFlagLongLayoutLow)) {
    return false;
  }
  return !rule.shortSignature || HasShortSignature(image, size);
}

unsigned ImageCompatibilityRules(ByteSource& image, uint8_t flags, uint64_t size) {
  unsigned rules = 0;
  for (int i = 0; i < kCompatibilityRuleCount; ++i) {
    if (ImageMeetsRule(kCompatibilityRules[i], image, flags, size)) rules |= 1u << i;
  }
  return rules;
}

}  // namespace fwimage
