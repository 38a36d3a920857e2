#include "cached_image.h"

#include <algorithm>
#include <cstring>

#include "firmware_image.h"

namespace check {

namespace {

// The stretches of an image the format reads: the header, both version
// words, and the identification fields of both layouts.
struct Stretch {
  uint64_t offset;
  size_t length;
};
constexpr Stretch kStretches[] = {
    {fwimage::kHeaderOffset, fwimage::kHeaderSize},
    {fwimage::kLongVersionOffset, fwimage::kVersionSize},
    {fwimage::kShortVersionOffset, fwimage::kVersionSize},
    {fwimage::kShortFields.manufacturer,
     fwimage::kFixedLongSize - fwimage::kShortFields.manufacturer},
};
static_assert(fwimage::kShortFields.manufacturer < fwimage::kLongFields.manufacturer,
              "the field stretch starts with the short layout's manufacturer field");
static_assert(CachedImage::kCachedPrefix == fwimage::kFixedLongSize,
              "nothing the format reads lies past a fixed-size long image");

}  // namespace

CachedImage::CachedImage(ByteSource& file) : size_(file.Size()) {
  for (const Stretch& stretch : kStretches) {
    size_t at = prefix_.size();
    prefix_.resize(at + stretch.length);
    size_t got = file.ReadAt(stretch.offset, prefix_.data() + at, stretch.length);
    had_.push_back(got > stretch.length ? stretch.length : got);
  }
}

size_t CachedImage::ReadAt(uint64_t offset, void* buffer, size_t count) {
  size_t at = 0;
  for (size_t s = 0; s < sizeof kStretches / sizeof kStretches[0]; ++s) {
    const Stretch& stretch = kStretches[s];
    if (offset >= stretch.offset && offset + count <= stretch.offset + stretch.length) {
      size_t skip = static_cast<size_t>(offset - stretch.offset);
      size_t n = had_[s] > skip ? std::min(count, had_[s] - skip) : 0;
      std::memcpy(buffer, prefix_.data() + at + skip, n);
      return n;
    }
    at += stretch.length;
  }
  // Only the stretches above are ever read; anything else is refused whole
  // rather than answered wrongly.
  return 0;
}

}  // namespace check
