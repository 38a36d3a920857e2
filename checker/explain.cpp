#include "explain.h"

#include <memory>

#include "bundle_parts.h"
#include "command.h"
#include "described_hubs.h"
#include "image_list_check.h"
#include "kit_check.h"
#include "report.h"
#include "rooted_files.h"
#include "settings.h"
#include "text.h"

namespace check {

namespace {

// Your SpiFlash.ini is compared line by line with the customer's, which a
// bundle holds up to 64 KiB; one past this is named, not compared.
constexpr size_t kMaxYourSettings = bundle::kMaxBundleSize;

// The bundle's settings in place of the kit's own; every other file is the
// kit's.
class TextSource : public ByteSource {
 public:
  explicit TextSource(const std::string& text) : text_(text) {}
  uint64_t Size() override { return text_.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset >= text_.size()) return 0;
    size_t n = text_.size() - offset < count ? text_.size() - offset : count;
    text_.copy(static_cast<char*>(buffer), n, offset);
    return n;
  }

 private:
  const std::string& text_;
};

class WithSettings : public Files {
 public:
  WithSettings(Files& kit, const std::string& settings) : kit_(kit), settings_(settings) {}
  std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) override {
    return kit_.FindFiles(pattern);
  }
  std::unique_ptr<ByteSource> OpenForRead(const char* path) override {
    if (std::string(path) == kSettingsPath) return std::make_unique<TextSource>(settings_);
    return kit_.OpenForRead(path);
  }
  std::unique_ptr<Sha256> NewSha256() override { return kit_.NewSha256(); }

 private:
  Files& kit_;
  const std::string& settings_;
};

std::string ComputerSummary(const bundle::Bundle& read) {
  const bundle::Part* part = Present(read, kComputerPart);
  if (part == nullptr) return "Computer: not recorded\n";
  const ComputerFacts t = ReadComputerPart(part->text);
  std::string out = "Computer: Windows " + t.registryWindowsVersion + " (" + t.windowsVersion +
                    " as our programs see it), " + t.windowsBits + "-bit\n";
  out += "  written " + t.time + " by QuilletCheck " + t.checkerVersion + " (" + t.checkerBits +
         "-bit), kit \"" + t.kit + "\"";
  out += t.libraryVersion.empty() ? "\n" : ", library version " + t.libraryVersion + "\n";
  for (const UpdaterVersion& updater : t.updaters) {
    out += "  updater " + (updater.folder.empty() ? "" : updater.folder + "\\") + updater.program +
           " " + updater.version + "\n";
  }
  for (const ProgramFacts& program : t.programs) {
    out += "  program " + program.path + ": SHA-256 " + program.digest + ", " +
           SignatureText(program.signature) + "\n";
  }
  return out;
}

std::string MissingSummary(const bundle::Bundle& read) {
  std::string missing;
  for (const bundle::Part& part : read.parts)
    if (part.missing) missing += "  " + part.name + ": " + part.why + "\n";
  return missing.empty() ? missing : "Parts missing:\n" + missing;
}

std::string DriverSummary(const bundle::Bundle& read) {
  const bundle::Part* part = Present(read, kDriverPart);
  if (part == nullptr) return "Driver and locks: not recorded\n";
  const DriverFacts driver = ReadDriverPart(part->text);
  auto lock = [](bool held) { return held ? "held" : "free"; };
  return std::string("Driver and locks:\n  the filter driver tz415filter is ") +
         (driver.registered ? "registered"
                            : "NOT registered: the launcher installs it for each update") +
         " (UpperFilters: " + driver.upperFilters + ")\n  " +
         (driver.updateRunning
              ? std::string("an update was running when the bundle was written (run lock ") +
                    lock(driver.runLockHeld) + ", write lock " + lock(driver.writeLockHeld) +
                    "): the hubs may be mid-update"
              : std::string("no update was running (both locks free)")) +
         "\n";
}

