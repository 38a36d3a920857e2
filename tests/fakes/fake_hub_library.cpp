#include "fake_hub_library.h"

#include <algorithm>
#include <cstring>

#include "fake_console.h"

void FakeHubLibrary::Log(const std::string& call) {
  calls.push_back(call);
  if (screen != nullptr) {
    // Shown as an event, not as text: Text() stays the program's own.
    screen->Event(call);
  }
}

void FakeHubLibrary::GetDllVersion(uint32_t* out) {
  Log("TA_GetDllVersion");
  *out = version;
}

void FakeHubLibrary::SetIniInfo(void* head) {
  Log("TA_SetIniInfo");
  auto* state = static_cast<LibraryRecord*>(head);
  setIniInfoCount = state->TargetIdCount;
  int count = std::min<int>(state->TargetIdCount, kMaxTargetIds);
  tableAtSetIniInfo.assign(state->TargetIds, state->TargetIds + count);
}

void FakeHubLibrary::GetEnumInfo(uint8_t* deviceCount) {
  Log("TA_GetEnumInfo");
  int count = reportedCount >= 0 ? reportedCount : static_cast<int>(hubs.size());
  *deviceCount = static_cast<uint8_t>(count);
  auto* table = reinterpret_cast<HubDeviceInfo*>(deviceCount + 1);
  for (size_t i = 0; i < hubs.size() && i < kMaxDevices; ++i) {
    std::memcpy(&table[i], &hubs[i], sizeof(HubDeviceInfo));
  }
}

int FakeHubLibrary::UpdateISP(uint8_t index, const char* path, int reserved) {
  Log("TA_UpdateISP(" + std::to_string(index) + "," + path + "," + std::to_string(reserved) + ")");
  updatedPositions.push_back(index);
  if (duringUpdate) duringUpdate();
  auto result = updateResults.find(index);
  return result == updateResults.end() ? 0 : result->second;
}
