// The updater's run state: the library's record (hubapi/updater_state.h) at
// its head, then the updater's own fields, which the library never sees.
// A fresh run state is all zero: no hub IDs, no hubs, no modules, no checks.
#ifndef QUILLET_UPDATER_RUN_STATE_H_
#define QUILLET_UPDATER_RUN_STATE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "updater_state.h"

// The settings' texts: a file name or a hub name, NUL-terminated.
constexpr int kTextSize = 260;

// The platform's OSVERSIONINFOW, declared here so that the state has the
// same shape on the host, where there is no <windows.h>.
struct OsVersionInfoW {
  uint32_t dwOSVersionInfoSize;
  uint32_t dwMajorVersion;
  uint32_t dwMinorVersion;
  uint32_t dwBuildNumber;
  uint32_t dwPlatformId;
  uint16_t szCSDVersion[128];
};
static_assert(sizeof(OsVersionInfoW) == 276, "OSVERSIONINFOW is 276 bytes");

// One numbered hub of the [HUBModule] section. Entry 1 has only the file
// name: its place is the root's.
struct HubModuleEntry {
  uint8_t Depth = 0;
  uint8_t ConnectionPortIndex = 0;
  char WantUpdateBinFile[kTextSize] = {};
};

// The [HUBModule] entries, in the order of their numbers. The container owns
// them: a later HUBNumber line replaces them all.
class HubModules {
 public:
  // `count` zeroed entries in place of the old ones.
  void Reset(int count) { entries_.assign(static_cast<size_t>(count), HubModuleEntry()); }
  HubModuleEntry& Add(uint8_t depth, uint8_t connectionPortIndex, const char* binFile);
  size_t size() const { return entries_.size(); }
  HubModuleEntry& operator[](size_t n) { return entries_[n]; }
  const HubModuleEntry& operator[](size_t n) const { return entries_[n]; }
  std::vector<HubModuleEntry>::const_iterator begin() const { return entries_.begin(); }
  std::vector<HubModuleEntry>::const_iterator end() const { return entries_.end(); }

 private:
  std::vector<HubModuleEntry> entries_;
};

struct UpdaterState : LibraryRecord {
  UpdaterState() : LibraryRecord() {}  // the library's record zeroed too

  OsVersionInfoW OsVersionInfo = {};
  uint8_t IsWindows8 = 0;
  int32_t StringCompare = 0;
  uint8_t HubNumber = 0;
  HubModules Modules;  // HubNumber entries once HUBNumber is read
  char TargetHubName[kTextSize] = {};
  int32_t CheckHubFw = 0;
  uint16_t FwVersion = 0;
};

// What the library is handed: the head of the state.
inline LibraryRecord* LibraryHead(UpdaterState& state) { return &state; }

#endif  // QUILLET_UPDATER_RUN_STATE_H_