// The updater folder of your kit `kitPath` that stands for the customer's
// `name`.
std::string YourFolder(CheckerHost& host, const std::string& kitPath, const std::string& name) {
  const Layout layout = LayoutOf(host, kitPath, true);
  return layout.kitRoot ? JoinPath(kitPath, name, host.Separator()) : kitPath;
}

// The last unattended run, its kit told against your kit's folders, or
// without a kit against the customer's.
std::string LastRunSummary(CheckerHost& host, const bundle::Bundle& read,
                           const ComputerRecord& record, const std::string& kitPath) {
  std::vector<FolderIdentity> kits;
  if (!kitPath.empty()) {
    for (const std::string& name : UpdaterFolders(read)) {
      RootedFiles files(host.PlatformFiles(), YourFolder(host, kitPath, name), host.Separator());
      kits.push_back({name, KitIdentityOf(files)});
    }
  } else if (const bundle::Part* computer = Present(read, kComputerPart)) {
    kits = ReadComputerPart(computer->text).kitIdentities;
  }
  return LastRunText(SummarizeRecord(record, kits));
}

// The customer's updater folder `name` as the customer's checker judged it.
std::string CustomerFolder(const bundle::Bundle& read, const std::string& name) {
  std::string out = "\nThe customer's " + name + ":\n";
  if (const bundle::Part* images = Present(read, PartName(kImagesPart, name))) {
    for (const auto& entry : ReadImagesPart(images->text)) {
      const ImageLine& line = entry.second;
      if (line.verdict != ImageCheckName(ImageCheck::kVerified) &&
          line.verdict != ImageCheckName(ImageCheck::kNoList)) {
        out += "  image " + entry.first + ": " + line.verdict + " (SHA-256 " + line.digest + ")\n";
      }
    }
  }
  if (const bundle::Part* judged = Present(read, PartName(kHubsPart, name)))
    out += Indent(judged->text, "  ");
  return out;
}

std::string CompareSettings(const bundle::Part* settings, Files& kit) {
  if (settings == nullptr) return "  settings: the bundle holds none of the customer's\n";
  if (kit.OpenForRead(kSettingsPath) == nullptr) return "  settings: you have no SpiFlash.ini\n";
  std::string yours;
  std::string why;
  if (!ReadKitFile(kit, kSettingsPath, kMaxYourSettings, &yours, &why))
    return "  settings: yours are not compared: " + why + "\n";
  std::vector<std::string> theirs = Lines(settings->text);
  std::vector<std::string> mine = Lines(yours);
  std::string out;
  for (size_t i = 0; i < theirs.size() || i < mine.size(); ++i) {
    std::string a = i < theirs.size() ? theirs[i] : "(none)";
    std::string b = i < mine.size() ? mine[i] : "(none)";
    if (a == b) continue;
    out += "  settings line " + std::to_string(i + 1) + ": the customer's \"";
    out += a + "\", yours \"";
    out += b + "\"\n";
  }
  return out.empty() ? "  settings: the same, line by line\n" : out;
}

// The images by name and digest; `differ` gets the names whose digests
// differ.
std::string CompareImages(const bundle::Part* images, const KitReport& kit,
                          std::vector<std::string>* differ) {
  const ImageLines mine = ImageLinesOf(kit);
  const ImageLines theirs = images != nullptr ? ReadImagesPart(images->text) : ImageLines();
  std::string out;
  for (const auto& entry : theirs) {
    auto found = mine.find(entry.first);
    if (found == mine.end()) {
      out += "  the customer has " + entry.first + ", you have not\n";
    } else if (found->second.digest != entry.second.digest) {
      out += "  the customer's " + entry.first + " differs from yours (theirs " +
             entry.second.digest.substr(0, 16) + "..., yours " +
             found->second.digest.substr(0, 16) + "...)\n";
      differ->push_back(entry.first);
    }
  }
  for (const auto& entry : mine)
    if (theirs.count(entry.first) == 0)
      out += "  you have " + entry.first + ", the customer has not\n";
  if (images != nullptr && out.empty()) out += "  images: the same, digest by digest\n";
  return out;
}

