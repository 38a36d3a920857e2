#include "bundle_command.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "bundle_record.h"
#include "checker_main.h"
#include "described_hubs.h"
#include "driver_session.h"
#include "environment.h"
#include "image_list_check.h"
#include "kit_check.h"
#include "live_capture.h"
#include "live_check.h"
#include "platform.h"
#include "printer.h"
#include "quillet_version.h"
#include "report.h"
#include "rooted_files.h"
#include "settings.h"
#include "shared_names.h"
#include "silent_console.h"
#include "text.h"

namespace check {

int ExplainCommand(const std::string& bundlePath, const std::string& kit, CheckerHost& host,
                   std::string* out, std::string* err);

namespace {

constexpr char kUsageLine[] =
    "usage: QuilletCheck --bundle FILE [--force] [FOLDER], or QuilletCheck --explain BUNDLE [KIT]";
constexpr char kThisComputerOnly[] =
    "only the Windows checkers (QuilletCheck32.exe, QuilletCheck64.exe) read this computer";
const char* const kKitFolders[] = {"x86", "x64"};
// The parts that grow with hubs times images are kept whole up to these
// bounds and cut down past them, so that a bundle stays tens of kilobytes
// whatever the kit: support remakes them whole from the bundle's capture
// and its own copy of the kit (--hubs BUNDLE KIT).
constexpr size_t kMaxSettingsPart = 64 * 1024;
constexpr size_t kMaxHubsPart = 16 * 1024;
constexpr size_t kMaxReportPart = 48 * 1024;
constexpr char16_t kUsbClassKey[] = u"" QUILLET_USB_CLASS_KEY;

struct BundleOptions {
  bool explain = false;
  std::string file;  // the bundle
  std::string folder;
  bool folderGiven = false;
  bool force = false;
};

bool ParseBundleArguments(const std::vector<std::string>& args, BundleOptions* options,
                          std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--bundle" || arg == "--explain") {
      if (i + 1 == args.size() || !options->file.empty()) {
        *error = arg + " needs one file; " + kUsageLine;
        return false;
      }
      options->explain = arg == "--explain";
      options->file = args[++i];
    } else if (arg == "--force") {
      options->force = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = arg + " does not go with --bundle or --explain; " + kUsageLine;
      return false;
    } else if (options->folderGiven) {
      *error = "one folder at most; " + std::string(kUsageLine);
      return false;
    } else {
      options->folder = arg;
      options->folderGiven = true;
    }
  }
  if (options->explain && options->force) {
    *error = "--force lets --bundle replace a file; " + std::string(kUsageLine);
    return false;
  }
  if (!options->folderGiven && !options->explain) options->folder = ".";
  return true;
}

std::string JoinPath(const std::string& folder, const std::string& name, char separator) {
  if (folder.empty()) return name;
  char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + separator + name;
}

// The last name of a path: a kit is named by its own folder's name alone,
// never by where it lies.
std::string LastName(std::string path) {
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// `text` with the kit's place on the computer taken out: a why from the
// live check names the library or the installer by its path, as given or
// absolute, and a bundle names the kit by its folder's name alone.
std::string WithinKit(std::string text, const std::string& full, const std::string& given,
                      const std::string& kitName) {
  std::string parent = full;
  while (!parent.empty() && (parent.back() == '\\' || parent.back() == '/')) parent.pop_back();
  size_t cut = parent.find_last_of("\\/");
  parent = cut == std::string::npos ? std::string() : parent.substr(0, cut);
  // The longest first: the kit's path holds its parent's.
  for (const auto& place : {std::make_pair(full, kitName), std::make_pair(given, kitName),
                            std::make_pair(parent, std::string(".."))}) {
    // A bare name, as given, says no more than the kit's name.
    bool path = place.first.find_first_of("\\/:") != std::string::npos;
    if (!path || place.first == place.second) continue;
    for (size_t at = text.find(place.first); at != std::string::npos;
         at = text.find(place.first, at + place.second.size())) {
      text.replace(at, place.first.size(), place.second);
    }
  }
  return text;
}

// A file of the kit, whole, up to the part's bound.
bool ReadWhole(Files& files, const char* path, size_t limit, std::string* text, std::string* why) {
  std::unique_ptr<ByteSource> file = files.OpenForRead(path);
  if (file == nullptr) {
    *why = std::string(path) + " cannot be opened";
    return false;
  }
  uint64_t size = file->Size();
  if (size > limit) {
    *why = std::string(path) + " is larger than " + std::to_string(limit / 1024) + " KiB";
    return false;
  }
  text->assign(static_cast<size_t>(size), '\0');
  if (size > 0 && file->ReadAt(0, &(*text)[0], text->size()) != text->size()) {
    *why = std::string(path) + " cannot be read whole";
    return false;
  }
  return true;
}

// UpperFilters as read: each string quoted, bytes outside printable ASCII
// as \xNN of their UTF-16 unit's low byte or \uNNNN.
std::string UpperFiltersText(System& system) {
  std::vector<uint8_t> data;
  if (!system.ReadMachineRegistryValue(kUsbClassKey, u"UpperFilters", &data)) return "none";
  std::string text;
  std::string current;
  bool open = false;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    unsigned unit = data[i] | (data[i + 1] << 8);
    if (unit == 0) {
      if (!open) break;  // the list's end
      text += (text.empty() ? "\"" : " \"") + current + "\"";
      current.clear();
      open = false;
      continue;
    }
    open = true;
    if (unit >= 0x20 && unit <= 0x7E && unit != '"' && unit != '\\') {
      current += static_cast<char>(unit);
    } else {
      current += Format("\\u%04X", unit);
    }
  }
  if (open) text += (text.empty() ? "\"" : " \"") + current + "\" (no terminator)";
  return text.empty() ? "empty" : text;
}

