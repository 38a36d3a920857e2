// The image list: each image against Binfile\SHA256SUMS as the updater will
// judge it right before a write, and the list's entries against the images.
// Unlike the rest of the checker, this reads every image whole.
#ifndef QUILLET_CHECKER_IMAGE_LIST_CHECK_H_
#define QUILLET_CHECKER_IMAGE_LIST_CHECK_H_

#include <string>

#include "kit_report.h"

class Files;

namespace check {

// Reads the list, when there is one, and gives each of report->images the
// updater's verdict on it, with the findings.
void CheckImageList(Files& files, KitReport* report);

// What the verdict means, for both reports: "verified", "differs", ...
const char* ImageCheckName(ImageCheck check);

}  // namespace check

#endif  // QUILLET_CHECKER_IMAGE_LIST_CHECK_H_
