#include "update.h"

#include <cstdint>
#include <memory>

#include "byte_source.h"
#include "firmware_image.h"
#include "platform.h"
#include "printer.h"
#include "selection.h"
#include "short_format.h"
#include "tz415api.h"
#include "updater_state.h"

namespace {

const char kUpgradeFailed[] = " => Warning!!! Warning!!! Warning!!! Upgrade failed!!!\n\a\a\a";
const char kHyphenLine[] = "--------------------------------------------------\n";
// Printed with a line end before it when the image's version was compared.
const char kSameLevel[] = "%sDevice(%d) firmware version is at the same level as this updater.\n"
                          " Update is unnecessary.\n\n";

// The version the chosen image would bring. An image that cannot be opened
// delivers 0: the hub is then programmed unless it reports 0 itself.
uint16_t ImageVersion(Files& files, const char* imagePath) {
  std::unique_ptr<ByteSource> image = files.OpenForRead(imagePath);
  if (!image) return 0;
  return fwimage::DeliveredVersion(*image);
}

}  // namespace

bool SameLevelBeforeSelection(const UpdaterState& state, const HubDeviceInfo& hub) {
  return state.CheckHubFw != 0 && IsShortFormatHub(HubIdOf(hub)) &&
         ShortFormatVersion(hub.FirmwareVersion) == state.FwVersion;
}

bool ComparesImageVersion(const UpdaterState& state, const HubDeviceInfo& hub) {
  return state.CheckHubFw != 0 && !IsShortFormatHub(HubIdOf(hub));
}

bool SameLevelAfterSelection(const UpdaterState& state, const HubDeviceInfo& hub,
                             uint16_t imageVersion) {
  return ComparesImageVersion(state, hub) && imageVersion == hub.FirmwareVersion;
}

bool DoUpdateFW(UpdaterState& state, Printer& out, Files& files, System& system,
                HubLibrary& library) {
  out.Print("DoUpdateFW()\n");
  uint8_t programmed = 0;
  const int count = UsableDeviceCount(state);
  if (count == 0) return true;

  for (int i = count - 1; i >= 0; --i) {
    const int number = i + 1;
    const HubDeviceInfo& hub = state.Devices[i];
    const uint32_t hubId = HubIdOf(hub);

    if (SameLevelBeforeSelection(state, hub)) {
      out.PrintInColour(kColourSameLevel, kSameLevel, "", number);
      continue;
    }

    char imagePath[kImagePathSize] = {};
    if (!SelectFWBinFile(state, out, files, hubId, hub, imagePath)) {
      out.Print("Device(%d):\n\t", number);
      out.Print(
          "\t!!!Error. Either the FW not found\n\t Or FW is incorrect for HUB chip version\n");
      out.PrintInColour(kColourError, "%s", kUpgradeFailed);
      continue;
    }

    // The image is opened for its version only when the version counts.
    if (ComparesImageVersion(state, hub) &&
        SameLevelAfterSelection(state, hub, ImageVersion(files, imagePath))) {
      out.PrintInColour(kColourSameLevel, kSameLevel, "\n", number);
      continue;
    }

    out.Print("Please wait while FW is updated...\n");
    out.PrintInColour(kColourDoNotDisconnect,
                      "%s|  DO NOT DISCONNECT THE AC ADAPTER OR USB CABLE |\n%s", kHyphenLine,
                      kHyphenLine);
    out.Print("device(%d) Update In Progress...\n", number);
    out.Print("FileName:%s\n", imagePath);

    int result;
    {
      CriticalWrite guard(system);
      result = library.UpdateISP(static_cast<uint8_t>(i), imagePath, 0);
    }
    if (result != 0) {
      out.PrintInColour(kColourError, "%s", kUpgradeFailed);
      continue;
    }

    out.Print("Device(%d):\n\t", number);
    out.Print("Updata FW => SUCCESS\n");
    ++programmed;
    // Counted against the hubs visited: a library claiming more hubs than
    // the table holds has had only the table's hubs programmed.
    if (i == 0 && programmed == count) {
      out.Print("Firmware Update Complete.\n");
      out.PrintInColour(kColourPowerCycle,
                        "\nPlease Power-Cycle your %s for the update to take effect!\n\n",
                        state.TargetHubName);
    }
  }
  return true;
}
