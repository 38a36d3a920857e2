#include "settings.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "line_scanner.h"
#include "platform.h"
#include "printer.h"
#include "tz415api.h"
#include "run_state.h"

namespace {

constexpr char kFileNotFound[] = "!!!Error %s not found!\n";

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The numbers are read as formatted input reads "%X" and "%d", except that
// an overlong number keeps its low 32 bits instead of whatever the host's
// runtime happens to do with it, so every build stores the same value.
// On success `text` is moved past the number.
bool ScanHex(const char*& text, uint32_t* value) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2]) >= 0) p += 2;
  if (HexDigit(*p) < 0) return false;
  uint32_t number = 0;
  for (; HexDigit(*p) >= 0; ++p) number = number * 16u + static_cast<uint32_t>(HexDigit(*p));
  *value = negative ? 0u - number : number;
  text = p;
  return true;
}

bool ScanDecimal(const char* text, int32_t* value) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (*p < '0' || *p > '9') return false;
  uint32_t number = 0;
  for (; *p >= '0' && *p <= '9'; ++p) number = number * 10u + static_cast<uint32_t>(*p - '0');
  *value = static_cast<int32_t>(negative ? 0u - number : number);
  return true;
}

// "%s": the first word. A line is shorter than the 260-byte destination.
bool ScanWord(const char* text, char* destination) {
  while (IsSpace(*text)) ++text;
  if (*text == '\0') return false;
  size_t length = 0;
  while (text[length] != '\0' && !IsSpace(text[length])) ++length;
  std::memcpy(destination, text, length);
  destination[length] = '\0';
  return true;
}

void CopyText(const char* text, char (&destination)[kTextSize]) {
  std::snprintf(destination, sizeof destination, "%s", text);
}

bool Contains(const char* line, const char* text) { return std::strstr(line, text) != nullptr; }

// The value is what follows the first '=' of the line.
const char* ValueOf(const char* line) { return std::strchr(line, '=') + 1; }

enum class Walk { kNext, kStop };

// The one section walk of the reader. True when onLine stopped the walk.
template <typename OnStart, typename OnLine>
bool WalkSection(ByteSource& file, const char* start, OnStart onStart, OnLine onLine) {
  LineScanner lines(file);
  SectionTracker section(start);
  char line[kLineBufferSize];
  while (lines.Next(line)) {
    switch (section.Feed(line)) {
      case SectionTracker::kStart: onStart(); break;
      case SectionTracker::kInside:
        if (onLine(line) == Walk::kStop) return true;
        break;
      case SectionTracker::kOutside:
        if (section.Ended()) return false;
        break;
    }
  }
  return false;
}

enum class SectionRead { kRead, kCannotOpen, kStopped };

// Opens the file anew and hands every line of the first section with
// `header` to onLine, which returns false to give up the whole step.
template <typename OnLine>
SectionRead ReadSection(Printer& out, Files& files, const char* header, bool echoHeader,
                        OnLine onLine) {
  std::unique_ptr<ByteSource> file = files.OpenForRead(kSettingsPath);
  if (!file) return SectionRead::kCannotOpen;
  bool stopped = WalkSection(
      *file, header,
      [&] {
        if (echoHeader) out.Print("%s Found  \n\t\t", header);
      },
      [&](const char* line) { return onLine(line) ? Walk::kNext : Walk::kStop; });
  return stopped ? SectionRead::kStopped : SectionRead::kRead;
}

bool ReadModuleKeys(UpdaterState& state, Printer& out, Files& files) {
  char key[kModuleKeyNameSize];
  for (int n = 1; n <= state.HubNumber && static_cast<size_t>(n) <= state.Modules.size(); ++n) {
    HubModuleEntry* entry = &state.Modules[static_cast<size_t>(n) - 1];
    if (n >= 2) {
      ModuleKeyName(n, ModuleKey::kDepth, key);
      if (!ReadHubModuleKey(out, files, kSettingsPath, key, &entry->Depth, true)) return false;
      ModuleKeyName(n, ModuleKey::kConnectionPortIndex, key);
      if (!ReadHubModuleKey(out, files, kSettingsPath, key, &entry->ConnectionPortIndex, true)) {
        return false;
      }
    }
    ModuleKeyName(n, ModuleKey::kBinFile, key);
    if (!ReadHubModuleKey(out, files, kSettingsPath, key, entry->WantUpdateBinFile, false))
      return false;
  }
  return true;
}

