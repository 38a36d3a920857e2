#include "settings_check.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "line_scanner.h"
#include "platform.h"
#include "text.h"

namespace check {

namespace {

// Line findings listed before the rest are only counted.
constexpr size_t kMaxLineFindings = 500;

bool IsBlankOrComment(const char* line) {
  while (*line == ' ' || *line == '\t' || *line == '\r') ++line;
  return *line == '\0' || *line == ';' || *line == '#';
}

// A module key of any entry: "NO." and the key's tail.
bool IsModuleKeyLine(const char* line) {
  if (!IsKeyLine(line, "NO.")) return false;
  for (ModuleKey key : {ModuleKey::kDepth, ModuleKey::kConnectionPortIndex, ModuleKey::kBinFile}) {
    char name[kModuleKeyNameSize];
    ModuleKeyName(1, key, name);
    if (std::strstr(line, name + 4) != nullptr) return true;  // past "NO.1"
  }
  return false;
}

// The line-level findings: one pass with the reader's own line scanner and
// section rule, so that lines are split and sections found as it finds them.
}  // namespace

void ScanSettingsLines(Files& files, KitReport* report) {
  std::unique_ptr<ByteSource> file = files.OpenForRead(kSettingsPath);
  if (!file) return;
  LineScanner lines(*file);
  std::vector<SectionTracker> sections;
  for (const SectionKeys& section : kSections) sections.emplace_back(section.start);
  SectionTracker moduleKeys(kModuleKeysStart);

  // Kept only as far as the reader keeps hub IDs, and counted beyond.
  std::vector<int> idLines[2];  // U3, U2
  size_t idCount[2] = {0, 0};
  // A file of millions of odd lines gets a report of bounded size.
  size_t lineFindings = 0;
  auto addLine = [&](FindingCode code, int line, std::string text) {
    if (++lineFindings <= kMaxLineFindings) {
      Add(&report->findings, code, line, std::move(text));
    }
  };
  int number = 0;
  bool newLine = true;
  char line[kLineBufferSize];
  while (lines.Next(line)) {
    if (newLine) ++number;
    newLine = lines.PieceEndedLine();
    bool inModuleKeys = moduleKeys.Feed(line) == SectionTracker::kInside;
    // Two headers on one line start two sections at once.
    int inside = -1;
    unsigned insideAll = 0;
    for (int s = 0; s < kSectionCount; ++s) {
      if (sections[s].Feed(line) != SectionTracker::kInside) continue;
      insideAll |= 1u << s;
      if (inside < 0) inside = s;
    }
    if (!newLine) {
      addLine(FindingCode::kLineSplit, number,
              "longer than 199 characters: the reader reads the rest as another line");
    }
    bool hasEquals = std::strchr(line, '=') != nullptr;
    if (inside >= 0 && !hasEquals && !IsBlankOrComment(line)) {
      addLine(FindingCode::kNoEquals, number,
              Format("no '=' in %s: the reader skips the line", kSections[inside].start));
    }
    // Every line with '=' in a hub-ID section is taken, parsed or not.
    for (int u = 0; u < 2 && hasEquals; ++u) {
      if ((insideAll & (1u << u)) == 0) continue;
      if (++idCount[u] <= static_cast<size_t>(kMaxTargetIds) + 1) idLines[u].push_back(number);
      TargetIdEntry entry;
      if (!ParseTargetId(line, u == 0 ? 3 : 2, &entry)) {
        addLine(FindingCode::kIdUnparsed, number,
                Format("not HEX=HEX: the reader takes it as hub ID %08X, image ID %04X",
                       static_cast<unsigned>(entry.HubId), entry.ImageId));
      }
    }

    for (int s = 0; s < kSectionCount; ++s) {
      for (const char* key : kSections[s].keys) {
        if (key != nullptr && IsKeyLine(line, key) && (insideAll & (1u << s)) == 0) {
          addLine(FindingCode::kKeyOutside, number,
                  Format("%s outside the first %s: the reader never reads it", key,
                         kSections[s].start));
        }
      }
    }
    if (IsModuleKeyLine(line) && !inModuleKeys) {
      addLine(FindingCode::kKeyOutside, number,
              Format("module key outside the section after the first line holding %s: the "
                     "reader never reads it",
                     kModuleKeysStart));
    }
  }

  if (lineFindings > kMaxLineFindings) {
    Add(&report->findings, FindingCode::kFindingsCut, 0,
        Format("%u more line findings are not listed",
               static_cast<unsigned>(lineFindings - kMaxLineFindings)));
  }

  // The reader takes the U3 section's lines first, then the U2 section's.
  std::vector<int>& taken = report->settings.idLines;
  taken = idLines[0];
  taken.insert(taken.end(), idLines[1].begin(), idLines[1].end());
  size_t total = idCount[0] + idCount[1];
  if (total > static_cast<size_t>(kMaxTargetIds)) {
    Add(&report->findings, FindingCode::kIdsOverLimit, taken[kMaxTargetIds],
        Format("%u hub IDs: the reader keeps the first %d, from here on none is used",
               static_cast<unsigned>(total), kMaxTargetIds));
    taken.resize(kMaxTargetIds);
  }
}

}  // namespace check
