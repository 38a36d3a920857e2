#include "kit_compare.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform.h"

namespace check {

namespace {

// Images are tens of kilobytes; a file past this is named rather than read
// to its end.
constexpr uint64_t kMaxComparedSize = uint64_t{64} << 20;

enum class Comparison { kSame, kDiffers, kTooLarge };

// Compared in chunks, so two large files cost no more memory than two small.
Comparison CompareFiles(Files& a, Files& b, const char* path) {
  std::unique_ptr<ByteSource> first = a.OpenForRead(path);
  std::unique_ptr<ByteSource> second = b.OpenForRead(path);
  if (!first || !second) return !first && !second ? Comparison::kSame : Comparison::kDiffers;
  uint64_t size = first->Size();
  if (size != second->Size()) return Comparison::kDiffers;
  if (size > kMaxComparedSize) return Comparison::kTooLarge;
  std::vector<uint8_t> x(65536);
  std::vector<uint8_t> y(65536);
  for (uint64_t at = 0; at < size;) {
    size_t got = first->ReadAt(at, x.data(), x.size());
    if (second->ReadAt(at, y.data(), y.size()) != got) return Comparison::kDiffers;
    if (got == 0) break;
    if (std::memcmp(x.data(), y.data(), got) != 0) return Comparison::kDiffers;
    at += got;
  }
  return Comparison::kSame;
}

}  // namespace

void CompareKits(const KitReport& x86, const KitReport& x64, Files& filesX86, Files& filesX64,
                 std::vector<Finding>* into) {
  auto compare = [&](const std::string& name, const char* path) {
    switch (CompareFiles(filesX86, filesX64, path)) {
      case Comparison::kSame: break;
      case Comparison::kDiffers:
        Add(into, FindingCode::kKitDiffers, 0,
            name + " differs: 32-bit and 64-bit Windows would get different results");
        break;
      case Comparison::kTooLarge:
        Add(into, FindingCode::kKitNotCompared, 0,
            name + " is larger than 64 MiB in both: not compared");
        break;
    }
  };
  auto onlyIn = [&](const std::string& name, const char* folder) {
    Add(into, FindingCode::kKitDiffers, 0,
        name + " is only in " + folder + ": 32-bit and 64-bit Windows would get different results");
  };
  compare("SpiFlash.ini", kSettingsPath);
  std::map<std::string, bool> names;  // name -> also in x64
  for (const ImageRow& row : x86.images) names[row.name] = false;
  for (const ImageRow& row : x64.images) {
    auto known = names.find(row.name);
    if (known == names.end()) {
      onlyIn(row.name, "x64");
      continue;
    }
    known->second = true;
    char path[kImagePathSize];
    if (MakeImagePath(row.name.c_str(), path)) compare(row.name, path);
  }
  for (const auto& name : names) {
    if (!name.second) onlyIn(name.first, "x86");
  }
}

}  // namespace check
