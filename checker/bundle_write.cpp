#include "bundle_write.h"

#include <cstring>
#include <memory>

#include "bundle_command.h"
#include "bundle_computer.h"
#include "bundle_record.h"
#include "checker_main.h"
#include "described_hubs.h"
#include "driver_session.h"
#include "image_list_check.h"
#include "kit_check.h"
#include "live_capture.h"
#include "live_check.h"
#include "quillet_version.h"
#include "platform.h"
#include "report.h"
#include "rooted_files.h"
#include "shared_names.h"
#include "text.h"

namespace check {

namespace {

constexpr char kThisComputerOnly[] =
    "only the Windows checkers (QuilletCheck32.exe, QuilletCheck64.exe) read this computer";
const char* const kKitFolders[] = {"x86", "x64"};
// The parts that grow with hubs times images are kept whole up to these
// bounds and cut down past them, so that a bundle stays tens of kilobytes
// whatever the kit: support remakes them whole from the bundle's capture
// and its own copy of the kit (--hubs BUNDLE KIT).
constexpr size_t kMaxSettingsPart = size_t{64} * 1024;
constexpr size_t kMaxHubsPart = size_t{16} * 1024;
constexpr size_t kMaxReportPart = size_t{48} * 1024;

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

std::string ImagesText(Files& files, const KitReport& kit) {
  std::string text;
  for (const ImageRow& row : kit.images) {
    imagesums::Digest digest{};
    std::string path = ".\\Binfile\\" + row.name;
    bool hashed = row.opened && HashFile(files, path.c_str(), &digest) == HashOutcome::kHashed;
    text += (hashed ? imagesums::DigestHex(digest) : std::string("-")) + " " +
            (row.opened ? std::to_string(row.size) : std::string("-")) + " " +
            ImageCheckName(row.sums.check) + " " + row.name + "\n";
  }
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

}  // namespace

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

}  // namespace check