SectionRead ReadTargetIds(UpdaterState& state, Printer& out, Files& files, HubLibrary& library) {
  int taken = 0;
  bool dropped = false;
  for (uint8_t generation : {uint8_t{3}, uint8_t{2}}) {
    const char* header = generation == 3 ? SectionOf(Section::kTargetIdU3).start
                                         : SectionOf(Section::kTargetIdU2).start;
    SectionRead read = ReadSection(out, files, header, true, [&](const char* line) {
      if (!Contains(line, "=")) return true;
      if (taken < kMaxTargetIds) {
        ParseTargetId(line, generation, &state.TargetIds[taken++]);
      } else {
        dropped = true;
      }
      return true;
    });
    if (read != SectionRead::kRead) return read;
  }
  state.TargetIdCount = static_cast<uint8_t>(taken);
  for (int i = 0; i < taken; ++i) {
    const TargetIdEntry& entry = state.TargetIds[i];
    out.Print("%08X=%04X %d  ", static_cast<unsigned>(entry.HubId),
              static_cast<unsigned>(entry.ImageId), entry.UsbGeneration);
  }
  out.Print("\n\t\t");
  if (dropped) out.Print("Warning!!! Only the first %d hub IDs are used\n\t\t", kMaxTargetIds);
  library.SetIniInfo(LibraryHead(state));
  return SectionRead::kRead;
}

SectionRead ReadMisc(UpdaterState& state, Printer& out, Files& files) {
  return ReadSection(out, files, SectionOf(Section::kMisc).start, true, [&](const char* line) {
    if (Contains(line, "=") && Contains(line, kStringCompareKey)) {
      // Parsed into a local: a value that does not parse leaves the field as it was.
      int32_t value = 0;
      if (ScanDecimal(ValueOf(line), &value)) state.StringCompare = value;
      out.Print("StringCompare:%d  \n\t\t", static_cast<int>(state.StringCompare));
    }
    return true;
  });
}

SectionRead ReadHubModule(UpdaterState& state, Printer& out, Files& files) {
  return ReadSection(out, files, SectionOf(Section::kHubModule).start, false,
                     [&](const char* line) {
                       if (!Contains(line, "=") || !Contains(line, kHubNumberKey)) return true;
                       int32_t number = 0;
                       if (ScanDecimal(ValueOf(line), &number))
                         state.HubNumber = static_cast<uint8_t>(number);
                       out.Print("HUBNumber:%d\n", state.HubNumber);
                       state.Modules.Reset(state.HubNumber);
                       return state.HubNumber < 2 || ReadModuleKeys(state, out, files);
                     });
}

SectionRead ReadHubName(UpdaterState& state, Printer& out, Files& files) {
  return ReadSection(out, files, SectionOf(Section::kHubName).start, true, [&](const char* line) {
    if (Contains(line, "=") && Contains(line, kHubNameKey)) {
      CopyText(ValueOf(line), state.TargetHubName);
      out.Print("TargetHUBName:%s  \n\t\t", state.TargetHubName);
    }
    return true;
  });
}

SectionRead ReadHubFwCheck(UpdaterState& state, Printer& out, Files& files) {
  return ReadSection(out, files, SectionOf(Section::kHubFwCheck).start, true,
                     [&](const char* line) {
                       if (!Contains(line, "=")) return true;
                       if (Contains(line, kCheckHubFwKey)) {
                         int32_t value = 0;
                         if (ScanDecimal(ValueOf(line), &value)) state.CheckHubFw = value;
                         out.Print("FWCompare:%d  \n\t\t", static_cast<int>(state.CheckHubFw));
                       }
                       if (Contains(line, kFwVersionKey)) {
                         const char* value = ValueOf(line);
                         uint32_t version = 0;
                         if (ScanHex(value, &version))
                           state.FwVersion = static_cast<uint16_t>(version);
                         out.Print("FWVersion:%d  \n\t\t", state.FwVersion);
                       }
                       return true;
                     });
}

}  // namespace

