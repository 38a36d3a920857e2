// SessionPlatform over Win32 and the C runtime: child processes, the
// working directory, the console's break keys and the named locks.
#include <windows.h>
// windows.h first: sddl.h needs its types.
#include <sddl.h>

#include <cstdio>
#include <string>

#include "driver_session.h"
#include "shared_names.h"

namespace {

BOOL WINAPI IgnoreBreakKey(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

// The locks' private namespace, looked up at run time: kernel32 has these
// calls from Windows Vista on, and a Windows (or Wine) without them must
// still start our programs.
struct NamespaceCalls {
  decltype(&CreateBoundaryDescriptorW) createBoundary = nullptr;
  decltype(&AddSIDToBoundaryDescriptor) addSid = nullptr;
  decltype(&DeleteBoundaryDescriptor) deleteBoundary = nullptr;
  decltype(&CreatePrivateNamespaceW) create = nullptr;
  decltype(&OpenPrivateNamespaceW) open = nullptr;
};

template <typename Function>
bool LookUp(HMODULE library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return *function != nullptr;
}

bool LookUpNamespaceCalls(NamespaceCalls* calls) {
  HMODULE kernel32 = GetModuleHandleW(L"kernel32");
  return kernel32 != nullptr &&
         LookUp(kernel32, "CreateBoundaryDescriptorW", &calls->createBoundary) &&
         LookUp(kernel32, "AddSIDToBoundaryDescriptor", &calls->addSid) &&
         LookUp(kernel32, "DeleteBoundaryDescriptor", &calls->deleteBoundary) &&
         LookUp(kernel32, "CreatePrivateNamespaceW", &calls->create) &&
         LookUp(kernel32, "OpenPrivateNamespaceW", &calls->open);
}

// Full access for the Administrators group and SYSTEM, none for anyone
// else: a deployment tool's run as SYSTEM and an administrator's own run
// must each open what the other made. Null when it cannot be made.
PSECURITY_DESCRIPTOR AdministratorsOnly() {
  static PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (descriptor == nullptr) {
    ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;GA;;;BA)(A;;GA;;;SY)",
                                                         SDDL_REVISION_1, &descriptor, nullptr);
  }
  return descriptor;
}

// The namespace, created or opened once and kept open for the process's
// life: its objects cannot be found by name once no handle holds it. Null
// where the platform has no private namespaces, or where this process may
// not create or open one (it is not an administrator, or not elevated).
HANDLE LockNamespace() {
  static HANDLE space = nullptr;
  static bool tried = false;
  if (tried) return space;
  tried = true;
  NamespaceCalls calls;
  PSECURITY_DESCRIPTOR descriptor = AdministratorsOnly();
  if (!LookUpNamespaceCalls(&calls) || descriptor == nullptr) return nullptr;
  HANDLE boundary = calls.createBoundary(L"" QUILLET_LOCK_NAMESPACE, 0);
  if (boundary == nullptr) return nullptr;
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof administrators;
  if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) &&
      calls.addSid(&boundary, administrators)) {
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    // Another process may close the last handle to the namespace between
    // our failed creation and our opening: try again, a few times.
    for (int attempt = 0; attempt < 3 && space == nullptr; ++attempt) {
      space = calls.create(&attributes, boundary, L"" QUILLET_LOCK_NAMESPACE);
      if (space != nullptr || GetLastError() != ERROR_ALREADY_EXISTS) break;
      space = calls.open(boundary, L"" QUILLET_LOCK_NAMESPACE);
    }
  }
  calls.deleteBoundary(boundary);
  return space;
}

std::string LockName(KernelLock lock) {
  if (LockNamespace() != nullptr) {
    return lock == KernelLock::kRun ? QUILLET_RUN_LOCK : QUILLET_WRITE_LOCK;
  }
  return lock == KernelLock::kRun ? QUILLET_OPEN_RUN_LOCK : QUILLET_OPEN_WRITE_LOCK;
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

  bool TryLock(KernelLock lock) override {
    HANDLE& held = held_[static_cast<int>(lock)];
    if (held != nullptr) return true;
    // Inside the namespace, only administrators and SYSTEM may open the
    // lock; outside it, as before, everyone, so that one user's run is seen
    // by another's.
    SECURITY_DESCRIPTOR everyone;
    InitializeSecurityDescriptor(&everyone, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&everyone, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &everyone, FALSE};
    if (LockNamespace() != nullptr) attributes.lpSecurityDescriptor = AdministratorsOnly();
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