// The customer's settings over your images: the customer's own kit where
// every digest matches.
std::string JudgeAgain(Files& kit, const bundle::Part* settings,
                       const hubdesc::HubDescription& hubs, const ComputerRecord& record,
                       const std::string& folder, const std::vector<std::string>& differ) {
  std::unique_ptr<HubLibrary> library = DescribedHubs(hubs);
  std::unique_ptr<WithSettings> theirs;
  if (settings != nullptr) theirs = std::make_unique<WithSettings>(kit, settings->text);
  KitReport judged = CheckKit(theirs ? *theirs : kit, library.get(), folder, &record);
  std::string out = std::string("\nThe computer's hubs judged by the checker with ") +
                    (settings != nullptr ? "the customer's settings" : "your settings") +
                    " and your images:\n";
  out += Indent(HubsText(judged), "  ");
  for (const HubReport& hub : judged.hubs) {
    if (hub.plan.search.chosen < 0) continue;
    const std::string& image = judged.images[hub.plan.search.chosen].name;
    for (const std::string& name : differ)
      if (name == image)
        out += Format("  Device(%d) takes %s, which differs from the customer's\n", hub.number,
                      image.c_str());
  }
  return out;
}

// The customer's updater folder `name` against the same folder of `kitPath`.
std::string CompareWithKit(CheckerHost& host, const bundle::Bundle& read, const std::string& name,
                           const std::string& kitPath, const hubdesc::HubDescription* hubs) {
  const std::string folder = YourFolder(host, kitPath, name);
  RootedFiles files(host.PlatformFiles(), folder, host.Separator());
  const bundle::Part* settings = Present(read, PartName(kSettingsPart, name));
  std::string out = "\nThe customer's " + name + " against your " + folder + ":\n";
  out += CompareSettings(settings, files);
  KitReport kit = CheckKit(files, nullptr, folder);
  HashEveryImage(files, &kit);
  std::vector<std::string> differ;
  out += CompareImages(Present(read, PartName(kImagesPart, name)), kit, &differ);
  if (hubs != nullptr) {
    out +=
        JudgeAgain(files, settings, *hubs, ReadRecordPart(read.Find(kRecordPart)), folder, differ);
  }
  return out;
}

}  // namespace

int ExplainCommand(const std::string& bundlePath, const std::string& kit, CheckerHost& host,
                   std::string* out, std::string* err) {
  bundle::Bundle read;
  std::string error;
  if (!ReadBundleFile(bundlePath, &read, &error) ||
      (!kit.empty() && !CanReadFolder(host, kit, &error))) {
    return UsageError(err, error);
  }
  std::string text =
      "Support bundle " + bundlePath + ", format " + std::to_string(read.formatVersion) + "\n";
  text += LastRunSummary(host, read, ReadRecordPart(read.Find(kRecordPart)), kit);
  text += ComputerSummary(read) + MissingSummary(read) + DriverSummary(read);
  hubdesc::HubDescription hubs;
  const bundle::Part* capture = Present(read, kCapturePart);
  bool haveHubs =
      capture != nullptr && hubdesc::ParseHubDescription(capture->text, bundlePath, &hubs, &error);
  if (capture != nullptr && !haveHubs) text += "The capture does not read: " + error + "\n";
  if (haveHubs) {
    text += "The computer's hubs: " + std::to_string(hubs.hubs.size()) +
            Format(" listed, library version %08X, in folder ", hubs.capture.libraryVersion) +
            hubs.capture.folder + "\n";
  }
  for (const std::string& name : UpdaterFolders(read)) {
    text += CustomerFolder(read, name);
    if (!kit.empty()) text += CompareWithKit(host, read, name, kit, haveHubs ? &hubs : nullptr);
  }
  *out = text;
  return kClean;
}

}  // namespace check
