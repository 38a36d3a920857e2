#include "enumeration.h"

#include <cstdint>

#include "printer.h"
#include "short_format.h"
#include "tz415api.h"
#include "run_state.h"

namespace {

unsigned Digit(uint16_t value, int index) { return (value >> (4 * index)) & 0xF; }

void PrintDevice(Printer& out, int number, const HubDeviceInfo& hub) {
  uint16_t v = hub.FirmwareVersion;
  // The vendor ID is not looked at here, unlike in image selection.
  if (IsShortFormatProduct(hub.ProductId)) {
    uint16_t digits = ShortFormatVersion(v);
    out.Print("(%d)Depth = %d, V/PID = %04X/%04X, FW Version = V%X.%X%X \r\n", number, hub.Depth,
              hub.VendorId, hub.ProductId, Digit(digits, 2), Digit(digits, 1), Digit(digits, 0));
  } else {
    out.Print("(%d)Depth = %d, V/PID = %04X/%04X, FW Version = %X%X%X%X  \r\n", number, hub.Depth,
              hub.VendorId, hub.ProductId, Digit(v, 3), Digit(v, 2), Digit(v, 1), Digit(v, 0));
  }
}

}  // namespace

bool EnumerateDevices(UpdaterState& state, Printer& out, HubLibrary& library) {
  // A non-zero first Depth after the call is the only sign that the library
  // saw a hub at all, so the Depth bytes must not keep an earlier value.
  for (HubDeviceInfo& hub : state.Devices) hub.Depth = 0;
  library.GetEnumInfo(&state.DeviceCount);

  // A count beyond the table is taken as a full table, here and in the
  // update run alike.
  uint8_t count = static_cast<uint8_t>(UsableDeviceCount(state));
  if (count != 0 && (state.HubNumber == 0 || count == state.HubNumber)) {
    PrintDeviceList(state, out);
    return true;
  }
  // Hubs were seen, but not as many as the settings expect: the run ends
  // with the banner as the last text.
  if (state.Devices[0].Depth != 0) return false;

  out.PrintInColour(kColourError, "!!!No device found!\n");
  return false;
}

void PrintDeviceList(const UpdaterState& state, Printer& out) {
  int count = UsableDeviceCount(state);
  out.Print("%d device%s found:\n", count, count == 1 ? " " : "s");
  for (int i = 0; i < count; ++i) PrintDevice(out, i + 1, state.Devices[i]);
}
