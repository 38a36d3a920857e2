// A hub that an earlier unattended run wrote and that has not run the new
// firmware yet: it reports its firmware from before that write until its
// power is cycled. Writing it again would change nothing and risk the hub,
// so under the launcher's option such a hub is left alone. Without the
// option there are no pending writes, and every hub is judged as ever.
#ifndef QUILLET_UPDATER_POWER_CYCLE_H_
#define QUILLET_UPDATER_POWER_CYCLE_H_

#include "updater_results.h"

class Files;
class Printer;
struct HubDeviceInfo;

// The pending writes the launcher handed over; none without its option.
struct PendingWrites {
  PendingWrite writes[kResultsHubs];
  int count = 0;
};

enum class PowerCycle {
  kNoWrite,           // no pending write for this hub: judged as ever
  kStillPending,      // still reports its firmware from before the write
  kTookEffect,        // reports the version the write delivers: judged as ever
  kChangedElsewhere,  // reports something else: judged as ever
};

// The hub as the results and the pending writes name it.
HubPlace PlaceOf(const HubDeviceInfo& hub);

// A pending write is the one for this hub when IsSameHub says so
// (hub_place.h); a hub moved to another port is judged afresh.
PowerCycle JudgePowerCycle(const HubDeviceInfo& hub, const PendingWrites* pending);

// What the record says of an earlier pending write for a hub judged as ever.
PendingMark MarkOf(PowerCycle cycle);

// The one line for a hub left waiting for its power cycle.
void PrintPowerCyclePending(Printer& out, int number);

// The version the image delivers and its SHA-256, for a written hub's
// entry in the results.
void DescribeImage(Files& files, const char* imagePath, HubResult* entry);

#endif  // QUILLET_UPDATER_POWER_CYCLE_H_
