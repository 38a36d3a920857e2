#include "checker_options.h"

namespace check {

namespace {

constexpr char kUsageLine[] =
    "usage: QuilletCheck [--hubs FILE | --live] [--save-hubs FILE [--force]] [--json] [--strict] "
    "[FOLDER], or QuilletCheck --write-sums [--force] FOLDER";

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, Options* options, std::string* error) {
  bool folderGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--json") {
      options->json = true;
    } else if (arg == "--strict") {
      options->strict = true;
    } else if (arg == "--write-sums") {
      options->writeSums = true;
    } else if (arg == "--live") {
      options->live = true;
    } else if (arg == "--force") {
      options->force = true;
    } else if (arg == "--hubs" || arg == "--save-hubs") {
      if (i + 1 == args.size()) {
        *error = arg + " needs a file; " + kUsageLine;
        return false;
      }
      (arg == "--hubs" ? options->hubs : options->saveHubs) = args[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = "unknown option " + arg + "; " + kUsageLine;
      return false;
    } else if (folderGiven) {
      *error = "one folder at most; " + std::string(kUsageLine);
      return false;
    } else {
      options->folder = arg;
      folderGiven = true;
    }
  }
  if (options->writeSums && (!folderGiven || options->json || options->strict ||
                             !options->hubs.empty() || options->live)) {
    *error = "--write-sums takes a FOLDER and --force, nothing else; " + std::string(kUsageLine);
    return false;
  }
  if (options->live && !options->hubs.empty()) {
    *error = "--live and --hubs exclude each other; " + std::string(kUsageLine);
    return false;
  }
  if (!options->saveHubs.empty() && options->hubs.empty() && !options->live) {
    *error = "--save-hubs writes the hubs that --hubs or --live reads; " + std::string(kUsageLine);
    return false;
  }
  if (options->force && options->saveHubs.empty() && !options->writeSums) {
    *error = "--force lets --save-hubs or --write-sums replace a file; " + std::string(kUsageLine);
    return false;
  }
  return true;
}

}  // namespace check
