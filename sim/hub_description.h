// The hub description that the simulator reads in place of real hubs: INI
// text with a [Library] section and one [Hub<n>] section per hub. Parsing
// and the one edit the simulator makes to the text (a hub's new firmware
// version) live here, free of any file or platform call.
#ifndef QUILLET_SIM_HUB_DESCRIPTION_H_
#define QUILLET_SIM_HUB_DESCRIPTION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "updater_state.h"

namespace sim {

// What one enumeration can write into the updater's record.
constexpr int kMaxDescribedHubs = kMaxDevices;
constexpr size_t kHubStringSize = sizeof(HubDeviceInfo::ManufacturerString);
static_assert(sizeof(HubDeviceInfo::ProductString) == kHubStringSize,
              "both strings are read into fields of one size");
constexpr uint32_t kDefaultLibraryVersion = 0x20190823;

struct DescribedHub {
  std::string section;  // "Hub2": names the hub's flash file
  int line = 0;         // line of the section header, for messages
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint8_t usbVersion = 0x03;
  uint16_t firmwareVersion = 0x0000;
  uint8_t depth = 1;
  uint8_t connectionPortIndex = 1;
  uint8_t chipRevision = 0x10;
  uint8_t chipOptions = 0x00;
  uint8_t manufacturer[kHubStringSize] = {};
  uint8_t product[kHubStringSize] = {};
  int32_t updateResult = 0;
  uint32_t updateMilliseconds = 0;
  bool removeImageBeforeWrite = false;  // as [Library]'s, for this hub alone
};

struct HubDescription {
  uint32_t libraryVersion = kDefaultLibraryVersion;
  int reportedCount = -1;  // -1: the number of hubs actually reported
  bool requireTargetIds = false;
  // Fault injection: TA_UpdateISP deletes the image it is handed before
  // reading it, as if it vanished between selection and programming.
  bool removeImageBeforeWrite = false;
  std::vector<DescribedHub> hubs;  // in the order of their sections
};

// Parses description text. On failure returns false and sets *error to one
// line "<fileName>:<line>: <what is wrong>" (no line end).
bool ParseHubDescription(const std::string& text, const std::string& fileName, HubDescription* out,
                         std::string* error);

// Returns `text` with the FirmwareVersion of [section] set to `version`
// (four upper-case hex digits); every other byte stays as it was. A section
// without the key gets it on the line after its header. False when the
// section is not in the text.
bool WithFirmwareVersion(const std::string& text, const std::string& section, uint16_t version,
                         std::string* out);

}  // namespace sim

#endif  // QUILLET_SIM_HUB_DESCRIPTION_H_
