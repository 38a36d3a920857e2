#include "environment.h"

#include <cstring>
#include <string>
#include <vector>

#include "console.h"
#include "platform.h"
#include "shared_names.h"
#include "updater_state.h"

namespace {

// The device setup class of USB host controllers and hubs.
constexpr char16_t kUsbClassKey[] = u"" QUILLET_USB_CLASS_KEY;
constexpr char16_t kUpperFilters[] = u"UpperFilters";
constexpr char kFilterDriver[] = "tz415filter";

// The filter list in the ANSI code page: its strings, each ended by a zero,
// and two more zeros, so that the walk always stops inside the buffer even
// when the value lacks its own terminators. Empty when unreadable.
std::vector<char> ReadUpperFilters(Platform& os) {
  std::vector<char> text;
  std::vector<uint8_t> data;
  if (!os.ReadMachineRegistryValue(kUsbClassKey, kUpperFilters, &data)) return text;
  std::u16string wide(data.size() / 2, u'\0');
  if (!wide.empty()) std::memcpy(&wide[0], data.data(), wide.size() * 2);
  int units = static_cast<int>(wide.size());
  int needed = units > 0 ? os.WideToAnsi(wide.data(), units, nullptr, 0) : 0;
  if (needed < 0) needed = 0;
  text.assign(static_cast<size_t>(needed) + 2, '\0');
  if (needed > 0) os.WideToAnsi(wide.data(), units, text.data(), needed);
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

void QueryOsVersion(UpdaterState& state, Platform& os) {
  std::memset(&state.OsVersionInfo, 0, sizeof state.OsVersionInfo);
  state.OsVersionInfo.dwOSVersionInfoSize = sizeof state.OsVersionInfo;
  // A failed call leaves the version at 0.0, which is no Windows 8.
  os.GetVersion(&state.OsVersionInfo);
  state.IsWindows8 =
      state.OsVersionInfo.dwMajorVersion == 6 && state.OsVersionInfo.dwMinorVersion == 2;
}

bool IsDriverInstallNeeded(UpdaterState& state, Platform& os) {
  Print(os, "\t1.3 IsDriverInstallNeeded()");
  QueryOsVersion(state, os);
  if (NamesFilterDriver(ReadUpperFilters(os))) {
    Print(os, "\t Success\n");
    return false;
  }
  Print(os, "!!!Error Filter Driver not found!!\n");
  if (state.IsWindows8) {
    const char rule[] = "------------------------------------------------------------------\n";
    static_assert(sizeof rule == 66 + 2, "a rule of 66 hyphens");
    Print(os, "%s", rule);
    Print(os, "Warning!!!Windowns 8 need use Administrator to execution this tool\n");
    Print(os, "%s", rule);
  }
  return true;
}
