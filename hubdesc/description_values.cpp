#include "description_values.h"

#include <algorithm>

#include "hub_description.h"

namespace hubdesc {

bool NumberValue(const std::string& key, const std::string& value, Notation notation, int64_t min,
                 int64_t max, int64_t* out, std::string* why) {
  if (notation == Notation::kHex) {
    uint32_t hex = 0;
    const std::string largest = HexText(static_cast<uint32_t>(max), 1);
    switch (ReadHex(value, static_cast<uint32_t>(max), &hex)) {
      case HexRead::kRead: *out = hex; return true;
      case HexRead::kTooManyDigits:
        *why = key + ": \"" + value + "\" has more than the " + std::to_string(largest.size()) +
               " hexadecimal digits of a number from 0 to " + largest;
        return false;
      case HexRead::kBad: break;
    }
    *why = key + ": \"" + value + "\" is not a hexadecimal number from 0 to " + largest;
    return false;
  }
  if (ParseDecimal(value, min, max, out)) return true;
  *why = key + ": \"" + value + "\" is not a decimal number from " + std::to_string(min) + " to " +
         std::to_string(max);
  return false;
}

bool BytesValue(const std::string& key, const std::string& value, bool hex, uint8_t* field,
                std::string* why) {
  std::vector<uint8_t> bytes;
  if (hex) {
    if (!ParseHexBytes(value, &bytes)) {
      *why = key + ": \"" + value + "\" is not a sequence of hexadecimal byte pairs";
      return false;
    }
  } else {
    std::string text = Unquote(value);
    bytes.assign(text.begin(), text.end());
  }
  if (bytes.size() > kHubStringSize) {
    *why = key + ": " + std::to_string(bytes.size()) + " bytes, more than the " +
           std::to_string(kHubStringSize) + " the record holds";
    return false;
  }
  // An empty text has no bytes to copy, and no buffer behind data().
  std::fill(field, field + kHubStringSize, uint8_t{0});
  std::copy(bytes.begin(), bytes.end(), field);
  return true;
}

}  // namespace hubdesc
