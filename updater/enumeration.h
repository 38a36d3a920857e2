// Asking the library for the attached hubs, and listing them.
#ifndef QUILLET_UPDATER_ENUMERATION_H_
#define QUILLET_UPDATER_ENUMERATION_H_

class HubLibrary;
class Printer;
struct UpdaterState;

// True when hubs were found, accepted under HUBNumber and listed.
bool EnumerateDevices(UpdaterState& state, Printer& out, HubLibrary& library);

void PrintDeviceList(const UpdaterState& state, Printer& out);

#endif  // QUILLET_UPDATER_ENUMERATION_H_
