#include "image_check.h"

#include <algorithm>
#include <memory>

#include "byte_source.h"
#include "platform.h"
#include "selection.h"
#include "whole_file.h"

ImageList ReadImageList(Files& files) {
  ImageList read;
  std::unique_ptr<DirectorySearch> search =
      files.FindFiles((kImageDirectory + std::string(imagesums::kListName)).c_str());
  if (!search) return read;
  read.name = search->Name();
  search.reset();

  std::unique_ptr<ByteSource> source = files.OpenForRead((kImageDirectory + read.name).c_str());
  std::string text;
  if (!source || ReadWhole(*source, imagesums::kMaxListSize, &text) != WholeFile::kRead) {
    read.state = ListState::kUnreadable;
    return read;
  }
  read.state = imagesums::ReadList(text, &read.list) ? ListState::kRead : ListState::kBad;
  return read;
}

HashOutcome HashSource(ByteSource& source, Sha256& hash, imagesums::Digest* digest) {
  const uint64_t size = source.Size();
  uint64_t at = 0;
  return HashPieces(
      hash,
      [&](void* buffer, size_t count, size_t* got) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(count, size - at));
        *got = want == 0 ? 0 : source.ReadAt(at, buffer, want);
        at += *got;
        // A file that ends before its size said has changed under us.
        return *got == want;
      },
      digest);
}

HashOutcome HashFile(Files& files, const char* path, imagesums::Digest* digest) {
  std::unique_ptr<ByteSource> source = files.OpenForRead(path);
  if (!source) return HashOutcome::kUnreadable;
  std::unique_ptr<Sha256> hash = files.NewSha256();
  if (!hash) return HashOutcome::kNoHash;
  return HashSource(*source, *hash, digest);
}

ImageCheckResult CheckAgainst(const ImageList& list, Files& files, const std::string& name) {
  ImageCheckResult result;
  switch (list.state) {
    case ListState::kAbsent: result.check = ImageCheck::kNoList; return result;
    case ListState::kUnreadable: result.check = ImageCheck::kListUnreadable; return result;
    case ListState::kBad:
      result.check = ImageCheck::kListBad;
      result.faultLine = list.list.faultLine;
      result.fault = list.list.fault;
      return result;
    case ListState::kRead: break;
  }
  const imagesums::Entry* entry = imagesums::FindEntry(list.list, name);
  if (entry == nullptr) {
    result.check = ImageCheck::kNotListed;
    return result;
  }
  result.listedLine = entry->line;
  result.listed = entry->digest;
  char path[kImagePathSize];
  // A name the updater's path cannot hold is never chosen, nor read here.
  if (!MakeImagePath(name.c_str(), path)) {
    result.check = ImageCheck::kImageUnreadable;
    return result;
  }
  switch (HashFile(files, path, &result.computed)) {
    case HashOutcome::kUnreadable: result.check = ImageCheck::kImageUnreadable; return result;
    case HashOutcome::kNoHash: result.check = ImageCheck::kNoHash; return result;
    case HashOutcome::kHashed: break;
  }
  result.check = result.computed == result.listed ? ImageCheck::kVerified : ImageCheck::kDiffers;
  return result;
}

ImageCheckResult CheckImage(Files& files, const std::string& name) {
  return CheckAgainst(ReadImageList(files), files, name);
}
