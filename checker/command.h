// What every QuilletCheck command shares: how a command ends on bad input,
// the exit statuses, the updater folders a command's FOLDER stands for, the
// kits judged over them, and the lease on this computer's hubs. The check,
// --live, --write-sums, --bundle and --explain are each built from these.
#ifndef QUILLET_CHECKER_COMMAND_H_
#define QUILLET_CHECKER_COMMAND_H_

#include <memory>
#include <string>
#include <vector>

#include "checker_host.h"
#include "hub_description.h"
#include "live_check.h"
#include "report.h"

class Files;

namespace check {

enum ExitStatus { kClean = 0, kFound = 1, kUsage = 2 };

// Every usage or input error ends a command the same way: one line on
// *err, and the status that says the kit was not judged.
int UsageError(std::string* err, const std::string& line);

// False with one line in *error when `folder` is no folder this checker
// can read.
bool CanReadFolder(CheckerHost& host, const std::string& folder, std::string* error);

// A file of a kit whole, up to `limit` bytes. False with why (a phrase that
// names `path`) when it cannot be opened, is larger, or cannot be read.
bool ReadKitFile(Files& files, const char* path, size_t limit, std::string* text, std::string* why);

// The updater folders `folder` stands for: itself, when it holds the
// settings (or, with `binfileMarks`, a Binfile); otherwise those of its x86
// and x64 that are there, as the launcher names them.
struct Layout {
  std::string folder;  // as given
  bool kitRoot = false;
  std::vector<std::string> kitNames;  // under a kit root: "x86", "x64"
  std::vector<std::string> paths;     // each updater folder, as it is read
};
Layout LayoutOf(CheckerHost& host, const std::string& folder, bool binfileMarks);
// The same for a command: false with one line in *error when `folder`
// cannot be read or stands for no updater folder.
bool LayOut(CheckerHost& host, const std::string& folder, bool binfileMarks, Layout* layout,
            std::string* error);

// This computer's hubs, leased for one command: the run lock and the filter
// driver are held from a successful LeaseLiveHubs to the end of `check`'s
// life, and the library may read the hub-ID table it was handed at any of
// its calls until then.
struct LiveLease {
  LivePlace place;  // the updater folder the launcher would run
  std::unique_ptr<LiveCheck> check;
};
// Needs host.Live(). False with one line in *error, and no lease held.
bool LeaseLiveHubs(CheckerHost& host, const Layout& layout, bool quietStdout, LiveLease* lease,
                   std::string* error);

// Judges every updater folder of `layout`: against the hubs of
// `description` when there is one, and against this computer's in the one
// folder a held `lease` serves; a kit root's two folders against each
// other. With `record`, the hubs are the computer's that left it: judged as
// its next unattended run judges them, and the report opens with it. The
// report names the run's folder `name`.
CheckRun JudgeKits(CheckerHost& host, const Layout& layout, const std::string& name,
                   const hubdesc::HubDescription* description, LiveLease* lease,
                   const ComputerRecord* record = nullptr);

// The report's word on hubs read from this computer through `lease`; the
// folder they served named `folder`.
void NoteLiveSource(const LiveLease& lease, const std::string& folder, char separator,
                    LiveSource* source);

}  // namespace check

#endif  // QUILLET_CHECKER_COMMAND_H_