SectionTracker::Place SectionTracker::Feed(const char* line) {
  switch (state_) {
    case kBefore:
      if (!Contains(line, start_)) return kOutside;
      state_ = kIn;
      return kStart;
    case kIn:
      if (!Contains(line, "[")) return kInside;
      state_ = kAfter;
      return kOutside;
    case kAfter: break;
  }
  return kOutside;
}

bool ParseTargetId(const char* line, uint8_t generation, TargetIdEntry* entry) {
  *entry = TargetIdEntry{};
  entry->UsbGeneration = generation;
  const char* p = line;
  uint32_t hubId = 0;
  if (!ScanHex(p, &hubId)) return false;
  entry->HubId = hubId;
  uint32_t imageId = 0;
  if (*p != '=' || !ScanHex(++p, &imageId)) return false;
  entry->ImageId = static_cast<uint16_t>(imageId);
  return true;
}

void ModuleKeyName(int n, ModuleKey key, char (&name)[kModuleKeyNameSize]) {
  static const char* const kFormats[] = {"NO.%dHUBDepth", "NO.%dHUBConnectionPortIndex",
                                         "NO.%dHUBWantUpdateBinFile"};
  std::snprintf(name, sizeof name, kFormats[static_cast<int>(key)], n);
}

bool IsKeyLine(const char* line, const char* key) {
  return Contains(line, "=") && Contains(line, key);
}

HubModuleEntry& HubModules::Add(uint8_t depth, uint8_t connectionPortIndex, const char* binFile) {
  entries_.emplace_back();
  HubModuleEntry& entry = entries_.back();
  entry.Depth = depth;
  entry.ConnectionPortIndex = connectionPortIndex;
  CopyText(binFile, entry.WantUpdateBinFile);
  return entry;
}

bool LoadSettingFromIni(UpdaterState& state, Printer& out, Files& files, HubLibrary& library) {
  out.Print("\t1.2 LoadSettingFromIni()\n\t\t");
  if (!files.OpenForRead(kSettingsPath)) {
    out.Print(kFileNotFound, kSettingsPath);
    return false;
  }
  // Each section is read in a pass of its own over the file; the hub-ID
  // table reaches the library before any later section is looked at.
  SectionRead read = ReadTargetIds(state, out, files, library);
  if (read == SectionRead::kRead) read = ReadMisc(state, out, files);
  if (read == SectionRead::kRead) read = ReadHubModule(state, out, files);
  if (read == SectionRead::kRead) read = ReadHubName(state, out, files);
  if (read == SectionRead::kRead) read = ReadHubFwCheck(state, out, files);
  // A missing module key has no message of its own: the echoes so far show
  // the last key that was found.
  if (read == SectionRead::kCannotOpen) out.Print(kFileNotFound, kSettingsPath);
  return read == SectionRead::kRead;
}

bool ReadHubModuleKey(Printer& out, Files& files, const char* path, const char* key,
                      void* destination, bool isNumber) {
  std::unique_ptr<ByteSource> file = files.OpenForRead(path);
  if (file) {
    file.reset();
    file = files.OpenForRead(path);
  }
  if (!file) {
    out.Print(kFileNotFound, path);
    return false;
  }
  // The section starts after any line that holds the word, brackets or not.
  return WalkSection(
      *file, kModuleKeysStart, [] {},
      [&](const char* line) {
        if (!Contains(line, "=") || !Contains(line, key)) return Walk::kNext;
        if (isNumber) {
          auto* field = static_cast<uint8_t*>(destination);
          int32_t number = 0;
          if (ScanDecimal(ValueOf(line), &number)) *field = static_cast<uint8_t>(number);
          out.Print("%s: %d\n", key, *field);
        } else {
          auto* text = static_cast<char*>(destination);
          ScanWord(ValueOf(line), text);
          out.Print("%s: %s\n", key, text);
        }
        return Walk::kStop;
      });
}
