#include "update.h"

#include "updater_state.h"

// Not built yet.
bool DoUpdateFW(UpdaterState&, Platform&, HubLibrary&) { return true; }
