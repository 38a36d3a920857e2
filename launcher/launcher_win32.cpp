// The launcher's Windows side: LauncherPlatform over Win32 and the C
// runtime, and main.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "launcher.h"

namespace {

BOOL WINAPI IgnoreBreakKey(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

class Win32LauncherPlatform : public LauncherPlatform {
 public:
  void Write(const char* text) override {
    std::fputs(text, stdout);
    std::fflush(stdout);
  }

  void RunCommand(const char* command) override {
    std::fflush(stdout);
    std::system(command);
  }

  uint32_t CurrentDirectory(char* buffer, uint32_t size) override {
    return GetCurrentDirectoryA(size, buffer);
  }

  void ChangeDirectory(const char* path) override { SetCurrentDirectoryA(path); }

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

  bool RunChild(char* commandLine, StartupInfo startup, uint32_t* exitStatus) override {
    STARTUPINFOA info;
    if (startup == StartupInfo::Launchers) {
      GetStartupInfoA(&info);
    } else {
      ZeroMemory(&info, sizeof info);
      info.cb = sizeof info;
    }
    info.dwFlags = STARTF_USESHOWWINDOW;
    info.wShowWindow = SW_HIDE;

    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &info,
                        &process)) {
      return false;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    // A status that cannot be read counts as a failed run, not a clean one.
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    *exitStatus = status;
    return true;
  }

  void IgnoreBreakKeys(bool ignore) override {
    SetConsoleCtrlHandler(IgnoreBreakKey, ignore ? TRUE : FALSE);
  }
};

}  // namespace

// The command line is ignored.
int main() {
  Win32LauncherPlatform os;
  // The deliverable is the 32-bit build, which asks Windows; the 64-bit
  // build serves the tests on machines that cannot run 32-bit programs.
  return LauncherMain(os, sizeof(void*) == 8);
}
