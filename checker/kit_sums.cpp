#include "kit_sums.h"

#include <unordered_set>

#include "checker_host.h"
#include "command.h"
#include "rooted_files.h"
#include "text.h"

namespace check {

namespace {

// A kit holds a few dozen files two folders deep; the bounds only keep a
// folder that links to itself, or a disk's worth of files, from holding the
// check.
constexpr size_t kMaxKitFiles = 100000;
constexpr int kMaxDepth = 16;

// Every file under `folder` (a kit path, "" for the root), as the platform's
// search yields them; a folder is told from a file by the host.
void Walk(CheckerHost& host, RootedFiles& kit, const std::string& folder, int depth, KitSums* sums,
          std::vector<std::string>* paths) {
  std::unique_ptr<DirectorySearch> search =
      kit.FindFiles((folder.empty() ? std::string("*") : folder + "/*").c_str());
  if (search == nullptr) return;
  do {
    std::string name = search->Name();
    if (name == "." || name == "..") continue;
    std::string path = folder.empty() ? name : folder + "/" + name;
    if (host.IsFolder(kit.Rooted(path.c_str()))) {
      if (depth < kMaxDepth) {
        Walk(host, kit, path, depth + 1, sums, paths);
      } else {
        sums->walkCut = true;
      }
    } else if (paths->size() < kMaxKitFiles) {
      paths->push_back(path);
    } else {
      sums->walkCut = true;
    }
  } while (search->Next());
}

KitFileVerdict Judge(RootedFiles& kit, const imagesums::Entry& entry) {
  KitFileVerdict verdict{entry.name, KitFileCheck::kMissing, entry.digest, {}};
  if (kit.OpenForRead(entry.name.c_str()) == nullptr) return verdict;
  if (HashFile(kit, entry.name.c_str(), &verdict.computed) != HashOutcome::kHashed) {
    verdict.check = KitFileCheck::kUnreadable;
    return verdict;
  }
  verdict.check =
      verdict.computed == entry.digest ? KitFileCheck::kMatches : KitFileCheck::kDiffers;
  return verdict;
}

bool ReadKitSums(RootedFiles& kit, KitSums* sums) {
  std::unique_ptr<DirectorySearch> found = kit.FindFiles(imagesums::kListName);
  if (found == nullptr) return false;
  sums->name = found->Name();
  std::string text;
  if (!ReadKitFile(kit, sums->name.c_str(), imagesums::kMaxListSize, &text, &sums->why)) {
    sums->state = ListState::kUnreadable;
    return false;
  }
  bool good = imagesums::ReadList(text, &sums->list, imagesums::NameForm::kKitPath);
  sums->state = good ? ListState::kRead : ListState::kBad;
  return good;
}

}  // namespace

const char* KitFileCheckName(KitFileCheck check) {
  switch (check) {
    case KitFileCheck::kMatches: return "matches";
    case KitFileCheck::kDiffers: return "differs";
    case KitFileCheck::kMissing: return "missing";
    case KitFileCheck::kUnreadable: return "unreadable";
    case KitFileCheck::kUnlisted: return "unlisted";
  }
  return "?";
}

KitSums CheckKitSums(CheckerHost& host, const std::string& root) {
  KitSums sums;
  RootedFiles kit(host.PlatformFiles(), root, host.Separator());
  if (!ReadKitSums(kit, &sums)) return sums;
  std::unordered_set<std::string> listed;
  for (const imagesums::Entry& entry : sums.list.entries) {
    listed.insert(entry.name);
    sums.files.push_back(Judge(kit, entry));
  }
  std::vector<std::string> paths;
  Walk(host, kit, "", 0, &sums, &paths);
  for (const std::string& path : paths) {
    if (path == sums.name || listed.count(path) > 0) continue;
    sums.files.push_back(KitFileVerdict{path, KitFileCheck::kUnlisted, {}, {}});
  }
  return sums;
}

void AddKitSumsFindings(const KitSums& sums, std::vector<Finding>* findings) {
  const char* name = sums.name.c_str();
  if (sums.state == ListState::kUnreadable) {
    Add(findings, FindingCode::kKitSumsBad, 0, sums.why + ": no file of the kit is checked");
  } else if (sums.state == ListState::kBad) {
    Add(findings, FindingCode::kKitSumsBad, 0,
        Format("%s: line %d: %s: no file of the kit is checked", name, sums.list.faultLine,
               imagesums::FaultRow(sums.list.fault).text));
  }
  for (const KitFileVerdict& file : sums.files) {
    const char* path = file.path.c_str();
    switch (file.check) {
      case KitFileCheck::kMatches: break;
      case KitFileCheck::kDiffers:
        Add(findings, FindingCode::kKitSumsDiffers, 0,
            Format("%s differs from %s: listed %s, computed %s", path, name,
                   imagesums::DigestHex(file.listed).c_str(),
                   imagesums::DigestHex(file.computed).c_str()));
        break;
      case KitFileCheck::kMissing:
        Add(findings, FindingCode::kKitSumsMissing, 0, Format("%s is listed, not found", path));
        break;
      case KitFileCheck::kUnreadable:
        Add(findings, FindingCode::kKitSumsMissing, 0,
            Format("%s is listed, and cannot be read whole", path));
        break;
      case KitFileCheck::kUnlisted:
        Add(findings, FindingCode::kKitSumsUnlisted, 0,
            Format("%s is not listed in %s", path, name));
        break;
    }
  }
  if (sums.walkCut) {
    Add(findings, FindingCode::kKitSumsMissing, 0,
        Format("more than %d files or folders deeper than %d: the rest are not checked",
               static_cast<int>(kMaxKitFiles), kMaxDepth));
  }
}

std::string KitSumsText(const KitSums& sums, const std::vector<Finding>& findings) {
  int matching = 0;
  for (const KitFileVerdict& file : sums.files) matching += file.check == KitFileCheck::kMatches;
  std::string out = Format("\nKit list %s", sums.name.c_str());
  if (sums.state == ListState::kRead) {
    out +=
        Format(": %d entries; %d of %d files match\n", static_cast<int>(sums.list.entries.size()),
               matching, static_cast<int>(sums.files.size()));
  } else {
    out += ": not taken\n";
  }
  for (const Finding& f : findings) {
    FindingRow row = f.Row();
    if (row.part != ReportPart::kKitSums) continue;
    out += Format("  %s %s: %s\n", SeverityName(row.severity), row.code, f.text.c_str());
  }
  return out;
}

void KitSumsJson(JsonWriter& j, const KitSums& sums) {
  static const char* const kStates[] = {"absent", "unreadable", "bad", "read"};
  j.Open("kitSums", '{')
      .Str("name", sums.name)
      .Str("state", kStates[static_cast<int>(sums.state)])
      .Int("entries", static_cast<long long>(sums.list.entries.size()));
  if (sums.state == ListState::kBad) {
    j.Int("line", sums.list.faultLine).Str("fault", imagesums::FaultRow(sums.list.fault).code);
  }
  j.Open("files", '[');
  for (const KitFileVerdict& file : sums.files) {
    bool hashed = file.check == KitFileCheck::kMatches || file.check == KitFileCheck::kDiffers;
    j.Open(nullptr, '{')
        .Str("path", file.path)
        .Str("check", KitFileCheckName(file.check))
        .Raw("listed", file.check == KitFileCheck::kUnlisted
                           ? "null"
                           : JsonString(imagesums::DigestHex(file.listed)))
        .Raw("computed", hashed ? JsonString(imagesums::DigestHex(file.computed)) : "null")
        .Close('}');
  }
  j.Close(']').Close('}');
}

}  // namespace check
