// Asking the library for the attached hubs, and listing them.
#ifndef QUILLET_UPDATER_ENUMERATION_H_
#define QUILLET_UPDATER_ENUMERATION_H_

class HubLibrary;
class Platform;
struct UpdaterState;

// True when hubs were found, accepted under HUBNumber and listed.
bool EnumerateDevices(UpdaterState& state, Platform& os, HubLibrary& library);

void PrintDeviceList(UpdaterState& state, Platform& os);

#endif  // QUILLET_UPDATER_ENUMERATION_H_
