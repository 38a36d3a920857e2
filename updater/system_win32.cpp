// The updater's system role over Win32: the Windows version, the registry,
// the ANSI code page, waiting and the write guard. Shared with the kit
// checker, whose --live runs the updater's own driver check.
#include <windows.h>

#include <string>
#include <vector>

#include "platform.h"
#include "run_state.h"

static_assert(sizeof(OsVersionInfoW) == sizeof(OSVERSIONINFOW),
              "the record's OsVersionInfo has the platform's OSVERSIONINFOW's shape");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");

namespace {

BOOL WINAPI IgnoreBreakKeys(DWORD) { return TRUE; }

class Win32System : public System {
 public:
  bool WindowsVersion(uint32_t* major, uint32_t* minor) override {
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return false;
#pragma GCC diagnostic pop
    *major = info.dwMajorVersion;
    *minor = info.dwMinorVersion;
    return true;
  }

  bool ReadMachineRegistryValue(const char16_t* key, const char16_t* name,
                                std::vector<uint8_t>* data) override {
    data->clear();
    HKEY opened;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t*>(key), 0, KEY_READ,
                      &opened) != ERROR_SUCCESS) {
      return false;
    }
    auto* valueName = reinterpret_cast<const wchar_t*>(name);
    LONG status;
    // The value can grow between asking for its size and reading it.
    do {
      DWORD size = 0;
      status = RegQueryValueExW(opened, valueName, nullptr, nullptr, nullptr, &size);
      if (status != ERROR_SUCCESS) break;
      data->resize(size);
      status = RegQueryValueExW(opened, valueName, nullptr, nullptr,
                                data->empty() ? nullptr : data->data(), &size);
      if (status == ERROR_SUCCESS) data->resize(size);
    } while (status == ERROR_MORE_DATA);
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS) data->clear();
    return status == ERROR_SUCCESS;
  }

  std::string WideToAnsi(const std::u16string& text) override {
    auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    int units = static_cast<int>(text.size());
    int needed = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string ansi(static_cast<size_t>(needed), '\0');
    int got = WideCharToMultiByte(CP_ACP, 0, wide, units, &ansi[0], needed, nullptr, nullptr);
    ansi.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return ansi;
  }

  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }

 private:
  void BeginCriticalWrite() override {
    SetConsoleCtrlHandler(IgnoreBreakKeys, TRUE);
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  }

  void EndCriticalWrite() override {
    SetThreadExecutionState(ES_CONTINUOUS);
    SetConsoleCtrlHandler(IgnoreBreakKeys, FALSE);
  }
};

}  // namespace

System& Win32SystemRole() {
  static Win32System system;
  return system;
}
