// tz415sim_probe: drives TZ415API.dll call by call from the command line,
// so the Wine tests can check the library itself, apart from the updater.
//   ids 3A170415=0D12/3,...   TA_SetIniInfo with that hub-ID table
//   version                   TA_GetDllVersion
//   enum                      TA_GetEnumInfo, then one line per record
//   update <index> <path>     TA_UpdateISP(index, path, 0)
//   powercycle                every described hub's power cycled: versions
//                             written with ActivateAtPowerCycle=1 take effect
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "sim_platform_win32.h"
#include "simulator.h"
#include "tz415api.h"
#include "updater_state.h"

namespace {

void PrintBytes(const char* name, const uint8_t* bytes, size_t count) {
  std::printf(" %s=", name);
  for (size_t i = 0; i < count; ++i) std::printf("%02X", bytes[i]);
}

void SetIds(LibraryRecord& state, const char* list) {
  state.TargetIdCount = 0;
  const char* at = list;
  while (*at != '\0' && state.TargetIdCount < kMaxTargetIds) {
    unsigned hubId = 0, imageId = 0, generation = 0;
    if (std::sscanf(at, "%x=%x/%u", &hubId, &imageId, &generation) != 3) break;
    TargetIdEntry& entry = state.TargetIds[state.TargetIdCount++];
    entry.HubId = hubId;
    entry.ImageId = static_cast<uint16_t>(imageId);
    entry.UsbGeneration = static_cast<uint8_t>(generation);
    const char* comma = std::strchr(at, ',');
    if (comma == nullptr) break;
    at = comma + 1;
  }
  std::printf("setiniinfo result=%d\n", TA_SetIniInfo(&state));
}

void Enumerate(LibraryRecord& state) {
  for (HubDeviceInfo& device : state.Devices) device.Depth = 0;
  int result = TA_GetEnumInfo(&state.DeviceCount);
  std::printf("enum result=%d count=%d\n", result, state.DeviceCount);
  for (int k = 0; k < UsableDeviceCount(state); ++k) {
    const HubDeviceInfo& hub = state.Devices[k];
    std::printf("hub%d vid=%04X pid=%04X fw=%04X usb=%02X depth=%d port=%d rev=%02X opt=%02X", k,
                hub.VendorId, hub.ProductId, hub.FirmwareVersion, hub.UsbVersion, hub.Depth,
                hub.ConnectionPortIndex, hub.ChipRevision, hub.ChipOptions);
    PrintBytes("mfr", hub.ManufacturerString, sizeof hub.ManufacturerString);
    PrintBytes("prod", hub.ProductString, sizeof hub.ProductString);
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  auto state = std::make_unique<LibraryRecord>();
  std::memset(state.get(), 0, sizeof *state);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "version") == 0) {
      uint32_t version = 0;
      int result = TA_GetDllVersion(&version);
      std::printf("version result=%d value=%x\n", result, version);
    } else if (std::strcmp(argv[i], "ids") == 0 && i + 1 < argc) {
      SetIds(*state, argv[++i]);
    } else if (std::strcmp(argv[i], "enum") == 0) {
      Enumerate(*state);
    } else if (std::strcmp(argv[i], "update") == 0 && i + 2 < argc) {
      int index = std::atoi(argv[i + 1]);
      int result = TA_UpdateISP(static_cast<uint8_t>(index), argv[i + 2], 0);
      std::printf("update %d result=%d\n", index, result);
      i += 2;
    } else if (std::strcmp(argv[i], "powercycle") == 0) {
      sim::Simulator simulator(sim::Win32SimPlatform(), sim::DescriptionPath(), "");
      std::vector<std::string> activated;
      bool done = simulator.PowerCycle(&activated);
      std::string names;
      for (const std::string& name : activated) names += (names.empty() ? "" : ",") + name;
      std::printf("powercycle result=%d hubs=%s\n", done ? 0 : -1,
                  names.empty() ? "-" : names.c_str());
    } else {
      std::fprintf(stderr,
                   "usage: tz415sim_probe [version] [ids LIST] [enum] [update I PATH]...\n");
      return 2;
    }
    std::fflush(stdout);
  }
  return 0;
}
