#include "hub_records.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "description_keys.h"

namespace hubdesc {
namespace {

// The library is handed addresses inside the updater's record, not the
// record: the tables lie at the record's own distances from them.
constexpr size_t kTargetIdsFromHead =
    offsetof(LibraryRecord, TargetIds) - offsetof(LibraryRecord, TargetIdCount);
constexpr size_t kDevicesFromCount =
    offsetof(LibraryRecord, Devices) - offsetof(LibraryRecord, DeviceCount);

}  // namespace

void FillRecord(const DescribedHub& hub, HubDeviceInfo* record) {
  std::memset(record, 0, sizeof *record);
  record->DescriptorLength = hub.descriptorLength;
  record->DescriptorType = hub.descriptorType;
  record->UsbVersionLow = hub.usbVersionLow;
  record->UsbVersion = hub.usbVersion;
  record->DeviceClass = hub.deviceClass;
  record->DeviceSubClass = hub.deviceSubClass;
  record->DeviceProtocol = DeviceProtocolOf(hub);
  record->MaxPacketSize0 = MaxPacketSize0Of(hub);
  record->VendorId = hub.vendorId;
  record->ProductId = hub.productId;
  record->FirmwareVersion = hub.firmwareVersion;
  record->ManufacturerIndex = hub.manufacturerIndex;
  record->ProductIndex = hub.productIndex;
  record->SerialNumberIndex = hub.serialNumberIndex;
  record->ConfigurationCount = hub.configurationCount;
  record->ConnectionPortIndex = hub.connectionPortIndex;
  record->Depth = hub.depth;
  record->ChipRevision = hub.chipRevision;
  record->ChipOptions = hub.chipOptions;
  std::memcpy(record->ManufacturerString, hub.manufacturer, sizeof record->ManufacturerString);
  std::memcpy(record->ProductString, hub.product, sizeof record->ProductString);
}

DescribedHub HubFromRecord(const HubDeviceInfo& record, const std::string& section) {
  DescribedHub hub;
  hub.section = section;
  hub.descriptorLength = record.DescriptorLength;
  hub.descriptorType = record.DescriptorType;
  hub.usbVersionLow = record.UsbVersionLow;
  hub.usbVersion = record.UsbVersion;
  hub.deviceClass = record.DeviceClass;
  hub.deviceSubClass = record.DeviceSubClass;
  hub.deviceProtocol = record.DeviceProtocol;
  hub.maxPacketSize0 = record.MaxPacketSize0;
  hub.vendorId = record.VendorId;
  hub.productId = record.ProductId;
  hub.firmwareVersion = record.FirmwareVersion;
  hub.manufacturerIndex = record.ManufacturerIndex;
  hub.productIndex = record.ProductIndex;
  hub.serialNumberIndex = record.SerialNumberIndex;
  hub.configurationCount = record.ConfigurationCount;
  hub.connectionPortIndex = record.ConnectionPortIndex;
  hub.depth = record.Depth;
  hub.chipRevision = record.ChipRevision;
  hub.chipOptions = record.ChipOptions;
  std::memcpy(hub.manufacturer, record.ManufacturerString, sizeof hub.manufacturer);
  std::memcpy(hub.product, record.ProductString, sizeof hub.product);
  return hub;
}

std::vector<TargetIdEntry> HubIdTable(const uint8_t* head) {
  std::vector<TargetIdEntry> table;
  if (head == nullptr) return table;
  int count = head[0] < kMaxTargetIds ? head[0] : kMaxTargetIds;
  for (int k = 0; k < count; ++k) {
    // Unaligned in the record, so copied out rather than pointed at.
    TargetIdEntry entry;
    std::memcpy(&entry, head + kTargetIdsFromHead + sizeof entry * k, sizeof entry);
    table.push_back(entry);
  }
  return table;
}

std::vector<size_t> ReportedHubs(const HubDescription& description, const uint8_t* head) {
  std::vector<TargetIdEntry> table = HubIdTable(head);
  std::vector<size_t> reported;
  for (size_t i = 0; i < description.hubs.size(); ++i) {
    const DescribedHub& hub = description.hubs[i];
    uint32_t hubId = (uint32_t{hub.vendorId} << 16) | hub.productId;
    bool targeted = false;
    for (const TargetIdEntry& entry : table) targeted = targeted || entry.HubId == hubId;
    if (!description.requireTargetIds || targeted) reported.push_back(i);
  }
  return reported;
}

int ReportedCount(const HubDescription& description, size_t reported) {
  return description.reportedCount >= 0 ? description.reportedCount : static_cast<int>(reported);
}

void WriteListing(const HubDescription& description, const std::vector<size_t>& reported,
                  uint8_t* deviceCount) {
  deviceCount[0] = static_cast<uint8_t>(ReportedCount(description, reported.size()));
  for (size_t k = 0; k < reported.size(); ++k) {
    HubDeviceInfo record;
    FillRecord(description.hubs[reported[k]], &record);
    std::memcpy(deviceCount + kDevicesFromCount + k * sizeof record, &record, sizeof record);
  }
}

DescribedHubLibrary::DescribedHubLibrary(HubDescription description)
    : description_(std::move(description)) {}

void DescribedHubLibrary::GetDllVersion(uint32_t* version) {
  *version = description_.libraryVersion;
}

void DescribedHubLibrary::SetIniInfo(void* head) { head_ = static_cast<const uint8_t*>(head); }

void DescribedHubLibrary::GetEnumInfo(uint8_t* deviceCount) {
  WriteListing(description_, ReportedHubs(description_, head_), deviceCount);
}

int DescribedHubLibrary::UpdateISP(uint8_t, const char*, int) { return -1; }

}  // namespace hubdesc
