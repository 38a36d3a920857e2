#include "environment.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform.h"
#include "printer.h"
#include "shared_names.h"
#include "run_state.h"

namespace {

// The device setup class of USB host controllers and hubs.
constexpr char16_t kUsbClassKey[] = u"" QUILLET_USB_CLASS_KEY;
constexpr char16_t kUpperFilters[] = u"UpperFilters";
constexpr char kFilterDriver[] = "tz415filter";

// The filter list in the ANSI code page: its strings, each ended by a zero,
// and two more zeros, so that the walk always stops inside the buffer even
// when the value lacks its own terminators. Empty when unreadable.
std::vector<char> ReadUpperFilters(System& system) {
  std::vector<char> text;
  std::vector<uint8_t> data;
  if (!system.ReadMachineRegistryValue(kUsbClassKey, kUpperFilters, &data)) return text;
  std::u16string wide(data.size() / 2, u'\0');
  if (!wide.empty()) std::memcpy(&wide[0], data.data(), wide.size() * 2);
  std::string ansi = wide.empty() ? std::string() : system.WideToAnsi(wide);
  text.assign(ansi.begin(), ansi.end());
  text.insert(text.end(), 2, '\0');
  return text;
}

// Every string is searched by itself; the first one always, even when it is
// empty, and the list ends at an empty string after it.
bool NamesFilterDriver(const std::vector<char>& list) {
  if (list.empty()) return false;
  const char* string = list.data();
  for (;;) {
    if (std::strstr(string, kFilterDriver) != nullptr) return true;
    string += std::strlen(string) + 1;
    if (*string == '\0') return false;
  }
}

}  // namespace

void QueryOsVersion(UpdaterState& state, System& system) {
  std::memset(&state.OsVersionInfo, 0, sizeof state.OsVersionInfo);
  state.OsVersionInfo.dwOSVersionInfoSize = sizeof state.OsVersionInfo;
  // A failed call leaves the version at 0.0, which is no Windows 8.
  uint32_t major = 0;
  uint32_t minor = 0;
  if (system.WindowsVersion(&major, &minor)) {
    state.OsVersionInfo.dwMajorVersion = major;
    state.OsVersionInfo.dwMinorVersion = minor;
  }
  state.IsWindows8 =
      state.OsVersionInfo.dwMajorVersion == 6 && state.OsVersionInfo.dwMinorVersion == 2;
}

bool IsDriverInstallNeeded(UpdaterState& state, Printer& out, System& system) {
  out.Print("\t1.3 IsDriverInstallNeeded()");
  QueryOsVersion(state, system);
  if (NamesFilterDriver(ReadUpperFilters(system))) {
    out.Print("\t Success\n");
    return false;
  }
  out.Print("!!!Error Filter Driver not found!!\n");
  if (state.IsWindows8) {
    const char rule[] = "------------------------------------------------------------------\n";
    static_assert(sizeof rule == 66 + 2, "a rule of 66 hyphens");
    out.Print("%s", rule);
    out.Print("Warning!!!Windowns 8 need use Administrator to execution this tool\n");
    out.Print("%s", rule);
  }
  return true;
}
