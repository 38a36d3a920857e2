// SessionPlatform over Win32 and the C runtime: child processes, the
// working directory, the console's break keys and the named locks.
#include <windows.h>

#include <cstdio>
#include <string>

#include "driver_session.h"
#include "shared_names.h"

namespace {

BOOL WINAPI IgnoreBreakKey(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

std::string LockName(KernelLock lock) {
  std::string name = lock == KernelLock::Run ? QUILLET_RUN_LOCK : QUILLET_WRITE_LOCK;
  char suffix[64];
  DWORD length = GetEnvironmentVariableA(QUILLET_TEST_LOCK_SUFFIX, suffix, sizeof suffix);
  if (length > 0 && length < sizeof suffix) name += suffix;
  return name;
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
    if (start.startup == StartupInfo::Launchers) {
      GetStartupInfoA(&info);
    } else {
      ZeroMemory(&info, sizeof info);
      info.cb = sizeof info;
    }
    info.dwFlags = STARTF_USESHOWWINDOW;
    info.wShowWindow = SW_HIDE;

    // Standard handles are named only when the child's differ from ours;
    // otherwise nothing is inherited, as ever.
    const bool named = start.noInput || start.output == ChildOutput::StandardError;
    HANDLE handles[3] = {};
    if (named) {
      handles[0] = start.noInput ? NullInput() : InheritableCopy(GetStdHandle(STD_INPUT_HANDLE));
      handles[1] = InheritableCopy(GetStdHandle(
          start.output == ChildOutput::StandardError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE));
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

  bool TryLock(KernelLock lock) override {
    HANDLE& held = held_[static_cast<int>(lock)];
    if (held != nullptr) return true;
    // No access list at all: every user of every session may open the lock,
    // so that one user's run is seen by another's.
    SECURITY_DESCRIPTOR everyone;
    InitializeSecurityDescriptor(&everyone, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&everyone, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &everyone, FALSE};
    const std::string name = LockName(lock);
    HANDLE mutex = CreateMutexA(&attributes, FALSE, name.c_str());
    // Access denied, or any other failure: a lock we cannot open is one we
    // cannot prove free.
    if (mutex == nullptr) return false;
    DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
      CloseHandle(mutex);
      return false;
    }
    held = mutex;
    return true;
  }

  void Unlock(KernelLock lock) override {
    HANDLE& held = held_[static_cast<int>(lock)];
    if (held == nullptr) return;
    ReleaseMutex(held);
    CloseHandle(held);
    held = nullptr;
  }

 private:
  HANDLE held_[2] = {};
};

}  // namespace

SessionPlatform& Win32SessionRole() {
  static Win32Session session;
  return session;
}
