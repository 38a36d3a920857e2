// SpiFlash.ini as the updater's reader takes it, and what the kit checker
// reads of that: the sections and their keys, each value taken with its
// line, the lines a pass left, and the reader itself. How a line is read is
// settings_syntax.h's, the module keys module_keys.h's, the echo
// settings_echo.h's.
#ifndef QUILLET_UPDATER_SETTINGS_H_
#define QUILLET_UPDATER_SETTINGS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "updater_state.h"

class Files;
class HubLibrary;
class Printer;
struct UpdaterState;

constexpr char kSettingsPath[] = "SpiFlash.ini";

// The sections the reader walks, in its order, as the line that starts each
// must hold them, with the keys it takes in each: a key line is one holding
// '=' and the key anywhere. The reader and the kit checker both read this
// table. The module keys are looked for after any line holding the bare word.
enum class Section { kTargetIdU3, kTargetIdU2, kMisc, kHubModule, kHubName, kHubFwCheck };
struct SectionKeys {
  Section section;
  const char* start;
  const char* keys[2];  // null where a section holds fewer
};
constexpr SectionKeys kSections[] = {
    {Section::kTargetIdU3, "[TargetID_U3]", {}},
    {Section::kTargetIdU2, "[TargetID_U2]", {}},
    {Section::kMisc, "[Misc]", {"Manufacturer&ProductStringCompare"}},
    {Section::kHubModule, "[HUBModule]", {"HUBNumber"}},
    {Section::kHubName, "[HUBName]", {"WantuUpdateHUBName"}},
    {Section::kHubFwCheck, "[HUBFWCheck]", {"CheckHUBFW", "FWVersion"}},
};
constexpr int kSectionCount = sizeof kSections / sizeof kSections[0];
constexpr const SectionKeys& SectionOf(Section section) {
  return kSections[static_cast<int>(section)];
}
constexpr bool SectionsInOrder() {
  for (int s = 0; s < kSectionCount; ++s) {
    if (static_cast<int>(kSections[s].section) != s) return false;
  }
  return true;
}
static_assert(SectionsInOrder(), "kSections holds each section at its own index");
constexpr char kModuleKeysStart[] = "HUBModule";

// The keys by name, for the reader's code that handles each.
constexpr const char* kStringCompareKey = SectionOf(Section::kMisc).keys[0];
constexpr const char* kHubNumberKey = SectionOf(Section::kHubModule).keys[0];
constexpr const char* kHubNameKey = SectionOf(Section::kHubName).keys[0];
constexpr const char* kCheckHubFwKey = SectionOf(Section::kHubFwCheck).keys[0];
constexpr const char* kFwVersionKey = SectionOf(Section::kHubFwCheck).keys[1];

// One value the reader took, in its order, as it is echoed.
enum class Taken : uint8_t {
  kSectionFound,  // a section's header (not echoed for [HUBModule])
  kHubIds,        // the hub-ID table, once both its sections are read
  kStringCompare,
  kHubNumber,
  kModuleNumber,  // NO.<n>HUBDepth, NO.<n>HUBConnectionPortIndex
  kModuleText,    // NO.<n>HUBWantUpdateBinFile
  kHubName,
  kCheckHubFw,
  kFwVersion,
};
struct TakenValue {
  explicit TakenValue(Taken taken, int from = 0, Section in = Section::kTargetIdU3)
      : what(taken), line(from), section(in) {}
  Taken what;
  int line = 0;                            // the file's line it came from, from 1; 0 for kHubIds
  Section section = Section::kTargetIdU3;  // kSectionFound
  std::string key;                         // a module key's name
  int32_t number = 0;                      // a number as stored
  std::string text;                        // a text as stored
};

// A line a pass looked at and left.
enum class LineNote : uint8_t {
  kSplit,             // over 199 characters: the rest comes as another line
  kNoEquals,          // in a section, with something but a comment and no '='
  kIdUnparsed,        // a hub-ID line that is not HEX=HEX, taken all the same
  kKeyOutside,        // a section's key outside the first section of its name
  kModuleKeyOutside,  // a module key before the line holding the word HUBModule
  kModuleKeyUnread,   // a module key in [HUBModule], which only HUBNumber reads
};
struct NotedLine {
  int line;
  LineNote note;
  Section section;
  const char* key;   // kKeyOutside
  TargetIdEntry id;  // kIdUnparsed: what the reader takes
};

// The settings as the reader took them: each value with its line, the lines
// it left, and where it stopped. The values themselves are in the state.
struct Settings {
  bool found = false;  // SpiFlash.ini could be opened
  std::vector<TakenValue> taken;
  std::vector<int> idLines;  // the line of each hub ID kept, in table order
  int idLineCount = 0;       // hub-ID lines, kept or not
  int firstDroppedIdLine = 0;
  // At most kMaxNotedLines, in the order the passes met them; the rest
  // are counted.
  std::vector<NotedLine> noted;
  int notedBeyond = 0;
  std::string gaveUpOn;     // the module key not found; empty when none
  bool cannotOpen = false;  // the file could not be opened again
};
constexpr size_t kMaxNotedLines = 10000;
// Adds a noted line, or counts it past the limit.
void Note(Settings* settings, const NotedLine& line);

// Reads the settings into the state and hands the hub-ID table to the
// library. With `out`, each pass's values are echoed as soon as it ends.
// True when the run may go on.
bool ReadSettings(UpdaterState& state, Files& files, HubLibrary& library, Printer* out,
                  Settings* settings);

// The same, always echoed. False when the run must stop.
bool LoadSettingFromIni(UpdaterState& state, Printer& out, Files& files, HubLibrary& library);

#endif  // QUILLET_UPDATER_SETTINGS_H_
