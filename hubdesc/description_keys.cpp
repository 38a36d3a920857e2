#include "description_keys.h"

#include <cctype>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <utility>

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

namespace {

// A row over one member: its whole range, written with the digits its size
// takes.
template <class Owner, auto Member>
using MemberType = std::remove_reference_t<decltype(std::declval<Owner&>().*Member)>;

template <class Owner, auto Member>
int64_t Get(const Owner& owner) {
  return static_cast<int64_t>(owner.*Member);
}

template <class Owner, auto Member>
void Set(Owner& owner, int64_t value) {
  owner.*Member = static_cast<MemberType<Owner, Member>>(value);
}

template <class Owner, auto Member>
Key<Owner> Number(const char* name, Notation notation, bool required = false) {
  using Type = MemberType<Owner, Member>;
  return {name,
          notation,
          static_cast<int>(2 * sizeof(Type)),
          static_cast<int64_t>(std::numeric_limits<Type>::min()),
          static_cast<int64_t>(std::numeric_limits<Type>::max()),
          required,
          &Get<Owner, Member>,
          &Set<Owner, Member>,
          nullptr};
}

template <auto Member>
uint8_t* Field(DescribedHub& hub) {
  return hub.*Member;
}

template <auto Member>
Key<DescribedHub> Bytes(const char* name) {
  return {name, Notation::kBytes, 0, 0, 0, false, nullptr, nullptr, &Field<Member>};
}

using H = DescribedHub;
constexpr Notation kHex = Notation::kHex;
constexpr Notation kDecimal = Notation::kDecimal;

}  // namespace

// In the order the writer writes them. A capture's last line is a hub's
// RemoveImageBeforeWrite, one digit: a file cut anywhere fails to read.
const std::vector<Key<DescribedHub>>& HubKeys() {
  static const std::vector<Key<DescribedHub>> keys = {
      Number<H, &H::vendorId>("VendorId", kHex, true),
      Number<H, &H::productId>("ProductId", kHex, true),
      Number<H, &H::usbVersion>("UsbVersion", kHex),
      Number<H, &H::firmwareVersion>("FirmwareVersion", kHex),
      Number<H, &H::depth>("Depth", kDecimal),
      Number<H, &H::connectionPortIndex>("ConnectionPortIndex", kDecimal),
      Number<H, &H::chipRevision>("ChipRevision", kHex),
      Number<H, &H::chipOptions>("ChipOptions", kHex),
      Bytes<&H::manufacturer>("Manufacturer"),
      Bytes<&H::product>("Product"),
      Number<H, &H::descriptorLength>("DescriptorLength", kHex),
      Number<H, &H::descriptorType>("DescriptorType", kHex),
      Number<H, &H::usbVersionLow>("UsbVersionLow", kHex),
      Number<H, &H::deviceClass>("DeviceClass", kHex),
      Number<H, &H::deviceSubClass>("DeviceSubClass", kHex),
      // Left to UsbVersion unless given, so read as the record has them.
      {"DeviceProtocol", kHex, 2, 0, 0xFF, false,
       [](const H& h) -> int64_t { return DeviceProtocolOf(h); },
       [](H& h, int64_t v) { h.deviceProtocol = static_cast<int>(v); }, nullptr},
      {"MaxPacketSize0", kHex, 2, 0, 0xFF, false,
       [](const H& h) -> int64_t { return MaxPacketSize0Of(h); },
       [](H& h, int64_t v) { h.maxPacketSize0 = static_cast<int>(v); }, nullptr},
      Number<H, &H::manufacturerIndex>("ManufacturerIndex", kDecimal),
      Number<H, &H::productIndex>("ProductIndex", kDecimal),
      Number<H, &H::serialNumberIndex>("SerialNumberIndex", kDecimal),
      Number<H, &H::configurationCount>("ConfigurationCount", kDecimal),
      Number<H, &H::updateResult>("UpdateResult", kDecimal),
      {"UpdateMilliseconds", kDecimal, 0, 0, 600000, false, &Get<H, &H::updateMilliseconds>,
       &Set<H, &H::updateMilliseconds>, nullptr},
      Number<H, &H::removeImageBeforeWrite>("RemoveImageBeforeWrite", kDecimal),
  };
  return keys;
}

const std::vector<Key<HubDescription>>& LibraryKeys() {
  using D = HubDescription;
  static const std::vector<Key<HubDescription>> keys = {
      Number<D, &D::libraryVersion>("Version", kHex),
      // -1, "the number of hubs reported", is the default and no value.
      {"ReportedCount", kDecimal, 0, 0, 255, false, &Get<D, &D::reportedCount>,
       &Set<D, &D::reportedCount>, nullptr},
      Number<D, &D::requireTargetIds>("RequireTargetIds", kDecimal),
      Number<D, &D::removeImageBeforeWrite>("RemoveImageBeforeWrite", kDecimal),
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
