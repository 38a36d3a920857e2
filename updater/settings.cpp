#include "settings.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "module_keys.h"
#include "platform.h"
#include "printer.h"
#include "run_state.h"
#include "section_walk.h"
#include "settings_echo.h"
#include "settings_syntax.h"
#include "tz415api.h"

namespace {

enum class SectionRead { kRead, kCannotOpen, kStopped };

// Opens the file anew and hands every line to onLine, which returns false
// to give up the whole step. A section's header is taken as found.
template <typename OnLine>
SectionRead ReadSection(Files& files, Section which, Settings* settings, OnLine onLine,
                        bool notesSplits = false) {
  std::unique_ptr<ByteSource> file = files.OpenForRead(kSettingsPath);
  if (!file) {
    settings->cannotOpen = true;
    return SectionRead::kCannotOpen;
  }
  bool stopped =
      WalkSection(*file, SectionOf(which).start, true, notesSplits ? settings : nullptr,
                  [&](const char* line, int number, SectionTracker::Place place) {
                    if (place == SectionTracker::kStart) {
                      TakenValue found(Taken::kSectionFound, number, which);
                      settings->taken.push_back(found);
                    }
                    if (place == SectionTracker::kInside && !Contains(line, "=") &&
                        !IsBlankOrComment(line)) {
                      Note(settings, {number, LineNote::kNoEquals, which, nullptr, {}});
                    }
                    if (place != SectionTracker::kInside) {
                      for (const char* key : SectionOf(which).keys) {
                        if (key != nullptr && IsKeyLine(line, key)) {
                          Note(settings, {number, LineNote::kKeyOutside, which, key, {}});
                        }
                      }
                    }
                    return onLine(line, number, place) ? Walk::kNext : Walk::kStop;
                  });
  if (settings->cannotOpen) return SectionRead::kCannotOpen;
  return stopped ? SectionRead::kStopped : SectionRead::kRead;
}

TakenValue Number(Taken what, int line, int32_t number) {
  TakenValue value(what, line);
  value.number = number;
  return value;
}

// Every line with '=' in a hub-ID section takes an entry, parsed or not;
// the counter runs on across both sections.
SectionRead ReadTargetIds(UpdaterState& state, Files& files, Settings* settings) {
  int taken = 0;
  for (Section which : {Section::kTargetIdU3, Section::kTargetIdU2}) {
    const uint8_t generation = which == Section::kTargetIdU3 ? 3 : 2;
    SectionRead read = ReadSection(
        files, which, settings,
        [&](const char* line, int number, SectionTracker::Place place) {
          if (place != SectionTracker::kInside || !Contains(line, "=")) return true;
          ++settings->idLineCount;
          TargetIdEntry dropped;
          TargetIdEntry* entry = taken < kMaxTargetIds ? &state.TargetIds[taken] : &dropped;
          if (!ParseTargetId(line, generation, entry)) {
            Note(settings, {number, LineNote::kIdUnparsed, which, nullptr, *entry});
          }
          if (taken < kMaxTargetIds) {
            settings->idLines.push_back(number);
            ++taken;
          } else if (settings->firstDroppedIdLine == 0) {
            settings->firstDroppedIdLine = number;
          }
          return true;
        },
        which == Section::kTargetIdU3);
    if (read != SectionRead::kRead) return read;
  }
  state.TargetIdCount = static_cast<uint8_t>(taken);
  settings->taken.push_back(TakenValue(Taken::kHubIds));
  return SectionRead::kRead;
}

SectionRead ReadMisc(UpdaterState& state, Files& files, Settings* settings) {
  return ReadSection(files, Section::kMisc, settings,
                     [&](const char* line, int number, SectionTracker::Place place) {
                       if (place != SectionTracker::kInside) return true;
                       if (!IsKeyLine(line, kStringCompareKey)) return true;
                       // Parsed into a local: a value that does not parse
                       // leaves the field as it was.
                       int32_t value = 0;
                       if (ScanDecimal(ValueOf(line), &value)) state.StringCompare = value;
                       settings->taken.push_back(
                           Number(Taken::kStringCompare, number, state.StringCompare));
                       return true;
                     });
}

// With HUBNumber 2 or more each module key is looked for in a scan of its
// own; below that none is, and the module key lines here are left.
SectionRead ReadHubModule(UpdaterState& state, Files& files, Settings* settings) {
  SectionTracker moduleKeys(kModuleKeysStart);
  return ReadSection(
      files, Section::kHubModule, settings,
      [&](const char* line, int number, SectionTracker::Place place) {
        bool inModuleKeys = moduleKeys.Feed(line) == SectionTracker::kInside;
        if (IsModuleKeyLine(line) && !inModuleKeys) {
          Note(settings, {number, LineNote::kModuleKeyOutside, Section::kHubModule, nullptr, {}});
        }
        if (place != SectionTracker::kInside) return true;
        if (!IsKeyLine(line, kHubNumberKey)) {
          if (IsModuleKeyLine(line)) {
            Note(settings, {number, LineNote::kModuleKeyUnread, Section::kHubModule, nullptr, {}});
          }
          return true;
        }
        int32_t hubNumber = 0;
        if (ScanDecimal(ValueOf(line), &hubNumber))
          state.HubNumber = static_cast<uint8_t>(hubNumber);
        settings->taken.push_back(Number(Taken::kHubNumber, number, state.HubNumber));
        state.Modules.Reset(state.HubNumber);
        return state.HubNumber < 2 || ReadModuleKeys(state, files, settings);
      });
}

SectionRead ReadHubName(UpdaterState& state, Files& files, Settings* settings) {
  return ReadSection(files, Section::kHubName, settings,
                     [&](const char* line, int number, SectionTracker::Place place) {
                       if (place != SectionTracker::kInside) return true;
                       if (!IsKeyLine(line, kHubNameKey)) return true;
                       CopyText(ValueOf(line), state.TargetHubName);
                       TakenValue value(Taken::kHubName, number);
                       value.text = state.TargetHubName;
                       settings->taken.push_back(value);
                       return true;
                     });
}

// A line may hold both keys; each is taken.
SectionRead ReadHubFwCheck(UpdaterState& state, Files& files, Settings* settings) {
  return ReadSection(files, Section::kHubFwCheck, settings,
                     [&](const char* line, int number, SectionTracker::Place place) {
                       if (place != SectionTracker::kInside || !Contains(line, "=")) return true;
                       if (Contains(line, kCheckHubFwKey)) {
                         int32_t value = 0;
                         if (ScanDecimal(ValueOf(line), &value)) state.CheckHubFw = value;
                         settings->taken.push_back(
                             Number(Taken::kCheckHubFw, number, state.CheckHubFw));
                       }
                       if (Contains(line, kFwVersionKey)) {
                         const char* value = ValueOf(line);
                         uint32_t version = 0;
                         if (ScanHex(value, &version)) {
                           state.FwVersion = static_cast<uint16_t>(version);
                         }
                         settings->taken.push_back(
                             Number(Taken::kFwVersion, number, state.FwVersion));
                       }
                       return true;
                     });
}

}  // namespace

