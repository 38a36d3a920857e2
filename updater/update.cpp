#include "update.h"

#include <cstdint>
#include <cstdio>

#include "hub_plan.h"
#include "platform.h"
#include "power_cycle.h"
#include "printer.h"
#include "tz415api.h"
#include "run_state.h"

namespace {

const char kHyphenLine[] = "--------------------------------------------------\n";

// One hub's entry in the results: which hub, what it reported before the
// run, and the plan's word on it, power-cycle verdict included.
HubResult ResultOf(int number, const HubDeviceInfo& hub, const HubPlan& plan) {
  HubResult entry;
  entry.device = number;
  entry.place = PlaceOf(hub);
  entry.firmwareBefore = hub.FirmwareVersion;
  std::snprintf(entry.image, sizeof entry.image, "%s", plan.search.imagePath.c_str());
  entry.outcome = plan.outcome;
  entry.previous = MarkOf(plan.cycle);
  return entry;
}

// A hub the library was asked to write adds what the library said and
// when, stamped as it returns, before the image is hashed: the record keeps
// the write's time while the hub waits. What the image delivers and its
// digest only for a write that took place: a failed one names the image it
// attempted and delivers nothing.
void RecordWrite(UpdaterResults* results, Files& files, System& system, HubResult entry,
                 bool written, int libraryResult) {
  if (results == nullptr) return;
  entry.outcome = written ? HubOutcome::kProgrammed : HubOutcome::kWriteFailed;
  entry.libraryCalled = true;
  entry.libraryResult = libraryResult;
  std::snprintf(entry.writeTime, sizeof entry.writeTime, "%s", system.UtcNow().c_str());
  if (written) DescribeImage(files, entry.image, &entry);
  RecordHub(results, entry);
}

// The planned write: announced, made under guard, and its result printed.
bool WriteImage(Printer& out, System& system, HubLibrary& library, int position,
                const char* imagePath, int* result) {
  const int number = position + 1;
  out.Print("Please wait while FW is updated...\n");
  out.PrintInColour(kColourDoNotDisconnect,
                    "%s|  DO NOT DISCONNECT THE AC ADAPTER OR USB CABLE |\n%s", kHyphenLine,
                    kHyphenLine);
  out.Print("device(%d) Update In Progress...\n", number);
  out.Print("FileName:%s\n", imagePath);
  {
    CriticalWrite guard(system);
    *result = library.UpdateISP(static_cast<uint8_t>(position), imagePath, 0);
  }
  if (*result != 0) {
    PrintUpgradeFailed(out);
    return false;
  }
  out.Print("Device(%d):\n\t", number);
  out.Print("Updata FW => SUCCESS\n");
  return true;
}

}  // namespace

bool DoUpdateFW(UpdaterState& state, Printer& out, Files& files, System& system,
                HubLibrary& library, UpdaterResults* results, const PendingWrites* pending) {
  out.Print("DoUpdateFW()\n");
  uint8_t programmed = 0;
  const int count = UsableDeviceCount(state);
  if (count == 0) return true;

  PlanInputs inputs{state, files};
  inputs.pending = pending;
  for (int i = count - 1; i >= 0; --i) {
    const int number = i + 1;
    const HubDeviceInfo& hub = state.Devices[i];
    const HubPlan plan = PlanHub(inputs, hub);
    PrintPlan(out, plan, number, HubIdOf(hub));
    if (plan.outcome != HubOutcome::kProgram) {
      RecordHub(results, ResultOf(number, hub, plan));
      continue;
    }
    int result = 0;
    bool written = WriteImage(out, system, library, i, plan.search.imagePath.c_str(), &result);
    RecordWrite(results, files, system, ResultOf(number, hub, plan), written, result);
    if (!written) continue;
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
