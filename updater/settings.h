// SpiFlash.ini, read with the updater's own line scanner.
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

// Where the reader's pass for one section stands, line by line: the section
// is what follows the first line holding its start, up to the next line
// holding a '['. A second section of the same name is never read.
class SectionTracker {
 public:
  enum Place { kOutside, kStart, kInside };
  explicit SectionTracker(const char* start) : start_(start) {}
  Place Feed(const char* line);
  // The section has been read to its end: no later line is in it.
  bool Ended() const { return state_ == kAfter; }

 private:
  enum State { kBefore, kIn, kAfter };
  const char* start_;
  State state_ = kBefore;
};

// A hub-ID line, "%X=%X" from its first character, into *entry. Whatever
// part of it does not parse stays 0 and the reader takes the line all the
// same; false tells that it did not parse whole.
bool ParseTargetId(const char* line, uint8_t generation, TargetIdEntry* entry);

// The keys of [HUBModule] entry n (from 1). Entry 1 has only the file name:
// its place is the root's.
enum class ModuleKey { kDepth, kConnectionPortIndex, kBinFile };
constexpr int kModuleKeyNameSize = 64;
void ModuleKeyName(int n, ModuleKey key, char (&name)[kModuleKeyNameSize]);

// True when the reader takes `line` as a line of `key`.
bool IsKeyLine(const char* line, const char* key);
// True when `line` holds '=' and a module key of any entry.
bool IsModuleKeyLine(const char* line);

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

// Echoes the taken values from `from` on as the reader echoes them; `state`
// holds the hub-ID table.
void PrintTaken(Printer& out, const UpdaterState& state, const Settings& settings, size_t from);

// Scans `path` anew for `key` in the section after the line holding the word
// HUBModule. Stores a number's low 8 bits in *(uint8_t*)destination, or a
// text's first word in the 260-byte buffer at destination, and echoes it.
// True when found.
enum class KeyRead { kFound, kMissing, kCannotOpen };
// Every module key of the state's entries, in the reader's order, each
// taken into `settings`. False at the first that cannot be read: a missing
// one is named in gaveUpOn.
bool ReadModuleKeys(UpdaterState& state, Files& files, Settings* settings);
KeyRead FindHubModuleKey(Files& files, const char* path, const char* key, void* destination,
                         bool isNumber, int* line);
bool ReadHubModuleKey(Printer& out, Files& files, const char* path, const char* key,
                      void* destination, bool isNumber);

#endif  // QUILLET_UPDATER_SETTINGS_H_
