#include "hub_judge.h"

#include <string>

#include "enumeration.h"
#include "silent_console.h"
#include "text.h"
#include "tz415api.h"
#include "update.h"

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
    if (hub.outcome == Outcome::kNoImage) {
      Add(&report->findings, FindingCode::kHubNoImage, 0,
          Format("Device(%d) %04X/%04X gets no image", hub.number, hub.info.VendorId,
                 hub.info.ProductId));
    }
    if (hub.outcome == Outcome::kRefused) {
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

void JudgeHub(const UpdaterState& state, const std::vector<ImageRow>& images, HubReport* hub) {
  if (SameLevelBeforeSelection(state, hub->info)) {
    hub->outcome = Outcome::kSameLevelBefore;
    return;
  }
  hub->hubVerdict = WantedImage(state, hub->hubId, hub->info, &hub->wanted);
  if (hub->hubVerdict.failed != SelectionTest::kPassed) {
    hub->outcome = Outcome::kNoImage;
    return;
  }
  for (size_t j = 0; j < images.size(); ++j) {
    const ImageRow& row = images[j];
    Verdict verdict;
    if (!row.nameFits) {
      verdict.failed = SelectionTest::kNameTooLong;
    } else if (!row.opened) {
      verdict.failed = SelectionTest::kCannotOpen;
    } else {
      verdict = JudgeImage(state, hub->wanted, hub->info, row.name.c_str(), *row.cache, row.size);
    }
    hub->verdicts.push_back(verdict);
    if (verdict.failed != SelectionTest::kPassed) continue;
    if (++hub->passing == 1) hub->chosen = static_cast<int>(j);
  }
  if (hub->chosen < 0) {
    hub->outcome = Outcome::kNoImage;
    return;
  }
  hub->chosenVersion = images[hub->chosen].deliveredVersion;
  if (SameLevelAfterSelection(state, hub->info, hub->chosenVersion)) {
    hub->outcome = Outcome::kSameLevelAfter;
  } else {
    hub->outcome =
        ImageMayBeWritten(images[hub->chosen].sums) ? Outcome::kProgram : Outcome::kRefused;
  }
}

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kSameLevelBefore: return "same-level-before-selection";
    case Outcome::kNoImage: return "no-image";
    case Outcome::kSameLevelAfter: return "same-level-after-selection";
    case Outcome::kProgram: return "program";
    case Outcome::kRefused: return "refused";
  }
  return "?";
}

}  // namespace check
