#include "hub_plan.h"

#include <memory>

#include "firmware_image.h"
#include "platform.h"
#include "printer.h"
#include "short_format.h"
#include "run_state.h"

namespace {

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
      out.Print("\t!!!Error. Binfile\\SHA256SUMS line %d: %s\n", result.faultLine,
                imagesums::FaultRow(result.fault).text);
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

HubPlan PlanHub(const PlanInputs& in, const HubDeviceInfo& hub) {
  HubPlan plan;
  // Before anything else: a hub that waits for its power cycle is not
  // written again, whatever the kit now holds for it.
  plan.cycle = JudgePowerCycle(hub, in.pending);
  if (plan.cycle == PowerCycle::kStillPending) {
    plan.outcome = HubOutcome::kPowerCyclePending;
    return plan;
  }
  if (SameLevelBeforeSelection(in.state, hub)) {
    plan.outcome = HubOutcome::kSameLevelBefore;
    return plan;
  }
  plan.search = SearchImages(in.state, in.files, HubIdOf(hub), hub, in.explain);
  if (plan.search.chosen < 0) {
    plan.outcome = HubOutcome::kNoImage;
    return plan;
  }
  // The image is opened for its version only when the version counts.
  if (ComparesImageVersion(in.state, hub) || in.explain) {
    plan.chosenVersion = ImageVersion(in.files, plan.search.imagePath.c_str());
  }
  if (SameLevelAfterSelection(in.state, hub, plan.chosenVersion)) {
    plan.outcome = HubOutcome::kSameLevelAfter;
    return plan;
  }
  // Checked last of all before the write, and the image closed again: the
  // library opens it itself, with a sharing mode we cannot see.
  const std::string& name = plan.search.names[static_cast<size_t>(plan.search.chosen)];
  plan.check = in.vouch != nullptr ? in.vouch->Check(name) : CheckImage(in.files, name);
  plan.outcome =
      ImageMayBeWritten(plan.check.check) ? HubOutcome::kProgram : HubOutcome::kImageCheck;
  return plan;
}

void PrintUpgradeFailed(Printer& out) {
  out.PrintInColour(kColourError, "%s",
                    " => Warning!!! Warning!!! Warning!!! Upgrade failed!!!\n\a\a\a");
}

void PrintPlan(Printer& out, const HubPlan& plan, int number, uint32_t hubId) {
  if (plan.outcome == HubOutcome::kPowerCyclePending) {
    PrintPowerCyclePending(out, number);
    return;
  }
  if (plan.outcome == HubOutcome::kSameLevelBefore) {
    out.PrintInColour(kColourSameLevel, kSameLevel, "", number);
    return;
  }
  PrintSearch(out, plan.search, hubId);
  switch (plan.outcome) {
    case HubOutcome::kNoImage:
      out.Print("Device(%d):\n\t", number);
      out.Print(
          "\t!!!Error. Either the FW not found\n\t Or FW is incorrect for HUB chip version\n");
      PrintUpgradeFailed(out);
      return;
    case HubOutcome::kSameLevelAfter:
      out.PrintInColour(kColourSameLevel, kSameLevel, "\n", number);
      return;
    case HubOutcome::kImageCheck:
      out.Print("Device(%d):\n\t", number);
      PrintRefusal(out, plan.check, plan.search.imagePath.c_str());
      PrintUpgradeFailed(out);
      return;
    case HubOutcome::kSameLevelBefore:
    case HubOutcome::kPowerCyclePending:
    case HubOutcome::kProgram:
    case HubOutcome::kProgrammed:
    case HubOutcome::kWriteFailed: return;
  }
}
