// The update run: every listed hub, last first.
#ifndef QUILLET_UPDATER_UPDATE_H_
#define QUILLET_UPDATER_UPDATE_H_

#include <cstdint>

#include "updater_results.h"

class Files;
class HubLibrary;
class Printer;
class System;
struct PendingWrites;
struct UpdaterState;

// Every listed hub, last first: each planned (hub_plan.h), its plan printed,
// and the planned writes made.
// Always true. With `results`, each visited hub's outcome is added to them;
// a hub among `pending` that still waits for its power cycle is left alone.
bool DoUpdateFW(UpdaterState& state, Printer& out, Files& files, System& system,
                HubLibrary& library, UpdaterResults* results = nullptr,
                const PendingWrites* pending = nullptr);

#endif  // QUILLET_UPDATER_UPDATE_H_
