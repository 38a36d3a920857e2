#include "bundle_computer.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "driver_session.h"
#include "image_check.h"
#include "live_capture.h"
#include "live_check.h"
#include "path_names.h"
#include "platform.h"
#include "quillet_version.h"
#include "rooted_files.h"
#include "shared_names.h"
#include "text.h"

namespace check {

namespace {

constexpr char16_t kUsbClassKey[] = u"" QUILLET_USB_CLASS_KEY;

// UpperFilters as read: each string quoted, every UTF-16 unit outside
// printable ASCII, and a quote or a backslash, as \uNNNN.
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

// Where the launcher keeps the record (record/deployment_record.h).
constexpr char16_t kRecordKey[] = u"SOFTWARE\\Quillet";

// A REG_MULTI_SZ's strings, one line each, up to the empty string that
// ends it; text past ASCII (an image's name) in the ANSI code page.
std::string LinesOf(System& system, const std::vector<uint8_t>& data) {
  std::string lines;
  std::u16string line;
  for (size_t at = 0; at + 1 < data.size(); at += 2) {
    const char16_t unit = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
    if (unit != u'\0') {
      line += unit;
      continue;
    }
    if (line.empty()) break;
    lines += system.WideToAnsi(line) + "\n";
    line.clear();
  }
  return lines;
}

// Our programs in the kit, by their paths within it as its SHA256SUMS names
// them: the launcher, the updaters and the checkers at a kit root, the
// updaters of an updater folder. A program the kit lacks is left out.
std::vector<ProgramFacts> ProgramsOf(const LiveMachine& machine, RootedFiles& files,
                                     const std::vector<std::string>& folders, bool kitRoot,
                                     char separator) {
  std::vector<std::pair<std::string, std::string>> places;  // folder, name
  if (kitRoot) places.emplace_back("", "Quillet.exe");
  for (const std::string& folder : folders) {
    for (const char* program : {"Quillet32.exe", "Quillet64.exe"})
      places.emplace_back(kitRoot ? folder : "", program);
  }
  if (kitRoot) {
    for (const char* checker : {"QuilletCheck32.exe", "QuilletCheck64.exe"})
      places.emplace_back("Tools", checker);
  }
  std::vector<ProgramFacts> programs;
  for (const auto& place : places) {
    const std::string path = JoinPath(place.first, place.second, separator);
    if (files.OpenForRead(path.c_str()) == nullptr) continue;  // not in this kit
    imagesums::Digest digest;
    const bool hashed = HashFile(files, path.c_str(), &digest) == HashOutcome::kHashed;
    programs.push_back({place.first.empty() ? place.second : place.first + "/" + place.second,
                        hashed ? imagesums::DigestHex(digest) : "-",
                        machine.computer.SignatureOf(files.Rooted(path.c_str()))});
  }
  return programs;
}

}  // namespace

// `text` with the kit's place on the computer taken out: a why from the
// live check names the library or the installer by its path, as given or
// absolute, and a bundle names the kit by its folder's name alone.
std::string WithinKit(std::string text, const std::string& full, const std::string& given,
                      const std::string& kitName) {
  const std::string parent = ParentOf(full);
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

DriverFacts DriverOf(const LiveMachine& machine) {
  DriverFacts facts;
  SessionPlatform& session = machine.session;
  facts.runLockHeld = LockHeldElsewhere(session.Locks(), KernelLock::kRun);
  facts.writeLockHeld = LockHeldElsewhere(session.Locks(), KernelLock::kWrite);
  facts.upperFilters = UpperFiltersText(machine.system);
  facts.registered = !FilterDriverMissing(machine.system);
  facts.updateRunning = facts.runLockHeld || facts.writeLockHeld;
  return facts;
}

ComputerFacts ComputerOf(const LiveMachine& machine, RootedFiles& files, const std::string& kitName,
                         const std::vector<std::string>& folders, bool kitRoot, char separator,
                         const LiveHubs* hubs) {
  ComputerFacts facts;
  facts.time = machine.computer.UtcNow();
  facts.windowsVersion = machine.computer.ReportedWindowsVersion();
  facts.registryWindowsVersion = RegistryWindowsVersion(machine.system);
  facts.windowsBits = machine.computer.WindowsIs64Bit() ? "64" : "32";
  facts.checkerVersion = QUILLET_VERSION;
  facts.checkerBits = machine.computer.ProcessIs64Bit() ? "64" : "32";
  facts.kit = kitName;
  for (const std::string& folder : folders) {
    for (const char* program : {"Quillet32.exe", "Quillet64.exe"}) {
      std::string version = ProgramVersion(files, JoinPath(folder, program, separator));
      if (!version.empty())
        facts.updaters.push_back({kitRoot ? LastName(folder) : kitName, program, version});
    }
  }
  if (kitRoot) facts.launcherVersion = ProgramVersion(files, "Quillet.exe");
  if (hubs != nullptr) facts.libraryVersion = Format("%08X", hubs->version());
  facts.programs = ProgramsOf(machine, files, folders, kitRoot, separator);
  return facts;
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

ComputerRecord ReadLastRunRecord(System& system) {
  std::vector<uint8_t> data;
  if (!system.ReadMachineRegistryValue(kRecordKey, u"Record", &data)) {
    ComputerRecord none;
    none.why = kNoRecord;
    return none;
  }
  return RecordOfText(LinesOf(system, data),
                      "the record under HKLM\\SOFTWARE\\Quillet is not a whole record");
}

}  // namespace check
