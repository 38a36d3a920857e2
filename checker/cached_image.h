// An image's bytes as the format can ever look at them, kept so that judging
// an image for every hub reads the file once.
#ifndef QUILLET_CHECKER_CACHED_IMAGE_H_
#define QUILLET_CHECKER_CACHED_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "byte_source.h"

namespace check {

// The header, the two version words and the field stretch (157 bytes), with
// the file's real size. A kit of huge images costs no more memory than one of
// small ones.
class CachedImage : public ByteSource {
 public:
  // Every field the format reads ends inside a fixed-size long image.
  static constexpr uint64_t kCachedPrefix = 28848;
  explicit CachedImage(ByteSource& file);
  uint64_t Size() override { return size_; }
  // Reads inside one cached stretch; any other read yields nothing.
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override;

 private:
  uint64_t size_;
  std::vector<uint8_t> prefix_;  // the stretches, one after the other
  std::vector<size_t> had_;      // how much of each the file had
};

}  // namespace check

#endif  // QUILLET_CHECKER_CACHED_IMAGE_H_
