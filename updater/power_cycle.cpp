#include "power_cycle.h"

#include <cstdio>
#include <memory>

#include "byte_source.h"
#include "firmware_image.h"
#include "image_check.h"
#include "platform.h"
#include "printer.h"
#include "updater_state.h"

HubPlace PlaceOf(const HubDeviceInfo& hub) {
  return {hub.VendorId, hub.ProductId, hub.Depth, hub.ConnectionPortIndex};
}

PowerCycle JudgePowerCycle(const HubDeviceInfo& hub, const PendingWrites* pending) {
  if (pending == nullptr) return PowerCycle::kNoWrite;
  for (int i = 0; i < pending->count && i < kResultsHubs; ++i) {
    const PendingWrite& write = pending->writes[i];
    if (!IsSameHub(write.place, PlaceOf(hub))) continue;
    if (hub.FirmwareVersion == write.delivers) return PowerCycle::kTookEffect;
    if (hub.FirmwareVersion == write.firmwareBefore) return PowerCycle::kStillPending;
    return PowerCycle::kChangedElsewhere;
  }
  return PowerCycle::kNoWrite;
}

PendingMark MarkOf(PowerCycle cycle) {
  switch (cycle) {
    case PowerCycle::kTookEffect: return PendingMark::kCleared;
    case PowerCycle::kChangedElsewhere: return PendingMark::kChanged;
    case PowerCycle::kNoWrite:
    case PowerCycle::kStillPending: return PendingMark::kNone;
  }
  return PendingMark::kNone;
}

void PrintPowerCyclePending(Printer& out, int number) {
  out.PrintInColour(kColourSameLevel,
                    "Device(%d) firmware is written and waits for a power cycle. Update is "
                    "unnecessary.\n\n",
                    number);
}

void DescribeImage(Files& files, const char* imagePath, HubResult* entry) {
  std::unique_ptr<ByteSource> image = files.OpenForRead(imagePath);
  entry->delivers = image ? fwimage::DeliveredVersion(*image) : 0;
  image.reset();
  imagesums::Digest digest;
  if (HashFile(files, imagePath, &digest) != HashOutcome::kHashed) return;
  std::snprintf(entry->imageSha256, sizeof entry->imageSha256, "%s",
                imagesums::DigestHex(digest).c_str());
}
