#include "bundle_write.h"

#include <memory>

#include "bundle_computer.h"
#include "bundle_parts.h"
#include "command.h"
#include "kit_check.h"
#include "live_capture.h"
#include "path_names.h"
#include "platform.h"
#include "quillet_version.h"
#include "rooted_files.h"
#include "settings.h"
#include "text.h"

namespace check {

namespace {

constexpr char kThisComputerOnly[] =
    "only the Windows checkers (QuilletCheck32.exe, QuilletCheck64.exe) read this computer";
// The parts that grow with hubs times images are kept whole up to these
// bounds and cut down past them, so that a bundle stays tens of kilobytes
// whatever the kit: support remakes them whole from the bundle's capture
// and its own copy of the kit (--hubs BUNDLE KIT).
constexpr size_t kMaxSettingsPart = size_t{64} * 1024;
constexpr size_t kMaxHubsPart = size_t{16} * 1024;
constexpr size_t kMaxReportPart = size_t{48} * 1024;

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

std::string Bytes(const std::string& text) { return std::to_string(text.size()) + " bytes"; }

// The kit as the bundle names it: by its own folder's name alone, never by
// where it lies, and its updater folders as x86 and x64.
struct KitPlace {
  std::string given;               // FOLDER as given
  std::string full;                // absolute, where this computer tells
  std::string name;                // "demo"
  std::vector<std::string> names;  // per updater folder of the layout
};

// What is read of this computer, all of it under the lease.
struct FromComputer {
  ComputerFacts computer;
  DriverFacts driver;
  bool driverInstalled = false;
  bool captured = false;
  std::string capture;
  std::string why;  // when not captured
  int served = -1;  // the updater folder the hubs were judged in
  ComputerRecord record;
};

void CaptureHubs(const LiveMachine& machine, LiveLease& lease, UpdaterState* table,
                 FromComputer* read) {
  // Settings the updater cannot read stop it before the enumeration; the
  // hubs are listed all the same, with an empty hub-ID table, since they
  // are what support needs first.
  LiveHubs& hubs = lease.check->Hubs();
  if (hubs.reportedCount() < 0) {
    hubs.SetIniInfo(table);
    hubs.GetEnumInfo(&table->DeviceCount);
  }
  read->captured =
      LiveCaptureText(machine, hubs, lease.place.updaterFolder, &read->capture, &read->why);
}

// The kit judged as a check judges it, against this computer's hubs where
// this checker reads them; the driver is out again when this returns.
CheckRun JudgeOnThisComputer(CheckerHost& host, const Layout& layout, const KitPlace& kit,
                             FromComputer* read) {
  const LiveMachine* machine = host.Live();
  if (machine == nullptr) {
    read->why = kThisComputerOnly;
    return JudgeKits(host, layout, kit.name, nullptr, nullptr);
  }
  const char separator = host.Separator();
  // Before the check takes the run lock and perhaps installs the driver:
  // as the computer was.
  read->driver = DriverOf(*machine);
  // The library's hub-ID table: it may be read at any call while leased.
  auto table = std::make_unique<UpdaterState>();
  LiveLease lease;
  LeaseLiveHubs(host, layout, true, &lease, &read->why);
  // Read once the check holds the run lock (where it could take it), so
  // that no unattended run rewrites it between the hubs and the part.
  read->record = ReadLastRunRecord(machine->system);
  CheckRun run = JudgeKits(host, layout, kit.name, nullptr, &lease, &read->record);
  if (lease.check) {
    for (size_t i = 0; i < layout.paths.size(); ++i)
      if (layout.paths[i] == lease.place.updaterFolder) read->served = static_cast<int>(i);
    CaptureHubs(*machine, lease, table.get(), read);
    NoteLiveSource(lease, kit.names[read->served < 0 ? 0 : read->served], separator, &run.live);
    read->driverInstalled = lease.check->DriverInstalled();
  }
  RootedFiles top(host.PlatformFiles(), kit.given, separator);
  read->computer =
      ComputerOf(*machine, top, kit.name,
                 layout.kitRoot ? kit.names : std::vector<std::string>{"."}, layout.kitRoot,
                 separator, lease.check ? &lease.check->Hubs() : nullptr);
  read->computer.kitIdentities = IdentitiesOf(run.kits, kit.names);
  return run;
}

void AddComputerParts(const LiveMachine* machine, const FromComputer& read, Parts* parts) {
  if (machine == nullptr) {
    for (const char* name : {kComputerPart, kDriverPart, kRecordPart})
      parts->Missing(name, kThisComputerOnly);
    return;
  }
  parts->Add(kComputerPart, WriteComputerPart(read.computer),
             "Windows " + read.computer.registryWindowsVersion + ", QuilletCheck " +
                 QUILLET_VERSION);
  const DriverFacts& driver = read.driver;
  parts->Add(kDriverPart, WriteDriverPart(driver),
             std::string("tz415filter ") + (driver.registered ? "registered" : "not-registered") +
                 (read.driverInstalled ? " (installed for the capture, removed after it)" : "") +
                 ", update running: " + (driver.updateRunning ? "yes" : "no"));
  const std::string record = WriteRecordPart(read.record);
  switch (read.record.state) {
    case RecordRead::kRead: parts->Add(kRecordPart, record, Bytes(record)); break;
    case RecordRead::kNone:
      parts->Add(kRecordPart, record, std::string("none, ") + kNoRecord);
      break;
    case RecordRead::kUnreadable: parts->Missing(kRecordPart, read.record.why); break;
  }
}

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

void AddHubsPart(const std::string& name, const KitReport& kit, Parts* parts) {
  std::string hubs = HubsText(kit);
  bool whole = hubs.size() <= kMaxHubsPart;
  parts->Add(PartName(kHubsPart, name), whole ? hubs : Decisions(kit),
             whole ? "what the kit does to each hub, and why every other image is refused"
                   : "what the kit does to each hub (the refused images left out: over " +
                         std::to_string(kMaxHubsPart / 1024) + " KiB)");
}

void AddKitParts(CheckerHost& host, const Layout& layout, const KitPlace& kit, int served,
                 CheckRun* run, Parts* parts) {
  for (size_t i = 0; i < layout.paths.size(); ++i) {
    RootedFiles files(host.PlatformFiles(), layout.paths[i], host.Separator());
    const std::string& name = kit.names[i];
    std::string settings;
    std::string why;
    if (ReadKitFile(files, kSettingsPath, kMaxSettingsPart, &settings, &why)) {
      parts->Add(PartName(kSettingsPart, name), settings, Bytes(settings));
    } else {
      parts->Missing(PartName(kSettingsPart, name), why);
    }
    KitReport& judged = run->kits[i];
    HashEveryImage(files, &judged);
    parts->Add(PartName(kImagesPart, name), WriteImagesPart(judged),
               std::to_string(judged.images.size()) + " images: name, size, SHA-256, verdict");
    if (static_cast<int>(i) == served) AddHubsPart(name, judged, parts);
  }
  std::string report = JsonReport(*run);
  if (report.size() <= kMaxReportPart) {
    parts->Add(kReportPart, report,
               Format("the kit check's JSON report, %d errors, %d warnings",
                      run->Count(Severity::kError), run->Count(Severity::kWarning)));
  } else {
    parts->Missing(kReportPart,
                   "the kit check's JSON report is " + std::to_string(report.size() / 1024) +
                       " KiB, over the bundle's " + std::to_string(kMaxReportPart / 1024) +
                       " KiB: QuilletCheck --json --hubs BUNDLE KIT makes it again");
  }
}

int SaveBundle(CheckerHost& host, const std::string& file, bool force, const Parts& parts,
               std::string* out, std::string* err) {
  std::string text;
  std::string error;
  if (!bundle::WriteBundle(parts.Bundle(), &text, &error) ||
      !host.SaveFile(file, text, force, &error)) {
    return UsageError(err, error);
  }
  int missing = parts.MissingCount();
  *out = parts.Lines() + "Wrote the bundle " + file + " (" + Bytes(text) + "), " +
         (missing == 0 ? std::string("complete")
                       : Format("%d part%s missing", missing, missing == 1 ? "" : "s")) +
         "\n";
  return missing == 0 ? kClean : kFound;
}

}  // namespace

int WriteBundleFile(CheckerHost& host, const std::string& file, const std::string& folder,
                    bool force, std::string* out, std::string* err) {
  Layout layout;
  std::string error;
  if (!LayOut(host, folder, true, &layout, &error)) return UsageError(err, error);
  const LiveMachine* machine = host.Live();
  KitPlace kit;
  kit.given = folder;
  kit.full = machine != nullptr ? machine->folder.FullPath(folder) : folder;
  kit.name = LastName(kit.full);
  if (kit.name.empty() || kit.name == "." || kit.name == "..") kit.name = "kit";
  kit.names = layout.kitRoot ? layout.kitNames : std::vector<std::string>{kit.name};

  FromComputer read;
  CheckRun run = JudgeOnThisComputer(host, layout, kit, &read);
  Parts parts;
  AddComputerParts(machine, read, &parts);
  if (read.captured) {
    parts.Add(kCapturePart, read.capture,
              "the hubs of this computer, as --live --save-hubs saves them");
  } else {
    parts.Missing(kCapturePart, WithinKit(read.why, kit.full, kit.given, kit.name));
  }
  AddKitParts(host, layout, kit, read.served, &run, &parts);
  return SaveBundle(host, file, force, parts, out, err);
}

}  // namespace check