void Note(Settings* settings, const NotedLine& line) {
  if (settings->noted.size() < kMaxNotedLines) {
    settings->noted.push_back(line);
  } else {
    ++settings->notedBeyond;
  }
}

bool ReadSettings(UpdaterState& state, Files& files, HubLibrary& library, Printer* out,
                  Settings* settings) {
  Settings unkept;
  if (settings == nullptr) settings = &unkept;
  *settings = Settings();
  size_t echoed = 0;
  // Each pass's values are echoed as soon as the pass ends.
  auto echo = [&] {
    if (out != nullptr) PrintTaken(*out, state, *settings, echoed);
    echoed = settings->taken.size();
  };
  if (out != nullptr) out->Print("\t1.2 LoadSettingFromIni()\n\t\t");
  settings->found = files.OpenForRead(kSettingsPath) != nullptr;
  if (!settings->found) {
    if (out != nullptr) out->Print(kFileNotFound, kSettingsPath);
    return false;
  }
  // Each section is read in a pass of its own over the file; the hub-ID
  // table reaches the library before any later section is looked at.
  SectionRead read = ReadTargetIds(state, files, settings);
  echo();
  if (read == SectionRead::kRead) library.SetIniInfo(LibraryHead(state));
  for (auto pass : {ReadMisc, ReadHubModule, ReadHubName, ReadHubFwCheck}) {
    if (read != SectionRead::kRead) break;
    read = pass(state, files, settings);
    echo();
  }
  // A missing module key has no message of its own: the echoes so far show
  // the last key that was found.
  if (read == SectionRead::kCannotOpen && out != nullptr) out->Print(kFileNotFound, kSettingsPath);
  return read == SectionRead::kRead;
}

bool LoadSettingFromIni(UpdaterState& state, Printer& out, Files& files, HubLibrary& library) {
  return ReadSettings(state, files, library, &out, nullptr);
}