bool LockHeld(SessionPlatform& session, KernelLock lock) {
  if (!session.TryLock(lock)) return true;
  session.Unlock(lock);
  return false;
}

bool DriverRegistered(System& system) {
  auto state = std::make_unique<UpdaterState>();
  std::memset(state.get(), 0, sizeof(UpdaterState));
  SilentConsole silent;
  Printer quiet(silent);
  return !IsDriverInstallNeeded(*state, quiet, system);
}

std::string DriverText(const LiveMachine& machine) {
  SessionPlatform& session = machine.session;
  bool run = LockHeld(session, KernelLock::Run);
  bool write = LockHeld(session, KernelLock::Write);
  std::string text = "UpperFilters=" + UpperFiltersText(machine.system) + "\n";
  text += std::string("FilterDriver=") +
          (DriverRegistered(machine.system) ? "registered" : "not-registered") + "\n";
  text += std::string("RunLock=") + (run ? "held" : "free") + "\n";
  text += std::string("WriteLock=") + (write ? "held" : "free") + "\n";
  text += std::string("UpdateRunning=") + (run || write ? "yes" : "no") + "\n";
  return text;
}

std::string ImagesText(Files& files, const KitReport& kit) {
  std::string text;
  for (const ImageRow& row : kit.images) {
    imagesums::Digest digest{};
    std::string path = ".\\Binfile\\" + row.name;
    bool hashed = row.opened && HashFile(files, path.c_str(), &digest) == HashOutcome::kHashed;
    text += (hashed ? imagesums::DigestHex(digest) : std::string("-")) + " " +
            (row.opened ? std::to_string(row.size) : std::string("-")) + " " +
            ImageCheckName(row.sums) + " " + row.name + "\n";
  }
  return text;
}

// The computer and the programs, each value on a line of its own.
std::string ComputerText(const LiveMachine& machine, Files& files, const std::string& kitName,
                         const std::vector<std::string>& folders, bool kitRoot, char separator,
                         const LiveHubs* hubs) {
  std::string text = "Time=" + machine.computer.UtcNow() + "\n";
  text += "WindowsVersion=" + machine.computer.ReportedWindowsVersion() + "\n";
  text += "RegistryWindowsVersion=" + RegistryWindowsVersion(machine.system) + "\n";
  text += std::string("WindowsBits=") + (machine.computer.WindowsIs64Bit() ? "64" : "32") + "\n";
  text += std::string("CheckerVersion=") + QUILLET_VERSION + "\n";
  text += std::string("CheckerBits=") + (machine.computer.ProcessIs64Bit() ? "64" : "32") + "\n";
  text += "Kit=" + kitName + "\n";
  for (const std::string& folder : folders) {
    std::string name = kitRoot ? LastName(folder) : kitName;
    for (const char* program : {"Quillet32.exe", "Quillet64.exe"}) {
      std::string version = ProgramVersion(files, JoinPath(folder, program, separator));
      if (!version.empty()) text += "UpdaterVersion." + name + "." + program + "=" + version + "\n";
    }
  }
  if (kitRoot) {
    std::string version = ProgramVersion(files, "Quillet.exe");
    if (!version.empty()) text += "LauncherVersion=" + version + "\n";
  }
  if (hubs != nullptr) text += Format("LibraryVersion=%08X\n", hubs->version());
  return text;
}

