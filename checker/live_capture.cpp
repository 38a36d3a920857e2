#include "live_capture.h"

#include <cstdint>
#include <vector>

#include "platform.h"

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

}  // namespace check
