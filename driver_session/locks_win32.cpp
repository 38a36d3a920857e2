// KernelLocks over Win32: the locks as mutexes in a private namespace that
// only administrators and SYSTEM can create or open (or, where there is
// none, under names of the whole computer), and their signs as sections of
// the global namespace.
#include <windows.h>
// windows.h first: the others need its types.
#include <aclapi.h>
#include <sddl.h>

#include <string>

#include "kernel_locks.h"
#include "shared_names.h"

namespace {

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

// A sign's: owned by the Administrators group, which no one without those
// rights can make an object's owner, so an elevated run can tell a sign
// from an object another user left under its name. No access at all for
// anyone else: not even a handle to keep a sign up after its run.
PSECURITY_DESCRIPTOR SignSecurity() {
  static PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (descriptor == nullptr) {
    ConvertStringSecurityDescriptorToSecurityDescriptorA("O:BAD:P(A;;GA;;;BA)(A;;GA;;;SY)",
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

const char* SignName(KernelLock lock) {
  return lock == KernelLock::kRun ? QUILLET_RUN_SIGN : QUILLET_WRITE_SIGN;
}

bool MadeByElevatedRun(HANDLE sign) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(sign, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool elevated = owner != nullptr && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                                       IsWellKnownSid(owner, WinLocalSystemSid));
  LocalFree(descriptor);
  return elevated;
}

class Win32Locks : public KernelLocks {
 public:
  // Elevated when the Administrators group counts for this process: an
  // administrator whose run was not elevated has it for deny only. Not
  // asked more than once: the token does not change.
  bool Elevated() override {
    if (elevated_ < 0) {
      BYTE administrators[SECURITY_MAX_SID_SIZE];
      DWORD sidSize = sizeof administrators;
      BOOL member = FALSE;
      bool asked =
          CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) &&
          CheckTokenMembership(nullptr, administrators, &member);
      elevated_ = asked && member ? 1 : 0;
    }
    return elevated_ == 1;
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

  void Unlock(KernelLock lock) override { Close(&held_[static_cast<int>(lock)], true); }

  // A section shows, and goes with its last handle. In the global
  // namespace only a process with the right to create global objects can
  // make one, which no one without administrator rights has, outside the
  // services' session; the owner tells the rest apart.
  void ShowSign(KernelLock lock) override {
    HANDLE& shown = signs_[static_cast<int>(lock)];
    if (shown != nullptr || SignSecurity() == nullptr) return;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, SignSecurity(), FALSE};
    shown =
        CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READONLY, 0, 1, SignName(lock));
    // A token whose Administrators group may not own objects: the owner
    // this run gives anything it makes, which still hides nothing from a
    // run without rights.
    if (shown == nullptr && GetLastError() == ERROR_INVALID_OWNER) {
      attributes.lpSecurityDescriptor = AdministratorsOnly();
      shown = CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READONLY, 0, 1,
                                 SignName(lock));
    }
  }

  void HideSign(KernelLock lock) override { Close(&signs_[static_cast<int>(lock)], false); }

  // Only the owner is read, which a sign's own security grants no one
  // without rights: such a run finds an elevated run's sign unproven.
  LockSign FindSign(KernelLock lock) override {
    HANDLE sign = OpenFileMappingA(READ_CONTROL, FALSE, SignName(lock));
    if (sign == nullptr) {
      return GetLastError() == ERROR_FILE_NOT_FOUND ? LockSign::kNone : LockSign::kUnproven;
    }
    bool elevated = MadeByElevatedRun(sign);
    CloseHandle(sign);
    return elevated ? LockSign::kElevated : LockSign::kUnproven;
  }

 private:
  int elevated_ = -1;
  HANDLE held_[2] = {};
  HANDLE signs_[2] = {};

  static void Close(HANDLE* handle, bool mutex) {
    if (*handle == nullptr) return;
    if (mutex) ReleaseMutex(*handle);
    CloseHandle(*handle);
    *handle = nullptr;
  }
};

}  // namespace

KernelLocks& Win32LockRole() {
  static Win32Locks locks;
  return locks;
}
