// What the bundle's computer, driver and record parts hold, read from this
// computer (the driver's before the checker takes the run lock);
// bundle_parts.h writes and reads them.
#ifndef QUILLET_CHECKER_BUNDLE_COMPUTER_H_
#define QUILLET_CHECKER_BUNDLE_COMPUTER_H_

#include <string>
#include <vector>

#include "bundle_parts.h"
#include "live_check.h"

class Files;
class System;

namespace check {

class RootedFiles;

// `text` with the kit's place on the computer taken out.
std::string WithinKit(std::string text, const std::string& full, const std::string& given,
                      const std::string& kitName);

// UpperFilters, the driver's registration and the two kernel locks.
DriverFacts DriverOf(const LiveMachine& machine);
// The computer and the programs of the kit that `files` reads: each of
// `folders` (updater folders within it) names its updaters `kitRoot` ? by
// their own names : by the kit's. `hubs`: the library loaded, if any.
// Each of our programs there is named with its SHA-256 and its signature.
ComputerFacts ComputerOf(const LiveMachine& machine, RootedFiles& files, const std::string& kitName,
                         const std::vector<std::string>& folders, bool kitRoot, char separator,
                         const LiveHubs* hubs);

// The last unattended run's record as the launcher wrote it under
// HKLM\SOFTWARE\Quillet, one line each; why it is none, or not whole.
ComputerRecord ReadLastRunRecord(System& system);

// The version a Windows program file states in its version resource
// ("2.9.0.0"); empty when it states none that can be read.
std::string ProgramVersion(Files& files, const std::string& path);

}  // namespace check

#endif  // QUILLET_CHECKER_BUNDLE_COMPUTER_H_
