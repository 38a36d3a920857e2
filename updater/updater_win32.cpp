// The updater's Windows side: the Platform seam over Win32 and the C
// runtime, the adapter onto the imported TZ415API calls, and wmain.
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
              "the record's OsVersionInfo is the platform's OSVERSIONINFOW");
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

class Win32Platform : public Platform {
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

  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }

  bool GetVersion(OsVersionInfoW* info) override {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(info)) != 0;
#pragma GCC diagnostic pop
  }

  bool ReadMachineRegistryValue(const char16_t* key, const char16_t* name,
                                std::vector<uint8_t>* data) override {
    data->clear();
    HKEY opened;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t*>(key), 0,
                      KEY_READ, &opened) != ERROR_SUCCESS) {
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

  int WideToAnsi(const char16_t* text, int units, char* out, int outSize) override {
    return WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(text), units,
                               out, outSize, nullptr, nullptr);
  }

  std::unique_ptr<DirectorySearch> FindFiles(const char* pattern) override {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32Search>(search, data);
  }

  std::unique_ptr<ByteSource> OpenForRead(const char* path) override {
    HANDLE file = CreateFileA(path, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(file);
  }

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

std::unique_ptr<Platform> NewWin32Platform() { return std::make_unique<Win32Platform>(); }

int wmain(int argc, wchar_t** argv) {
  Win32Platform os;
  ImportedLibrary library;
  return UpdaterMain(argc, reinterpret_cast<const char16_t* const*>(argv), os, library);
}
