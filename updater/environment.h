// The Windows version and the filter-driver registration check.
#ifndef QUILLET_UPDATER_ENVIRONMENT_H_
#define QUILLET_UPDATER_ENVIRONMENT_H_

class Platform;
struct UpdaterState;

void QueryOsVersion(UpdaterState& state, Platform& os);

// True when tz415filter is NOT registered: the run must stop.
bool IsDriverInstallNeeded(UpdaterState& state, Platform& os);

#endif  // QUILLET_UPDATER_ENVIRONMENT_H_
