// A described set of hubs in place of TZ415API: what enumeration reports,
// what each programming call returns, and a log of every call.
#ifndef QUILLET_TESTS_FAKE_HUB_LIBRARY_H_
#define QUILLET_TESTS_FAKE_HUB_LIBRARY_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tz415api.h"
#include "updater_state.h"

class FakeConsole;

class FakeHubLibrary : public HubLibrary {
 public:
  // ---- Staging.
  uint32_t version = 0x20190823;
  std::vector<HubDeviceInfo> hubs;   // records written by GetEnumInfo (16 at most)
  int reportedCount = -1;            // the count written; -1: hubs.size()
  std::map<int, int> updateResults;  // by position; absent means 0 (programmed)
  // When set, each call also appears in this console's screen, in order
  // with the text, as "{TA_UpdateISP(2,.\Binfile\A.BIN,0)}" and the like.
  FakeConsole* screen = nullptr;
  // Called inside each programming call, to look at the machine then.
  std::function<void()> duringUpdate;

  // ---- Reading back.
  std::vector<std::string> calls;  // "TA_GetEnumInfo", "TA_UpdateISP(2,path,0)"...
  std::vector<TargetIdEntry> tableAtSetIniInfo;
  int setIniInfoCount = -1;  // TargetIdCount seen; -1: never called
  std::vector<int> updatedPositions;

  // ---- HubLibrary.
  void GetDllVersion(uint32_t* version) override;
  void SetIniInfo(void* head) override;
  void GetEnumInfo(uint8_t* deviceCount) override;
  int UpdateISP(uint8_t index, const char* path, int reserved) override;

 private:
  void Log(const std::string& call);
};

#endif  // QUILLET_TESTS_FAKE_HUB_LIBRARY_H_
