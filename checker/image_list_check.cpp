#include "image_list_check.h"

#include <utility>

#include "platform.h"
#include "text.h"

namespace check {

namespace {

// The entry that differs from `name` only in letter case, if any.
const imagesums::Entry* OtherCase(const imagesums::List& list, const std::string& name) {
  for (const imagesums::Entry& entry : list.entries) {
    if (entry.name != name && SameIgnoringCase(entry.name, name)) return &entry;
  }
  return nullptr;
}

// What an image's verdict tells beyond itself, for a list that was read.
void ImageFindings(const imagesums::List& list, const ImageRow& row,
                   std::vector<Finding>* findings) {
  const ImageCheckResult& sums = row.sums;
  if (sums.check == ImageCheck::kNotListed) {
    if (const imagesums::Entry* other = OtherCase(list, row.name)) {
      Add(findings, FindingCode::kListedOtherCase, 0,
          Format("%s is listed only as %s (line %d): names compare byte for byte, so the "
                 "updater refuses it",
                 row.name.c_str(), other->name.c_str(), other->line));
    } else {
      Add(findings, FindingCode::kImageUnlisted, 0,
          row.name + " is not listed: the updater refuses it for any hub that chooses it");
    }
  } else if (sums.check == ImageCheck::kDiffers) {
    Add(findings, FindingCode::kImageDiffers, 0,
        Format("%s does not match line %d: listed %s, computed %s", row.name.c_str(),
               sums.listedLine, imagesums::DigestHex(sums.listed).c_str(),
               imagesums::DigestHex(sums.computed).c_str()));
  }
}

// A list that is not read refuses every image alike: one finding for all.
void ListFinding(const KitReport& kit, std::vector<Finding>* findings) {
  if (kit.listState == ListState::kUnreadable) {
    Add(findings, FindingCode::kListUnreadable, 0,
        "Binfile\\" + kit.listName + " cannot be read: the updater refuses every hub");
    return;
  }
  const imagesums::List& list = kit.list;
  Add(findings, FindingCode::kListBad, 0,
      Format("Binfile\\%s line %d: %s%s: the updater refuses every hub", kit.listName.c_str(),
             list.faultLine, imagesums::FaultRow(list.fault).text,
             list.fault == imagesums::ListFault::kNameTwice
                 ? Format(" (first at line %d)", list.earlierLine).c_str()
                 : ""));
}

// An entry the search does not find; one in another letter case is told
// with its image.
void MissingFindings(const KitReport& kit, std::vector<Finding>* findings) {
  for (const imagesums::Entry& entry : kit.list.entries) {
    bool found = false;
    for (const ImageRow& row : kit.images) found = found || SameIgnoringCase(row.name, entry.name);
    if (!found) {
      Add(findings, FindingCode::kListedMissing, 0,
          Format("%s is listed (line %d) but the image search does not find it", entry.name.c_str(),
                 entry.line));
    }
  }
}

std::string RefusalReason(const KitReport& kit, const ImageRow& row);

}  // namespace

void CheckImageList(Files& files, KitReport* report) {
  ImageList list = ReadImageList(files);
  report->listState = list.state;
  if (list.state == ListState::kAbsent) return;
  report->listName = list.name;
  for (ImageRow& row : report->images) {
    row.sums = CheckAgainst(list, files, row.name);
    row.refusal = RefusalReason(*report, row);
  }
  report->list = std::move(list.list);
  if (report->listState != ListState::kRead) {
    ListFinding(*report, &report->findings);
    return;
  }
  for (const ImageRow& row : report->images) ImageFindings(report->list, row, &report->findings);
  MissingFindings(*report, &report->findings);
}

const char* ImageCheckName(ImageCheck check) {
  switch (check) {
    case ImageCheck::kNoList: return "no-list";
    case ImageCheck::kVerified: return "verified";
    case ImageCheck::kListUnreadable: return "list-unreadable";
    case ImageCheck::kListBad: return "list-bad";
    case ImageCheck::kNotListed: return "not-listed";
    case ImageCheck::kImageUnreadable: return "unreadable";
    case ImageCheck::kNoHash: return "no-sha256";
    case ImageCheck::kDiffers: return "differs";
  }
  return "?";
}

namespace {

std::string RefusalReason(const KitReport& kit, const ImageRow& row) {
  switch (row.sums.check) {
    case ImageCheck::kNoList:
    case ImageCheck::kVerified: return "";
    case ImageCheck::kListUnreadable: return "Binfile\\" + kit.listName + " cannot be read";
    case ImageCheck::kListBad:
      return Format("Binfile\\%s line %d: %s", kit.listName.c_str(), row.sums.faultLine,
                    imagesums::FaultRow(row.sums.fault).text);
    case ImageCheck::kNotListed: return row.name + " is not listed";
    case ImageCheck::kImageUnreadable: return row.name + " cannot be read whole";
    case ImageCheck::kNoHash: return "no SHA-256 on this system";
    case ImageCheck::kDiffers: return row.name + " does not match its listed digest";
  }
  return "";
}

}  // namespace

}  // namespace check
