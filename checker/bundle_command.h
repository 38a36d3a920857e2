// QuilletCheck --bundle FILE [FOLDER]: one file that tells support what a
// customer's computer and kit make of each other (the parts are listed in
// docs/support-bundle.md), and QuilletCheck --explain BUNDLE [KIT], which
// reads it back at support.
#ifndef QUILLET_CHECKER_BUNDLE_COMMAND_H_
#define QUILLET_CHECKER_BUNDLE_COMMAND_H_

#include <optional>
#include <string>
#include <vector>

#include "bundle.h"
#include "hub_description.h"
#include "next_run.h"

class Files;

namespace check {

class CheckerHost;

// Whether `args` asks for the bundle (--bundle) or its explanation
// (--explain), which take the whole command line.
bool IsBundleCommand(const std::vector<std::string>& args);
int BundleCommand(const std::vector<std::string>& args, CheckerHost& host, std::string* out,
                  std::string* err);

// The version a Windows program file states in its version resource
// ("2.9.0.0"); empty when it states none that can be read.
std::string ProgramVersion(Files& files, const std::string& path);

// Reads a bundle file. False with one line in *error.
bool ReadBundleFile(const std::string& path, bundle::Bundle* read, std::string* error);

// The hubs to judge for --hubs FILE: a hub description, a capture, or the
// capture a bundle holds, whose computer's record then goes to `record`.
bool ReadHubsOrBundle(const std::string& path, hubdesc::HubDescription* description,
                      std::string* error, std::optional<ComputerRecord>* record = nullptr);

// The parts' names.
constexpr char kComputerPart[] = "computer";
constexpr char kDriverPart[] = "driver";
constexpr char kRecordPart[] = "record";
constexpr char kCapturePart[] = "capture";
constexpr char kReportPart[] = "report";
// Followed by a blank and the updater folder's name: "settings x64".
constexpr char kSettingsPart[] = "settings";
constexpr char kImagesPart[] = "images";
constexpr char kHubsPart[] = "hubs";

}  // namespace check

#endif  // QUILLET_CHECKER_BUNDLE_COMMAND_H_
