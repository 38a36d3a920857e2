// The driver session's side of a scripted Windows, shared by the launcher's
// double and the live check's: the current directory, the break keys and
// the two kernel locks. What a child does and what the session writes stay
// with each double, which tells its own story of them.
#ifndef QUILLET_TESTS_FAKES_FAKE_SESSION_H_
#define QUILLET_TESTS_FAKES_FAKE_SESSION_H_

#include <cstdint>
#include <cstring>
#include <string>

#include "driver_session.h"

class FakeSession : public SessionPlatform {
 public:
  // ---- Staging.
  std::string currentDirectory;
  // Non-zero: the directory call copies nothing and reports this size, as
  // GetCurrentDirectoryA does for a buffer too small. For sizes that the
  // length of currentDirectory alone would not give, such as exactly the
  // buffer's own size.
  uint32_t reportedTooSmall = 0;
  // Locks another process holds, by KernelLock.
  bool heldElsewhere[2] = {};

  // ---- Reading back.
  bool breaksIgnored = false;
  bool lockHeld[2] = {};
  // The locks' story, kept apart from any screen: "+run -write", "run held".
  std::string locks;

  bool Holds(KernelLock lock) const { return lockHeld[static_cast<int>(lock)]; }

  // ---- SessionPlatform.
  uint32_t CurrentDirectory(char* buffer, uint32_t size) override {
    if (reportedTooSmall != 0) return reportedTooSmall;
    uint32_t length = static_cast<uint32_t>(currentDirectory.size());
    if (length + 1 > size) return length + 1;
    std::memcpy(buffer, currentDirectory.c_str(), length + 1);
    return length;
  }

  void IgnoreBreakKeys(bool ignore) override {
    breaksIgnored = ignore;
    SessionEvent(ignore ? "breaks ignored" : "breaks restored");
  }

  bool TryLock(KernelLock lock) override {
    const int which = static_cast<int>(lock);
    if (heldElsewhere[which]) {
      locks += std::string(LockLabel(lock)) + " held ";
      return false;
    }
    lockHeld[which] = true;
    locks += std::string("+") + LockLabel(lock) + " ";
    return true;
  }
  void Unlock(KernelLock lock) override {
    lockHeld[static_cast<int>(lock)] = false;
    locks += std::string("-") + LockLabel(lock) + " ";
  }

 protected:
  // Each double's story of the session's events ("breaks ignored").
  virtual void SessionEvent(const std::string&) {}

 private:
  static const char* LockLabel(KernelLock lock) {
    switch (lock) {
      case KernelLock::kRun: return "run";
      case KernelLock::kWrite: return "write";
    }
    return "?";
  }
};

#endif  // QUILLET_TESTS_FAKES_FAKE_SESSION_H_
