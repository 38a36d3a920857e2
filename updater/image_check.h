// The chosen image against Binfile\SHA256SUMS, right before it is written.
// One reading of the list and one check of an image against it, shared with
// the kit checker, which judges every image by the same check.
#ifndef QUILLET_UPDATER_IMAGE_CHECK_H_
#define QUILLET_UPDATER_IMAGE_CHECK_H_

#include <string>

#include "image_sums.h"
#include "sha256.h"

class ByteSource;
class Files;

// What came of looking for the list.
enum class ListState {
  kAbsent,      // no list: every image is written as before
  kUnreadable,  // found but not read whole
  kBad,         // read, and one of its lines is bad (the list says which)
  kRead,
};

// One reading of the list.
struct ImageList {
  ListState state = ListState::kAbsent;
  std::string name;  // as the search found it: "SHA256SUMS", "sha256sums"
  imagesums::List list;
};

// Looks for the list in .\Binfile as the image search looks for images,
// without regard to letter case, and reads it whole.
ImageList ReadImageList(Files& files);

// Hashes the whole file, closing it before returning.
HashOutcome HashFile(Files& files, const char* path, imagesums::Digest* digest);
// The same over an open source.
HashOutcome HashSource(ByteSource& source, Sha256& hash, imagesums::Digest* digest);

// The list's word on one image.
enum class ImageCheck {
  kNoList,
  kVerified,
  kListUnreadable,
  kListBad,
  kNotListed,
  kImageUnreadable,
  kNoHash,
  kDiffers,
};

struct ImageCheckResult {
  ImageCheck check = ImageCheck::kNoList;
  // kListBad: the list's first bad line, and what is wrong with it.
  int faultLine = 0;
  imagesums::ListFault fault = imagesums::ListFault::kNone;
  // From kImageUnreadable on: the image's line in the list and its digest
  // there; the digest computed for kVerified and kDiffers.
  int listedLine = 0;
  imagesums::Digest listed{};
  imagesums::Digest computed{};
};

// The list's word on the image of .\Binfile named `name`, as the image
// search yielded it; the name is looked up in the list byte for byte, and
// the image hashed whole.
ImageCheckResult CheckAgainst(const ImageList& list, Files& files, const std::string& name);

// The update run's check of its chosen image: the list read afresh, as a
// kit may change between two hubs.
ImageCheckResult CheckImage(Files& files, const std::string& name);

#endif  // QUILLET_UPDATER_IMAGE_CHECK_H_
