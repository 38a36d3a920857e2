// SessionPlatform over Win32 and the C runtime: child processes, the
// working directory and the console's break keys (the named locks are
// locks_win32.cpp's).
#include <windows.h>

#include <cstdio>

#include "driver_session.h"

namespace {

BOOL WINAPI IgnoreBreakKey(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

// An inheritable copy of one of our standard handles, for a child that gets
// its standard handles named; null when there is none to copy.
HANDLE InheritableCopy(HANDLE handle) {
  HANDLE copy = nullptr;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS)) {
    return nullptr;
  }
  return copy;
}

HANDLE NullInput() {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);
  return nul == INVALID_HANDLE_VALUE ? nullptr : nul;
}

class Win32Session : public SessionPlatform {
 public:
  void Write(const char* text) override {
    std::fputs(text, stdout);
    std::fflush(stdout);
  }

  void WriteError(const char* text) override {
    std::fputs(text, stderr);
    std::fflush(stderr);
  }

  uint32_t CurrentDirectory(char* buffer, uint32_t size) override {
    return GetCurrentDirectoryA(size, buffer);
  }

  void ChangeDirectory(const char* path) override { SetCurrentDirectoryA(path); }

  bool RunChild(char* commandLine, const ChildStart& start, uint32_t* exitStatus) override {
    STARTUPINFOA info;
    if (start.startup == StartupInfo::kLaunchers) {
      GetStartupInfoA(&info);
    } else {
      ZeroMemory(&info, sizeof info);
      info.cb = sizeof info;
    }
    info.dwFlags = STARTF_USESHOWWINDOW;
    info.wShowWindow = SW_HIDE;

    // Standard handles are named only when the child's differ from ours;
    // otherwise nothing is inherited, as ever.
    const bool named = start.noInput || start.output == ChildOutput::kStandardError;
    HANDLE handles[3] = {};
    if (named) {
      handles[0] = start.noInput ? NullInput() : InheritableCopy(GetStdHandle(STD_INPUT_HANDLE));
      handles[1] = InheritableCopy(GetStdHandle(
          start.output == ChildOutput::kStandardError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE));
      handles[2] = InheritableCopy(GetStdHandle(STD_ERROR_HANDLE));
      info.dwFlags |= STARTF_USESTDHANDLES;
      info.hStdInput = handles[0];
      info.hStdOutput = handles[1];
      info.hStdError = handles[2];
    }

    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    std::fflush(stdout);
    BOOL created = CreateProcessA(nullptr, commandLine, nullptr, nullptr, named ? TRUE : FALSE, 0,
                                  nullptr, nullptr, &info, &process);
    for (HANDLE handle : handles) {
      if (handle != nullptr) CloseHandle(handle);
    }
    if (!created) return false;
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

  KernelLocks& Locks() override { return Win32LockRole(); }
};

}  // namespace

SessionPlatform& Win32SessionRole() {
  static Win32Session session;
  return session;
}
