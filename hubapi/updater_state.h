// The head of the updater's state record (bytes 0 to 22335): a byte layout
// owned by the hub-access library, which reads the hub-ID table from it and
// writes the device table into it. Every field is pinned by a static_assert
// below and checked in the 32-bit, 64-bit and host builds alike. The
// updater's own fields follow it in the run state (updater/run_state.h).
#ifndef QUILLET_HUBAPI_UPDATER_STATE_H_
#define QUILLET_HUBAPI_UPDATER_STATE_H_

#include <cstddef>
#include <cstdint>

constexpr int kMaxTargetIds = 100;
constexpr int kMaxDevices = 16;

#pragma pack(push, 1)

// One line of a [TargetID_U3] or [TargetID_U2] section.
struct TargetIdEntry {
  uint32_t HubId;         // vendor ID << 16 | product ID
  uint16_t ImageId;       // an image's first two bytes, high byte first
  uint8_t UsbGeneration;  // 3 or 2, after the section the line came from
};

// One enumerated hub as the library describes it. The updater writes only
// Depth (cleared before enumeration); the rest belongs to the library.
struct HubDeviceInfo {
  uint8_t Reserved0[255];
  // The standard 18-byte USB device descriptor.
  uint8_t DescriptorLength;
  uint8_t DescriptorType;
  uint8_t UsbVersionLow;  // low byte of bcdUSB
  uint8_t UsbVersion;     // high byte of bcdUSB; low nibble 2 is a USB 2 hub
  uint8_t DeviceClass;
  uint8_t DeviceSubClass;
  uint8_t DeviceProtocol;
  uint8_t MaxPacketSize0;
  uint16_t VendorId;
  uint16_t ProductId;
  uint16_t FirmwareVersion;  // bcdDevice
  uint8_t ManufacturerIndex;
  uint8_t ProductIndex;
  uint8_t SerialNumberIndex;
  uint8_t ConfigurationCount;
  uint8_t Reserved1[256];
  uint8_t ConnectionPortIndex;
  uint8_t Depth;
  uint8_t ChipRevision;
  uint8_t ChipOptions;
  uint8_t ManufacturerString[46];
  uint8_t ProductString[46];
  uint8_t Reserved2[51];
};

#pragma pack(pop)

// Not packed: every member has an alignment of 1, so the record has no
// padding.
struct LibraryRecord {
  uint8_t TargetIdCount;
  TargetIdEntry TargetIds[kMaxTargetIds];
  uint8_t DeviceCount;
  HubDeviceInfo Devices[kMaxDevices];
  uint8_t Reserved[10818];  // the library's room; never touched here
};

static_assert(sizeof(TargetIdEntry) == 7, "TargetIdEntry is 7 bytes");
static_assert(offsetof(TargetIdEntry, HubId) == 0, "HubId");
static_assert(offsetof(TargetIdEntry, ImageId) == 4, "ImageId");
static_assert(offsetof(TargetIdEntry, UsbGeneration) == 6, "UsbGeneration");

static_assert(sizeof(HubDeviceInfo) == 676, "HubDeviceInfo is 676 bytes");
static_assert(offsetof(HubDeviceInfo, DescriptorLength) == 255, "descriptor");
static_assert(offsetof(HubDeviceInfo, UsbVersion) == 258, "UsbVersion");
static_assert(offsetof(HubDeviceInfo, VendorId) == 263, "VendorId");
static_assert(offsetof(HubDeviceInfo, ProductId) == 265, "ProductId");
static_assert(offsetof(HubDeviceInfo, FirmwareVersion) == 267, "FirmwareVersion");
static_assert(offsetof(HubDeviceInfo, Reserved1) == 273, "reserved after descriptor");
static_assert(offsetof(HubDeviceInfo, ConnectionPortIndex) == 529, "ConnectionPortIndex");
static_assert(offsetof(HubDeviceInfo, Depth) == 530, "Depth");
static_assert(offsetof(HubDeviceInfo, ChipRevision) == 531, "ChipRevision");
static_assert(offsetof(HubDeviceInfo, ChipOptions) == 532, "ChipOptions");
static_assert(offsetof(HubDeviceInfo, ManufacturerString) == 533, "ManufacturerString");
static_assert(offsetof(HubDeviceInfo, ProductString) == 579, "ProductString");
static_assert(offsetof(HubDeviceInfo, Reserved2) == 625, "reserved tail");

static_assert(offsetof(LibraryRecord, TargetIdCount) == 0, "TargetIdCount");
static_assert(offsetof(LibraryRecord, TargetIds) == 1, "TargetIds");
static_assert(offsetof(LibraryRecord, DeviceCount) == 701, "DeviceCount");
static_assert(offsetof(LibraryRecord, Devices) == 702, "Devices");
static_assert(offsetof(LibraryRecord, Devices) + size_t{676} * 15 + 530 == 1232 + size_t{676} * 15,
              "Depth of record k at 1232 + 676k");
static_assert(offsetof(LibraryRecord, Reserved) == 11518, "reserved stretch");
static_assert(sizeof(LibraryRecord) == 22336, "the updater's own fields follow the library's head");
static_assert(alignof(TargetIdEntry) == 1 && alignof(HubDeviceInfo) == 1,
              "the head's records carry no padding");

inline uint32_t HubIdOf(const HubDeviceInfo& hub) {
  return (uint32_t{hub.VendorId} << 16) | hub.ProductId;
}

// The library may claim more hubs than the table has room for; nothing past
// the table is ever read.
inline int UsableDeviceCount(const LibraryRecord& state) {
  return state.DeviceCount > kMaxDevices ? kMaxDevices : state.DeviceCount;
}

#endif  // QUILLET_HUBAPI_UPDATER_STATE_H_
