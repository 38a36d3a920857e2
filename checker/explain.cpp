// QuilletCheck --explain BUNDLE [KIT]: a support summary of a bundle, and,
// with the support engineer's own copy of the kit, every difference between
// the two kits and the customer's hubs judged again by the checker.
#include <map>
#include <memory>

#include "bundle_command.h"
#include "checker_main.h"
#include "described_hubs.h"
#include "kit_check.h"
#include "report.h"
#include "rooted_files.h"
#include "settings.h"
#include "text.h"

namespace check {

namespace {

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

struct ImageLine {
  std::string digest;
  std::string size;
  std::string verdict;
};

// "images" part: "<sha256> <size> <verdict> <name>" per image.
std::map<std::string, ImageLine> ImageLines(const std::string& text) {
  std::map<std::string, ImageLine> images;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    size_t a = line.find(' ');
    size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
    size_t c = b == std::string::npos ? b : line.find(' ', b + 1);
    if (c == std::string::npos) continue;
    images[line.substr(c + 1)] = {line.substr(0, a), line.substr(a + 1, b - a - 1),
                                  line.substr(b + 1, c - b - 1)};
  }
  return images;
}

const bundle::Part* Present(const bundle::Bundle& read, const std::string& name) {
  const bundle::Part* part = read.Find(name);
  return part != nullptr && !part->missing ? part : nullptr;
}

std::string ComputerSummary(const bundle::Bundle& read) {
  const bundle::Part* part = Present(read, kComputerPart);
  if (part == nullptr) return "Computer: not recorded\n";
  const std::string& t = part->text;
  std::string out = "Computer: Windows " + bundle::Value(t, "RegistryWindowsVersion") + " (" +
                    bundle::Value(t, "WindowsVersion") + " as our programs see it), " +
                    bundle::Value(t, "WindowsBits") + "-bit\n";
  out += "  written " + bundle::Value(t, "Time") + " by QuilletCheck " +
         bundle::Value(t, "CheckerVersion") + " (" + bundle::Value(t, "CheckerBits") +
         "-bit), kit \"" + bundle::Value(t, "Kit") + "\"";
  std::string library = bundle::Value(t, "LibraryVersion");
  out += library.empty() ? "\n" : ", library version " + library + "\n";
  for (const std::string& line : Lines(t)) {
    if (line.compare(0, 15, "UpdaterVersion.") == 0) {
      size_t eq = line.find('=');
      // "x64.Quillet64.exe" names x64\Quillet64.exe.
      std::string program = line.substr(15, eq - 15);
      size_t dot = program.find('.');
      if (dot != std::string::npos && dot + 1 < program.size()) program[dot] = '\\';
      out += "  updater " + program + " " + line.substr(eq + 1) + "\n";
    }
  }
  return out;
}

std::string DriverSummary(const bundle::Bundle& read) {
  const bundle::Part* part = Present(read, kDriverPart);
  if (part == nullptr) return "Driver and locks: not recorded\n";
  const std::string& t = part->text;
  std::string out = "Driver and locks:\n";
  bool registered = bundle::Value(t, "FilterDriver") == "registered";
  out += std::string("  the filter driver tz415filter is ") +
         (registered ? "registered" : "NOT registered: the launcher installs it for each update") +
         " (UpperFilters: " + bundle::Value(t, "UpperFilters") + ")\n";
  bool running = bundle::Value(t, "UpdateRunning") == "yes";
  out += std::string("  ") +
         (running ? "an update was running when the bundle was written (run lock " +
                        bundle::Value(t, "RunLock") + ", write lock " +
                        bundle::Value(t, "WriteLock") + "): the hubs may be mid-update"
                  : std::string("no update was running (both locks free)")) +
         "\n";
  return out;
}

// The folder of KIT that stands for the customer's updater folder `name`.
std::string KitFolder(CheckerHost& host, const std::string& kit, const std::string& name) {
  RootedFiles top(host.PlatformFiles(), kit, host.Separator());
  std::string binfile = kit + host.Separator() + "Binfile";
  if (top.OpenForRead(kSettingsPath) != nullptr || host.IsFolder(binfile)) return kit;
  return kit + host.Separator() + name;
}

// Digests of the kit's images, named as the updater's search names them.
std::map<std::string, std::string> KitDigests(Files& files, const KitReport& kit) {
  std::map<std::string, std::string> digests;
  for (const ImageRow& row : kit.images) {
    imagesums::Digest digest{};
    std::string path = ".\\Binfile\\" + row.name;
    bool hashed = HashFile(files, path.c_str(), &digest) == HashOutcome::kHashed;
    digests[row.name] = hashed ? imagesums::DigestHex(digest) : "-";
  }
  return digests;
}

void CompareWithKit(CheckerHost& host, const bundle::Bundle& read, const std::string& name,
                    const std::string& kitPath, const hubdesc::HubDescription* hubs,
                    std::string* out) {
  std::string folder = KitFolder(host, kitPath, name);
  RootedFiles kitFiles(host.PlatformFiles(), folder, host.Separator());
  *out += "\nThe customer's " + name + " against your " + folder + ":\n";

  const bundle::Part* settings = Present(read, std::string(kSettingsPart) + " " + name);
  std::string yours;
  std::unique_ptr<ByteSource> file = kitFiles.OpenForRead(kSettingsPath);
  if (file != nullptr) {
    yours.resize(static_cast<size_t>(file->Size() < bundle::kMaxPartSize ? file->Size() : 0));
    if (!yours.empty()) yours.resize(file->ReadAt(0, &yours[0], yours.size()));
  }
  if (settings == nullptr) {
    *out += "  settings: the bundle holds none of the customer's\n";
  } else if (file == nullptr) {
    *out += "  settings: you have no SpiFlash.ini\n";
  } else {
    std::vector<std::string> theirs = Lines(settings->text);
    std::vector<std::string> mine = Lines(yours);
    int differences = 0;
    for (size_t i = 0; i < theirs.size() || i < mine.size(); ++i) {
      std::string a = i < theirs.size() ? theirs[i] : "(none)";
      std::string b = i < mine.size() ? mine[i] : "(none)";
      if (a == b) continue;
      ++differences;
      *out += "  settings line " + std::to_string(i + 1) + ": the customer's \"";
      *out += a + "\", yours \"";
      *out += b + "\"\n";
    }
    if (differences == 0) *out += "  settings: the same, line by line\n";
  }

  const bundle::Part* images = Present(read, std::string(kImagesPart) + " " + name);
  KitReport kit = CheckKit(kitFiles, nullptr, folder);
  std::map<std::string, std::string> mine = KitDigests(kitFiles, kit);
  std::map<std::string, ImageLine> theirs =
      images != nullptr ? ImageLines(images->text) : std::map<std::string, ImageLine>();
  std::vector<std::string> differ;
  for (const auto& entry : theirs) {
    auto found = mine.find(entry.first);
    if (found == mine.end()) {
      *out += "  the customer has " + entry.first + ", you have not\n";
    } else if (found->second != entry.second.digest) {
      *out += "  the customer's " + entry.first + " differs from yours (theirs " +
              entry.second.digest.substr(0, 16) + "..., yours " + found->second.substr(0, 16) +
              "...)\n";
      differ.push_back(entry.first);
    }
  }
  for (const auto& entry : mine)
    if (theirs.count(entry.first) == 0)
      *out += "  you have " + entry.first + ", the customer has not\n";
  if (images != nullptr && differ.empty() && theirs.size() == mine.size())
    *out += "  images: the same, digest by digest\n";

  if (hubs == nullptr) return;
  // The customer's settings over your images: the customer's own kit where
  // every digest matches.
  std::unique_ptr<HubLibrary> library = DescribedHubs(*hubs);
  WithSettings overlay(kitFiles, settings != nullptr ? settings->text : yours);
  KitReport judged = CheckKit(overlay, library.get(), folder);
  *out += std::string("\nThe computer's hubs judged by the checker with ") +
          (settings != nullptr ? "the customer's settings" : "your settings") +
          " and your images:\n";
  *out += Indent(HubsText(judged), "  ");
  for (const HubReport& hub : judged.hubs) {
    if (hub.plan.search.chosen < 0) continue;
    const std::string& image = judged.images[hub.plan.search.chosen].name;
    for (const std::string& name : differ)
      if (name == image)
        *out += Format("  Device(%d) takes %s, which differs from the customer's\n", hub.number,
                       image.c_str());
  }
}

}  // namespace

