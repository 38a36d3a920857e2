// The two hub models whose firmware version has the short format: three
// digits, shown as "V1.39" and written so in FWVersion.
#ifndef QUILLET_UPDATER_SHORT_FORMAT_H_
#define QUILLET_UPDATER_SHORT_FORMAT_H_

#include <cstdint>

constexpr uint16_t kShortFormatVendor = 0x3A17;
constexpr uint16_t kShortFormatProducts[] = {0x0415, 0x0416};

// The hub list knows these models by product ID alone.
constexpr bool IsShortFormatProduct(uint16_t productId) {
  for (uint16_t product : kShortFormatProducts) {
    if (productId == product) return true;
  }
  return false;
}

// Image selection and the update run know them by the whole hub ID.
constexpr bool IsShortFormatHub(uint32_t hubId) {
  return (hubId >> 16) == kShortFormatVendor && IsShortFormatProduct(hubId & 0xFFFF);
}

// These models report their version with the digits shuffled: the low byte
// moves up one nibble and the top nibble comes to the bottom, which gives
// the three digits the hub list shows and FWVersion is written in. Bits 8
// to 11 are not part of the version.
constexpr uint16_t ShortFormatVersion(uint16_t firmwareVersion) {
  return static_cast<uint16_t>(((firmwareVersion & 0x00FF) << 4) | (firmwareVersion >> 12));
}

static_assert(IsShortFormatHub(0x3A170415) && IsShortFormatHub(0x3A170416) &&
                  !IsShortFormatHub(0x3A180415) && !IsShortFormatHub(0x3A170417),
              "the short-format hubs");
static_assert(ShortFormatVersion(0x9013) == 0x139 && ShortFormatVersion(0x9F13) == 0x139,
              "0x9013 is shown as V1.39, whatever bits 8 to 11 hold");

#endif  // QUILLET_UPDATER_SHORT_FORMAT_H_
