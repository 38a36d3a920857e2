#include "settings.h"

#include "updater_state.h"

// Not built yet: reads nothing and lets the run go on.
bool LoadSettingFromIni(UpdaterState&, Platform&, HubLibrary&) { return true; }

bool ReadHubModuleKey(Platform&, const char*, const char*, void*, bool) {
  return false;
}
