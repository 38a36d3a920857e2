// SpiFlash.ini, read with the updater's own line scanner.
#ifndef QUILLET_UPDATER_SETTINGS_H_
#define QUILLET_UPDATER_SETTINGS_H_

#include <cstdint>
#include <memory>
#include <vector>

class Files;
class HubLibrary;
class Printer;
struct HubModuleEntry;
struct UpdaterState;

constexpr char kSettingsPath[] = "SpiFlash.ini";

// The owner of the [HUBModule] entries: the record's HubModules points at
// the first, and every entry lives as long as the list.
class HubModuleList {
 public:
  explicit HubModuleList(UpdaterState& state);
  ~HubModuleList();
  HubModuleList(const HubModuleList&) = delete;
  HubModuleList& operator=(const HubModuleList&) = delete;

  // Replaces the list by `count` zeroed entries, linked in order. A list
  // that a later HUBNumber line replaces is unreachable, so it goes.
  void Reset(int count);
  // Appends one entry.
  HubModuleEntry& Add(uint8_t depth, uint8_t connectionPortIndex, const char* binFile);

 private:
  void Relink();

  UpdaterState& state_;
  std::vector<std::unique_ptr<HubModuleEntry>> entries_;
};

// Reads the settings into the state, echoing each value, and hands the
// hub-ID table to the library. False when the run must stop.
bool LoadSettingFromIni(UpdaterState& state, HubModuleList& modules, Printer& out, Files& files,
                        HubLibrary& library);

// Scans `path` anew for `key` in the section after the line holding the word
// HUBModule. Stores a number's low 8 bits in *(uint8_t*)destination, or a
// text's first word in the 260-byte buffer at destination. True when found.
bool ReadHubModuleKey(Printer& out, Files& files, const char* path, const char* key,
                      void* destination, bool isNumber);

#endif  // QUILLET_UPDATER_SETTINGS_H_