int ExplainCommand(const std::string& bundlePath, const std::string& kit, CheckerHost& host,
                   std::string* out, std::string* err) {
  bundle::Bundle read;
  std::string error;
  if (!ReadBundleFile(bundlePath, &read, &error)) {
    *err = "QuilletCheck: " + error + "\n";
    return kUsage;
  }
  if (!kit.empty() && !host.IsFolder(kit)) {
    *err = "QuilletCheck: cannot read the folder " + kit + "\n";
    return kUsage;
  }
  std::string text =
      "Support bundle " + bundlePath + ", format " + std::to_string(read.formatVersion) + "\n";
  text += ComputerSummary(read);
  std::string missing;
  for (const bundle::Part& part : read.parts)
    if (part.missing) missing += "  " + part.name + ": " + part.why + "\n";
  if (!missing.empty()) text += "Parts missing:\n" + missing;
  text += DriverSummary(read);

  text += "Last run:\n";
  const bundle::Part* record = read.Find(kRecordPart);
  text += record == nullptr ? "  not in the bundle\n"
          : record->missing ? "  not recorded: " + record->why + "\n"
                            : Indent(record->text, "  ");

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

  // Each updater folder the bundle holds, as the customer's kit judged it.
  std::vector<std::string> names;
  for (const bundle::Part& part : read.parts) {
    std::string prefix = std::string(kImagesPart) + " ";
    if (part.name.compare(0, prefix.size(), prefix) == 0)
      names.push_back(part.name.substr(prefix.size()));
  }
  for (const std::string& name : names) {
    text += "\nThe customer's " + name + ":\n";
    const bundle::Part* images = Present(read, std::string(kImagesPart) + " " + name);
    if (images != nullptr) {
      for (const auto& entry : ImageLines(images->text)) {
        const ImageLine& line = entry.second;
        if (line.verdict != "verified" && line.verdict != "no-list")
          text +=
              "  image " + entry.first + ": " + line.verdict + " (SHA-256 " + line.digest + ")\n";
      }
    }
    const bundle::Part* judged = Present(read, std::string(kHubsPart) + " " + name);
    if (judged != nullptr) text += Indent(judged->text, "  ");
    if (!kit.empty()) CompareWithKit(host, read, name, kit, haveHubs ? &hubs : nullptr, &text);
  }
  *out = text;
  return kClean;
}

}  // namespace check
