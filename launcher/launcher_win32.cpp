// The launcher's Windows side: LauncherPlatform over Win32 and the C
// runtime (the driver session's part is session_win32.cpp's), and main.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "launcher.h"
#include "updater_results.h"

namespace {

std::wstring Wide(const std::string& utf8) {
  int units = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], units);
  wide.resize(static_cast<size_t>(units) - 1);
  return wide;
}

std::string Utf8(const wchar_t* wide) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, &utf8[0], bytes, nullptr, nullptr);
  utf8.resize(static_cast<size_t>(bytes) - 1);
  return utf8;
}

class Win32LauncherPlatform : public LauncherPlatform {
 public:
  void Write(const char* text) override { session_.Write(text); }
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

  Wow64Answer QueryWow64() override {
    using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel32 = GetModuleHandleW(L"kernel32");
    FARPROC found = kernel32 ? GetProcAddress(kernel32, "IsWow64Process") : nullptr;
    if (found == nullptr) return Wow64Answer::NoFunction;
    auto isWow64Process = reinterpret_cast<IsWow64ProcessCall>(reinterpret_cast<void*>(found));
    BOOL wow64 = FALSE;
    isWow64Process(GetCurrentProcess(), &wow64);
    return wow64 ? Wow64Answer::Wow64 : Wow64Answer::NotWow64;
  }

  std::string UtcNow() override {
    SYSTEMTIME now;
    GetSystemTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
  }

  std::string FullPath(const std::string& path) override {
    const std::wstring wide = Wide(path);
    DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::vector<wchar_t> full(size);
    if (GetFullPathNameW(wide.c_str(), size, full.data(), nullptr) == 0) return path;
    return Utf8(full.data());
  }

  bool WriteReplacing(const std::string& path, const std::string& text) override {
    const std::wstring target = Wide(path);
    const std::wstring temporary = target + L".tmp";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL wrote = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    BOOL flushed = FlushFileBuffers(file);
    CloseHandle(file);
    if (!wrote || !flushed || written != text.size() ||
        !MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      DeleteFileW(temporary.c_str());
      return false;
    }
    return true;
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
  for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
  Win32LauncherPlatform os;
  // The deliverable is the 32-bit build, which asks Windows; the 64-bit
  // build serves the tests on machines that cannot run 32-bit programs.
  return LauncherMain(os, sizeof(void*) == 8, args);
}
