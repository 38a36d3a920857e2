// The updater's Windows side: the console and deployment roles over Win32
// and the C runtime, the adapter onto the imported TZ415API calls, and
// wmain. The files and system roles are in files_win32.cpp and
// system_win32.cpp, shared with the kit checker.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "entry.h"
#include "kernel_locks.h"
#include "platform.h"
#include "tz415api.h"

namespace {

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

class Win32Deployment : public Deployment {
 public:
  bool TakeWriteLock() override { return ::TakeWriteLock(Win32LockRole()); }

  bool WriteResults(const char* name, const std::string& text) override {
    HANDLE section = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    if (section == nullptr) return false;
    void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, kResultsSize);
    bool written = view != nullptr && PutSectionText(view, text);
    if (view != nullptr) UnmapViewOfFile(view);
    CloseHandle(section);
    return written;
  }

  std::string ReadPending(const char* name) override {
    std::string text;
    HANDLE section = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
    if (section == nullptr) return text;
    const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, kResultsSize);
    if (view != nullptr) {
      text = SectionText(view);
      UnmapViewOfFile(view);
    }
    CloseHandle(section);
    return text;
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

Deployment& Win32DeploymentRole() {
  static Win32Deployment deployment;
  return deployment;
}

int wmain(int argc, wchar_t** argv) {
  ImportedLibrary library;
  return UpdaterMain(argc, reinterpret_cast<const char16_t* const*>(argv), Win32ConsoleRole(),
                     Win32FilesRole(), Win32SystemRole(), library, Win32DeploymentRole());
}
