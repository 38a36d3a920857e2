#include "image_scan.h"

#include <memory>
#include <string>

#include "firmware_image.h"
#include "platform.h"
#include "text.h"

namespace check {

namespace {

// A directory with more entries than this is not a kit anyone ships; what
// lies past it is named as unchecked rather than held in memory.
constexpr size_t kMaxImages = 100000;

// What the updater's selection reads of an image, as the reports show it.
void ReadImageFacts(CachedImage& image, fwimage::Header* header, ImageRow* row) {
  row->size = image.Size();
  fwimage::ReadHeader(image, header);
  row->headerLength = header->length;
  row->imageId = fwimage::ImageId(*header);
  row->flags = fwimage::Flags(*header);
  row->longLayout = fwimage::IsLongLayout(row->flags);
  row->breaksSizeRule = fwimage::BreaksSizeRule(*header, row->size);
  row->deliveredVersion = fwimage::DeliveredVersion(image);
  const fwimage::FieldLayout& fields = fwimage::FieldsFor(row->flags);
  uint8_t field[fwimage::kMaxCompareLength];
  if (fwimage::ReadField(image, fields.manufacturer, fields.manufacturerSize, field)) {
    row->manufacturer = Printable(field, fields.manufacturerSize);
  }
  if (fwimage::ReadField(image, fields.product1, fields.productSize, field)) {
    row->product1 = Printable(field, fields.productSize);
  }
  if (fwimage::ReadField(image, fields.product2, fields.productSize, field)) {
    row->product2 = Printable(field, fields.productSize);
  }
  row->rules = fwimage::ImageCompatibilityRules(image, row->flags, row->size);
}

}  // namespace

void ReadImages(Files& files, KitReport* report) {
  std::unique_ptr<DirectorySearch> search = files.FindFiles(kImagePattern);
  if (!search) {
    Add(&report->findings, FindingCode::kNoImages, 0,
        "the search for .\\Binfile\\*.BIN finds nothing: no hub can get an image");
    return;
  }
  report->imagesSearched = true;
  do {
    if (report->images.size() == kMaxImages) {
      Add(&report->findings, FindingCode::kImagesUnchecked, 0,
          Format("more than %u images: the rest are not checked",
                 static_cast<unsigned>(kMaxImages)));
      break;
    }
    report->images.emplace_back();
    ImageRow& row = report->images.back();
    row.name = search->Name();
    char path[kImagePathSize];
    row.nameFits = MakeImagePath(row.name.c_str(), path);
    if (!row.nameFits) {
      Add(&report->findings, FindingCode::kImageNameTooLong, 0,
          row.name + ": the name does not fit the updater's path, so it is never chosen");
      continue;
    }
    std::unique_ptr<ByteSource> file = files.OpenForRead(path);
    if (!file) {
      Add(&report->findings, FindingCode::kImageUnreadable, 0, row.name + " cannot be opened");
      continue;
    }
    row.opened = true;
    row.cache = std::make_shared<CachedImage>(*file);
    file.reset();
    fwimage::Header header;
    ReadImageFacts(*row.cache, &header, &row);
    if (row.breaksSizeRule) {
      Add(&report->findings, FindingCode::kSizeRule, 0,
          Format("%s: a 0D12 image of %llu bytes, not %llu: the updater warns about it on "
                 "every hub and never chooses it",
                 row.name.c_str(), static_cast<unsigned long long>(row.size),
                 static_cast<unsigned long long>(header.length <= fwimage::kFlagsIndex
                                                     ? fwimage::kFixedShortSize
                                                 : row.longLayout ? fwimage::kFixedLongSize
                                                                  : fwimage::kFixedShortSize)));
    }
  } while (search->Next());
}

}  // namespace check
