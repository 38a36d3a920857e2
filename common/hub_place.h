// Which hub, and where: what the updater's results, the pending writes it
// is handed and the deployment record all say of a hub, and the one rule
// by which a hub in one run is the hub of an earlier one.
#ifndef QUILLET_COMMON_HUB_PLACE_H_
#define QUILLET_COMMON_HUB_PLACE_H_

#include <cstdint>

struct HubPlace {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint8_t depth = 0;  // in the USB tree, the root hub's children at 0
  uint8_t port = 0;   // on its parent
};

// The same vendor and product on the same place on the bus. The library
// reports no hub's serial number, so the place is all that tells two docks
// of one model apart; a dock moved to another port is another hub.
constexpr bool IsSameHub(const HubPlace& a, const HubPlace& b) {
  return a.vendorId == b.vendorId && a.productId == b.productId && a.depth == b.depth &&
         a.port == b.port;
}

#endif  // QUILLET_COMMON_HUB_PLACE_H_
