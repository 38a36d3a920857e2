#include "selection.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "firmware_image.h"
#include "platform.h"
#include "printer.h"
#include "short_format.h"
#include "run_state.h"

namespace {

// From two module entries on, each hub's place in the USB tree names its
// image file.
bool UsesModules(const UpdaterState& state) { return state.HubNumber >= 2; }

// The [HUBModule] entry for the hub's place, or null. A hub at depth 0 takes
// the first entry at depth 0, and entry 1 always is one.
const HubModuleEntry* FindModule(const UpdaterState& state, const HubDeviceInfo& hub) {
  for (size_t n = 0; n < state.HubNumber && n < state.Modules.size(); ++n) {
    const HubModuleEntry& module = state.Modules[n];
    if (hub.Depth == 0) {
      if (module.Depth == 0) return &module;
    } else if (module.Depth == hub.Depth && module.ConnectionPortIndex == hub.ConnectionPortIndex) {
      return &module;
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

// Reads the compared stretch once and notes where it first differs. A field
// the image ends before is absent, and never compared.
FieldComparison Compare(ByteSource& image, uint64_t offset, const uint8_t* expected,
                        size_t length) {
  FieldComparison result = {false, -1, 0, 0};
  uint8_t field[fwimage::kMaxCompareLength];
  if (length > sizeof field || !fwimage::ReadField(image, offset, length, field)) return result;
  result.present = true;
  for (size_t i = 0; i < length; ++i) {
    if (field[i] != expected[i]) {
      result.difference = static_cast<int>(i);
      result.imageByte = field[i];
      result.hubByte = expected[i];
      break;
    }
  }
  return result;
}

bool Matches(const FieldComparison& field) { return field.present && field.difference < 0; }

// A USB 2 hub's manufacturer string is not compared; one of the two product
// fields must match.
SelectionTest CompareStrings(ByteSource& image, const HubDeviceInfo& hub, Verdict* verdict) {
  const fwimage::FieldLayout& fields = fwimage::FieldsFor(verdict->flags);
  if (!IsUsb2Hub(hub)) {
    verdict->manufacturer = Compare(image, fields.manufacturer, hub.ManufacturerString,
                                    fwimage::kManufacturerCompareLength);
    if (!Matches(verdict->manufacturer)) return SelectionTest::kManufacturer;
  }
  verdict->product[0] =
      Compare(image, fields.product1, hub.ProductString, fwimage::kProductCompareLength);
  if (Matches(verdict->product[0])) return SelectionTest::kPassed;
  verdict->product[1] =
      Compare(image, fields.product2, hub.ProductString, fwimage::kProductCompareLength);
  return Matches(verdict->product[1]) ? SelectionTest::kPassed : SelectionTest::kProduct;
}

Verdict Failed(Verdict verdict, SelectionTest test) {
  verdict.failed = test;
  return verdict;
}

// The verdicts that have a message of their own: those of the hub...
void PrintHubVerdict(Printer& out, const Verdict& verdict, uint32_t hubId) {
  if (verdict.failed == SelectionTest::kModulePlace) {
    out.Print("Please Check [HUBModule] setting\n");
  } else if (verdict.failed == SelectionTest::kHubIdNotInSettings) {
    out.Print("This Firmware update tool is not support this HUB_Vid[%X]_Pid[%X]\n", hubId >> 16,
              hubId & 0xFFFF);
    out.Print("Please add this HUB info to SpiFlash.ini file\n");
  }
}

// ...and those of one image.
void PrintImageVerdict(Printer& out, const Verdict& verdict, const char* name) {
  if (verdict.failed == SelectionTest::kCannotOpen) {
    out.Print("!!!Error opening file faile:  %s", name);
  } else if (verdict.failed == SelectionTest::kSizeRule) {
    out.Print("\nWarning !!!%s bin file is illgal...\n", name);
  }
}

}  // namespace

bool MakeImagePath(const char* name, char* path) {
  // The search yields names of at most 259 characters; a longer one could
  // not be handed on whole.
  int length = std::snprintf(path, kImagePathSize, "%s%s", kImageDirectory, name);
  return length >= 0 && length < kImagePathSize;
}

Verdict WantedImage(const UpdaterState& state, uint32_t hubId, const HubDeviceInfo& hub,
                    Wanted* wanted) {
  Verdict verdict;
  *wanted = Wanted{hubId, 0, nullptr};
  if (UsesModules(state)) {
    const HubModuleEntry* module = FindModule(state, hub);
    if (module == nullptr) {
      verdict.depth = hub.Depth;
      verdict.connectionPortIndex = hub.ConnectionPortIndex;
      return Failed(verdict, SelectionTest::kModulePlace);
    }
    wanted->fileName = module->WantUpdateBinFile;
  }
  const TargetIdEntry* target = FindTarget(state, hubId);
  if (target == nullptr) return Failed(verdict, SelectionTest::kHubIdNotInSettings);
  wanted->imageId = target->ImageId;
  return verdict;
}

Verdict JudgeImage(const UpdaterState& state, const Wanted& wanted, const HubDeviceInfo& hub,
                   const char* name, ByteSource& image, uint64_t size) {
  Verdict verdict;
  verdict.size = size;
  verdict.wantedImageId = wanted.imageId;
  fwimage::Header header;
  bool wholeHeader = fwimage::ReadHeader(image, &header);
  verdict.headerLength = header.length;
  verdict.flags = fwimage::Flags(header);
  verdict.imageId = fwimage::ImageId(header);

  // Checked before the identifier, so such an image is reported whichever
  // hub the search is for.
  if (fwimage::BreaksSizeRule(header, size)) return Failed(verdict, SelectionTest::kSizeRule);
  if (!wholeHeader) return Failed(verdict, SelectionTest::kHeaderTooShort);
  if (!fwimage::HasImageId(header, wanted.imageId)) return Failed(verdict, SelectionTest::kImageId);

  // These two models' images carry neither the strings nor the chip
  // layouts the other tests look at.
  if (!IsShortFormatHub(wanted.hubId)) {
    if (state.StringCompare != 0) {
      SelectionTest strings = CompareStrings(image, hub, &verdict);
      if (strings != SelectionTest::kPassed) return Failed(verdict, strings);
    }
    verdict.chipRevision = hub.ChipRevision;
    verdict.chipOptions = hub.ChipOptions;
    verdict.rule = fwimage::MatchingCompatibilityRule(image, verdict.flags, size, hub.ChipRevision,
                                                      hub.ChipOptions);
    if (verdict.rule == 0) return Failed(verdict, SelectionTest::kNoCompatibilityRule);
  }

  // Letter case counts here, although the directory search ignores it.
  verdict.wantedName = wanted.fileName;
  if (wanted.fileName != nullptr && std::strcmp(name, wanted.fileName) != 0) {
    return Failed(verdict, SelectionTest::kFileName);
  }
  return verdict;
}

ImageSearch SearchImages(const UpdaterState& state, Files& files, uint32_t hubId,
                         const HubDeviceInfo& hub, bool everyEntry) {
  ImageSearch search;
  search.hubVerdict = WantedImage(state, hubId, hub, &search.wanted);
  if (search.hubVerdict.failed != SelectionTest::kPassed) return search;
  std::unique_ptr<DirectorySearch> entries = files.FindFiles(kImagePattern);
  if (!entries) return search;
  search.searched = true;
  do {
    const char* name = entries->Name();
    Verdict verdict;
    char path[kImagePathSize];
    if (!MakeImagePath(name, path)) {
      verdict.failed = SelectionTest::kNameTooLong;
    } else if (std::unique_ptr<ByteSource> image = files.OpenForRead(path)) {
      // The image is open only while it is judged.
      verdict = JudgeImage(state, search.wanted, hub, name, *image, image->Size());
    } else {
      verdict.failed = SelectionTest::kCannotOpen;
    }
    search.names.emplace_back(name);
    search.verdicts.push_back(verdict);
    if (verdict.failed != SelectionTest::kPassed) continue;
    if (++search.passing == 1) {
      search.chosen = static_cast<int>(search.verdicts.size()) - 1;
      search.imagePath = path;
    }
    if (!everyEntry) break;
  } while (entries->Next());
  return search;
}

void PrintSearch(Printer& out, const ImageSearch& search, uint32_t hubId) {
  if (search.hubVerdict.failed != SelectionTest::kPassed) {
    PrintHubVerdict(out, search.hubVerdict, hubId);
    return;
  }
  if (!search.searched) {
    out.Print("!!!Error searching directory\n");
    return;
  }
  size_t shown = search.chosen >= 0 ? static_cast<size_t>(search.chosen) + 1 : search.names.size();
  for (size_t j = 0; j < shown; ++j)
    PrintImageVerdict(out, search.verdicts[j], search.names[j].c_str());
}

bool SelectFWBinFile(const UpdaterState& state, Printer& out, Files& files, uint32_t hubId,
                     const HubDeviceInfo& hub, char* imagePath) {
  ImageSearch search = SearchImages(state, files, hubId, hub, false);
  PrintSearch(out, search, hubId);
  if (search.chosen < 0) return false;
  std::memcpy(imagePath, search.imagePath.c_str(), search.imagePath.size() + 1);
  return true;
}
