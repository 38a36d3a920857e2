// The updater's Windows side: the console, files and system roles over
// Win32 and the C runtime, the adapter onto the imported TZ415API calls, and
// wmain.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "entry.h"
#include "platform.h"
#include "tz415api.h"
#include "updater_state.h"

static_assert(sizeof(OsVersionInfoW) == sizeof(OSVERSIONINFOW),
              "the record's OsVersionInfo has the platform's OSVERSIONINFOW's shape");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");

namespace {

class Win32File : public ByteSource {
 public:
  explicit Win32File(HANDLE file) : file_(file) {}
  ~Win32File() override { CloseHandle(file_); }

  uint64_t Size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_, &size)) return 0;
    return static_cast<uint64_t>(size.QuadPart);
  }

  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file_, position, nullptr, FILE_BEGIN)) return 0;
    size_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < count) {
      DWORD chunk = static_cast<DWORD>(count - total > 0x10000000 ? 0x10000000 : count - total);
      DWORD got = 0;
      if (!ReadFile(file_, out + total, chunk, &got, nullptr) || got == 0) break;
      total += got;
    }
    return total;
  }

 private:
  HANDLE file_;
};

class Win32Search : public DirectorySearch {
 public:
  Win32Search(HANDLE search, const WIN32_FIND_DATAA& first)
      : search_(search), data_(first) {}
  ~Win32Search() override { FindClose(search_); }
  const char* Name() const override { return data_.cFileName; }
  bool Next() override { return FindNextFileA(search_, &data_) != 0; }

 private:
  HANDLE search_;
  WIN32_FIND_DATAA data_;
};

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

class Win32Files : public Files {
 public:
  std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) override {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32Search>(search, data);
  }

  std::unique_ptr<ByteSource> OpenForRead(const char* path) override {
    HANDLE file = CreateFileA(path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(file);
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

Files& Win32FilesRole() {
  static Win32Files files;
  return files;
}

System& Win32SystemRole() {
  static Win32System system;
  return system;
}

int wmain(int argc, wchar_t** argv) {
  ImportedLibrary library;
  return UpdaterMain(argc, reinterpret_cast<const char16_t* const*>(argv), Win32ConsoleRole(),
                     Win32FilesRole(), Win32SystemRole(), library);
}
