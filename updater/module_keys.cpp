// The [HUBModule] entries' keys, each looked for in a scan of its own.
#include <cstdint>
#include <memory>

#include "platform.h"
#include "printer.h"
#include "run_state.h"
#include "section_walk.h"
#include "settings.h"
#include "settings_syntax.h"

bool ReadModuleKeys(UpdaterState& state, Files& files, Settings* settings) {
  char key[kModuleKeyNameSize];
  for (int n = 1; n <= state.HubNumber && static_cast<size_t>(n) <= state.Modules.size(); ++n) {
    HubModuleEntry& entry = state.Modules[static_cast<size_t>(n) - 1];
    struct {
      ModuleKey key;
      void* destination;
    } const reads[] = {{ModuleKey::kDepth, &entry.Depth},
                       {ModuleKey::kConnectionPortIndex, &entry.ConnectionPortIndex},
                       {ModuleKey::kBinFile, entry.WantUpdateBinFile}};
    for (const auto& read : reads) {
      if (n == 1 && read.key != ModuleKey::kBinFile) continue;
      ModuleKeyName(n, read.key, key);
      bool isNumber = read.key != ModuleKey::kBinFile;
      int line = 0;
      KeyRead result =
          FindHubModuleKey(files, kSettingsPath, key, read.destination, isNumber, &line);
      if (result != KeyRead::kFound) {
        if (result == KeyRead::kCannotOpen) settings->cannotOpen = true;
        if (result == KeyRead::kMissing) settings->gaveUpOn = key;
        return false;
      }
      TakenValue value(isNumber ? Taken::kModuleNumber : Taken::kModuleText, line);
      value.key = key;
      if (isNumber) value.number = *static_cast<uint8_t*>(read.destination);
      if (!isNumber) value.text = entry.WantUpdateBinFile;
      settings->taken.push_back(value);
    }
  }
  return true;
}

KeyRead FindHubModuleKey(Files& files, const char* path, const char* key, void* destination,
                         bool isNumber, int* line) {
  // Opened, closed and opened again, as the reader always has: the first
  // opening asks whether the file is there at all, the second reads it. No
  // other program holds it, so the two cannot disagree but in a race.
  std::unique_ptr<ByteSource> file = files.OpenForRead(path);
  if (file) {
    file.reset();
    file = files.OpenForRead(path);
  }
  if (!file) return KeyRead::kCannotOpen;
  // The section starts after any line that holds the word, brackets or not.
  bool found = WalkSection(*file, kModuleKeysStart, false, nullptr,
                           [&](const char* text, int number, SectionTracker::Place place) {
                             if (place != SectionTracker::kInside || !IsKeyLine(text, key))
                               return Walk::kNext;
                             if (isNumber) {
                               int32_t value = 0;
                               if (ScanDecimal(ValueOf(text), &value)) {
                                 *static_cast<uint8_t*>(destination) = static_cast<uint8_t>(value);
                               }
                             } else {
                               ScanWord(ValueOf(text), static_cast<char*>(destination));
                             }
                             *line = number;
                             return Walk::kStop;
                           });
  return found ? KeyRead::kFound : KeyRead::kMissing;
}

bool ReadHubModuleKey(Printer& out, Files& files, const char* path, const char* key,
                      void* destination, bool isNumber) {
  int line = 0;
  KeyRead read = FindHubModuleKey(files, path, key, destination, isNumber, &line);
  if (read == KeyRead::kCannotOpen) out.Print(kFileNotFound, path);
  if (read != KeyRead::kFound) return false;
  if (isNumber) {
    out.Print("%s: %d\n", key, *static_cast<uint8_t*>(destination));
  } else {
    out.Print("%s: %s\n", key, static_cast<char*>(destination));
  }
  return true;
}
