// The firmware image format: raw bytes at absolute offsets. This module reads
// an image through a ByteSource and knows nothing of directories, settings or
// hubs; image selection and the update run both read images through it.
//
// Images come from outside and may be shorter than any field named here.
// Every read says whether the image had the bytes; a field the image lacks
// is never compared, it simply does not match.
#ifndef QUILLET_FWIMAGE_FIRMWARE_IMAGE_H_
#define QUILLET_FWIMAGE_FIRMWARE_IMAGE_H_

#include <cstddef>
#include <cstdint>

#include "byte_source.h"

namespace fwimage {

// Bytes 0-1: ImageId, high byte first. Byte 2: ImageFlags. Byte 3: read with
// them, meaningless to the updater.
constexpr uint64_t kHeaderOffset = 0;
constexpr size_t kHeaderSize = 4;
constexpr size_t kIdHighIndex = 0;
constexpr size_t kIdLowIndex = 1;
constexpr size_t kFlagsIndex = 2;

// ImageFlags bits.
constexpr uint8_t kFlagLongLayoutHigh = 0x80;  // bit 7
constexpr uint8_t kFlagLongLayoutLow = 0x08;   // bit 3
constexpr uint8_t kFlagLongLayout = kFlagLongLayoutHigh | kFlagLongLayoutLow;
constexpr uint8_t kFlagOption = 0x04;   // bit 2
constexpr int kVersionAddendShift = 4;  // bits 4 to 6
constexpr uint8_t kVersionAddendMask = 0x07;

// The firmware version word, little-endian, by layout.
constexpr uint64_t kLongVersionOffset = 8012;
constexpr uint64_t kShortVersionOffset = 8044;
constexpr size_t kVersionSize = 2;
// What compatibility rules 6 and 7 demand at kShortVersionOffset.
constexpr uint16_t kShortSignatureWord = 0x9010;

// The identification fields, by layout: where each starts, how long the
// fields are in the image, and how much of each is compared.
struct FieldLayout {
  uint64_t manufacturer;
  uint64_t product1;
  uint64_t product2;
  size_t manufacturerSize;
  size_t productSize;
};
constexpr FieldLayout kLongFields = {28704, 28752, 28800, 48, 48};
constexpr FieldLayout kShortFields = {28699, 28729, 28765, 30, 36};
constexpr size_t kManufacturerCompareLength = 30;
constexpr size_t kProductCompareLength = 36;
// The longest stretch a field comparison reads.
constexpr size_t kMaxCompareLength = 48;

// The one chip family whose images have fixed sizes: each layout ends with
// its second product field.
constexpr uint8_t kFixedSizeId0 = 0x0D;
constexpr uint8_t kFixedSizeId1 = 0x12;
constexpr uint64_t kFixedLongSize = kLongFields.product2 + kLongFields.productSize;
constexpr uint64_t kFixedShortSize = kShortFields.product2 + kShortFields.productSize;
static_assert(kFixedLongSize == 28848, "a fixed-size long image is 28848 bytes");
static_assert(kFixedShortSize == 28801, "a fixed-size short image is 28801 bytes");

static_assert(kManufacturerCompareLength <= kShortFields.manufacturerSize &&
                  kProductCompareLength <= kShortFields.productSize &&
                  kProductCompareLength <= kMaxCompareLength,
              "compared stretches lie inside their fields");

struct Header {
  uint8_t bytes[kHeaderSize];
  size_t length;  // how many of the bytes the image had (0 to kHeaderSize)
};

// Reads the header; true when the image had all of it. Bytes it lacks are 0
// in `bytes` but must not be compared: see `length`.
bool ReadHeader(ByteSource& image, Header* header);

inline uint8_t Flags(const Header& header) { return header.bytes[kFlagsIndex]; }
inline uint16_t ImageId(const Header& header) {
  return static_cast<uint16_t>((header.bytes[kIdHighIndex] << 8) | header.bytes[kIdLowIndex]);
}
// True when the image has both identifier bytes and they hold imageId.
bool HasImageId(const Header& header, uint16_t imageId);

inline bool IsLongLayout(uint8_t flags) { return (flags & kFlagLongLayout) != 0; }
inline const FieldLayout& FieldsFor(uint8_t flags) {
  return IsLongLayout(flags) ? kLongFields : kShortFields;
}
inline uint64_t VersionOffsetFor(uint8_t flags) {
  return IsLongLayout(flags) ? kLongVersionOffset : kShortVersionOffset;
}
inline uint16_t VersionAddend(uint8_t flags) {
  return (flags >> kVersionAddendShift) & kVersionAddendMask;
}

// A 0x0D 0x12 image must be exactly the size of its layout. One too short to
// hold ImageFlags breaks the rule under either layout.
bool BreaksSizeRule(const Header& header, uint64_t size);

// Reads `length` bytes at `offset`; false when the image ends before the
// field does (`out` then holds nothing to compare).
bool ReadField(ByteSource& image, uint64_t offset, size_t length, uint8_t* out);

// The firmware version the image delivers, as the update run compares it
// with a hub's: the version word of the image's layout plus the addend of
// ImageFlags, modulo 2^16. Bytes the image lacks count as 0, and flags that
// cannot be read count as 0.
uint16_t DeliveredVersion(ByteSource& image);

// The chip compatibility rules, tried in order. Each bit condition is
// Clear, Set or Either.
enum class Bit : uint8_t { kClear, kSet, kEither };

// Chip revisions, as a set.
enum : uint8_t { kRevision10 = 1, kRevisionB2 = 2, kRevisionB3 = 4 };
// ChipOptions & 0x30, as a set.
enum : uint8_t { kOptions00 = 1, kOptions10 = 2, kOptions20 = 4, kOptions30 = 8 };

struct CompatibilityRule {
  Bit bit7;
  Bit bit2;
  Bit bit3;
  uint8_t options;      // set of kOptions..
  uint8_t revisions;    // set of kRevision..
  bool shortSignature;  // size 28801 and kShortSignatureWord at 8044
};

constexpr int kCompatibilityRuleCount = 7;
extern const CompatibilityRule kCompatibilityRules[kCompatibilityRuleCount];

// The number (1 to 7) of the first rule under which an image with these
// flags and this size suits the chip, or 0. The version word at 8044 is read
// only when every other condition of rule 6 or 7 holds.
int MatchingCompatibilityRule(ByteSource& image, uint8_t flags, uint64_t size, uint8_t chipRevision,
                              uint8_t chipOptions);

// The image's half of a rule: its flag bits and, for rules 6 and 7, its
// size and signature word. A chip of the rule's revisions and options then
// takes it.
bool ImageMeetsRule(const CompatibilityRule& rule, ByteSource& image, uint8_t flags, uint64_t size);

// The rules whose image half this image meets, bit n-1 for rule n: what a
// kit's author can read off an image before any hub is known.
unsigned ImageCompatibilityRules(ByteSource& image, uint8_t flags, uint64_t size);

}  // namespace fwimage

#endif  // QUILLET_FWIMAGE_FIRMWARE_IMAGE_H_
