// The support bundle's parts (the list is in docs/support-bundle.md): their
// names, and for each part whose format is the checker's own its writer
// and, beside it, its reader. The bundle's file format is bundle/'s; the
// capture's is hubdesc/'s; the settings part is SpiFlash.ini as it is.
#ifndef QUILLET_CHECKER_BUNDLE_PARTS_H_
#define QUILLET_CHECKER_BUNDLE_PARTS_H_

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bundle.h"
#include "hub_description.h"
#include "kit_report.h"

namespace check {

constexpr char kComputerPart[] = "computer";
constexpr char kDriverPart[] = "driver";
constexpr char kRecordPart[] = "record";
constexpr char kCapturePart[] = "capture";
constexpr char kReportPart[] = "report";
// One each per updater folder: "settings x64".
constexpr char kSettingsPart[] = "settings";
constexpr char kImagesPart[] = "images";
constexpr char kHubsPart[] = "hubs";

// The part of `kind` for the updater folder named `folder`.
std::string PartName(const char* kind, const std::string& folder);
// The updater folders a bundle holds, as its images parts name them.
std::vector<std::string> UpdaterFolders(const bundle::Bundle& read);
// The part named `name` when the bundle holds it and it is not missing.
const bundle::Part* Present(const bundle::Bundle& read, const std::string& name);

// Reads a bundle file. False with one line in *error.
bool ReadBundleFile(const std::string& path, bundle::Bundle* read, std::string* error);
// The hubs to judge for --hubs FILE: a hub description, a capture, or the
// capture part of a bundle.
// A bundle's hubs are its computer's: `record` gets the bundle's record.
bool ReadHubsOrBundle(const std::string& path, hubdesc::HubDescription* description,
                      std::string* error, std::optional<ComputerRecord>* record = nullptr);

// The computer part: the computer and the programs, a value a line
// ("Key=value"), each as text.
struct UpdaterVersion {
  std::string folder;   // "x64", or the kit's name for one updater folder
  std::string program;  // "Quillet64.exe"
  std::string version;
};
// A program's signature as the platform judged it: kNotChecked where the
// platform cannot say.
struct ProgramSignature {
  enum class Kind { kNotChecked, kUnsigned, kSigned };
  Kind kind = Kind::kNotChecked;
  std::string signer;  // the signing certificate subject's common name
  bool trusted = false;
  std::string why;  // why this computer does not trust it, a phrase
};
// "unsigned", "signed by X, trusted", "signed by X, not trusted: <why>",
// "not checked"; and back.
std::string SignatureText(const ProgramSignature& signature);
ProgramSignature ReadSignature(const std::string& text);
// One of our programs in the kit.
struct ProgramFacts {
  std::string path;    // within the kit, "x64/Quillet64.exe"
  std::string digest;  // SHA-256, hex; "-" when it could not be hashed
  ProgramSignature signature;
};
struct ComputerFacts {
  std::string time;  // UTC
  std::string windowsVersion;
  std::string registryWindowsVersion;
  std::string windowsBits;
  std::string checkerVersion;
  std::string checkerBits;
  std::string kit;
  std::vector<UpdaterVersion> updaters;
  std::string launcherVersion;  // empty: none read
  std::string libraryVersion;   // empty: no library loaded
  // Each updater folder's kit identity, so that --explain without a kit
  // tells whether the last unattended run ran the customer's.
  std::vector<FolderIdentity> kitIdentities;
  std::vector<ProgramFacts> programs;
};
std::string WriteComputerPart(const ComputerFacts& facts);
ComputerFacts ReadComputerPart(const std::string& text);

// The driver part: UpperFilters as read, the driver's registration and the
// two kernel locks.
struct DriverFacts {
  std::string upperFilters;  // each string quoted; "none", "empty"
  bool registered = false;
  bool runLockHeld = false;
  bool writeLockHeld = false;
  bool updateRunning = false;  // either lock held
};
std::string WriteDriverPart(const DriverFacts& facts);
DriverFacts ReadDriverPart(const std::string& text);

// The record part: the last unattended run's record as the launcher wrote
// it, or one line that says no unattended run has left one. A record that
// does not read is no part: the bundle names it missing, with why.
constexpr char kNoRecord[] = "no unattended run has left a record on this computer";
std::string WriteNoRecordPart();
bool IsNoRecordPart(const std::string& text);
std::string WriteRecordPart(const ComputerRecord& record);
// `part` null: the bundle holds none.
ComputerRecord ReadRecordPart(const bundle::Part* part);

// The images part: one line per image the updater's search finds,
// "<sha256> <size> <verdict> <name>", "-" for a digest or a size the check
// did not take.
struct ImageLine {
  std::string digest;
  std::string size;
  std::string verdict;
};
using ImageLines = std::map<std::string, ImageLine>;  // by name
// The lines of `kit`'s images, from what its check took of each.
ImageLines ImageLinesOf(const KitReport& kit);
std::string WriteImagesPart(const KitReport& kit);
ImageLines ReadImagesPart(const std::string& text);

}  // namespace check

#endif  // QUILLET_CHECKER_BUNDLE_PARTS_H_
