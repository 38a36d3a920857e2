// The kit checker's model: what the updater would make of one updater folder
// (SpiFlash.ini and .\Binfile) and, when hubs are described, of each hub.
// Everything here is worked out by the updater's own settings reader, image
// format and selection tests; the checker only collects their verdicts and
// names what they mean. It reads through a Files role and writes nothing.
#ifndef QUILLET_CHECKER_KIT_CHECK_H_
#define QUILLET_CHECKER_KIT_CHECK_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "byte_source.h"
#include "printer.h"
#include "selection.h"
#include "updater_state.h"

#include "settings.h"

class Files;
class HubLibrary;

namespace check {

enum class Severity { kError, kWarning };
// The report's part a finding belongs to.
enum class ReportPart { kSettings, kImages, kHubs, kKit };

// One thing worth telling. `line` is the settings file's line (from 1), or 0
// when the finding is not about a line.
struct Finding {
  Severity severity;
  ReportPart part;
  std::string code;  // stable, for the JSON report: "id-unparsed", ...
  int line;
  std::string text;
};

// An image's bytes as the format can ever look at them: the header, the
// two version words and the field stretch (157 bytes), with the file's real
// size. Judging an image for every hub then reads the file once, and a kit
// of huge images costs no more memory than one of small ones.
class CachedImage : public ByteSource {
 public:
  // Every field the format reads ends inside a fixed-size long image.
  static constexpr uint64_t kCachedPrefix = 28848;
  explicit CachedImage(ByteSource& file);
  uint64_t Size() override { return size_; }
  // Reads inside one cached stretch; any other read yields nothing.
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override;

 private:
  uint64_t size_;
  std::vector<uint8_t> prefix_;  // the stretches, one after the other
  std::vector<size_t> had_;      // how much of each the file had
};

// One entry of the updater's directory search, as the format reads it.
struct ImageRow {
  std::string name;
  bool nameFits = true;  // ".\Binfile\" and the name fit the updater's path
  bool opened = false;
  uint64_t size = 0;
  size_t headerLength = 0;
  uint16_t imageId = 0;
  uint8_t flags = 0;
  bool longLayout = false;
  bool breaksSizeRule = false;
  uint16_t deliveredVersion = 0;
  // The identification fields of the image's layout, printable (see
  // Printable); empty when the image ends before the field.
  std::string manufacturer;
  std::string product1;
  std::string product2;
  unsigned rules = 0;  // bit n-1: the image meets its half of rule n
  std::shared_ptr<CachedImage> cache;
};

// What the update run would do with one hub.
enum class Outcome {
  kSameLevelBefore,  // short-format hub at FWVersion: no image looked for
  kNoImage,          // the hub test failed or every image was refused
  kSameLevelAfter,   // the chosen image delivers the hub's version
  kProgram,          // the chosen image would be written
};

struct HubReport {
  int number = 0;  // the updater's "Device(n)", from 1
  HubDeviceInfo info = {};
  uint32_t hubId = 0;
  Outcome outcome = Outcome::kNoImage;
  Verdict hubVerdict;  // the once-per-hub tests (module place, hub ID)
  Wanted wanted;
  int chosen = -1;  // index into images
  uint16_t chosenVersion = 0;
  std::vector<Verdict> verdicts;  // one per image, empty when not searched
  int passing = 0;                // images that pass every test
};

// The settings as the updater takes them.
struct SettingsReport {
  bool found = false;  // SpiFlash.ini could be opened
  bool readerGaveUp = false;
  std::unique_ptr<UpdaterState> state;
  std::unique_ptr<HubModuleList> moduleList;  // owns the state's module entries
  std::vector<HubModuleEntry> modules;        // copies, in order, Next cleared
  std::vector<int> idLines;                   // line of each taken hub ID
};

struct KitReport {
  std::string folder;  // as given, for the report
  SettingsReport settings;
  std::vector<ImageRow> images;
  bool imagesSearched = false;  // the search started
  bool hubsDescribed = false;
  std::vector<HubReport> hubs;  // in the updater's order: last first
  std::vector<Finding> findings;

  int Count(Severity severity) const;
};

// Checks the updater folder that `files` reads. With `describedHubs`, a
// library that lists described hubs (it is handed the hub-ID table and asked
// for the hubs, never to program one), every hub is judged too.
KitReport CheckKit(Files& files, HubLibrary* describedHubs, const std::string& folder);

// The steps of a check that the property tests drive on their own: the
// directory search's images, read once; and one hub judged against them as
// the update run would.
void ReadImages(Files& files, KitReport* report);
void JudgeHub(const UpdaterState& state, const std::vector<ImageRow>& images, HubReport* hub);

// Makes a kit root's difference between its two folders a finding of `into`.
void CompareKits(const KitReport& x86, const KitReport& x64, Files& filesX86, Files& filesX64,
                 std::vector<Finding>* into);

// Printable text of a field: bytes up to the first NUL, other bytes outside
// 0x20 to 0x7E as \xNN (a run of kRunToCount or more of one such byte as
// \xNN*count), and a backslash as "\\".
constexpr size_t kRunToCount = 4;
std::string Printable(const uint8_t* bytes, size_t length);

// printf into a string, for the reports' texts.
std::string Format(const char* format, ...) QUILLET_PRINTF(1, 2);

// As the directory search compares names.
bool SameIgnoringCase(const std::string& a, const std::string& b);

const char* TestName(SelectionTest test);
const char* OutcomeName(Outcome outcome);

}  // namespace check

#endif  // QUILLET_CHECKER_KIT_CHECK_H_
