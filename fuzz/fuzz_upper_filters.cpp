// Any bytes, of any length, as the USB class's UpperFilters value.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "environment.h"
#include "fake_platform.h"
#include "printer.h"
#include "shared_names.h"
#include "run_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FakePlatform os;
  // The first byte picks the reported Windows version, so the warning path
  // is walked too.
  if (data[0] & 1) os.SetVersion(6, 2);
  os.SetRegistryValue(u"" QUILLET_USB_CLASS_KEY, u"UpperFilters",
                      std::vector<uint8_t>(data + 1, data + size));
  auto state = std::make_unique<UpdaterState>();
  Printer out(os);
  bool needed = IsDriverInstallNeeded(*state, out, os);
  // The answer must agree with what was printed.
  bool success = os.Text().find("\t Success\n") != std::string::npos;
  if (needed == success) std::abort();
  return 0;
}
