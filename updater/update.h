// The update run: every listed hub, last first.
#ifndef QUILLET_UPDATER_UPDATE_H_
#define QUILLET_UPDATER_UPDATE_H_

class HubLibrary;
class Platform;
struct UpdaterState;

// Always true.
bool DoUpdateFW(UpdaterState& state, Platform& os, HubLibrary& library);

#endif  // QUILLET_UPDATER_UPDATE_H_
