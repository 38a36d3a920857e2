// The kernel locks of a scripted Windows: what other processes hold and
// show, whether this run is elevated, and a story of what the run took and
// showed. Shared by the session's doubles and the lock rule's own tests.
#ifndef QUILLET_TESTS_FAKES_FAKE_LOCKS_H_
#define QUILLET_TESTS_FAKES_FAKE_LOCKS_H_

#include <string>

#include "kernel_locks.h"

class FakeLocks : public KernelLocks {
 public:
  // ---- Staging.
  bool elevated = true;
  // Locks another process holds, by KernelLock.
  bool heldElsewhere[2] = {};
  // What another process left under each lock's sign.
  LockSign signElsewhere[2] = {LockSign::kNone, LockSign::kNone};

  // ---- Reading back.
  bool lockHeld[2] = {};
  bool signShown[2] = {};
  // The locks' story, kept apart from any screen: "+run -write", "run held".
  std::string locks;
  // The signs' story: "+run -run".
  std::string signs;

  bool Holds(KernelLock lock) const { return lockHeld[static_cast<int>(lock)]; }

  // ---- KernelLocks.
  bool Elevated() override { return elevated; }

  bool TryLock(KernelLock lock) override {
    const int which = static_cast<int>(lock);
    if (heldElsewhere[which]) {
      locks += std::string(Label(lock)) + " held ";
      return false;
    }
    lockHeld[which] = true;
    locks += std::string("+") + Label(lock) + " ";
    return true;
  }
  void Unlock(KernelLock lock) override {
    lockHeld[static_cast<int>(lock)] = false;
    locks += std::string("-") + Label(lock) + " ";
  }

  // A run without rights cannot make a sign at all.
  void ShowSign(KernelLock lock) override {
    if (!elevated) return;
    signShown[static_cast<int>(lock)] = true;
    signs += std::string("+") + Label(lock) + " ";
  }
  void HideSign(KernelLock lock) override {
    signShown[static_cast<int>(lock)] = false;
    signs += std::string("-") + Label(lock) + " ";
  }
  LockSign FindSign(KernelLock lock) override {
    const int which = static_cast<int>(lock);
    if (signElsewhere[which] != LockSign::kNone) return signElsewhere[which];
    return signShown[which] ? LockSign::kElevated : LockSign::kNone;
  }

 private:
  static const char* Label(KernelLock lock) {
    switch (lock) {
      case KernelLock::kRun: return "run";
      case KernelLock::kWrite: return "write";
    }
    return "?";
  }
};

#endif  // QUILLET_TESTS_FAKES_FAKE_LOCKS_H_
