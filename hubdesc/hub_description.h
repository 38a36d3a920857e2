// The hub description: INI text that says which hubs a library reports and
// how they behave, with a [Library] section and one [Hub<n>] section per
// hub. The simulator reports the hubs it describes, the kit checker judges
// them, and a capture of a computer's hubs is one too, with a [Capture]
// section saying where it came from. Reading, writing and the one edit the
// simulator makes (a hub's new firmware version) live here, free of any file
// or platform call.
#ifndef QUILLET_HUBDESC_HUB_DESCRIPTION_H_
#define QUILLET_HUBDESC_HUB_DESCRIPTION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "updater_state.h"

namespace hubdesc {

// What one enumeration can write into the updater's record.
constexpr int kMaxDescribedHubs = kMaxDevices;
constexpr size_t kHubStringSize = sizeof(HubDeviceInfo::ManufacturerString);
static_assert(sizeof(HubDeviceInfo::ProductString) == kHubStringSize,
              "both strings are read into fields of one size");
constexpr uint32_t kDefaultLibraryVersion = 0x20190823;

// The newest format this reader knows. A description that states no version
// is version 1; a reader reads every version up to its own.
constexpr int kFormatVersion = 1;

// The device descriptor's first field holds the descriptor's own length.
constexpr uint8_t kDeviceDescriptorLength =
    offsetof(HubDeviceInfo, Reserved1) - offsetof(HubDeviceInfo, DescriptorLength);

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
  // The rest of the device descriptor, as a hub of this kind reports it
  // unless described otherwise.
  uint8_t descriptorLength = kDeviceDescriptorLength;
  uint8_t descriptorType = 1;  // device
  uint8_t usbVersionLow = 0x00;
  uint8_t deviceClass = 9;  // hub
  uint8_t deviceSubClass = 0;
  int deviceProtocol = -1;  // -1: after UsbVersion, 3 for USB 3, else 1
  int maxPacketSize0 = -1;  // -1: after UsbVersion, 9 (512 bytes) for USB 3, else 64
  uint8_t manufacturerIndex = 1;
  uint8_t productIndex = 2;
  uint8_t serialNumberIndex = 0;
  uint8_t configurationCount = 1;
  // Not in the record: what programming this hub does.
  int32_t updateResult = 0;
  uint32_t updateMilliseconds = 0;
  bool removeImageBeforeWrite = false;  // as [Library]'s, for this hub alone
};

// Where a capture came from: the [Capture] section. Nothing else about the
// computer or its user is kept.
struct CaptureInfo {
  int formatVersion = kFormatVersion;
  std::string checkerVersion;  // "2.9"
  uint32_t libraryVersion = 0;
  std::string time;                    // UTC, ISO 8601: "2026-12-08T21:35:07Z"
  std::string windowsVersion;          // as our programs see it: "6.2.9200"
  std::string registryWindowsVersion;  // as the registry records it: "10.0.19045"
  int checkerBits = 0;                 // 32 or 64
  std::string folder;                  // the updater folder's name: "x64"
  std::vector<TargetIdEntry> hubIds;   // the table handed to the library
  int hubCount = 0;                    // hub sections that follow
};

struct HubDescription {
  uint32_t libraryVersion = kDefaultLibraryVersion;
  int reportedCount = -1;  // -1: the number of hubs actually reported
  bool requireTargetIds = false;
  // Fault injection: TA_UpdateISP deletes the image it is handed before
  // reading it, as if it vanished between selection and programming.
  bool removeImageBeforeWrite = false;
  std::vector<DescribedHub> hubs;  // in the order of their sections
  bool isCapture = false;          // true when `capture` was read or is to be written
  CaptureInfo capture;
};

// Parses description text. On failure returns false and sets *error to one
// line "<fileName>:<line>: <what is wrong>" (no line end).
bool ParseHubDescription(const std::string& text, const std::string& fileName, HubDescription* out,
                         std::string* error);

// The description as text that parses back to the same hubs: every key of
// [Library] and of every hub written, the behaviour keys too, and [Capture]
// first when it is a capture. ReportedCount is left out when it is -1, which
// no number says. Strings with a byte outside printable ASCII (or a zero
// before their last byte) are written as hex. False, with one line in
// *error, when the capture's texts cannot be written on one line.
bool WriteHubDescription(const HubDescription& description, std::string* text, std::string* error);

// A capture of the hubs a library listed: `hubs` as the library wrote them
// (at most 16), and the count it wrote into DeviceCount. The records'
// reserved stretches are not written, so nothing the library keeps there
// leaves the computer. info.hubCount is taken from `hubs`.
bool WriteCapture(const CaptureInfo& info, int reportedCount,
                  const std::vector<HubDeviceInfo>& hubs, std::string* text, std::string* error);

// Returns `text` with the FirmwareVersion of [section] set to `version`
// (four upper-case hex digits); every other byte stays as it was. A section
// without the key gets it on the line after its header. False when the
// section is not in the text.
bool WithFirmwareVersion(const std::string& text, const std::string& section, uint16_t version,
                         std::string* out);

}  // namespace hubdesc

#endif  // QUILLET_HUBDESC_HUB_DESCRIPTION_H_
