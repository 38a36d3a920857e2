// The bundle's computer and driver parts: what the checker reads of this
// computer before it takes the run lock, each value on a line of its own.
#ifndef QUILLET_CHECKER_BUNDLE_COMPUTER_H_
#define QUILLET_CHECKER_BUNDLE_COMPUTER_H_

#include <string>
#include <vector>

#include "live_check.h"

class Files;

namespace check {

// The last name of a path: a kit is named by its own folder's name alone.
std::string LastName(std::string path);
// `text` with the kit's place on the computer taken out.
std::string WithinKit(std::string text, const std::string& full, const std::string& given,
                      const std::string& kitName);

// UpperFilters, the driver's registration and the two kernel locks.
std::string DriverText(const LiveMachine& machine);
std::string ComputerText(const LiveMachine& machine, Files& files, const std::string& kitName,
                         const std::vector<std::string>& folders, bool kitRoot, char separator,
                         const LiveHubs* hubs);

}  // namespace check

#endif  // QUILLET_CHECKER_BUNDLE_COMPUTER_H_
