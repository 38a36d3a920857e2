#include "kernel_locks.h"

namespace {

// Whether the lock's sign keeps this run out. An elevated run minds only
// another elevated run's sign: anything else under the public name may be
// anyone's, and must not block every update. A run without rights minds
// whatever is there, as it can neither tell an elevated run's sign from
// another object nor hold the elevated runs' locks.
bool SignBars(KernelLocks& locks, KernelLock lock) {
  LockSign sign = locks.FindSign(lock);
  return locks.Elevated() ? sign == LockSign::kElevated : sign != LockSign::kNone;
}

}  // namespace

// An elevated run also minds the signs: the namespace its locks live in is
// found only while its creator runs, so a run that comes after the creator
// has ended gets a namespace of its own, where the locks of runs still
// under way are not.
bool TakeRunLock(KernelLocks& locks) {
  if (!locks.TryLock(KernelLock::kRun)) return false;
  // An updater left writing by a launcher that died holds only this one.
  bool writing = !locks.TryLock(KernelLock::kWrite);
  if (!writing) locks.Unlock(KernelLock::kWrite);
  if (writing || SignBars(locks, KernelLock::kRun) || SignBars(locks, KernelLock::kWrite)) {
    locks.Unlock(KernelLock::kRun);
    return false;
  }
  if (locks.Elevated()) locks.ShowSign(KernelLock::kRun);
  return true;
}

// The sign first: a launcher that takes the lock the moment it is free
// must not find this run's sign still up.
void GiveBackRunLock(KernelLocks& locks) {
  if (locks.Elevated()) locks.HideSign(KernelLock::kRun);
  locks.Unlock(KernelLock::kRun);
}

// An elevated updater's own launcher shows the run's sign, so only a run
// without rights minds it: started by hand, or by a launcher without
// rights, while an elevated launcher installs the driver, it would find
// the driver and write beside that launcher's updater.
bool TakeWriteLock(KernelLocks& locks) {
  if (!locks.TryLock(KernelLock::kWrite)) return false;
  if (SignBars(locks, KernelLock::kWrite) ||
      (!locks.Elevated() && SignBars(locks, KernelLock::kRun))) {
    locks.Unlock(KernelLock::kWrite);
    return false;
  }
  if (locks.Elevated()) locks.ShowSign(KernelLock::kWrite);
  return true;
}

bool LockHeldElsewhere(KernelLocks& locks, KernelLock lock) {
  if (!locks.TryLock(lock)) return true;
  locks.Unlock(lock);
  return SignBars(locks, lock);
}
