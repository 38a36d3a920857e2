#include "cached_image.h"

#include <algorithm>
#include <cstring>

#include "firmware_image.h"
#include "selection.h"

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

// A cached image handed out as an open file.
class CachedView : public ByteSource {
 public:
  explicit CachedView(std::shared_ptr<CachedImage> image) : image_(std::move(image)) {}
  uint64_t Size() override { return image_->Size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    return image_->ReadAt(offset, buffer, count);
  }

 private:
  std::shared_ptr<CachedImage> image_;
};

class EntrySearch : public DirectorySearch {
 public:
  explicit EntrySearch(const std::vector<CachedEntry>& entries) : entries_(entries) {}
  const char* Name() const override { return entries_[at_].name.c_str(); }
  bool Next() override { return ++at_ < entries_.size(); }

 private:
  const std::vector<CachedEntry>& entries_;
  size_t at_ = 0;
};

}  // namespace

std::unique_ptr<DirectorySearch> CachedImageFiles::FindFiles(const char* pattern) {
  if (entries_.empty() || std::strcmp(pattern, kImagePattern) != 0) return nullptr;
  return std::unique_ptr<DirectorySearch>(new EntrySearch(entries_));
}

CachedImageFiles::CachedImageFiles(std::vector<CachedEntry> entries)
    : entries_(std::move(entries)) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    char path[kImagePathSize];
    if (MakeImagePath(entries_[i].name.c_str(), path)) byPath_.emplace(path, i);
  }
}

std::unique_ptr<ByteSource> CachedImageFiles::OpenForRead(const char* path) {
  auto found = byPath_.find(path);
  if (found == byPath_.end() || !entries_[found->second].image) return nullptr;
  return std::unique_ptr<ByteSource>(new CachedView(entries_[found->second].image));
}

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
