#include "hub_judge.h"

#include <string>

#include "enumeration.h"
#include "silent_console.h"
#include "text.h"
#include "tz415api.h"
#include "hub_plan.h"
#include "printer.h"

namespace check {

void CheckHubs(HubLibrary& library, KitReport* report, const PendingWrites* pending) {
  UpdaterState& state = *report->settings.state;
  SilentConsole silent;
  Printer quiet(silent);
  report->hubsDescribed = true;
  if (!report->settings.read.found || report->settings.readerGaveUp) return;
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
    JudgeHub(state, report->images, &hub, pending);
    if (hub.plan.outcome == HubOutcome::kNoImage) {
      Add(&report->findings, FindingCode::kHubNoImage, 0,
          Format("Device(%d) %04X/%04X gets no image", hub.number, hub.info.VendorId,
                 hub.info.ProductId));
    }
    if (hub.plan.outcome == HubOutcome::kImageCheck) {
      const ImageRow& image = report->images[hub.plan.search.chosen];
      Add(&report->findings, FindingCode::kHubImageRefused, 0,
          Format("Device(%d) %04X/%04X: %s is chosen, but %s: the updater refuses the hub",
                 hub.number, hub.info.VendorId, hub.info.ProductId, image.name.c_str(),
                 image.refusal.c_str()));
    }
    if (hub.plan.search.passing > 1) {
      Add(&report->findings, FindingCode::kHubSeveralImages, 0,
          Format("Device(%d) %04X/%04X: %d images pass; the directory order chooses %s, "
                 "and that order differs between file systems",
                 hub.number, hub.info.VendorId, hub.info.ProductId, hub.plan.search.passing,
                 report->images[hub.plan.search.chosen].name.c_str()));
    }
  }
}

namespace {

// The image list's word on each image, as the checker worked it out once.
class RowVouch : public ImageVouch {
 public:
  explicit RowVouch(const std::vector<ImageRow>& images) : images_(images) {}
  ImageCheckResult Check(const std::string& name) override {
    for (const ImageRow& row : images_) {
      if (row.name == name) return row.sums;
    }
    // Not an image the search found: nothing vouches for it.
    ImageCheckResult result;
    result.check = ImageCheck::kImageUnreadable;
    return result;
  }

 private:
  const std::vector<ImageRow>& images_;
};

}  // namespace

void JudgeHub(const UpdaterState& state, const std::vector<ImageRow>& images, HubReport* hub,
              const PendingWrites* pending) {
  std::vector<CachedEntry> entries;
  entries.reserve(images.size());
  for (const ImageRow& row : images) entries.push_back({row.name, row.cache});
  CachedImageFiles files(std::move(entries));
  RowVouch vouch(images);
  PlanInputs inputs{state, files, &vouch, true, pending};
  hub->plan = PlanHub(inputs, hub->info);
}

}  // namespace check
