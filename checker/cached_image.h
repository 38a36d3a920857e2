// An image's bytes as the format can ever look at them, kept so that judging
// an image for every hub reads the file once.
#ifndef QUILLET_CHECKER_CACHED_IMAGE_H_
#define QUILLET_CHECKER_CACHED_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "byte_source.h"
#include "platform.h"

namespace check {

// The header, the two version words and the field stretch (157 bytes), with
// the file's real size. A kit of huge images costs no more memory than one of
// small ones.
class CachedImage : public ByteSource {
 public:
  explicit CachedImage(ByteSource& file);
  uint64_t Size() override { return size_; }
  // Reads inside one cached stretch; any other read yields nothing.
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override;

 private:
  uint64_t size_;
  std::vector<uint8_t> prefix_;  // the stretches, one after the other
  std::vector<size_t> had_;      // how much of each the file had
};

// One cached entry of the image search: null when it could not be opened.
struct CachedEntry {
  std::string name;
  std::shared_ptr<CachedImage> image;
};

// The image search over the cached entries, in their order, as the files
// role serves it to the updater: the plan reads the cache as it would read
// .\Binfile. Nothing else is found or opened.
class CachedImageFiles : public Files {
 public:
  explicit CachedImageFiles(std::vector<CachedEntry> entries);
  std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) override;
  std::unique_ptr<ByteSource> OpenForRead(const char* path) override;

 private:
  std::vector<CachedEntry> entries_;
  std::unordered_map<std::string, size_t> byPath_;  // the first entry of each path
};

}  // namespace check

#endif  // QUILLET_CHECKER_CACHED_IMAGE_H_
