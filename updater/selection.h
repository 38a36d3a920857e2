// Choosing a hub's firmware image in .\Binfile. Each test returns a verdict,
// a value naming the test an image failed and what it compared; the updater
// prints the verdicts that have a message, and the kit checker explains
// every one of them.
#ifndef QUILLET_UPDATER_SELECTION_H_
#define QUILLET_UPDATER_SELECTION_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "byte_source.h"

class Files;
class Printer;
struct HubDeviceInfo;
struct HubModuleEntry;
struct UpdaterState;

// ".\Binfile\", a file name of up to 259 characters and the terminator.
constexpr int kImagePathSize = 270;
constexpr char kImageDirectory[] = ".\\Binfile\\";
constexpr char kImagePattern[] = ".\\Binfile\\*.BIN";

// The tests, in the order they are made. The first two are made once per
// hub, the rest once per directory entry.
enum class SelectionTest : uint8_t {
  kPassed,
  kModulePlace,          // HUBNumber >= 2 and no [HUBModule] entry for the hub's place
  kHubIdNotInSettings,   // no [TargetID_U3]/[TargetID_U2] line for the hub's ID
  kNameTooLong,          // ".\Binfile\" and the name do not fit the path buffer
  kCannotOpen,           // the image cannot be opened
  kSizeRule,             // a 0x0D 0x12 image of the wrong size
  kHeaderTooShort,       // fewer than the header's 4 bytes
  kImageId,              // the first two bytes are not the hub's image ID
  kManufacturer,         // the manufacturer field differs from the hub's string
  kProduct,              // neither product field matches the hub's string
  kNoCompatibilityRule,  // no rule suits the chip's revision and options
  kFileName,             // not the [HUBModule] file name, letter case counted
};

// How a compared string field came out.
struct FieldComparison {
  bool present;       // the image holds the whole compared stretch
  int difference;     // index of the first differing byte; -1 when equal or absent
  uint8_t imageByte;  // the bytes at `difference`
  uint8_t hubByte;
};

// What one test compared. Only the values of the failed test (and those
// before it) are filled.
struct Verdict {
  SelectionTest failed = SelectionTest::kPassed;
  // kModulePlace: the hub's place.
  uint8_t depth = 0;
  uint8_t connectionPortIndex = 0;
  // kImageId: the wanted one against the image's.
  uint16_t wantedImageId = 0;
  uint16_t imageId = 0;
  // From the header on.
  uint64_t size = 0;
  size_t headerLength = 0;
  uint8_t flags = 0;
  // kManufacturer / kProduct: the fields compared.
  FieldComparison manufacturer = {};
  FieldComparison product[2] = {};
  // kNoCompatibilityRule: the chip against the image's flags; on a pass,
  // the rule that matched (0 when no rule is needed).
  uint8_t chipRevision = 0;
  uint8_t chipOptions = 0;
  int rule = 0;
  // kFileName: the wanted name.
  const char* wantedName = nullptr;
};

// What a hub wants of an image, from the settings alone.
struct Wanted {
  uint32_t hubId = 0;
  uint16_t imageId = 0;
  const char* fileName = nullptr;  // null when there is no name test
};

// ".\Binfile\" and the name into `path` (kImagePathSize bytes). False when
// they do not fit: such an entry is never chosen (SelectionTest::kNameTooLong).
bool MakeImagePath(const char* name, char* path);

// The tests made once per hub: its [HUBModule] entry and its hub-ID line.
Verdict WantedImage(const UpdaterState& state, uint32_t hubId, const HubDeviceInfo& hub,
                    Wanted* wanted);

// The tests on one image, in their order, up to the first that fails. The
// image is read through `image`, whose size is `size`.
Verdict JudgeImage(const UpdaterState& state, const Wanted& wanted, const HubDeviceInfo& hub,
                   const char* name, ByteSource& image, uint64_t size);

// What the search of .\Binfile found for one hub.
struct ImageSearch {
  Verdict hubVerdict;  // the once-per-hub tests (module place, hub ID)
  Wanted wanted;
  bool searched = false;  // the directory search started
  // The entries judged, in the search's order, each with its verdict: up to
  // the chosen one, or every entry when the search is asked for all.
  std::vector<std::string> names;
  std::vector<Verdict> verdicts;
  int chosen = -1;        // index of the first entry that passes
  int passing = 0;        // entries judged that pass every test
  std::string imagePath;  // ".\Binfile\" and the chosen name; empty when none
};

// The search for one hub's image. The updater stops at the first entry that
// passes; with `everyEntry` the kit checker has the rest judged too.
ImageSearch SearchImages(const UpdaterState& state, Files& files, uint32_t hubId,
                         const HubDeviceInfo& hub, bool everyEntry);

// The search's messages, as the updater prints them: those of the hub, or
// the failed start, or those of each entry up to the chosen one.
void PrintSearch(Printer& out, const ImageSearch& search, uint32_t hubId);

// True when an image was chosen; imagePath (kImagePathSize bytes) then holds
// ".\Binfile\" and its name. Prints the reasons that have a message.
bool SelectFWBinFile(const UpdaterState& state, Printer& out, Files& files, uint32_t hubId,
                     const HubDeviceInfo& hub, char* imagePath);

#endif  // QUILLET_UPDATER_SELECTION_H_
