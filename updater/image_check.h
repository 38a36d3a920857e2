// The chosen image against Binfile\SHA256SUMS, right before it is written.
// Shared with the kit checker, which judges the same list the same way.
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

// Looks for the list in `binfile` (".\\Binfile\\" for the updater) as the
// image search looks for images, without regard to letter case; `listPath`
// gets the path it was found under.
ListState ReadImageList(Files& files, const std::string& binfile, std::string* listPath,
                        imagesums::List* list);

// Hashes the whole file, closing it before returning.
HashOutcome HashFile(Files& files, const char* path, imagesums::Digest* digest);
// The same over an open source.
HashOutcome HashSource(ByteSource& source, Sha256& hash, imagesums::Digest* digest);

// The update run's verdict on one chosen image.
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
  imagesums::List list;  // for kListBad: the bad line
  imagesums::Digest listed{};
  imagesums::Digest computed{};
};

// `imagePath` as selection made it: ".\\Binfile\\" and the name the image
// search yielded, which is looked up in the list byte for byte.
ImageCheckResult CheckImage(Files& files, const char* imagePath);

#endif  // QUILLET_UPDATER_IMAGE_CHECK_H_
