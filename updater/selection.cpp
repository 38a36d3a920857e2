#include "selection.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "console.h"
#include "firmware_image.h"
#include "platform.h"
#include "updater_state.h"

namespace {

constexpr char kImageDirectory[] = ".\\Binfile\\";
constexpr char kImagePattern[] = ".\\Binfile\\*.BIN";

// From two module entries on, each hub's place in the USB tree names its
// image file.
bool UsesModules(const UpdaterState& state) { return state.HubNumber >= 2; }

// The [HUBModule] entry for the hub's place, or null. A hub at depth 0 takes
// the first entry at depth 0, and entry 1 always is one.
const HubModuleEntry* FindModule(const UpdaterState& state, const HubDeviceInfo& hub) {
  const HubModuleEntry* module = state.HubModules;
  for (int n = 0; n < state.HubNumber && module != nullptr; ++n, module = module->Next) {
    if (hub.Depth == 0) {
      if (module->Depth == 0) return module;
    } else if (module->Depth == hub.Depth &&
               module->ConnectionPortIndex == hub.ConnectionPortIndex) {
      return module;
    }
  }
  return nullptr;
}

// The first entry wins, so an ID listed in both sections takes its USB 3 one.
const TargetIdEntry* FindTarget(const UpdaterState& state, uint32_t hubId) {
  int count = state.TargetIdCount > kMaxTargetIds ? kMaxTargetIds : state.TargetIdCount;
  for (int i = 0; i < count; ++i) {
    if (state.TargetIds[i].HubId == hubId) return &state.TargetIds[i];
  }
  return nullptr;
}

bool IsUsb2Hub(const HubDeviceInfo& hub) { return (hub.UsbVersion & 0x0F) == 2; }

// A USB 2 hub's manufacturer string is not compared; one of the two product
// fields must match.
bool StringsMatch(ByteSource& image, uint8_t flags, const HubDeviceInfo& hub) {
  const fwimage::FieldLayout& fields = fwimage::FieldsFor(flags);
  if (!IsUsb2Hub(hub) &&
      !fwimage::FieldEquals(image, fields.manufacturer, hub.ManufacturerString,
                            fwimage::kManufacturerCompareLength)) {
    return false;
  }
  return fwimage::FieldEquals(image, fields.product1, hub.ProductString,
                              fwimage::kProductCompareLength) ||
         fwimage::FieldEquals(image, fields.product2, hub.ProductString,
                              fwimage::kProductCompareLength);
}

struct Wanted {
  uint32_t hubId;
  uint16_t imageId;
  const char* fileName;  // null when there is no name test
};

// The tests on one directory entry, in their order. The image is open only
// inside this call.
bool EntryPasses(const UpdaterState& state, Platform& os, const Wanted& wanted,
                 const HubDeviceInfo& hub, const char* name, const char* path) {
  std::unique_ptr<ByteSource> image = os.OpenForRead(path);
  if (!image) {
    Print(os, "!!!Error opening file faile:  %s", name);
    return false;
  }
  uint64_t size = image->Size();
  fwimage::Header header;
  bool wholeHeader = fwimage::ReadHeader(*image, &header);

  // Checked before the identifier, so such an image is reported whichever
  // hub the search is for.
  if (fwimage::BreaksSizeRule(header, size)) {
    Print(os, "\nWarning !!!%s bin file is illgal...\n", name);
    return false;
  }
  if (!wholeHeader) return false;
  if (!fwimage::HasImageId(header, wanted.imageId)) return false;

  // These two models' images carry neither the strings nor the chip
  // layouts the other tests look at.
  if (!IsShortFormatHub(wanted.hubId)) {
    uint8_t flags = fwimage::Flags(header);
    if (state.StringCompare != 0 && !StringsMatch(*image, flags, hub)) return false;
    if (fwimage::MatchingCompatibilityRule(*image, flags, size, hub.ChipRevision,
                                           hub.ChipOptions) == 0) {
      return false;
    }
  }

  // Letter case counts here, although the directory search ignores it.
  return wanted.fileName == nullptr || std::strcmp(name, wanted.fileName) == 0;
}

}  // namespace

bool SelectFWBinFile(const UpdaterState& state, Platform& os, uint32_t hubId,
                     const HubDeviceInfo& hub, char* imagePath) {
  Wanted wanted = {hubId, 0, nullptr};
  if (UsesModules(state)) {
    const HubModuleEntry* module = FindModule(state, hub);
    if (module == nullptr) {
      Print(os, "Please Check [HUBModule] setting\n");
      return false;
    }
    wanted.fileName = module->WantUpdateBinFile;
  }

  const TargetIdEntry* target = FindTarget(state, hubId);
  if (target == nullptr) {
    Print(os, "This Firmware update tool is not support this HUB_Vid[%X]_Pid[%X]\n",
          hubId >> 16, hubId & 0xFFFF);
    Print(os, "Please add this HUB info to SpiFlash.ini file\n");
    return false;
  }
  wanted.imageId = target->ImageId;

  std::unique_ptr<DirectorySearch> search = os.FindFiles(kImagePattern);
  if (!search) {
    Print(os, "!!!Error searching directory\n");
    return false;
  }
  do {
    const char* name = search->Name();
    char path[kImagePathSize];
    int length = std::snprintf(path, sizeof path, "%s%s", kImageDirectory, name);
    // The search yields names of at most 259 characters; a longer one could
    // not be handed on whole, so it is never chosen.
    if (length < 0 || length >= kImagePathSize) continue;
    if (EntryPasses(state, os, wanted, hub, name, path)) {
      std::memcpy(imagePath, path, static_cast<size_t>(length) + 1);
      return true;
    }
  } while (search->Next());
  return false;
}
