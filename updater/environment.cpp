#include "environment.h"

#include "updater_state.h"

// Not built yet: the driver counts as registered.
void QueryOsVersion(UpdaterState&, Platform&) {}

bool IsDriverInstallNeeded(UpdaterState&, Platform&) { return false; }
