#include "update.h"

#include <cstdint>
#include <memory>

#include "byte_source.h"
#include "console.h"
#include "firmware_image.h"
#include "platform.h"
#include "selection.h"
#include "tz415api.h"
#include "updater_state.h"

namespace {

const char kUpgradeFailed[] = " => Warning!!! Warning!!! Warning!!! Upgrade failed!!!\n\a\a\a";
const char kHyphenLine[] = "--------------------------------------------------\n";

// The short-format hubs report their version with the digits shuffled: the
// low byte moves up one nibble and the top nibble comes to the bottom, which
// gives the three digits the device list shows and FWVersion is written in.
uint16_t ListedShortVersion(uint16_t firmwareVersion) {
  return static_cast<uint16_t>(((firmwareVersion & 0x00FF) << 4) | (firmwareVersion >> 12));
}

// The version the chosen image would bring. An image that cannot be opened
// delivers 0: the hub is then programmed unless it reports 0 itself.
uint16_t ImageVersion(Platform& os, const char* imagePath) {
  std::unique_ptr<ByteSource> image = os.OpenForRead(imagePath);
  if (!image) return 0;
  return fwimage::DeliveredVersion(*image);
}

void PrintSameLevel(const UpdaterState& state, Platform& os, const char* format, int number) {
  SetColour(state, os, kColourSameLevel);
  Print(os, format, number);
  SetColour(state, os, kColourNormal);
}

void PrintUpgradeFailed(const UpdaterState& state, Platform& os) {
  SetColour(state, os, kColourError);
  Print(os, "%s", kUpgradeFailed);
  SetColour(state, os, kColourNormal);
}

}  // namespace

bool DoUpdateFW(UpdaterState& state, Platform& os, HubLibrary& library) {
  Print(os, "DoUpdateFW()\n");
  uint8_t programmed = 0;
  const int count = UsableDeviceCount(state);
  if (count == 0) return true;

  for (int i = count - 1; i >= 0; --i) {
    const int number = i + 1;
    const HubDeviceInfo& hub = state.Devices[i];
    const uint32_t hubId = HubIdOf(hub);
    const bool checkVersions = state.CheckHubFw != 0;

    if (checkVersions && IsShortFormatHub(hubId) &&
        ListedShortVersion(hub.FirmwareVersion) == state.FwVersion) {
      PrintSameLevel(state, os,
                     "Device(%d) firmware version is at the same level as this updater.\n"
                     " Update is unnecessary.\n\n",
                     number);
      continue;
    }

    char imagePath[kImagePathSize] = {};
    if (!SelectFWBinFile(state, os, hubId, hub, imagePath)) {
      Print(os, "Device(%d):\n\t", number);
      Print(os, "\t!!!Error. Either the FW not found\n\t Or FW is incorrect for HUB chip version\n");
      PrintUpgradeFailed(state, os);
      continue;
    }

    if (checkVersions && !IsShortFormatHub(hubId) &&
        ImageVersion(os, imagePath) == hub.FirmwareVersion) {
      PrintSameLevel(state, os,
                     "\nDevice(%d) firmware version is at the same level as this updater.\n"
                     " Update is unnecessary.\n\n",
                     number);
      continue;
    }

    Print(os, "Please wait while FW is updated...\n");
    SetColour(state, os, kColourDoNotDisconnect);
    Print(os, "%s", kHyphenLine);
    Print(os, "|  DO NOT DISCONNECT THE AC ADAPTER OR USB CABLE |\n");
    Print(os, "%s", kHyphenLine);
    SetColour(state, os, kColourNormal);
    Print(os, "device(%d) Update In Progress...\n", number);
    Print(os, "FileName:%s\n", imagePath);

    // A break key or a sleeping computer in the middle of the write would
    // leave the hub with half an image in its flash.
    os.BeginCriticalWrite();
    const int result = library.UpdateISP(static_cast<uint8_t>(i), imagePath, 0);
    os.EndCriticalWrite();
    if (result != 0) {
      PrintUpgradeFailed(state, os);
      continue;
    }

    Print(os, "Device(%d):\n\t", number);
    Print(os, "Updata FW => SUCCESS\n");
    ++programmed;
    // Counted against the hubs visited: a library claiming more hubs than
    // the table holds has had only the table's hubs programmed.
    if (i == 0 && programmed == count) {
      Print(os, "Firmware Update Complete.\n");
      SetColour(state, os, kColourPowerCycle);
      Print(os, "\nPlease Power-Cycle your %s for the update to take effect!\n\n",
            state.TargetHubName);
      SetColour(state, os, kColourNormal);
    }
  }
  return true;
}
