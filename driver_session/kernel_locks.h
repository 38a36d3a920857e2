// The kernel locks that keep two updates off one computer, whatever rights
// each run has. The rule is here, over a role that each program implements
// with its named objects (locks_win32.cpp) and the host tests with a double.
//
// An elevated run (an administrator's, or SYSTEM's) holds its locks where
// no one without those rights can create or hold an object of their name,
// so that no one can block every update; a run without rights cannot see
// there. So an elevated run also shows, for each lock it holds, a sign under
// a public name that only an elevated run can make and that everyone can
// see; a run without rights stops when it sees one, before it writes
// anything.
#ifndef QUILLET_DRIVER_SESSION_KERNEL_LOCKS_H_
#define QUILLET_DRIVER_SESSION_KERNEL_LOCKS_H_

#include <cstdint>

// Named kernel objects held by one process; a holder that dies frees them.
enum class KernelLock : uint8_t {
  kRun,    // from before the driver's installation to after its removal
  kWrite,  // by the updater, for its whole run
};

// What a run finds under a lock's public sign.
enum class LockSign : uint8_t {
  kNone,      // nothing: no elevated run holds the lock
  kElevated,  // an elevated run's sign, as only an elevated run can tell
  kUnproven,  // something no elevated run is shown to have made: another's
              // object squatting on the name, or a sign that this run has
              // no right to look into
};

class KernelLocks {
 public:
  virtual ~KernelLocks() = default;

  // Whether this run is an elevated one, which may hold the locks where no
  // one else can and show their signs. The same answer all run long.
  virtual bool Elevated() = 0;

  // Takes the lock without waiting: an elevated run's where only elevated
  // runs meet, any other run's under a name of the whole computer. False
  // when another process holds it, or when it cannot be opened at all (a
  // lock we may not open is one we cannot prove free). A lock whose holder
  // died is free.
  virtual bool TryLock(KernelLock lock) = 0;
  // Gives back a lock this process took.
  virtual void Unlock(KernelLock lock) = 0;

  // Shows the lock's sign until HideSign or the end of the process; asked
  // only of an elevated run. Nothing shows where the name is taken.
  virtual void ShowSign(KernelLock lock) = 0;
  virtual void HideSign(KernelLock lock) = 0;
  // What is under the lock's sign now, this run's own sign included.
  virtual LockSign FindSign(KernelLock lock) = 0;
};

// Takes the run lock when no other run holds it and no updater is writing,
// and shows its sign. The write lock is only looked at, and given back at
// once: the updater takes it itself. False leaves both locks free of this
// process.
bool TakeRunLock(KernelLocks& locks);
// The run lock and its sign given back.
void GiveBackRunLock(KernelLocks& locks);

// Takes the write lock, and shows its sign, for the rest of the process,
// when no other updater writes; a run without rights also stops while an
// elevated launcher holds the run lock, as its updater is about to write.
bool TakeWriteLock(KernelLocks& locks);

// Whether another process holds `lock`, as far as this run can tell,
// keeping nothing.
bool LockHeldElsewhere(KernelLocks& locks, KernelLock lock);

// The role over Win32 (locks_win32.cpp); the host build has none.
KernelLocks& Win32LockRole();

#endif  // QUILLET_DRIVER_SESSION_KERNEL_LOCKS_H_
