#include "deployment.h"

// An option's value never begins with "--": "--report --unattended" is a
// report without its file, not a report named "--unattended".
bool ParseOptions(const std::vector<std::string>& args, LauncherOptions* options) {
  *options = LauncherOptions();
  bool known = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.compare(0, 2, "--") != 0) continue;
    if (arg == "--unattended") {
      options->unattended = true;
    } else if (arg == "--report" && i + 1 < args.size() && !args[i + 1].empty() &&
               args[i + 1].compare(0, 2, "--") != 0) {
      options->report = true;
      options->reportFile = args[++i];
    } else if (arg.compare(0, 9, "--report=") == 0 && arg.size() > 9) {
      options->report = true;
      options->reportFile = arg.substr(9);
    } else if (arg == "--log" && i + 1 < args.size() && !args[i + 1].empty() &&
               args[i + 1].compare(0, 2, "--") != 0) {
      options->log = true;
      options->logFile = args[++i];
    } else if (arg.compare(0, 6, "--log=") == 0 && arg.size() > 6) {
      options->log = true;
      options->logFile = arg.substr(6);
    } else {
      known = false;
    }
  }
  return known;
}
