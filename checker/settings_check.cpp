#include "settings_check.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform.h"
#include "short_format.h"
#include "silent_console.h"
#include "text.h"
#include "tz415api.h"

namespace check {

namespace {

void DuplicateIds(KitReport* report) {
  const UpdaterState& state = *report->settings.state;
  const std::vector<int>& lines = report->settings.idLines;
  std::map<uint32_t, size_t> first;
  for (size_t i = 0; i < static_cast<size_t>(state.TargetIdCount) && i < lines.size(); ++i) {
    const TargetIdEntry& entry = state.TargetIds[i];
    uint32_t hubId = entry.HubId;  // a packed field: copied, never bound
    auto known = first.emplace(hubId, i);
    if (known.second) continue;
    const TargetIdEntry& winner = state.TargetIds[known.first->second];
    Add(&report->findings, FindingCode::kIdDuplicate, lines[i],
        Format("hub ID %08X listed again (first at line %d): the first wins, image ID %04X%s",
               static_cast<unsigned>(entry.HubId), lines[known.first->second], winner.ImageId,
               winner.ImageId == entry.ImageId ? "" : ", not this line's"));
  }
}

// The reader gives up on the first module key it cannot find: named by the
// reader's own key names and key search.
void MissingModuleKey(Files& files, KitReport* report) {
  const UpdaterState& state = *report->settings.state;
  SilentConsole silent;
  Printer quiet(silent);
  for (int n = 1; n <= state.HubNumber; ++n) {
    for (ModuleKey key :
         {ModuleKey::kDepth, ModuleKey::kConnectionPortIndex, ModuleKey::kBinFile}) {
      if (n == 1 && key != ModuleKey::kBinFile) continue;
      char name[kModuleKeyNameSize];
      ModuleKeyName(n, key, name);
      char value[kTextSize] = {};
      if (!ReadHubModuleKey(quiet, files, kSettingsPath, name, value, key != ModuleKey::kBinFile)) {
        Add(&report->findings, FindingCode::kModuleKeyMissing, 0,
            Format("HUBNumber is %d but %s is missing: the updater stops after the settings",
                   state.HubNumber, name));
        return;
      }
    }
  }
}

}  // namespace

void ReadSettings(Files& files, HubLibrary& library, KitReport* report) {
  SettingsReport& settings = report->settings;
  settings.state = std::make_unique<UpdaterState>();
  settings.found = files.OpenForRead(kSettingsPath) != nullptr;
  if (!settings.found) {
    Add(&report->findings, FindingCode::kSettingsMissing, 0,
        Format("%s cannot be opened: the updater stops", kSettingsPath));
    return;
  }
  SilentConsole silent;
  Printer quiet(silent);
  settings.readerGaveUp = !LoadSettingFromIni(*settings.state, quiet, files, library);
  ScanSettingsLines(files, report);
  DuplicateIds(report);
  if (settings.readerGaveUp) MissingModuleKey(files, report);
}

void CheckModuleFiles(KitReport* report) {
  const SettingsReport& settings = report->settings;
  if (settings.readerGaveUp || settings.state->HubNumber < 2) return;
  const HubModules& modules = settings.state->Modules;
  for (size_t n = 0; n < modules.size(); ++n) {
    std::string wanted = modules[n].WantUpdateBinFile;
    const ImageRow* other = nullptr;
    bool exact = false;
    for (const ImageRow& row : report->images) {
      if (row.name == wanted) exact = true;
      if (other == nullptr && SameIgnoringCase(row.name, wanted)) other = &row;
    }
    if (exact) continue;
    if (other != nullptr) {
      Add(&report->findings, FindingCode::kModuleFileCase, 0,
          Format("module %u wants %s, present only as %s: the search finds it, the name test "
                 "counts letter case, so it is never chosen",
                 static_cast<unsigned>(n + 1), wanted.c_str(), other->name.c_str()));
    } else {
      Add(&report->findings, FindingCode::kModuleFileMissing, 0,
          Format("module %u wants %s, which the search does not find", static_cast<unsigned>(n + 1),
                 wanted.c_str()));
    }
  }
}

// With CheckHUBFW set, short-format hubs are compared with FWVersion before
// any image is looked at, so it must be what their image delivers.
void CheckFwVersion(KitReport* report) {
  const UpdaterState& state = *report->settings.state;
  if (state.CheckHubFw == 0) return;
  bool anyShortFormat = false;
  bool delivered = false;
  for (int i = 0; i < state.TargetIdCount && i < kMaxTargetIds; ++i) {
    const TargetIdEntry& target = state.TargetIds[i];
    if (!IsShortFormatHub(target.HubId)) continue;
    anyShortFormat = true;
    for (const ImageRow& row : report->images) {
      if (row.opened && row.headerLength >= 2 && row.imageId == target.ImageId &&
          ShortFormatVersion(row.deliveredVersion) == state.FwVersion) {
        delivered = true;
      }
    }
  }
  if (anyShortFormat && !delivered) {
    Add(&report->findings, FindingCode::kFwVersionUndelivered, 0,
        Format("FWVersion %X is delivered by no image for the short-format hubs: they are "
               "skipped when they are not at it, or written on every run when they are",
               state.FwVersion));
  }
}

}  // namespace check
