#include "bundle_computer.h"

#include <memory>

#include "bundle_command.h"
#include "checker_main.h"
#include "driver_session.h"
#include "environment.h"
#include "live_capture.h"
#include "live_check.h"
#include "platform.h"
#include "printer.h"
#include "quillet_version.h"
#include "rooted_files.h"
#include "settings.h"
#include "shared_names.h"
#include "silent_console.h"
#include "text.h"

namespace check {

namespace {

constexpr char16_t kUsbClassKey[] = u"" QUILLET_USB_CLASS_KEY;

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

bool DriverRegistered(System& system) {
  auto state = std::make_unique<UpdaterState>();
  SilentConsole silent;
  Printer quiet(silent);
  return !IsDriverInstallNeeded(*state, quiet, system);
}

}  // namespace

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

// The last name of a path: a kit is named by its own folder's name alone,
// never by where it lies.
std::string LastName(std::string path) {
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string DriverText(const LiveMachine& machine) {
  SessionPlatform& session = machine.session;
  bool run = LockHeldElsewhere(session.Locks(), KernelLock::kRun);
  bool write = LockHeldElsewhere(session.Locks(), KernelLock::kWrite);
  std::string text = "UpperFilters=" + UpperFiltersText(machine.system) + "\n";
  text += std::string("FilterDriver=") +
          (DriverRegistered(machine.system) ? "registered" : "not-registered") + "\n";
  text += std::string("RunLock=") + (run ? "held" : "free") + "\n";
  text += std::string("WriteLock=") + (write ? "held" : "free") + "\n";
  text += std::string("UpdateRunning=") + (run || write ? "yes" : "no") + "\n";
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
      if (version.empty()) continue;
      text += "UpdaterVersion.";
      text += name;
      text += std::string(".") + program + "=" + version + "\n";
    }
  }
  if (kitRoot) {
    std::string version = ProgramVersion(files, "Quillet.exe");
    if (!version.empty()) text += "LauncherVersion=" + version + "\n";
  }
  if (hubs != nullptr) text += Format("LibraryVersion=%08X\n", hubs->version());
  return text;
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

}  // namespace check
