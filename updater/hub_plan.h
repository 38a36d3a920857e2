// One hub's plan: everything the update run decides about a hub before it
// prints a word of it or writes a byte. The update run prints and writes
// from the plan; the kit checker explains the same plan.
#ifndef QUILLET_UPDATER_HUB_PLAN_H_
#define QUILLET_UPDATER_HUB_PLAN_H_

#include <cstdint>
#include <string>

#include "hub_outcome.h"
#include "image_check.h"
#include "power_cycle.h"
#include "selection.h"

class Files;
class Printer;
struct HubDeviceInfo;
struct UpdaterState;

// The image list's word on a chosen image, by its name in .\Binfile. The
// update run asks the list itself (CheckImage); the kit checker answers from
// its one check of every image against its one reading of the list.
class ImageVouch {
 public:
  virtual ~ImageVouch() = default;
  virtual ImageCheckResult Check(const std::string& name) = 0;
};

// What the plan reads besides the hub. The caller fills it once per run.
struct PlanInputs {
  const UpdaterState& state;
  Files& files;                 // the images, as the image search finds them
  ImageVouch* vouch = nullptr;  // null: CheckImage over `files`
  // The kit checker's wish to explain: every image judged, not only up to
  // the chosen one, and the chosen image's version read even where it does
  // not count. Neither changes the outcome.
  bool explain = false;
  // The writes an earlier unattended run left waiting for a power cycle,
  // which the launcher hands over; null without its option.
  const PendingWrites* pending = nullptr;
};

struct HubPlan {
  HubOutcome outcome = HubOutcome::kNoImage;
  // What became of an earlier run's pending write to this hub.
  PowerCycle cycle = PowerCycle::kNoWrite;
  // The image search, when the hub got as far as one.
  ImageSearch search;
  // The version the chosen image delivers; read when it counts, or to
  // explain.
  uint16_t chosenVersion = 0;
  // The image list's word on the chosen image, when it was asked.
  ImageCheckResult check;
};

// With CheckHUBFW set, a short-format hub whose version reads as FWVersion
// is left alone before any image is looked for.
bool SameLevelBeforeSelection(const UpdaterState& state, const HubDeviceInfo& hub);

// With CheckHUBFW set, every other hub's chosen image has its version
// compared with the hub's...
bool ComparesImageVersion(const UpdaterState& state, const HubDeviceInfo& hub);

// ...and the hub is left alone when the image delivers the version the hub
// reports.
bool SameLevelAfterSelection(const UpdaterState& state, const HubDeviceInfo& hub,
                             uint16_t imageVersion);

// Whether the image list lets the chosen image be written: with no list,
// or when it verifies.
bool ImageMayBeWritten(ImageCheck check);

// The hub's fate, in the update run's order: a write still waiting for its
// power cycle, the same level before selection, the image search, the same level after it, the
// image check.
HubPlan PlanHub(const PlanInputs& inputs, const HubDeviceInfo& hub);

// The red warning that ends every hub that is not written.
void PrintUpgradeFailed(Printer& out);

// What the update run prints for the plan before any write: all of it, but
// for a hub to be written the announcement that follows.
void PrintPlan(Printer& out, const HubPlan& plan, int number, uint32_t hubId);

#endif  // QUILLET_UPDATER_HUB_PLAN_H_
