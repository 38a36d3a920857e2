#include "hub_builders.h"

#include <algorithm>
#include <cstring>

HubDeviceInfo MakeHub(uint16_t vendorId, uint16_t productId, uint16_t firmwareVersion,
                      uint8_t depth, uint8_t port) {
  HubDeviceInfo hub;
  std::memset(&hub, 0, sizeof hub);
  hub.DescriptorLength = 18;
  hub.DescriptorType = 1;
  hub.UsbVersion = 0x03;
  hub.VendorId = vendorId;
  hub.ProductId = productId;
  hub.FirmwareVersion = firmwareVersion;
  hub.Depth = depth;
  hub.ConnectionPortIndex = port;
  return hub;
}

void SetHubString(uint8_t (&field)[46], const std::string& text) {
  std::memset(field, 0, sizeof field);
  std::memcpy(field, text.data(), std::min(text.size(), sizeof field));
}