class Parts {
 public:
  void Add(const std::string& name, const std::string& text, const std::string& summary) {
    if (text.size() > bundle::kMaxPartSize) {
      Missing(name, "larger than " + std::to_string(bundle::kMaxPartSize / 1024) + " KiB");
      return;
    }
    bundle_.Add(name, text);
    lines_ += name + ": " + summary + "\n";
  }
  void Missing(const std::string& name, const std::string& why) {
    bundle_.AddMissing(name, why);
    lines_ += name + ": missing, " + why + "\n";
    ++missing_;
  }
  const bundle::Bundle& Bundle() const { return bundle_; }
  const std::string& Lines() const { return lines_; }
  int MissingCount() const { return missing_; }

 private:
  bundle::Bundle bundle_;
  std::string lines_;
  int missing_ = 0;
};

// Each hub and what the run does with it, one line each: the hubs part
// when the refused images would make it too long.
std::string Decisions(const KitReport& kit) {
  std::string text;
  for (const HubReport& hub : kit.hubs) {
    const HubDeviceInfo& h = hub.info;
    text += Format("Device(%d)  %04X/%04X  FW %04X  depth %d  port %d\n    => ", hub.number,
                   h.VendorId, h.ProductId, h.FirmwareVersion, h.Depth, h.ConnectionPortIndex) +
            Decision(hub, kit.images) + "\n";
  }
  return text;
}

std::string Bytes(const std::string& text) { return std::to_string(text.size()) + " bytes"; }

