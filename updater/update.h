// The update run: every listed hub, last first.
#ifndef QUILLET_UPDATER_UPDATE_H_
#define QUILLET_UPDATER_UPDATE_H_

class Files;
class HubLibrary;
class Printer;
class System;
struct UpdaterState;

// Always true.
bool DoUpdateFW(UpdaterState& state, Printer& out, Files& files, System& system,
                HubLibrary& library);

#endif  // QUILLET_UPDATER_UPDATE_H_
