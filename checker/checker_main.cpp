#include "checker_main.h"

#include <cstdio>
#include <memory>

#include "bundle_command.h"
#include "described_hubs.h"
#include "hub_description.h"
#include "kit_check.h"
#include "live_capture.h"
#include "live_check.h"
#include "platform.h"
#include "report.h"
#include "rooted_files.h"
#include "settings.h"
#include "write_sums.h"

namespace check {

namespace {

constexpr char kUsageLine[] =
    "usage: QuilletCheck [--hubs FILE | --live] [--save-hubs FILE [--force]] [--json] [--strict] "
    "[FOLDER], or QuilletCheck --write-sums [--force] FOLDER";
const char* const kKitFolders[] = {"x86", "x64"};

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

std::string Join(CheckerHost& host, const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + host.Separator() + name;
}

// `description`: the hubs to judge, null for none; `live`: the library of
// this computer, for the one folder it serves.
KitReport CheckFolder(CheckerHost& host, const std::string& folder,
                      const hubdesc::HubDescription* description, LiveHubs* live) {
  RootedFiles files(host.PlatformFiles(), folder, host.Separator());
  std::unique_ptr<HubLibrary> hubs;
  if (description != nullptr) hubs = DescribedHubs(*description);
  return CheckKit(files, live != nullptr ? live : hubs.get(), folder);
}

void NoteLiveSource(const LivePlace& place, const LiveCheck& live, char separator,
                    LiveSource* source) {
  source->used = true;
  source->folder = place.updaterFolder;
  std::string folder = place.updaterFolder;
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += separator;
  source->library = folder + kLibraryName;
  const LiveHubs& hubs = live.Hubs();
  source->libraryVersion = hubs.version();
  source->reportedCount = hubs.reportedCount();
  source->driverInstalled = live.DriverInstalled();
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
  if (IsBundleCommand(args)) return BundleCommand(args, host, out, err);
  Options options;
  std::string error;
  if (!ParseArguments(args, &options, &error)) {
    *err = "QuilletCheck: " + error + "\n";
    return kUsage;
  }
  hubdesc::HubDescription description;
  const hubdesc::HubDescription* described = nullptr;
  if (!options.hubs.empty()) {
    if (!ReadHubsOrBundle(options.hubs, &description, &error)) {
      *err = "QuilletCheck: " + error + "\n";
      return kUsage;
    }
    described = &description;
  }
  if (options.live && host.Live() == nullptr) {
    *err = "QuilletCheck: --live reads the hubs through the maker's library, which only the "
           "Windows checkers (QuilletCheck32.exe, QuilletCheck64.exe) can load\n";
    return kUsage;
  }
  if (!host.IsFolder(options.folder)) {
    *err = "QuilletCheck: cannot read the folder " + options.folder + "\n";
    return kUsage;
  }

  if (options.writeSums) return WriteSumsCommand(host, options, out, err);

  CheckRun run;
  run.folder = options.folder;
  RootedFiles top(host.PlatformFiles(), options.folder, host.Separator());
  bool updaterFolder = top.OpenForRead(kSettingsPath) != nullptr;
  if (!updaterFolder) {
    for (const char* name : kKitFolders) {
      if (host.IsFolder(Join(host, options.folder, name))) run.kitNames.push_back(name);
    }
    if (run.kitNames.empty()) {
      *err = "QuilletCheck: " + options.folder +
             " holds neither SpiFlash.ini nor an x86 or x64 folder\n";
      return kUsage;
    }
    run.kitRoot = true;
  }

  // The lease on the computer lasts until the report is made: the library
  // may read the hub-ID table it was handed at any of its calls.
  std::unique_ptr<LiveCheck> live;
  LivePlace place;
  if (options.live) {
    LiveOptions liveOptions;
    liveOptions.quietStdout = options.json;
    liveOptions.separator = host.Separator();
    live = std::make_unique<LiveCheck>(*host.Live(), host.PlatformFiles(), liveOptions);
    if (!ChooseLivePlace(*host.Live(), options.folder, run.kitRoot, host.Separator(), &place,
                         &error) ||
        !live->Begin(place, &error)) {
      live.reset();
      *err = "QuilletCheck: " + error + "\n";
      return kUsage;
    }
  }

  if (updaterFolder) {
    run.kits.push_back(
        CheckFolder(host, options.folder, described, live ? &live->Hubs() : nullptr));
  } else {
    for (const std::string& name : run.kitNames) {
      std::string folder = Join(host, options.folder, name);
      bool judged = live && folder == place.updaterFolder;
      run.kits.push_back(CheckFolder(host, folder, described, judged ? &live->Hubs() : nullptr));
    }
    if (run.kits.size() == 2) {
      RootedFiles x86(host.PlatformFiles(), Join(host, options.folder, "x86"), host.Separator());
      RootedFiles x64(host.PlatformFiles(), Join(host, options.folder, "x64"), host.Separator());
      CompareKits(run.kits[0], run.kits[1], x86, x64, &run.kitFindings);
    }
  }

  std::string capture;
  if (live) {
    NoteLiveSource(place, *live, host.Separator(), &run.live);
    bool captured =
        options.saveHubs.empty() ||
        LiveCaptureText(*host.Live(), live->Hubs(), place.updaterFolder, &capture, &error);
    // The driver out before anything is written or printed, as the launcher
    // has it out before its pause.
    live.reset();
    if (!captured || (!options.saveHubs.empty() &&
                      !host.SaveFile(options.saveHubs, capture, options.force, &error))) {
      *err = "QuilletCheck: " + error + "\n";
      return kUsage;
    }
  }

  if (described != nullptr && description.isCapture) {
    run.replay.used = true;
    run.replay.file = options.hubs;
    run.replay.capture = description.capture;
    for (const KitReport& kit : run.kits)
      run.replay.hubIdsDiffer.push_back(HubIdsDifferFromCapture(kit, description.capture));
  }
  if (!options.saveHubs.empty() && !options.live &&
      !SaveDescription(host, options, description, &error)) {
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