int WriteBundleFile(const BundleOptions& options, CheckerHost& host, std::string* out,
                    std::string* err) {
  char separator = host.Separator();
  if (!host.IsFolder(options.folder)) {
    *err = "QuilletCheck: cannot read the folder " + options.folder + "\n";
    return kUsage;
  }
  // The updater folders: the folder itself, or a kit root's x86 and x64.
  RootedFiles top(host.PlatformFiles(), options.folder, separator);
  std::vector<std::string> folders;
  std::vector<std::string> names;
  bool kitRoot = false;
  if (top.OpenForRead(kSettingsPath) == nullptr &&
      !host.IsFolder(JoinPath(options.folder, "Binfile", separator))) {
    for (const char* name : kKitFolders) {
      std::string folder = JoinPath(options.folder, name, separator);
      if (!host.IsFolder(folder)) continue;
      folders.push_back(folder);
      names.push_back(name);
    }
    kitRoot = true;
  }
  const LiveMachine* machine = host.Live();
  std::string full = machine != nullptr ? machine->folder.FullPath(options.folder) : options.folder;
  std::string kitName = LastName(full);
  if (kitName.empty() || kitName == "." || kitName == "..") kitName = "kit";
  if (!kitRoot) {
    folders.push_back(options.folder);
    names.push_back(kitName);
  }
  if (folders.empty()) {
    *err = "QuilletCheck: " + options.folder +
           " holds neither SpiFlash.ini, Binfile nor an x86 or x64 folder\n";
    return kUsage;
  }

  Parts parts;
  std::string error;
  std::unique_ptr<LiveCheck> live;
  LivePlace place;
  std::string driver;
  if (machine != nullptr) {
    // Before the check takes the run lock and perhaps installs the driver:
    // as the computer was.
    driver = DriverText(*machine);
    LiveOptions liveOptions;
    liveOptions.quietStdout = true;
    liveOptions.separator = separator;
    live = std::make_unique<LiveCheck>(*machine, host.PlatformFiles(), liveOptions);
    if (!ChooseLivePlace(*machine, options.folder, kitRoot, separator, &place, &error) ||
        !live->Begin(place, &error)) {
      live.reset();
    }
  } else {
    error = kThisComputerOnly;
  }

  CheckRun run;
  run.folder = kitName;
  run.kitRoot = kitRoot;
  if (kitRoot) run.kitNames = names;
  // The library's hub-ID table: it may be read at any call until the
  // capture is made.
  auto table = std::make_unique<UpdaterState>();
  std::memset(table.get(), 0, sizeof(UpdaterState));
  int judged = -1;
  for (size_t i = 0; i < folders.size(); ++i) {
    RootedFiles files(host.PlatformFiles(), folders[i], separator);
    bool here = live && folders[i] == place.updaterFolder;
    if (here) judged = static_cast<int>(i);
    run.kits.push_back(CheckKit(files, here ? &live->Hubs() : nullptr, names[i]));
  }
  if (run.kits.size() == 2) {
    RootedFiles x86(host.PlatformFiles(), folders[0], separator);
    RootedFiles x64(host.PlatformFiles(), folders[1], separator);
    CompareKits(run.kits[0], run.kits[1], x86, x64, &run.kitFindings);
  }

  std::string capture;
  bool captured = false;
  if (live) {
    // Settings the updater cannot read stop it before the enumeration;
    // the hubs are listed all the same, with an empty hub-ID table, since
    // they are what support needs first.
    if (live->Hubs().reportedCount() < 0) {
      live->Hubs().SetIniInfo(table.get());
      live->Hubs().GetEnumInfo(&table->DeviceCount);
    }
    captured = LiveCaptureText(*machine, live->Hubs(), place.updaterFolder, &capture, &error);
    run.live.used = true;
    run.live.folder = names[judged < 0 ? 0 : judged];
    run.live.library = JoinPath(run.live.folder, kLibraryName, separator);
    run.live.libraryVersion = live->Hubs().version();
    run.live.reportedCount = live->Hubs().reportedCount();
    run.live.driverInstalled = live->DriverInstalled();
  }
  std::string computer;
  if (machine != nullptr) {
    computer = ComputerText(*machine, top, kitName, kitRoot ? names : std::vector<std::string>{"."},
                            kitRoot, separator, live ? &live->Hubs() : nullptr);
  }
  // The driver out before anything is written.
  bool driverInstalled = live && live->DriverInstalled();
  live.reset();

  if (machine != nullptr) {
    parts.Add(kComputerPart, computer,
              "Windows " + bundle::Value(computer, "RegistryWindowsVersion") + ", QuilletCheck " +
                  QUILLET_VERSION);
    parts.Add(kDriverPart, driver,
              "tz415filter " + bundle::Value(driver, "FilterDriver") +
                  (driverInstalled ? " (installed for the capture, removed after it)" : "") +
                  ", update running: " + bundle::Value(driver, "UpdateRunning"));
    std::string record;
    std::string why;
    if (ReadLastRunRecord(machine->system, &record, &why)) {
      parts.Add(kRecordPart, record, Bytes(record));
    } else {
      parts.Missing(kRecordPart, why);
    }
  } else {
    parts.Missing(kComputerPart, kThisComputerOnly);
    parts.Missing(kDriverPart, kThisComputerOnly);
    parts.Missing(kRecordPart, kThisComputerOnly);
  }
  if (captured) {
    parts.Add(kCapturePart, capture, "the hubs of this computer, as --live --save-hubs saves them");
  } else {
    parts.Missing(kCapturePart, WithinKit(error, full, options.folder, kitName));
  }
  for (size_t i = 0; i < folders.size(); ++i) {
    RootedFiles files(host.PlatformFiles(), folders[i], separator);
    std::string suffix = " " + names[i];
    std::string settings;
    std::string why;
    if (ReadWhole(files, kSettingsPath, kMaxSettingsPart, &settings, &why)) {
      parts.Add(kSettingsPart + suffix, settings, Bytes(settings));
    } else {
      parts.Missing(kSettingsPart + suffix, why);
    }
    parts.Add(kImagesPart + suffix, ImagesText(files, run.kits[i]),
              std::to_string(run.kits[i].images.size()) + " images: name, size, SHA-256, verdict");
    if (static_cast<int>(i) == judged) {
      std::string hubs = HubsText(run.kits[i]);
      bool whole = hubs.size() <= kMaxHubsPart;
      parts.Add(kHubsPart + suffix, whole ? hubs : Decisions(run.kits[i]),
                whole ? "what the kit does to each hub, and why every other image is refused"
                      : "what the kit does to each hub (the refused images left out: over " +
                            std::to_string(kMaxHubsPart / 1024) + " KiB)");
    }
  }
  std::string report = JsonReport(run);
  if (report.size() <= kMaxReportPart) {
    parts.Add(kReportPart, report,
              Format("the kit check's JSON report, %d errors, %d warnings",
                     run.Count(Severity::kError), run.Count(Severity::kWarning)));
  } else {
    parts.Missing(kReportPart,
                  "the kit check's JSON report is " + std::to_string(report.size() / 1024) +
                      " KiB, over the bundle's " + std::to_string(kMaxReportPart / 1024) +
                      " KiB: QuilletCheck --json --hubs BUNDLE KIT makes it again");
  }

  std::string text;
  if (!bundle::WriteBundle(parts.Bundle(), &text, &error) ||
      !host.SaveFile(options.file, text, options.force, &error)) {
    *err = "QuilletCheck: " + error + "\n";
    return kUsage;
  }
  int missing = parts.MissingCount();
  *out = parts.Lines() + "Wrote the bundle " + options.file + " (" + Bytes(text) + "), " +
         (missing == 0 ? std::string("complete")
                       : Format("%d part%s missing", missing, missing == 1 ? "" : "s")) +
         "\n";
  return parts.MissingCount() == 0 ? kClean : kFound;
}

