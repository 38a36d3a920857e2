#include "module_keys.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "platform.h"
#include "section_walk.h"
#include "settings.h"
#include "settings_syntax.h"

namespace {

// The scan both kinds of key share: `take` gets the value of the key's line.
KeyRead FindModuleKey(Files& files, const char* key, const std::function<void(const char*)>& take,
                      int* line) {
  // Opened, closed and opened again, as the reader always has: the first
  // opening asks whether the file is there at all, the second reads it. No
  // other program holds it, so the two cannot disagree but in a race.
  std::unique_ptr<ByteSource> file = files.OpenForRead(kSettingsPath);
  if (file) {
    file.reset();
    file = files.OpenForRead(kSettingsPath);
  }
  if (!file) return KeyRead::kCannotOpen;
  // The section starts after any line that holds the word, brackets or not.
  bool found = WalkSection(*file, kModuleKeysStart, false, nullptr,
                           [&](const char* text, int number, SectionTracker::Place place) {
                             if (place != SectionTracker::kInside || !IsKeyLine(text, key))
                               return Walk::kNext;
                             take(ValueOf(text));
                             *line = number;
                             return Walk::kStop;
                           });
  return found ? KeyRead::kFound : KeyRead::kMissing;
}

}  // namespace

void ModuleKeyName(int n, ModuleKey key, char (&name)[kModuleKeyNameSize]) {
  static const char* const kFormats[] = {"NO.%dHUBDepth", "NO.%dHUBConnectionPortIndex",
                                         "NO.%dHUBWantUpdateBinFile"};
  std::snprintf(name, sizeof name, kFormats[static_cast<int>(key)], n);
}

bool IsModuleKeyLine(const char* line) {
  if (!IsKeyLine(line, "NO.")) return false;
  for (ModuleKey key : {ModuleKey::kDepth, ModuleKey::kConnectionPortIndex, ModuleKey::kBinFile}) {
    char name[kModuleKeyNameSize];
    ModuleKeyName(1, key, name);
    if (std::strstr(line, name + 4) != nullptr) return true;  // past "NO.1"
  }
  return false;
}

KeyRead FindModuleNumber(Files& files, const char* key, uint8_t* number, int* line) {
  return FindModuleKey(
      files, key,
      [number](const char* value) {
        int32_t scanned = 0;
        if (ScanDecimal(value, &scanned)) *number = static_cast<uint8_t>(scanned);
      },
      line);
}

KeyRead FindModuleText(Files& files, const char* key, char (&text)[kTextSize], int* line) {
  return FindModuleKey(
      files, key, [&text](const char* value) { ScanWord(value, text); }, line);
}

bool ReadModuleKeys(UpdaterState& state, Files& files, Settings* settings) {
  char key[kModuleKeyNameSize];
  for (int n = 1; n <= state.HubNumber && static_cast<size_t>(n) <= state.Modules.size(); ++n) {
    HubModuleEntry& entry = state.Modules[static_cast<size_t>(n) - 1];
    for (ModuleKey which :
         {ModuleKey::kDepth, ModuleKey::kConnectionPortIndex, ModuleKey::kBinFile}) {
      if (n == 1 && which != ModuleKey::kBinFile) continue;
      ModuleKeyName(n, which, key);
      const bool isText = which == ModuleKey::kBinFile;
      uint8_t& number = which == ModuleKey::kDepth ? entry.Depth : entry.ConnectionPortIndex;
      int line = 0;
      KeyRead result = isText ? FindModuleText(files, key, entry.WantUpdateBinFile, &line)
                              : FindModuleNumber(files, key, &number, &line);
      if (result != KeyRead::kFound) {
        if (result == KeyRead::kCannotOpen) settings->cannotOpen = true;
        if (result == KeyRead::kMissing) settings->gaveUpOn = key;
        return false;
      }
      TakenValue value(isText ? Taken::kModuleText : Taken::kModuleNumber, line);
      value.key = key;
      if (isText) value.text = entry.WantUpdateBinFile;
      if (!isText) value.number = number;
      settings->taken.push_back(value);
    }
  }
  return true;
}

HubModuleEntry& HubModules::Add(uint8_t depth, uint8_t connectionPortIndex, const char* binFile) {
  entries_.emplace_back();
  HubModuleEntry& entry = entries_.back();
  entry.Depth = depth;
  entry.ConnectionPortIndex = connectionPortIndex;
  CopyText(binFile, entry.WantUpdateBinFile);
  return entry;
}
