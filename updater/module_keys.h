// The [HUBModule] entries' keys: with HUBNumber 2 or more, each is looked
// for in a scan of the file of its own, in the section that follows the
// first line holding the word HUBModule.
#ifndef QUILLET_UPDATER_MODULE_KEYS_H_
#define QUILLET_UPDATER_MODULE_KEYS_H_

#include <cstdint>

#include "run_state.h"

class Files;
struct Settings;

// The keys of [HUBModule] entry n (from 1). Entry 1 has only the file name:
// its place is the root's.
enum class ModuleKey { kDepth, kConnectionPortIndex, kBinFile };
constexpr int kModuleKeyNameSize = 64;
void ModuleKeyName(int n, ModuleKey key, char (&name)[kModuleKeyNameSize]);

// True when `line` holds '=' and a module key of any entry.
bool IsModuleKeyLine(const char* line);

// Every module key of the state's entries, in the reader's order, each
// taken into `settings`. False at the first that cannot be read: a missing
// one is named in gaveUpOn.
bool ReadModuleKeys(UpdaterState& state, Files& files, Settings* settings);

// One key's scan of SpiFlash.ini, opened anew. A number keeps its low 8
// bits, a text its first word; a key without a value is found and leaves
// the field as it was. *line gets the key's line.
enum class KeyRead { kFound, kMissing, kCannotOpen };
KeyRead FindModuleNumber(Files& files, const char* key, uint8_t* number, int* line);
KeyRead FindModuleText(Files& files, const char* key, char (&text)[kTextSize], int* line);

#endif  // QUILLET_UPDATER_MODULE_KEYS_H_
