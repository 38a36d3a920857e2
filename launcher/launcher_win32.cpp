// The launcher's Windows side: LauncherPlatform over Win32 and the C
// runtime (the driver session's part is session_win32.cpp's), and main.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "launcher.h"

namespace {

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

 private:
  SessionPlatform& session_ = Win32SessionRole();
};

}  // namespace

// The command line is ignored.
int main() {
  Win32LauncherPlatform os;
  // The deliverable is the 32-bit build, which asks Windows; the 64-bit
  // build serves the tests on machines that cannot run 32-bit programs.
  return LauncherMain(os, sizeof(void*) == 8);
}
