// The keys of a hub description, one row each: the reader takes its values
// and the writer writes them from the same rows, so a key added here is read,
// written and round-tripped alike.
#ifndef QUILLET_HUBDESC_DESCRIPTION_KEYS_H_
#define QUILLET_HUBDESC_DESCRIPTION_KEYS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "hub_description.h"

namespace hubdesc {

enum class Notation {
  kHex,      // hexadecimal, an optional 0x; written with `digits` digits
  kDecimal,  // decimal, an optional sign
  kBytes,    // a record string: text, or raw bytes under the name + "Hex"
};

template <class Owner>
struct Key {
  const char* name;
  Notation notation;
  int digits;  // Hex: digits written
  int64_t min, max;
  bool required;  // in every description; in a capture every key is
  int64_t (*get)(const Owner&);
  void (*set)(Owner&, int64_t);
  uint8_t* (*bytes)(Owner&);  // Bytes: the field, kHubStringSize long
};

const std::vector<Key<HubDescription>>& LibraryKeys();
const std::vector<Key<DescribedHub>>& HubKeys();

// The [Capture] section's keys, each read from and written to text.
struct CaptureKey {
  const char* name;
  const char* what;  // what a good value is, for the message on a bad one
  bool (*read)(const std::string& value, CaptureInfo* info);
  std::string (*write)(const CaptureInfo& info);
};

const std::vector<CaptureKey>& CaptureKeys();

// What the record holds when the description leaves it to the hub's kind.
uint8_t DeviceProtocolOf(const DescribedHub& hub);
uint8_t MaxPacketSize0Of(const DescribedHub& hub);

}  // namespace hubdesc

#endif  // QUILLET_HUBDESC_DESCRIPTION_KEYS_H_
