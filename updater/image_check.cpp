#include "image_check.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "byte_source.h"
#include "path_names.h"
#include "platform.h"
#include "sha256.h"
#include "whole_file.h"

namespace {

// Large enough that the hash, not the reads, sets the pace.
constexpr size_t kHashPiece = 1 << 16;

}  // namespace

ListState ReadImageList(Files& files, const std::string& binfile, std::string* listPath,
                        imagesums::List* list) {
  *list = imagesums::List{};
  std::unique_ptr<DirectorySearch> search =
      files.FindFiles((binfile + imagesums::kListName).c_str());
  if (!search) return ListState::kAbsent;
  *listPath = binfile + search->Name();
  search.reset();

  std::unique_ptr<ByteSource> source = files.OpenForRead(listPath->c_str());
  std::string text;
  if (!source || ReadWhole(*source, imagesums::kMaxListSize, &text) != WholeFile::kRead) {
    return ListState::kUnreadable;
  }
  return imagesums::ReadList(text, list) ? ListState::kRead : ListState::kBad;
}

HashOutcome HashSource(ByteSource& source, Sha256& hash, imagesums::Digest* digest) {
  std::vector<char> piece(kHashPiece);
  uint64_t size = source.Size();
  for (uint64_t at = 0; at < size;) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(piece.size(), size - at));
    size_t got = source.ReadAt(at, piece.data(), want);
    // A file that ends before its size said has changed under us.
    if (got != want) return HashOutcome::kUnreadable;
    if (!hash.Update(piece.data(), got)) return HashOutcome::kNoHash;
    at += got;
  }
  return hash.Finish(digest) ? HashOutcome::kHashed : HashOutcome::kNoHash;
}

HashOutcome HashFile(Files& files, const char* path, imagesums::Digest* digest) {
  std::unique_ptr<ByteSource> source = files.OpenForRead(path);
  if (!source) return HashOutcome::kUnreadable;
  std::unique_ptr<Sha256> hash = files.NewSha256();
  if (!hash) return HashOutcome::kNoHash;
  return HashSource(*source, *hash, digest);
}

ImageCheckResult CheckImage(Files& files, const char* imagePath) {
  ImageCheckResult result;
  std::string path(imagePath);
  const std::string name = LastName(path);
  std::string binfile = path.substr(0, path.size() - name.size());
  std::string listPath;
  switch (ReadImageList(files, binfile, &listPath, &result.list)) {
    case ListState::kAbsent: result.check = ImageCheck::kNoList; return result;
    case ListState::kUnreadable: result.check = ImageCheck::kListUnreadable; return result;
    case ListState::kBad: result.check = ImageCheck::kListBad; return result;
    case ListState::kRead: break;
  }
  const imagesums::Entry* entry = imagesums::FindEntry(result.list, name);
  if (entry == nullptr) {
    result.check = ImageCheck::kNotListed;
    return result;
  }
  result.listed = entry->digest;
  switch (HashFile(files, imagePath, &result.computed)) {
    case HashOutcome::kUnreadable: result.check = ImageCheck::kImageUnreadable; return result;
    case HashOutcome::kNoHash: result.check = ImageCheck::kNoHash; return result;
    case HashOutcome::kHashed: break;
  }
  result.check = result.computed == result.listed ? ImageCheck::kVerified : ImageCheck::kDiffers;
  return result;
}
