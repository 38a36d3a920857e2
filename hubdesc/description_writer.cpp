// Writes hub descriptions and captures from the same key rows the reader
// takes them by.
#include <algorithm>
#include <string>

#include "description_keys.h"
#include "hub_description.h"
#include "hub_records.h"
#include "ini_text.h"

namespace hubdesc {
namespace {

// As text when the reader gives back the same bytes from it, else as hex:
// bytes up to the last non-zero one, the zeros after it implied.
std::string BytesLine(const char* name, const uint8_t* field) {
  size_t used = kHubStringSize;
  while (used > 0 && field[used - 1] == 0) --used;
  bool printable =
      std::all_of(field, field + used, [](uint8_t b) { return b >= 0x20 && b < 0x7F; });
  if (printable) return std::string(name) + "=\"" + std::string(field, field + used) + "\"\n";
  std::string hex;
  for (size_t i = 0; i < used; ++i) hex += (i ? " " : "") + HexText(field[i], 2);
  return std::string(name) + "Hex=" + hex + "\n";
}

template <class Owner>
std::string KeyLines(const std::vector<Key<Owner>>& keys, const Owner& owner) {
  std::string text;
  Owner copy = owner;  // the rows hand out fields to fill, not to read
  for (const Key<Owner>& row : keys) {
    switch (row.notation) {
      case Notation::kBytes: text += BytesLine(row.name, row.bytes(copy)); break;
      case Notation::kHex:
        text += std::string(row.name) + "=" +
                HexText(static_cast<uint32_t>(row.get(owner)), row.digits) + "\n";
        break;
      case Notation::kDecimal: {
        int64_t value = row.get(owner);
        // -1 stands for "the number of hubs reported", which no number says.
        if (value >= row.min) text += std::string(row.name) + "=" + std::to_string(value) + "\n";
        break;
      }
    }
  }
  return text;
}

}  // namespace

bool WriteHubDescription(const HubDescription& description, std::string* text, std::string* error) {
  std::string out;
  if (description.isCapture) {
    CaptureInfo info = description.capture;
    info.hubCount = static_cast<int>(description.hubs.size());
    out += "[Capture]\n";
    for (const CaptureKey& row : CaptureKeys()) {
      std::string value = row.write(info);
      CaptureInfo back;
      if (!row.read(value, &back)) {
        *error = std::string("the capture's ") + row.name + " \"" + value + "\" is not " + row.what;
        return false;
      }
      out += std::string(row.name) + "=" + value + "\n";
    }
    out += "\n";
  }
  out += "[Library]\n" + KeyLines(LibraryKeys(), description);
  for (const DescribedHub& hub : description.hubs)
    out += "\n[" + hub.section + "]\n" + KeyLines(HubKeys(), hub);
  *text = std::move(out);
  return true;
}

bool WriteCapture(const CaptureInfo& info, int reportedCount,
                  const std::vector<HubDeviceInfo>& hubs, std::string* text, std::string* error) {
  if (hubs.size() > static_cast<size_t>(kMaxDescribedHubs)) {
    *error = "a capture holds at most " + std::to_string(kMaxDescribedHubs) + " hubs, not " +
             std::to_string(hubs.size());
    return false;
  }
  HubDescription description;
  description.isCapture = true;
  description.capture = info;
  description.libraryVersion = info.libraryVersion;
  description.reportedCount = reportedCount;
  for (size_t k = 0; k < hubs.size(); ++k)
    description.hubs.push_back(HubFromRecord(hubs[k], "Hub" + std::to_string(k + 1)));
  return WriteHubDescription(description, text, error);
}

}  // namespace hubdesc
