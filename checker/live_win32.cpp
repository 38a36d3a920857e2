// The kit checker's --live on Windows: the maker's library loaded at run
// time from the kit, never imported, so that the checker starts where the
// library is missing; and the computer's share of a live check.
#include <windows.h>

#include <string>

#include "driver_session.h"
#include "live_check.h"
#include "platform.h"
#include "tz415api.h"
#include "win32_common.h"

namespace check {

namespace {

using VersionCall = int(TZ415API_CALL*)(uint32_t*);
using TableCall = int(TZ415API_CALL*)(void*);
using ProgramCall = int(TZ415API_CALL*)(uint8_t, const char*, int);

template <typename Call>
Call Export(HMODULE module, const char* name, std::string* missing) {
  FARPROC found = GetProcAddress(module, name);
  if (found == nullptr) *missing += std::string(missing->empty() ? "" : ", ") + name;
  return reinterpret_cast<Call>(reinterpret_cast<void*>(found));
}

// The library stays loaded until the process ends: it may keep the address
// of the record's head, which it was handed, for as long as it is loaded.
class LoadedLibrary : public HubLibrary {
 public:
  bool Load(HMODULE module, std::string* missing) {
    getDllVersion_ = Export<VersionCall>(module, "TA_GetDllVersion", missing);
    setIniInfo_ = Export<TableCall>(module, "TA_SetIniInfo", missing);
    getEnumInfo_ = Export<TableCall>(module, "TA_GetEnumInfo", missing);
    // Looked up only to tell the maker's library from another DLL; never
    // called.
    Export<ProgramCall>(module, "TA_UpdateISP", missing);
    return missing->empty();
  }
  void GetDllVersion(uint32_t* version) override { getDllVersion_(version); }
  void SetIniInfo(void* head) override { setIniInfo_(head); }
  void GetEnumInfo(uint8_t* deviceCount) override { getEnumInfo_(deviceCount); }
  int UpdateISP(uint8_t, const char*, int) override { return -1; }

 private:
  VersionCall getDllVersion_ = nullptr;
  TableCall setIniInfo_ = nullptr;
  TableCall getEnumInfo_ = nullptr;
};

class Win32Computer : public LiveComputer {
 public:
  bool ProcessIs64Bit() override { return sizeof(void*) == 8; }

  bool WindowsIs64Bit() override { return Is64BitWindows(ProcessIs64Bit(), win32::QueryWow64()); }

  std::string UtcNow() override { return win32::UtcNow(); }

  std::string ReportedWindowsVersion() override {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    if (!win32::ReportedWindowsVersion(&major, &minor, &build)) return std::string();
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build);
  }

  std::unique_ptr<HubLibrary> LoadHubLibrary(const std::string& path, std::string* why) override {
    // By its full path, and what it imports only from its own folder and
    // the system folder: no DLL planted in the working directory or along
    // PATH is loaded in its place.
    std::wstring wide = win32::AnsiToWide(path);
    HMODULE module =
        wide.empty()
            ? nullptr
            : LoadLibraryExW(wide.c_str(), nullptr,
                             LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
      *why = "cannot be loaded (error " + std::to_string(GetLastError()) + ")";
      return nullptr;
    }
    auto library = std::make_unique<LoadedLibrary>();
    std::string missing;
    if (!library->Load(module, &missing)) {
      FreeLibrary(module);
      *why = "does not export " + missing + ": it is not the hub library";
      return nullptr;
    }
    return library;
  }
};

class Win32WorkingFolder : public WorkingFolder {
 public:
  std::string FullPath(const std::string& path) override {
    return win32::WideToAnsi(win32::FullPath(win32::AnsiToWide(path)));
  }

  std::string WorkingDirectory() override {
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    std::string directory(needed, '\0');
    DWORD got = needed == 0 ? 0 : GetCurrentDirectoryA(needed, &directory[0]);
    directory.resize(got < needed ? got : 0);
    return directory;
  }

  bool ChangeDirectory(const std::string& path) override {
    return SetCurrentDirectoryA(path.c_str()) != FALSE;
  }
};

}  // namespace

const LiveMachine& Win32LiveRoles() {
  static Win32Computer computer;
  static Win32WorkingFolder folder;
  static const LiveMachine roles = {computer, folder, Win32SystemRole(), Win32SessionRole()};
  return roles;
}

}  // namespace check
