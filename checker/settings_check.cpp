#include "settings_check.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform.h"
#include "short_format.h"
#include "text.h"
#include "tz415api.h"

namespace check {

namespace {

void DuplicateIds(KitReport* report) {
  const UpdaterState& state = *report->settings.state;
  const std::vector<int>& lines = report->settings.read.idLines;
  std::map<uint32_t, size_t> first;
  for (size_t i = 0; i < static_cast<size_t>(state.TargetIdCount) && i < lines.size(); ++i) {
    const TargetIdEntry& entry = state.TargetIds[i];
    uint32_t hubId = entry.HubId;  // a packed field: copied, never bound
    auto known = first.emplace(hubId, i);
    if (known.second) continue;
    const TargetIdEntry& winner = state.TargetIds[known.first->second];
    Add(&report->findings, FindingCode::kIdDuplicate, lines[i],
        Format("hub ID %08X listed again (first at line %d): the first wins, image ID %04X%s",
               static_cast<unsigned>(entry.HubId), lines[known.first->second], winner.ImageId,
               winner.ImageId == entry.ImageId ? "" : ", not this line's"));
  }
}

// Line findings listed before the rest are only counted.
constexpr size_t kMaxLineFindings = 500;

// What one noted line means, or nothing when it is no line finding.
bool LineFinding(const NotedLine& noted, FindingCode* code, std::string* text) {
  switch (noted.note) {
    case LineNote::kSplit:
      *code = FindingCode::kLineSplit;
      *text = "longer than 199 characters: the reader reads the rest as another line";
      return true;
    case LineNote::kNoEquals:
      *code = FindingCode::kNoEquals;
      *text = Format("no '=' in %s: the reader skips the line", SectionOf(noted.section).start);
      return true;
    case LineNote::kIdUnparsed:
      *code = FindingCode::kIdUnparsed;
      *text = Format("not HEX=HEX: the reader takes it as hub ID %08X, image ID %04X",
                     static_cast<unsigned>(noted.id.HubId), noted.id.ImageId);
      return true;
    case LineNote::kKeyOutside:
      *code = FindingCode::kKeyOutside;
      *text = Format("%s outside the first %s: the reader never reads it", noted.key,
                     SectionOf(noted.section).start);
      return true;
    case LineNote::kModuleKeyOutside:
      *code = FindingCode::kKeyOutside;
      *text = Format("module key outside the section after the first line holding %s: the "
                     "reader never reads it",
                     kModuleKeysStart);
      return true;
    case LineNote::kModuleKeyUnread: return false;
  }
  return false;
}

// The lines the reader left, in the file's order; a file of millions of odd
// lines gets a report of bounded size.
void LineFindings(KitReport* report) {
  std::vector<NotedLine> noted = report->settings.read.noted;
  std::stable_sort(noted.begin(), noted.end(), [](const NotedLine& a, const NotedLine& b) {
    return a.line != b.line ? a.line < b.line : a.note < b.note;
  });
  size_t count = static_cast<size_t>(report->settings.read.notedBeyond);
  for (size_t i = 0; i < noted.size(); ++i) {
    // A line inside two sections that start on one header line is told once.
    if (i > 0 && noted[i].note == LineNote::kNoEquals && noted[i - 1].note == LineNote::kNoEquals &&
        noted[i].line == noted[i - 1].line) {
      continue;
    }
    FindingCode code;
    std::string text;
    if (!LineFinding(noted[i], &code, &text)) continue;
    if (++count <= kMaxLineFindings) Add(&report->findings, code, noted[i].line, std::move(text));
  }
  if (count > kMaxLineFindings) {
    Add(&report->findings, FindingCode::kFindingsCut, 0,
        Format("%u more line findings are not listed",
               static_cast<unsigned>(count - kMaxLineFindings)));
  }
}

// The reader keeps 100 hub IDs; later lines are taken but not kept.
void IdsOverLimit(KitReport* report) {
  const SettingsReport& settings = report->settings;
  if (settings.read.idLineCount <= kMaxTargetIds) return;
  Add(&report->findings, FindingCode::kIdsOverLimit, settings.read.firstDroppedIdLine,
      Format("%u hub IDs: the reader keeps the first %d, from here on none is used",
             static_cast<unsigned>(settings.read.idLineCount), kMaxTargetIds));
}

// With HUBNumber 0 or 1 no module key is read, whatever [HUBModule] holds.
void ModuleKeysIgnored(KitReport* report) {
  const SettingsReport& settings = report->settings;
  if (settings.readerGaveUp || settings.state->HubNumber >= 2) return;
  std::vector<int> lines;
  for (const NotedLine& noted : settings.read.noted) {
    if (noted.note == LineNote::kModuleKeyUnread) lines.push_back(noted.line);
  }
  if (lines.empty()) return;
  std::string named;
  for (int line : lines) named += (named.empty() ? "" : ", ") + std::to_string(line);
  Add(&report->findings, FindingCode::kModuleKeyIgnored, lines.front(),
      Format("HUBNumber is %d: the updater reads no module key, so line%s %s %s ignored",
             settings.state->HubNumber, lines.size() > 1 ? "s" : "", named.c_str(),
             lines.size() > 1 ? "are" : "is"));
}

}  // namespace

void ReadSettings(Files& files, HubLibrary& library, KitReport* report) {
  SettingsReport& settings = report->settings;
  settings.state = std::make_unique<UpdaterState>();
  settings.readerGaveUp = !::ReadSettings(*settings.state, files, library, nullptr, &settings.read);
  if (!settings.read.found) {
    Add(&report->findings, FindingCode::kSettingsMissing, 0,
        Format("%s cannot be opened: the updater stops", kSettingsPath));
    return;
  }
  LineFindings(report);
  IdsOverLimit(report);
  DuplicateIds(report);
  if (!settings.read.gaveUpOn.empty()) {
    Add(&report->findings, FindingCode::kModuleKeyMissing, 0,
        Format("HUBNumber is %d but %s is missing: the updater stops after the settings",
               settings.state->HubNumber, settings.read.gaveUpOn.c_str()));
  }
  ModuleKeysIgnored(report);
}

void CheckModuleFiles(KitReport* report) {
  const SettingsReport& settings = report->settings;
  if (settings.readerGaveUp || settings.state->HubNumber < 2) return;
  const HubModules& modules = settings.state->Modules;
  for (size_t n = 0; n < modules.size(); ++n) {
    std::string wanted = modules[n].WantUpdateBinFile;
    const ImageRow* other = nullptr;
    bool exact = false;
    for (const ImageRow& row : report->images) {
      if (row.name == wanted) exact = true;
      if (other == nullptr && SameIgnoringCase(row.name, wanted)) other = &row;
    }
    if (exact) continue;
    if (other != nullptr) {
      Add(&report->findings, FindingCode::kModuleFileCase, 0,
          Format("module %u wants %s, present only as %s: the search finds it, the name test "
                 "counts letter case, so it is never chosen",
                 static_cast<unsigned>(n + 1), wanted.c_str(), other->name.c_str()));
    } else {
      Add(&report->findings, FindingCode::kModuleFileMissing, 0,
          Format("module %u wants %s, which the search does not find", static_cast<unsigned>(n + 1),
                 wanted.c_str()));
    }
  }
}

// With CheckHUBFW set, short-format hubs are compared with FWVersion before
// any image is looked at, so it must be what their image delivers.
void CheckFwVersion(KitReport* report) {
  const UpdaterState& state = *report->settings.state;
  if (state.CheckHubFw == 0) return;
  bool anyShortFormat = false;
  bool delivered = false;
  for (int i = 0; i < state.TargetIdCount && i < kMaxTargetIds; ++i) {
    const TargetIdEntry& target = state.TargetIds[i];
    if (!IsShortFormatHub(target.HubId)) continue;
    anyShortFormat = true;
    for (const ImageRow& row : report->images) {
      if (row.opened && row.headerLength >= 2 && row.imageId == target.ImageId &&
          ShortFormatVersion(row.deliveredVersion) == state.FwVersion) {
        delivered = true;
      }
    }
  }
  if (anyShortFormat && !delivered) {
    Add(&report->findings, FindingCode::kFwVersionUndelivered, 0,
        Format("FWVersion %X is delivered by no image for the short-format hubs: they are "
               "skipped when they are not at it, or written on every run when they are",
               state.FwVersion));
  }
}

}  // namespace check
