// The image scan: each entry of the updater's directory search, opened once
// and read by the updater's image format.
#ifndef QUILLET_CHECKER_IMAGE_SCAN_H_
#define QUILLET_CHECKER_IMAGE_SCAN_H_

#include "kit_report.h"

class Files;

namespace check {

// The directory search's images into report->images, each read once and
// kept as a CachedImage, with the findings about them.
void ReadImages(Files& files, KitReport* report);

}  // namespace check

#endif  // QUILLET_CHECKER_IMAGE_SCAN_H_
