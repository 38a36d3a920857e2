#include "firmware_image.h"

namespace fwimage {

namespace {

bool BitHolds(Bit condition, uint8_t flags, uint8_t bit) {
  switch (condition) {
    case Bit::Clear: return (flags & bit) == 0;
    case Bit::Set: return (flags & bit) != 0;
    case Bit::Either: return true;
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

uint8_t OptionSet(uint8_t chipOptions) {
  return static_cast<uint8_t>(1u << ((chipOptions & 0x30) >> 4));
}

bool HasShortSignature(ByteSource& image, uint64_t size) {
  if (size != kFixedShortSize) return false;
  uint8_t word[2];
  if (!ReadField(image, kShortVersionOffset, sizeof word, word)) return false;
  return (word[0] | (word[1] << 8)) == kShortSignatureWord;
}

}  // namespace

const CompatibilityRule kCompatibilityRules[kCompatibilityRuleCount] = {
    // bit7        bit2         bit3         ChipOptions&0x30                   ChipRevision                signature
    {Bit::Clear, Bit::Set, Bit::Clear, kOptions30, kRevision10, false},
    {Bit::Clear, Bit::Clear, Bit::Clear, kOptions00, kRevision10, false},
    {Bit::Clear, Bit::Set, Bit::Set, kOptions30, kRevisionB2 | kRevisionB3, false},
    {Bit::Clear, Bit::Clear, Bit::Set, kOptions00, kRevisionB2 | kRevisionB3, false},
    {Bit::Set, Bit::Either, Bit::Either, kOptions10, kRevisionB2 | kRevisionB3, false},
    {Bit::Clear, Bit::Set, Bit::Either, kOptions10 | kOptions20 | kOptions30,
     kRevisionB2 | kRevisionB3, true},
    {Bit::Clear, Bit::Clear, Bit::Either, kOptions00, kRevisionB2 | kRevisionB3, true},
};

bool ReadHeader(ByteSource& image, Header* header) {
  return ReadField(image, kHeaderOffset, kHeaderSize, header->bytes);
}

bool BreaksSizeRule(const Header& header, uint64_t size) {
  if (header.bytes[0] != kFixedSizeId0 || header.bytes[1] != kFixedSizeId1) return false;
  uint64_t required = IsLongLayout(Flags(header)) ? kFixedLongSize : kFixedShortSize;
  return size != required;
}

bool ReadField(ByteSource& image, uint64_t offset, size_t length, uint8_t* out) {
  return image.ReadAt(offset, out, length) == length;
}

uint16_t DeliveredVersion(ByteSource& image) {
  uint8_t header[kHeaderSize] = {};
  size_t got = image.ReadAt(kHeaderOffset, header, sizeof header);
  uint8_t flags = got > kFlagsIndex ? header[kFlagsIndex] : 0;
  uint8_t word[2] = {};
  image.ReadAt(VersionOffsetFor(flags), word, sizeof word);
  uint16_t version = static_cast<uint16_t>(word[0] | (word[1] << 8));
  return static_cast<uint16_t>(version + VersionAddend(flags));
}

int MatchingCompatibilityRule(ByteSource& image, uint8_t flags, uint64_t size,
                              uint8_t chipRevision, uint8_t chipOptions) {
  uint8_t revision = RevisionSet(chipRevision);
  uint8_t options = OptionSet(chipOptions);
  for (int i = 0; i < kCompatibilityRuleCount; ++i) {
    const CompatibilityRule& rule = kCompatibilityRules[i];
    if (!BitHolds(rule.bit7, flags, kFlagLongLayoutHigh) ||
        !BitHolds(rule.bit2, flags, kFlagOption) ||
        !BitHolds(rule.bit3, flags, kFlagLongLayoutLow) || (rule.options & options) == 0 ||
        (rule.revisions & revision) == 0) {
      continue;
    }
    if (rule.shortSignature && !HasShortSignature(image, size)) continue;
    return i + 1;
  }
  return 0;
}

}  // namespace fwimage
