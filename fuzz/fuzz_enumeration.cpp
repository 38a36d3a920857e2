// Any device table and any count from the library, under any HUBNumber.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "enumeration.h"
#include "fake_hub_library.h"
#include "fake_platform.h"
#include "printer.h"
#include "run_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  FakePlatform os;
  FakeHubLibrary library;
  auto state = std::make_unique<UpdaterState>();
  state->HubNumber = data[0];
  library.reportedCount = data[1];
  data += 2;
  size -= 2;
  while (size > 0 && library.hubs.size() < kMaxDevices + 4) {
    HubDeviceInfo hub;
    std::memset(&hub, 0, sizeof hub);
    size_t n = size < sizeof hub ? size : sizeof hub;
    std::memcpy(&hub, data, n);
    library.hubs.push_back(hub);
    data += n;
    size -= n;
  }
  Printer out(os);
  out.TakeConsoleHandle();
  bool listed = EnumerateDevices(*state, out, library);
  if (listed && state->DeviceCount == 0) std::abort();
  return 0;
}
