// What the updater tells the launcher besides its console text, and how.
//
// Only when one of the launcher's options asks for it (a deployment run or
// a report) does the launcher add one argument after the launch token:
//
//     Quillet64 QRZ --results=Local\Quillet.Results.<launcher's process id>
//
// The name is that of a shared memory section of kResultsSize bytes that the
// launcher creates before it starts the updater and reads after the updater
// has ended. A name, not a path: it is short ASCII whatever the start
// folder, the user's name or the code page, so the 260-character ANSI
// command line always holds it (the launcher still refuses, with a line,
// a command line that would not fit rather than cut it). The updater
// writes the section once, as it ends, with the text FormatResults makes;
// an updater that ends any other way leaves it empty, and the launcher
// then knows it has no results. Without the argument, or with any other
// extra argument, the updater writes nothing and runs as ever.
#ifndef QUILLET_COMMON_UPDATER_RESULTS_H_
#define QUILLET_COMMON_UPDATER_RESULTS_H_

#include <cstdint>
#include <string>

#include "hub_outcome.h"
#include "hub_place.h"

// String-literal macros, for the launcher's ANSI and the updater's UTF-16.
#define QUILLET_RESULTS_ARGUMENT "--results="
#define QUILLET_RESULTS_NAME_PREFIX "Local\\Quillet.Results."

// The section's size; the longest results (16 hubs, each with an image path
// of 269 characters) take less than a third of it.
constexpr uint32_t kResultsSize = 32768;
constexpr int kResultsHubs = 16;
// ".\Binfile\", a file name of up to 259 characters and the terminator.
constexpr int kResultsImageSize = 270;

// How far the updater's run went.
enum class UpdaterStage : uint8_t {
  kBusy,      // another updater held the write lock; nothing was done
  kSettings,  // the settings were missing or unreadable
  kDriver,    // the filter driver is not registered
  kNoHubs,    // no hub listed: none found, or not HUBNumber of them
  kListed,    // hubs listed, and each one visited
};

// What became of a write an earlier run's record shows as pending.
enum class PendingMark : uint8_t {
  kNone,     // no pending write for this hub
  kCleared,  // the hub reports the version the write delivers
  kChanged,  // the hub reports neither that nor its version before the write
};

struct HubResult {
  int device = 0;  // the hub number the console shows, from 1
  HubPlace place;
  uint16_t firmwareBefore = 0;
  // The chosen image's path; empty when none was chosen (a short-format hub
  // at the same level is judged before any image is looked for).
  char image[kResultsImageSize] = {};
  bool libraryCalled = false;
  int32_t libraryResult = 0;
  HubOutcome outcome = HubOutcome::kNoImage;
  // For a written hub, what the image delivers.
  uint16_t delivers = 0;
  char imageSha256[65] = {};  // lower-case hex; empty when not known
  PendingMark previous = PendingMark::kNone;
  // UTC, when the library returned from the write; empty when the library
  // was not called. The hub's record keeps it while the hub waits.
  char writeTime[24] = {};
};

// A write that an earlier unattended run made and whose hub had not run it
// yet. The launcher puts these into the section before the updater starts
// (FormatPending), and the updater reads them (ParsePending) before it
// writes its results over them.
struct PendingWrite {
  HubPlace place;
  uint16_t firmwareBefore = 0;
  uint16_t delivers = 0;
};

struct UpdaterResults {
  char version[16] = {};
  UpdaterStage stage = UpdaterStage::kBusy;
  int hubCount = 0;
  HubResult hubs[kResultsHubs];
};

// Adds one hub's outcome; nothing when `results` is null (a run that was not
// asked for results) or full.
void RecordHub(UpdaterResults* results, const HubResult& hub);

// The text in a mapped section: its bytes up to the first zero byte, at
// most kResultsSize of them.
std::string SectionText(const void* view);
// Puts `text` and its zero at the start of a mapped section; false, with
// nothing written, when they do not fit in kResultsSize bytes.
bool PutSectionText(void* view, const std::string& text);

// The section's text: one "key value" line per fact, hubs in the order they
// were visited, and "end" last, so that a cut text is no text.
std::string FormatResults(const UpdaterResults& results);
// False when the text is not complete results of this format.
bool ParseResults(const std::string& text, UpdaterResults* results);

// At most kResultsHubs writes, "end" last. An empty text, or any other,
// parses as no pending writes and false.
std::string FormatPending(const PendingWrite* writes, int count);
bool ParsePending(const std::string& text, PendingWrite* writes, int* count);

// The names used in the text and the launcher's report; a hub's outcome is
// named by OutcomeName (hub_outcome.h).
const char* StageName(UpdaterStage stage);
const char* PendingMarkName(PendingMark mark);
bool OutcomeFromName(const char* name, HubOutcome* outcome);
bool PendingMarkFromName(const char* name, PendingMark* mark);

#endif  // QUILLET_COMMON_UPDATER_RESULTS_H_
