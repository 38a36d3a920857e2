// Hub records as the library reports them, for tests that stage hubs.
#ifndef QUILLET_TESTS_SUPPORT_HUB_BUILDERS_H_
#define QUILLET_TESTS_SUPPORT_HUB_BUILDERS_H_

#include <cstdint>
#include <string>

#include "updater_state.h"

// A hub record with the fields the updater reads; everything else zero.
HubDeviceInfo MakeHub(uint16_t vendorId, uint16_t productId, uint16_t firmwareVersion,
                      uint8_t depth = 1, uint8_t port = 1);
// Copies text into a 46-byte string field, zero-padded.
void SetHubString(uint8_t (&field)[46], const std::string& text);

#endif  // QUILLET_TESTS_SUPPORT_HUB_BUILDERS_H_
