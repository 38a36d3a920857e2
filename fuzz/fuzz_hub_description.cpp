// The hub description reader over any text, captures from customers'
// computers among them: a description or one line naming what is wrong,
// never a crash. What it reads, written out and read again, lists the same
// records and behaves the same.
#include <cstdint>
#include <cstring>
#include <string>

#include "hub_description.h"
#include "hub_records.h"

namespace {

std::string Listing(const hubdesc::HubDescription& description, const uint8_t* table) {
  static LibraryRecord state;
  std::memcpy(&state.TargetIdCount, table, offsetof(LibraryRecord, DeviceCount));
  hubdesc::DescribedHubLibrary library(description);
  library.SetIniInfo(&state.TargetIdCount);
  library.GetEnumInfo(&state.DeviceCount);
  size_t used = offsetof(LibraryRecord, Devices) - offsetof(LibraryRecord, DeviceCount) +
                sizeof(HubDeviceInfo) * description.hubs.size();
  return std::string(reinterpret_cast<const char*>(&state.DeviceCount), used);
}

std::string Behaviour(const hubdesc::HubDescription& d) {
  std::string text = std::to_string(d.libraryVersion) + "/" + std::to_string(d.reportedCount) +
                     "/" + std::to_string(d.removeImageBeforeWrite);
  for (const hubdesc::DescribedHub& hub : d.hubs)
    text += "," + hub.section + ":" + std::to_string(hub.updateResult) + ":" +
            std::to_string(hub.updateMilliseconds) + ":" +
            std::to_string(hub.removeImageBeforeWrite);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static uint8_t table[offsetof(LibraryRecord, DeviceCount)];
  std::string text(reinterpret_cast<const char*>(data), size);
  // The input's first bytes double as the hub-ID table the library is handed.
  std::memset(table, 0, sizeof table);
  std::memcpy(table, data, size < sizeof table ? size : sizeof table);

  hubdesc::HubDescription description;
  std::string error;
  if (!hubdesc::ParseHubDescription(text, "fuzz.ini", &description, &error)) {
    if (error.empty() || error.find('\n') != std::string::npos) __builtin_trap();
    return 0;
  }
  std::string written;
  if (!hubdesc::WriteHubDescription(description, &written, &error)) return 0;
  hubdesc::HubDescription again;
  if (!hubdesc::ParseHubDescription(written, "written.ini", &again, &error)) __builtin_trap();
  if (again.isCapture != description.isCapture) __builtin_trap();
  if (Listing(description, table) != Listing(again, table)) __builtin_trap();
  if (Behaviour(description) != Behaviour(again)) __builtin_trap();

  // The simulator's one edit, over whatever section it names.
  if (!description.hubs.empty()) {
    std::string edited;
    if (hubdesc::WithFirmwareVersion(text, description.hubs[0].section, 0x1234, &edited))
      hubdesc::ParseHubDescription(edited, "edited.ini", &again, &error);
  }
  return 0;
}
