// The updater's system role over Win32: the Windows version, the registry,
// the ANSI code page, waiting and the write guard. Shared with the kit
// checker, whose --live runs the updater's own driver check.
#include <windows.h>

#include <string>
#include <vector>

#include "platform.h"
#include "run_state.h"
#include "win32_common.h"

static_assert(sizeof(OsVersionInfoW) == sizeof(OSVERSIONINFOW),
              "the record's OsVersionInfo has the platform's OSVERSIONINFOW's shape");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");

namespace {

BOOL WINAPI IgnoreBreakKeys(DWORD) { return TRUE; }

class Win32System : public System {
 public:
  bool WindowsVersion(uint32_t* major, uint32_t* minor) override {
    uint32_t build = 0;
    return win32::ReportedWindowsVersion(major, minor, &build);
  }

  bool ReadMachineRegistryValue(const char16_t* key, const char16_t* name,
                                std::vector<uint8_t>* data) override {
    data->clear();
    HKEY opened;
    // The 64-bit view, as the launcher writes the deployment record there:
    // a 32-bit checker would otherwise read WOW6432Node. The keys read
    // besides are the same in both views; 32-bit Windows ignores the flag.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t*>(key), 0,
                      KEY_READ | KEY_WOW64_64KEY, &opened) != ERROR_SUCCESS) {
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
    return win32::WideToAnsi(std::wstring(text.begin(), text.end()));
  }

  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
  std::string UtcNow() override { return win32::UtcNow(); }

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
