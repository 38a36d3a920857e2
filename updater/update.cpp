#include "update.h"

#include <cstdint>
#include <cstdio>
#include <memory>

#include "byte_source.h"
#include "firmware_image.h"
#include "image_check.h"
#include "platform.h"
#include "power_cycle.h"
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

// The one line that says why a listed kit's image is not written. Each ends
// where the no-image error ends, so the warning that follows looks the same.
void PrintRefusal(Printer& out, const ImageCheckResult& result, const char* imagePath) {
  switch (result.check) {
    case ImageCheck::kNoList:
    case ImageCheck::kVerified: return;
    case ImageCheck::kListUnreadable:
      out.Print("\t!!!Error. Binfile\\SHA256SUMS cannot be read\n");
      return;
    case ImageCheck::kListBad:
      out.Print("\t!!!Error. Binfile\\SHA256SUMS line %d: %s\n", result.list.faultLine,
                imagesums::FaultRow(result.list.fault).text);
      return;
    case ImageCheck::kNotListed:
      out.Print("\t!!!Error. The FW file %s is not listed in Binfile\\SHA256SUMS\n", imagePath);
      return;
    case ImageCheck::kImageUnreadable:
      out.Print("\t!!!Error. The FW file %s cannot be read\n", imagePath);
      return;
    case ImageCheck::kNoHash:
      out.Print("\t!!!Error. The FW file %s cannot be checked: SHA-256 is not available\n",
                imagePath);
      return;
    case ImageCheck::kDiffers:
      out.Print("\t!!!Error. The FW file %s does not match Binfile\\SHA256SUMS\n"
                "\t listed   %s\n\t computed %s\n",
                imagePath, imagesums::DigestHex(result.listed).c_str(),
                imagesums::DigestHex(result.computed).c_str());
      return;
  }
}

// One hub's entry in the results: what it was before the run and what the
// run did to it.
void Record(UpdaterResults* results, int number, const HubDeviceInfo& hub, HubOutcome outcome,
            const char* imagePath, const int* libraryResult = nullptr, Files* files = nullptr,
            PowerCycle cycle = PowerCycle::NoWrite) {
  if (results == nullptr) return;
  HubResult entry;
  entry.depth = hub.Depth;
  entry.port = hub.ConnectionPortIndex;
  entry.previous = MarkOf(cycle);
  if (files != nullptr) DescribeImage(*files, imagePath, &entry);
  entry.device = number;
  entry.vendorId = hub.VendorId;
  entry.productId = hub.ProductId;
  entry.firmwareBefore = hub.FirmwareVersion;
  std::snprintf(entry.image, sizeof entry.image, "%s", imagePath);
  entry.libraryCalled = libraryResult != nullptr;
  entry.libraryResult = libraryResult != nullptr ? *libraryResult : 0;
  entry.outcome = outcome;
  RecordHub(results, entry);
}

}  // namespace

bool ImageMayBeWritten(ImageCheck check) {
  switch (check) {
    case ImageCheck::kNoList:
    case ImageCheck::kVerified: return true;
    case ImageCheck::kListUnreadable:
    case ImageCheck::kListBad:
    case ImageCheck::kNotListed:
    case ImageCheck::kImageUnreadable:
    case ImageCheck::kNoHash:
    case ImageCheck::kDiffers: return false;
  }
  return false;
}

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
                HubLibrary& library, UpdaterResults* results, const PendingWrites* pending) {
  out.Print("DoUpdateFW()\n");
  uint8_t programmed = 0;
  const int count = UsableDeviceCount(state);
  if (count == 0) return true;

  for (int i = count - 1; i >= 0; --i) {
    const int number = i + 1;
    const HubDeviceInfo& hub = state.Devices[i];
    const uint32_t hubId = HubIdOf(hub);

    const PowerCycle cycle = JudgePowerCycle(hub, pending);
    if (cycle == PowerCycle::StillPending) {
      PrintPowerCyclePending(out, number);
      Record(results, number, hub, HubOutcome::PowerCyclePending, "");
      continue;
    }

    if (SameLevelBeforeSelection(state, hub)) {
      out.PrintInColour(kColourSameLevel, kSameLevel, "", number);
      Record(results, number, hub, HubOutcome::SameLevel, "", nullptr, nullptr, cycle);
      continue;
    }

    char imagePath[kImagePathSize] = {};
    if (!SelectFWBinFile(state, out, files, hubId, hub, imagePath)) {
      out.Print("Device(%d):\n\t", number);
      out.Print(
          "\t!!!Error. Either the FW not found\n\t Or FW is incorrect for HUB chip version\n");
      out.PrintInColour(kColourError, "%s", kUpgradeFailed);
      Record(results, number, hub, HubOutcome::NoImage, "", nullptr, nullptr, cycle);
      continue;
    }

    // The image is opened for its version only when the version counts.
    if (ComparesImageVersion(state, hub) &&
        SameLevelAfterSelection(state, hub, ImageVersion(files, imagePath))) {
      out.PrintInColour(kColourSameLevel, kSameLevel, "\n", number);
      Record(results, number, hub, HubOutcome::SameLevel, imagePath, nullptr, nullptr, cycle);
      continue;
    }

    // Checked last of all before the write, and the image closed again: the
    // library opens it itself, with a sharing mode we cannot see.
    ImageCheckResult check = CheckImage(files, imagePath);
    if (!ImageMayBeWritten(check.check)) {
      out.Print("Device(%d):\n\t", number);
      PrintRefusal(out, check, imagePath);
      out.PrintInColour(kColourError, "%s", kUpgradeFailed);
      Record(results, number, hub, HubOutcome::ImageCheck, imagePath, nullptr, nullptr, cycle);
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
      Record(results, number, hub, HubOutcome::WriteFailed, imagePath, &result, &files, cycle);
      continue;
    }
    Record(results, number, hub, HubOutcome::Programmed, imagePath, &result, &files, cycle);

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
