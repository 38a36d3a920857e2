#include "hub_judge.h"

#include <string>

#include "enumeration.h"
#include "silent_console.h"
#include "text.h"
#include "tz415api.h"
#include "hub_plan.h"
#include "printer.h"

namespace check {

void CheckHubs(HubLibrary& library, KitReport* report) {
  UpdaterState& state = *report->settings.state;
  SilentConsole silent;
  Printer quiet(silent);
  report->hubsDescribed = true;
  if (!report->settings.found || report->settings.readerGaveUp) return;
  bool listed = EnumerateDevices(state, quiet, library);
  // The table has room for 16; the updater reads no further, whatever the
  // count says.
  if (state.DeviceCount > kMaxDevices) {
    Add(&report->findings, FindingCode::kHubsClamped, 0,
        Format("the library reports %d hubs: the updater takes the first %d", state.DeviceCount,
               kMaxDevices));
  }
  if (!listed) {
    int count = UsableDeviceCount(state);
    Add(&report->findings, FindingCode::kHubsNotListed, 0,
        count == 0 ? std::string("no hub is found: the updater stops")
                   : Format("%d hubs found but HUBNumber is %d: the updater stops after "
                            "listing them",
                            count, state.HubNumber));
    return;
  }
  for (int i = UsableDeviceCount(state) - 1; i >= 0; --i) {
    report->hubs.emplace_back();
    HubReport& hub = report->hubs.back();
    hub.number = i + 1;
    hub.info = state.Devices[i];
    hub.hubId = HubIdOf(hub.info);
    JudgeHub(state, report->images, &hub);
    if (hub.outcome == HubOutcome::kNoImage) {
      Add(&report->findings, FindingCode::kHubNoImage, 0,
          Format("Device(%d) %04X/%04X gets no image", hub.number, hub.info.VendorId,
                 hub.info.ProductId));
    }
    if (hub.outcome == HubOutcome::kImageCheck) {
      const ImageRow& image = report->images[hub.chosen];
      Add(&report->findings, FindingCode::kHubImageRefused, 0,
          Format("Device(%d) %04X/%04X: %s is chosen, but %s: the updater refuses the hub",
                 hub.number, hub.info.VendorId, hub.info.ProductId, image.name.c_str(),
                 image.refusal.c_str()));
    }
    if (hub.passing > 1) {
      Add(&report->findings, FindingCode::kHubSeveralImages, 0,
          Format("Device(%d) %04X/%04X: %d images pass; the directory order chooses %s, "
                 "and that order differs between file systems",
                 hub.number, hub.info.VendorId, hub.info.ProductId, hub.passing,
                 report->images[hub.chosen].name.c_str()));
    }
  }
}

namespace {

// The image list's word on each image, as the checker worked it out once.
class RowVouch : public ImageVouch {
 public:
  explicit RowVouch(const std::vector<ImageRow>& images) : images_(images) {}
  ImageCheckResult Check(const char* imagePath) override {
    ImageCheckResult result;
    for (const ImageRow& row : images_) {
      if (kImageDirectory + row.name != imagePath) continue;
      result.check = row.sums;
      result.listed = row.listed;
      result.computed = row.computed;
      return result;
    }
    // Not an image the search found: nothing vouches for it.
    result.check = ImageCheck::kImageUnreadable;
    return result;
  }

 private:
  const std::vector<ImageRow>& images_;
};

}  // namespace

void JudgeHub(const UpdaterState& state, const std::vector<ImageRow>& images, HubReport* hub) {
  std::vector<CachedEntry> entries;
  entries.reserve(images.size());
  for (const ImageRow& row : images) entries.push_back({row.name, row.cache});
  CachedImageFiles files(std::move(entries));
  RowVouch vouch(images);
  PlanInputs inputs{state, files, &vouch, true};
  static_cast<HubPlan&>(*hub) = PlanHub(inputs, hub->info);
}

}  // namespace check
