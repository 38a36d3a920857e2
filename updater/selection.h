// Choosing a hub's firmware image in .\Binfile.
#ifndef QUILLET_UPDATER_SELECTION_H_
#define QUILLET_UPDATER_SELECTION_H_

#include <cstdint>

class Platform;
struct HubDeviceInfo;
struct UpdaterState;

// ".\Binfile\", a file name of up to 259 characters and the terminator.
constexpr int kImagePathSize = 270;

// True when an image was chosen; imagePath (kImagePathSize bytes) then holds
// ".\Binfile\" and its name. Prints the reasons that have a message.
bool SelectFWBinFile(const UpdaterState& state, Platform& os, uint32_t hubId,
                     const HubDeviceInfo& hub, char* imagePath);

#endif  // QUILLET_UPDATER_SELECTION_H_
