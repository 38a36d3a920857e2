#include "live_capture.h"

#include <cstdint>
#include <vector>

#include "hub_description.h"
#include "live_check.h"
#include "platform.h"
#include "path_names.h"
#include "quillet_version.h"

namespace check {

namespace {

constexpr char16_t kCurrentVersionKey[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

bool ReadNumber(System& system, const char16_t* name, uint32_t* value) {
  std::vector<uint8_t> data;
  if (!system.ReadMachineRegistryValue(kCurrentVersionKey, name, &data) || data.size() != 4) {
    return false;
  }
  *value = data[0] | (data[1] << 8) | (data[2] << 16) | (uint32_t{data[3]} << 24);
  return true;
}

// A string value's printable ASCII, up to its terminator: the registry's
// version texts are digits and dots, and nothing else is taken from it.
std::string ReadText(System& system, const char16_t* name) {
  std::vector<uint8_t> data;
  std::string text;
  if (!system.ReadMachineRegistryValue(kCurrentVersionKey, name, &data)) return text;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    unsigned unit = data[i] | (data[i + 1] << 8);
    if (unit == 0) break;
    if (unit < 0x20 || unit > 0x7E) return std::string();
    text += static_cast<char>(unit);
  }
  return text;
}

std::string OrUnknown(const std::string& version) { return version.empty() ? "unknown" : version; }

}  // namespace

std::string RegistryWindowsVersion(System& system) {
  std::string build = ReadText(system, u"CurrentBuildNumber");
  uint32_t major = 0;
  uint32_t minor = 0;
  std::string version;
  if (ReadNumber(system, u"CurrentMajorVersionNumber", &major) &&
      ReadNumber(system, u"CurrentMinorVersionNumber", &minor)) {
    version = std::to_string(major) + "." + std::to_string(minor);
  } else {
    version = ReadText(system, u"CurrentVersion");
  }
  if (version.empty()) return version;
  return build.empty() ? version : version + "." + build;
}

bool LiveCaptureText(const LiveMachine& machine, const LiveHubs& hubs, const std::string& folder,
                     std::string* text, std::string* error) {
  if (hubs.reportedCount() < 0) {
    *error = "--save-hubs: the library was not asked for the hubs, since the updater stops "
             "before its enumeration in " +
             folder;
    return false;
  }
  hubdesc::CaptureInfo info;
  info.checkerVersion = QUILLET_VERSION;
  info.libraryVersion = hubs.version();
  info.time = machine.computer.UtcNow();
  // A version Windows would not tell is said to be unknown, not left out:
  // the capture's reader wants every key.
  info.windowsVersion = OrUnknown(machine.computer.ReportedWindowsVersion());
  info.registryWindowsVersion = OrUnknown(RegistryWindowsVersion(machine.system));
  info.checkerBits = machine.computer.ProcessIs64Bit() ? 64 : 32;
  // The folder's last name alone: the rest of its path would say where the
  // kit lies on the computer, which a capture keeps to itself.
  info.folder = LastName(machine.folder.FullPath(folder));
  info.hubIds = hubs.targetIds();
  return hubdesc::WriteCapture(info, hubs.reportedCount(), hubs.listed(), text, error);
}

}  // namespace check