bool ReadText(const std::string& path, size_t limit, std::string* text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[65536];
  size_t got;
  while (text->size() <= limit && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    text->append(buffer, got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return !failed;
}

}  // namespace

bool IsBundleCommand(const std::vector<std::string>& args) {
  for (const std::string& arg : args)
    if (arg == "--bundle" || arg == "--explain") return true;
  return false;
}

int BundleCommand(const std::vector<std::string>& args, CheckerHost& host, std::string* out,
                  std::string* err) {
  BundleOptions options;
  std::string error;
  if (!ParseBundleArguments(args, &options, &error)) {
    *err = "QuilletCheck: " + error + "\n";
    return kUsage;
  }
  if (options.explain) return ExplainCommand(options.file, options.folder, host, out, err);
  return WriteBundleFile(options, host, out, err);
}

std::string ProgramVersion(Files& files, const std::string& path) {
  std::unique_ptr<ByteSource> file = files.OpenForRead(path.c_str());
  if (file == nullptr) return std::string();
  // The version resource's "FileVersion" string, as UTF-16 with its zero,
  // then padding to a 32-bit boundary, then the value.
  static const char kKey[] = "FileVersion";
  std::string key;
  for (const char* c = kKey; *c != '\0'; ++c) key += std::string{*c, '\0'};
  key += std::string(2, '\0');
  constexpr uint64_t kLimit = 64u << 20;
  constexpr size_t kChunk = 1 << 16;
  uint64_t size = file->Size() < kLimit ? file->Size() : kLimit;
  std::string window;
  for (uint64_t at = 0; at < size; at += kChunk) {
    size_t keep = window.size() < key.size() ? window.size() : key.size();
    uint64_t windowStart = at - keep;
    window = window.substr(window.size() - keep);
    std::string chunk(kChunk, '\0');
    chunk.resize(file->ReadAt(at, &chunk[0], kChunk));
    if (chunk.empty()) break;
    window += chunk;
    size_t found = window.find(key);
    if (found == std::string::npos) continue;
    uint64_t value = (windowStart + found + key.size() + 3) & ~uint64_t{3};
    uint8_t bytes[64];
    size_t got = file->ReadAt(value, bytes, sizeof bytes);
    std::string version;
    for (size_t i = 0; i + 1 < got; i += 2) {
      unsigned unit = bytes[i] | (bytes[i + 1] << 8);
      if (unit == 0) return version;
      if (unit < 0x20 || unit > 0x7E) return std::string();
      version += static_cast<char>(unit);
    }
    return std::string();
  }
  return std::string();
}

bool ReadBundleFile(const std::string& path, bundle::Bundle* read, std::string* error) {
  std::string text;
  if (!ReadText(path, bundle::kMaxBundleSize, &text)) {
    *error = "cannot read the bundle " + path;
    return false;
  }
  return bundle::ParseBundle(text, path, read, error);
}

bool ReadHubsOrBundle(const std::string& path, hubdesc::HubDescription* description,
                      std::string* error) {
  std::string head;
  ReadText(path, 64, &head);
  if (!bundle::LooksLikeBundle(head)) return ReadHubDescription(path, description, error);
  bundle::Bundle read;
  if (!ReadBundleFile(path, &read, error)) return false;
  const bundle::Part* capture = read.Find(kCapturePart);
  if (capture == nullptr || capture->missing) {
    *error = path + ": the bundle holds no capture of the hubs" +
             (capture != nullptr ? " (" + capture->why + ")" : std::string());
    return false;
  }
  return hubdesc::ParseHubDescription(capture->text, path + " (capture)", description, error);
}

}  // namespace check
