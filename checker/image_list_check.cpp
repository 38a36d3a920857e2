#include "image_list_check.h"

#include "path_names.h"
#include "platform.h"
#include "selection.h"
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

void HashRow(Files& files, const imagesums::List& list, ImageRow* row,
             std::vector<Finding>* findings) {
  const imagesums::Entry* entry = imagesums::FindEntry(list, row->name);
  if (entry == nullptr) {
    row->sums = ImageCheck::kNotListed;
    if (const imagesums::Entry* other = OtherCase(list, row->name)) {
      Add(findings, FindingCode::kListedOtherCase, 0,
          Format("%s is listed only as %s (line %d): names compare byte for byte, so the "
                 "updater refuses it",
                 row->name.c_str(), other->name.c_str(), other->line));
    } else {
      Add(findings, FindingCode::kImageUnlisted, 0,
          row->name + " is not listed: the updater refuses it for any hub that chooses it");
    }
    return;
  }
  row->listed = entry->digest;
  char path[kImagePathSize];
  if (!row->nameFits || !MakeImagePath(row->name.c_str(), path)) {
    row->sums = ImageCheck::kImageUnreadable;
    return;
  }
  switch (HashFile(files, path, &row->computed)) {
    case HashOutcome::kUnreadable: row->sums = ImageCheck::kImageUnreadable; return;
    case HashOutcome::kNoHash: row->sums = ImageCheck::kNoHash; return;
    case HashOutcome::kHashed: break;
  }
  if (row->computed == row->listed) {
    row->sums = ImageCheck::kVerified;
    return;
  }
  row->sums = ImageCheck::kDiffers;
  Add(findings, FindingCode::kImageDiffers, 0,
      Format("%s does not match line %d: listed %s, computed %s", row->name.c_str(), entry->line,
             imagesums::DigestHex(row->listed).c_str(),
             imagesums::DigestHex(row->computed).c_str()));
}

std::string RefusalReason(const KitReport& kit, const ImageRow& row);

}  // namespace

void CheckImageList(Files& files, KitReport* report) {
  std::string path;
  report->listState = ReadImageList(files, ".\\Binfile\\", &path, &report->list);
  ImageCheck every = ImageCheck::kNoList;
  switch (report->listState) {
    case ListState::kAbsent: return;
    case ListState::kUnreadable: every = ImageCheck::kListUnreadable; break;
    case ListState::kBad: every = ImageCheck::kListBad; break;
    case ListState::kRead: break;
  }
  report->listName = LastName(path);
  if (every != ImageCheck::kNoList) {
    for (ImageRow& row : report->images) {
      row.sums = every;
      row.refusal = RefusalReason(*report, row);
    }
    if (every == ImageCheck::kListUnreadable) {
      Add(&report->findings, FindingCode::kListUnreadable, 0,
          "Binfile\\" + report->listName + " cannot be read: the updater refuses every hub");
    } else {
      const imagesums::List& list = report->list;
      Add(&report->findings, FindingCode::kListBad, 0,
          Format("Binfile\\%s line %d: %s%s: the updater refuses every hub",
                 report->listName.c_str(), list.faultLine, imagesums::FaultRow(list.fault).text,
                 list.fault == imagesums::ListFault::kNameTwice
                     ? Format(" (first at line %d)", list.earlierLine).c_str()
                     : ""));
    }
    return;
  }
  for (ImageRow& row : report->images) HashRow(files, report->list, &row, &report->findings);
  for (ImageRow& row : report->images) row.refusal = RefusalReason(*report, row);
  for (const imagesums::Entry& entry : report->list.entries) {
    bool exact = false;
    bool otherCase = false;
    for (const ImageRow& row : report->images) {
      exact = exact || row.name == entry.name;
      otherCase = otherCase || SameIgnoringCase(row.name, entry.name);
    }
    // An entry in another letter case is told with its image.
    if (!exact && !otherCase) {
      Add(&report->findings, FindingCode::kListedMissing, 0,
          Format("%s is listed (line %d) but the image search does not find it", entry.name.c_str(),
                 entry.line));
    }
  }
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
  switch (row.sums) {
    case ImageCheck::kNoList:
    case ImageCheck::kVerified: return "";
    case ImageCheck::kListUnreadable: return "Binfile\\" + kit.listName + " cannot be read";
    case ImageCheck::kListBad:
      return Format("Binfile\\%s line %d: %s", kit.listName.c_str(), kit.list.faultLine,
                    imagesums::FaultRow(kit.list.fault).text);
    case ImageCheck::kNotListed: return row.name + " is not listed";
    case ImageCheck::kImageUnreadable: return row.name + " cannot be read whole";
    case ImageCheck::kNoHash: return "no SHA-256 on this system";
    case ImageCheck::kDiffers: return row.name + " does not match its listed digest";
  }
  return "";
}

}  // namespace

}  // namespace check
