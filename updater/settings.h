// SpiFlash.ini, read with the updater's own line scanner.
#ifndef QUILLET_UPDATER_SETTINGS_H_
#define QUILLET_UPDATER_SETTINGS_H_

class HubLibrary;
class Platform;
struct UpdaterState;

constexpr char kSettingsPath[] = "SpiFlash.ini";

// Reads the settings into the state, echoing each value, and hands the
// hub-ID table to the library. False when the run must stop.
bool LoadSettingFromIni(UpdaterState& state, Platform& os, HubLibrary& library);

// Scans `path` anew for `key` in the section after the line holding the word
// HUBModule. Stores a number's low 8 bits in *(uint8_t*)destination, or a
// text's first word in the 260-byte buffer at destination. True when found.
bool ReadHubModuleKey(Platform& os, const char* path, const char* key,
                      void* destination, bool isNumber);

#endif  // QUILLET_UPDATER_SETTINGS_H_
