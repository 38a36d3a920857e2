// The updater's Windows side: the console and system roles over Win32 and
// the C runtime, the adapter onto the imported TZ415API calls, and wmain.
// The files role is in files_win32.cpp, shared with the kit checker.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "driver_session.h"
#include "entry.h"
#include "platform.h"
#include "tz415api.h"
#include "updater_state.h"

static_assert(sizeof(OsVersionInfoW) == sizeof(OSVERSIONINFOW),
              "the record's OsVersionInfo has the platform's OSVERSIONINFOW's shape");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");

namespace {

BOOL WINAPI IgnoreBreakKeys(DWORD) { return TRUE; }

class Win32Console : public Console {
 public:
  void Write(const char* text, size_t length) override {
    std::fwrite(text, 1, length, stdout);
    std::fflush(stdout);
  }

  void* StdOutputHandle() override { return GetStdHandle(STD_OUTPUT_HANDLE); }

  void SetTextAttribute(void* console, uint16_t attribute) override {
    SetConsoleTextAttribute(static_cast<HANDLE>(console), attribute);
  }

  void RunCommand(const char* command) override {
    std::fflush(stdout);
    std::system(command);
  }
};

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

class Win32Deployment : public Deployment {
 public:
  bool TakeWriteLock() override { return Win32SessionRole().TryLock(KernelLock::Write); }

  bool WriteResults(const char* name, const std::string& text) override {
    if (text.size() + 1 > kResultsSize) return false;
    HANDLE section = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    if (section == nullptr) return false;
    void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, kResultsSize);
    if (view != nullptr) {
      std::memcpy(view, text.c_str(), text.size() + 1);
      UnmapViewOfFile(view);
    }
    CloseHandle(section);
    return view != nullptr;
  }
};

class ImportedLibrary : public HubLibrary {
 public:
  void GetDllVersion(uint32_t* version) override { TA_GetDllVersion(version); }
  void SetIniInfo(void* head) override { TA_SetIniInfo(head); }
  void GetEnumInfo(uint8_t* deviceCount) override { TA_GetEnumInfo(deviceCount); }
  int UpdateISP(uint8_t index, const char* path, int reserved) override {
    return TA_UpdateISP(index, path, reserved);
  }
};

}  // namespace

Console& Win32ConsoleRole() {
  static Win32Console console;
  return console;
}

System& Win32SystemRole() {
  static Win32System system;
  return system;
}

Deployment& Win32DeploymentRole() {
  static Win32Deployment deployment;
  return deployment;
}

int wmain(int argc, wchar_t** argv) {
  ImportedLibrary library;
  return UpdaterMain(argc, reinterpret_cast<const char16_t* const*>(argv), Win32ConsoleRole(),
                     Win32FilesRole(), Win32SystemRole(), library, Win32DeploymentRole());
}
