// The launcher's Windows side: LauncherPlatform over Win32 and the C
// runtime (the driver session's part is session_win32.cpp's, the helpers
// it shares with the updater and the checker win32_common.cpp's), and main.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "launcher.h"
#include "updater_results.h"
#include "win32_common.h"

namespace {

class Win32LauncherPlatform : public LauncherPlatform {
 public:
  void Write(const char* text) override { session_.Write(text); }
  void WriteError(const char* text) override { session_.WriteError(text); }
  uint32_t CurrentDirectory(char* buffer, uint32_t size) override {
    return session_.CurrentDirectory(buffer, size);
  }
  void ChangeDirectory(const char* path) override { session_.ChangeDirectory(path); }
  bool RunChild(char* commandLine, const ChildStart& start, uint32_t* exitStatus) override {
    return session_.RunChild(commandLine, start, exitStatus);
  }
  void IgnoreBreakKeys(bool ignore) override { session_.IgnoreBreakKeys(ignore); }
  bool TryLock(KernelLock lock) override { return session_.TryLock(lock); }
  void Unlock(KernelLock lock) override { session_.Unlock(lock); }

  void RunCommand(const char* command) override {
    std::fflush(stdout);
    std::system(command);
  }

  Wow64Answer QueryWow64() override { return win32::QueryWow64(); }
  std::string UtcNow() override { return win32::UtcNow(); }

  std::string FullPath(const std::string& path) override {
    return win32::WideToUtf8(win32::FullPath(win32::Utf8ToWide(path)));
  }

  bool WriteReplacing(const std::string& path, const std::string& text) override {
    return win32::SaveFileWhole(win32::Utf8ToWide(path), text, true) == win32::SaveResult::kWritten;
  }

  std::string CreateResults() override {
    char name[64];
    std::snprintf(name, sizeof name, "%s%lu", QUILLET_RESULTS_NAME_PREFIX,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    results_ =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kResultsSize, name);
    // A section of that name that already exists is not ours to read.
    if (results_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(results_);
      results_ = nullptr;
    }
    return results_ != nullptr ? name : std::string();
  }

  std::string TakeResults() override {
    std::string text;
    if (results_ == nullptr) return text;
    const void* view = MapViewOfFile(results_, FILE_MAP_READ, 0, 0, kResultsSize);
    if (view != nullptr) {
      const char* bytes = static_cast<const char*>(view);
      size_t length = 0;
      while (length < kResultsSize && bytes[length] != '\0') ++length;
      text.assign(bytes, length);
      UnmapViewOfFile(view);
    }
    CloseHandle(results_);
    results_ = nullptr;
    return text;
  }

 private:
  SessionPlatform& session_ = Win32SessionRole();
  HANDLE results_ = nullptr;
};

}  // namespace

// Arguments other than options are ignored. Wide, so that a report's path
// in any script survives.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(win32::WideToUtf8(argv[i]));
  Win32LauncherPlatform os;
  // The deliverable is the 32-bit build, which asks Windows; the 64-bit
  // build serves the tests on machines that cannot run 32-bit programs.
  return LauncherMain(os, sizeof(void*) == 8, args);
}
