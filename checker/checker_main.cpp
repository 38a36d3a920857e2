#include "checker_main.h"

#include <cstdio>
#include <memory>

#include "described_hubs.h"
#include "hub_description.h"
#include "kit_check.h"
#include "platform.h"
#include "report.h"
#include "rooted_files.h"
#include "settings.h"
#include "write_sums.h"

namespace check {

namespace {

constexpr char kUsageLine[] =
    "usage: QuilletCheck [--hubs FILE] [--save-hubs FILE [--force]] [--json] [--strict] "
    "[FOLDER], or QuilletCheck --write-sums [--force] FOLDER";
const char* const kKitFolders[] = {"x86", "x64"};

struct Options {
  std::string folder = ".";
  std::string hubs;
  std::string saveHubs;  // where to write the hubs, as a description
  bool force = false;    // --save-hubs or --write-sums may replace a file
  bool json = false;
  bool strict = false;
  bool writeSums = false;
};

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
  if (options->writeSums &&
      (!folderGiven || options->json || options->strict || !options->hubs.empty())) {
    *error = "--write-sums takes a FOLDER and --force, nothing else; " + std::string(kUsageLine);
    return false;
  }
  if (!options->saveHubs.empty() && options->hubs.empty()) {
    *error = "--save-hubs writes the hubs that --hubs reads; " + std::string(kUsageLine);
    return false;
  }
  if (options->force && options->saveHubs.empty() && !options->writeSums) {
    *error = "--force lets --save-hubs or --write-sums replace a file; " + std::string(kUsageLine);
    return false;
  }
  return true;
}

std::string Join(CheckerHost& host, const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + host.Separator() + name;
}

// `description`: the hubs to judge, null for none.
KitReport CheckFolder(CheckerHost& host, const std::string& folder,
                      const hubdesc::HubDescription* description) {
  RootedFiles files(host.PlatformFiles(), folder, host.Separator());
  std::unique_ptr<HubLibrary> hubs;
  if (description != nullptr) hubs = DescribedHubs(*description);
  return CheckKit(files, hubs.get(), folder);
}

// Writes each updater folder's list: the folder itself when it holds the
// settings or a Binfile, else its x86 and x64.
int WriteSumsCommand(CheckerHost& host, const Options& options, std::string* out,
                     std::string* err) {
  std::vector<std::string> folders;
  RootedFiles top(host.PlatformFiles(), options.folder, host.Separator());
  if (top.OpenForRead(kSettingsPath) || host.IsFolder(Join(host, options.folder, "Binfile"))) {
    folders.push_back(options.folder);
  } else {
    for (const char* name : kKitFolders) {
      std::string folder = Join(host, options.folder, name);
      if (host.IsFolder(folder)) folders.push_back(folder);
    }
  }
  if (folders.empty()) {
    *err = "QuilletCheck: " + options.folder +
           " holds neither SpiFlash.ini, Binfile nor an x86 or x64 folder\n";
    return kUsage;
  }
  for (const std::string& folder : folders) {
    std::string error;
    if (!WriteSums(host, folder, options.force, out, &error)) {
      *err = "QuilletCheck: " + error + "\n";
      return kUsage;
    }
  }
  return kClean;
}

// The hubs of --hubs written back in canonical form: a description, even
// when a capture was read, since they were not listed on this computer.
bool SaveDescription(CheckerHost& host, const Options& options, hubdesc::HubDescription description,
                     std::string* error) {
  description.isCapture = false;
  std::string text;
  return hubdesc::WriteHubDescription(description, &text, error) &&
         host.SaveFile(options.saveHubs, text, options.force, error);
}

}  // namespace

int CheckerMain(const std::vector<std::string>& args, CheckerHost& host, std::string* out,
                std::string* err) {
  Options options;
  std::string error;
  if (!ParseArguments(args, &options, &error)) {
    *err = "QuilletCheck: " + error + "\n";
    return kUsage;
  }
  hubdesc::HubDescription description;
  const hubdesc::HubDescription* described = nullptr;
  if (!options.hubs.empty()) {
    if (!ReadHubDescription(options.hubs, &description, &error)) {
      *err = "QuilletCheck: " + error + "\n";
      return kUsage;
    }
    described = &description;
  }
  if (!host.IsFolder(options.folder)) {
    *err = "QuilletCheck: cannot read the folder " + options.folder + "\n";
    return kUsage;
  }

  if (options.writeSums) return WriteSumsCommand(host, options, out, err);

  CheckRun run;
  run.folder = options.folder;
  RootedFiles top(host.PlatformFiles(), options.folder, host.Separator());
  if (top.OpenForRead(kSettingsPath)) {
    run.kits.push_back(CheckFolder(host, options.folder, described));
  } else {
    for (const char* name : kKitFolders) {
      std::string folder = Join(host, options.folder, name);
      if (!host.IsFolder(folder)) continue;
      run.kitRoot = true;
      run.kitNames.push_back(name);
      run.kits.push_back(CheckFolder(host, folder, described));
    }
    if (!run.kitRoot) {
      *err = "QuilletCheck: " + options.folder +
             " holds neither SpiFlash.ini nor an x86 or x64 folder\n";
      return kUsage;
    }
    if (run.kits.size() == 2) {
      RootedFiles x86(host.PlatformFiles(), Join(host, options.folder, "x86"), host.Separator());
      RootedFiles x64(host.PlatformFiles(), Join(host, options.folder, "x64"), host.Separator());
      CompareKits(run.kits[0], run.kits[1], x86, x64, &run.kitFindings);
    }
  }

  if (described != nullptr && description.isCapture) {
    run.replay.used = true;
    run.replay.file = options.hubs;
    run.replay.capture = description.capture;
    for (const KitReport& kit : run.kits)
      run.replay.hubIdsDiffer.push_back(HubIdsDifferFromCapture(kit, description.capture));
  }
  if (!options.saveHubs.empty() && !SaveDescription(host, options, description, &error)) {
    *err = "QuilletCheck: " + error + "\n";
    return kUsage;
  }

  *out = options.json ? JsonReport(run) : TextReport(run);
  bool failed =
      run.Count(Severity::kError) > 0 || (options.strict && run.Count(Severity::kWarning) > 0);
  return failed ? kFound : kClean;
}

int RunChecker(int argc, char** argv, CheckerHost& host) {
  std::string out;
  std::string err;
  int status = CheckerMain(std::vector<std::string>(argv + 1, argv + argc), host, &out, &err);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return status;
}

}  // namespace check
