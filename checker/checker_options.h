// QuilletCheck's command line read into options, before any command runs.
#ifndef QUILLET_CHECKER_CHECKER_OPTIONS_H_
#define QUILLET_CHECKER_CHECKER_OPTIONS_H_

#include <string>
#include <vector>

namespace check {

struct Options {
  std::string folder = ".";
  std::string hubs;
  bool live = false;
  std::string saveHubs;  // where to write the hubs, as a description
  bool force = false;    // --save-hubs or --write-sums may replace a file
  bool json = false;
  bool strict = false;
  bool writeSums = false;
};

// False with the reason and the usage line in *error for arguments that
// no command takes, or that exclude each other.
bool ParseArguments(const std::vector<std::string>& args, Options* options, std::string* error);

}  // namespace check

#endif  // QUILLET_CHECKER_CHECKER_OPTIONS_H_
