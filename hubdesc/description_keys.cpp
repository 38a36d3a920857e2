#include "description_keys.h"

#include <cctype>
#include <cstdint>

#include "hub_records.h"
#include "ini_text.h"

namespace hubdesc {

uint8_t DeviceProtocolOf(const DescribedHub& hub) {
  if (hub.deviceProtocol >= 0) return static_cast<uint8_t>(hub.deviceProtocol);
  return (hub.usbVersion & 0x0F) >= 3 ? 3 : 1;
}

uint8_t MaxPacketSize0Of(const DescribedHub& hub) {
  if (hub.maxPacketSize0 >= 0) return static_cast<uint8_t>(hub.maxPacketSize0);
  return (hub.usbVersion & 0x0F) >= 3 ? 9 : 64;
}

// Rows name the member twice (get and set) since the members differ in type;
// the macros keep each row on one line.
#define HUB_U8(Name, member, hex, required)                                             \
  {                                                                                     \
    Name, hex ? Notation::Hex : Notation::Decimal, 2, 0, 0xFF, required,                \
        [](const DescribedHub& h) -> int64_t { return h.member; },                      \
        [](DescribedHub& h, int64_t v) { h.member = static_cast<uint8_t>(v); }, nullptr \
  }
#define HUB_U16(Name, member, required)                                                  \
  {                                                                                      \
    Name, Notation::Hex, 4, 0, 0xFFFF, required,                                         \
        [](const DescribedHub& h) -> int64_t { return h.member; },                       \
        [](DescribedHub& h, int64_t v) { h.member = static_cast<uint16_t>(v); }, nullptr \
  }
#define HUB_BYTES(Name, member)                              \
  {                                                          \
    Name, Notation::Bytes, 0, 0, 0, false, nullptr, nullptr, \
        [](DescribedHub& h) -> uint8_t* { return h.member; } \
  }

// In the order the writer writes them. A capture's last line is a hub's
// RemoveImageBeforeWrite, one digit: a file cut anywhere fails to read.
const std::vector<Key<DescribedHub>>& HubKeys() {
  static const std::vector<Key<DescribedHub>> keys = {
      HUB_U16("VendorId", vendorId, true),
      HUB_U16("ProductId", productId, true),
      HUB_U8("UsbVersion", usbVersion, true, false),
      HUB_U16("FirmwareVersion", firmwareVersion, false),
      HUB_U8("Depth", depth, false, false),
      HUB_U8("ConnectionPortIndex", connectionPortIndex, false, false),
      HUB_U8("ChipRevision", chipRevision, true, false),
      HUB_U8("ChipOptions", chipOptions, true, false),
      HUB_BYTES("Manufacturer", manufacturer),
      HUB_BYTES("Product", product),
      HUB_U8("DescriptorLength", descriptorLength, true, false),
      HUB_U8("DescriptorType", descriptorType, true, false),
      HUB_U8("UsbVersionLow", usbVersionLow, true, false),
      HUB_U8("DeviceClass", deviceClass, true, false),
      HUB_U8("DeviceSubClass", deviceSubClass, true, false),
      {"DeviceProtocol", Notation::Hex, 2, 0, 0xFF, false,
       [](const DescribedHub& h) -> int64_t { return DeviceProtocolOf(h); },
       [](DescribedHub& h, int64_t v) { h.deviceProtocol = static_cast<int>(v); }, nullptr},
      {"MaxPacketSize0", Notation::Hex, 2, 0, 0xFF, false,
       [](const DescribedHub& h) -> int64_t { return MaxPacketSize0Of(h); },
       [](DescribedHub& h, int64_t v) { h.maxPacketSize0 = static_cast<int>(v); }, nullptr},
      HUB_U8("ManufacturerIndex", manufacturerIndex, false, false),
      HUB_U8("ProductIndex", productIndex, false, false),
      HUB_U8("SerialNumberIndex", serialNumberIndex, false, false),
      HUB_U8("ConfigurationCount", configurationCount, false, false),
      {"UpdateResult", Notation::Decimal, 0, INT32_MIN, INT32_MAX, false,
       [](const DescribedHub& h) -> int64_t { return h.updateResult; },
       [](DescribedHub& h, int64_t v) { h.updateResult = static_cast<int32_t>(v); }, nullptr},
      {"UpdateMilliseconds", Notation::Decimal, 0, 0, 600000, false,
       [](const DescribedHub& h) -> int64_t { return h.updateMilliseconds; },
       [](DescribedHub& h, int64_t v) { h.updateMilliseconds = static_cast<uint32_t>(v); },
       nullptr},
      {"RemoveImageBeforeWrite", Notation::Decimal, 0, 0, 1, false,
       [](const DescribedHub& h) -> int64_t { return h.removeImageBeforeWrite ? 1 : 0; },
       [](DescribedHub& h, int64_t v) { h.removeImageBeforeWrite = v != 0; }, nullptr},
  };
  return keys;
}

#undef HUB_U8
#undef HUB_U16
#undef HUB_BYTES

const std::vector<Key<HubDescription>>& LibraryKeys() {
  static const std::vector<Key<HubDescription>> keys = {
      {"Version", Notation::Hex, 8, 0, 0xFFFFFFFF, false,
       [](const HubDescription& d) -> int64_t { return d.libraryVersion; },
       [](HubDescription& d, int64_t v) { d.libraryVersion = static_cast<uint32_t>(v); }, nullptr},
      {"ReportedCount", Notation::Decimal, 0, 0, 255, false,
       [](const HubDescription& d) -> int64_t { return d.reportedCount; },
       [](HubDescription& d, int64_t v) { d.reportedCount = static_cast<int>(v); }, nullptr},
      {"RequireTargetIds", Notation::Decimal, 0, 0, 1, false,
       [](const HubDescription& d) -> int64_t { return d.requireTargetIds ? 1 : 0; },
       [](HubDescription& d, int64_t v) { d.requireTargetIds = v != 0; }, nullptr},
      {"RemoveImageBeforeWrite", Notation::Decimal, 0, 0, 1, false,
       [](const HubDescription& d) -> int64_t { return d.removeImageBeforeWrite ? 1 : 0; },
       [](HubDescription& d, int64_t v) { d.removeImageBeforeWrite = v != 0; }, nullptr},
  };
  return keys;
}

namespace {

bool ReadText(const std::string& value, std::string* out) {
  std::string text = Unquote(value);
  if (text.empty() || !IsPlainText(text)) return false;
  *out = text;
  return true;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool ReadTime(const std::string& value, std::string* out) {
  // 2026-12-08T21:35:07Z: the one form the writer gives.
  const std::string shape = "dddd-dd-ddTdd:dd:ddZ";
  if (value.size() != shape.size()) return false;
  for (size_t i = 0; i < shape.size(); ++i) {
    bool digit = std::isdigit(static_cast<unsigned char>(value[i])) != 0;
    if (shape[i] == 'd' ? !digit : value[i] != shape[i]) return false;
  }
  *out = value;
  return true;
}

bool ReadHubIds(const std::string& value, std::vector<TargetIdEntry>* out) {
  out->clear();
  if (value == "-") return true;
  size_t pos = 0;
  while (pos <= value.size()) {
    size_t comma = value.find(',', pos);
    std::string item =
        value.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    size_t eq = item.find('='), slash = item.find('/');
    uint32_t hubId = 0, imageId = 0;
    int64_t generation = 0;
    if (eq != 8 || slash != 13 || !ParseHex(item.substr(0, 8), 0xFFFFFFFF, &hubId) ||
        !ParseHex(item.substr(9, 4), 0xFFFF, &imageId) ||
        !ParseDecimal(item.substr(14), 0, 255, &generation) ||
        out->size() == static_cast<size_t>(kMaxTargetIds))
      return false;
    out->push_back({hubId, static_cast<uint16_t>(imageId), static_cast<uint8_t>(generation)});
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  return true;
}

}  // namespace

std::string HubIdTableText(const std::vector<TargetIdEntry>& table) {
  if (table.empty()) return "-";
  std::string text;
  for (const TargetIdEntry& entry : table) {
    if (!text.empty()) text += ",";
    text += HexText(entry.HubId, 8) + "=" + HexText(entry.ImageId, 4) + "/" +
            std::to_string(entry.UsbGeneration);
  }
  return text;
}

// In the order the writer writes them; FormatVersion first, so that a newer
// file is known as one before anything else is looked at.
const std::vector<CaptureKey>& CaptureKeys() {
  static const std::vector<CaptureKey> keys = {
      {"FormatVersion", "a format version from 1",
       [](const std::string& v, CaptureInfo* c) {
         int64_t n = 0;
         if (!ParseDecimal(v, 1, INT32_MAX, &n)) return false;
         c->formatVersion = static_cast<int>(n);
         return true;
       },
       [](const CaptureInfo& c) { return std::to_string(c.formatVersion); }},
      {"CheckerVersion", "a version text",
       [](const std::string& v, CaptureInfo* c) { return ReadText(v, &c->checkerVersion); },
       [](const CaptureInfo& c) { return Quoted(c.checkerVersion); }},
      {"LibraryVersion", "a hexadecimal number from 0 to FFFFFFFF",
       [](const std::string& v, CaptureInfo* c) {
         return ParseHex(v, 0xFFFFFFFF, &c->libraryVersion);
       },
       [](const CaptureInfo& c) { return HexText(c.libraryVersion, 8); }},
      {"Time", "a UTC time such as 2026-12-08T21:35:07Z",
       [](const std::string& v, CaptureInfo* c) { return ReadTime(v, &c->time); },
       [](const CaptureInfo& c) { return c.time; }},
      {"WindowsVersion", "a version text",
       [](const std::string& v, CaptureInfo* c) { return ReadText(v, &c->windowsVersion); },
       [](const CaptureInfo& c) { return Quoted(c.windowsVersion); }},
      {"RegistryWindowsVersion", "a version text",
       [](const std::string& v, CaptureInfo* c) { return ReadText(v, &c->registryWindowsVersion); },
       [](const CaptureInfo& c) { return Quoted(c.registryWindowsVersion); }},
      {"CheckerBits", "32 or 64",
       [](const std::string& v, CaptureInfo* c) {
         int64_t n = 0;
         if (!ParseDecimal(v, 32, 64, &n) || (n != 32 && n != 64)) return false;
         c->checkerBits = static_cast<int>(n);
         return true;
       },
       [](const CaptureInfo& c) { return std::to_string(c.checkerBits); }},
      {"Folder", "a folder name",
       [](const std::string& v, CaptureInfo* c) { return ReadText(v, &c->folder); },
       [](const CaptureInfo& c) { return Quoted(c.folder); }},
      {"HubIds", "a hub-ID table such as 3A170415=0D12/3,3A170600=0D12/3 (at most 100), or -",
       [](const std::string& v, CaptureInfo* c) { return ReadHubIds(v, &c->hubIds); },
       [](const CaptureInfo& c) { return HubIdTableText(c.hubIds); }},
      {"Hubs", "a decimal number from 0 to 16",
       [](const std::string& v, CaptureInfo* c) {
         int64_t n = 0;
         if (!ParseDecimal(v, 0, kMaxDescribedHubs, &n)) return false;
         c->hubCount = static_cast<int>(n);
         return true;
       },
       [](const CaptureInfo& c) { return std::to_string(c.hubCount); }},
  };
  return keys;
}

}  // namespace hubdesc
