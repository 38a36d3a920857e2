// SpiFlash.ini, read with the updater's own line scanner.
#ifndef QUILLET_UPDATER_SETTINGS_H_
#define QUILLET_UPDATER_SETTINGS_H_

#include <cstdint>

class Files;
class HubLibrary;
class Printer;
struct UpdaterState;

constexpr char kSettingsPath[] = "SpiFlash.ini";

struct TargetIdEntry;

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

// Reads the settings into the state, echoing each value, and hands the
// hub-ID table to the library. False when the run must stop.
bool LoadSettingFromIni(UpdaterState& state, Printer& out, Files& files, HubLibrary& library);

// Scans `path` anew for `key` in the section after the line holding the word
// HUBModule. Stores a number's low 8 bits in *(uint8_t*)destination, or a
// text's first word in the 260-byte buffer at destination. True when found.
bool ReadHubModuleKey(Printer& out, Files& files, const char* path, const char* key,
                      void* destination, bool isNumber);

#endif  // QUILLET_UPDATER_SETTINGS_H_
