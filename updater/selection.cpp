#include "selection.h"

#include "updater_state.h"

// Not built yet: no image is ever chosen.
bool SelectFWBinFile(const UpdaterState&, Platform&, uint32_t,
                     const HubDeviceInfo&, char*) {
  return false;
}
