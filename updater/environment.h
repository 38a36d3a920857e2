// The Windows version and the filter-driver registration check.
#ifndef QUILLET_UPDATER_ENVIRONMENT_H_
#define QUILLET_UPDATER_ENVIRONMENT_H_

class Printer;
class System;
struct UpdaterState;

void QueryOsVersion(UpdaterState& state, System& system);

// True when tz415filter is NOT registered: the run must stop.
bool IsDriverInstallNeeded(UpdaterState& state, Printer& out, System& system);

#endif  // QUILLET_UPDATER_ENVIRONMENT_H_
