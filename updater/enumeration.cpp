#include "enumeration.h"

#include <cstdint>

#include "console.h"
#include "platform.h"
#include "tz415api.h"
#include "updater_state.h"

namespace {

// The two hub products whose firmware version is shown as "V1.39"; the
// vendor ID is not looked at here, unlike in image selection.
constexpr uint16_t kShortFormatProductA = 0x0415;
constexpr uint16_t kShortFormatProductB = 0x0416;

unsigned Nibble(uint16_t value, int index) { return (value >> (4 * index)) & 0xF; }

void PrintDevice(Platform& os, int number, const HubDeviceInfo& hub) {
  uint16_t v = hub.FirmwareVersion;
  if (hub.ProductId == kShortFormatProductA || hub.ProductId == kShortFormatProductB) {
    // Bits 8 to 11 are not part of these models' version.
    Print(os, "(%d)Depth = %d, V/PID = %04X/%04X, FW Version = V%X.%X%X \r\n", number,
          hub.Depth, hub.VendorId, hub.ProductId, Nibble(v, 1), Nibble(v, 0), Nibble(v, 3));
  } else {
    Print(os, "(%d)Depth = %d, V/PID = %04X/%04X, FW Version = %X%X%X%X  \r\n", number,
          hub.Depth, hub.VendorId, hub.ProductId, Nibble(v, 3), Nibble(v, 2), Nibble(v, 1),
          Nibble(v, 0));
  }
}

}  // namespace

bool EnumerateDevices(UpdaterState& state, Platform& os, HubLibrary& library) {
  // A non-zero first Depth after the call is the only sign that the library
  // saw a hub at all, so the Depth bytes must not keep an earlier value.
  for (HubDeviceInfo& hub : state.Devices) hub.Depth = 0;
  library.GetEnumInfo(&state.DeviceCount);

  // A count beyond the table is taken as a full table, here and in the
  // update run alike.
  uint8_t count = static_cast<uint8_t>(UsableDeviceCount(state));
  if (count != 0 && (state.HubNumber == 0 || count == state.HubNumber)) {
    PrintDeviceList(state, os);
    return true;
  }
  // Hubs were seen, but not as many as the settings expect: the run ends
  // with the banner as the last text.
  if (state.Devices[0].Depth != 0) return false;

  SetColour(state, os, kColourError);
  Print(os, "!!!No device found!\n");
  SetColour(state, os, kColourNormal);
  return false;
}

void PrintDeviceList(UpdaterState& state, Platform& os) {
  int count = UsableDeviceCount(state);
  Print(os, "%d device%s found:\n", count, count == 1 ? " " : "s");
  for (int i = 0; i < count; ++i) PrintDevice(os, i + 1, state.Devices[i]);
}
