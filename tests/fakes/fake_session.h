// The driver session's side of a scripted Windows, shared by the launcher's
// double and the live check's: the current directory, the break keys and
// the kernel locks (fake_locks.h). What a child does and what the session
// writes stay with each double, which tells its own story of them.
#ifndef QUILLET_TESTS_FAKES_FAKE_SESSION_H_
#define QUILLET_TESTS_FAKES_FAKE_SESSION_H_

#include <cstdint>
#include <cstring>
#include <string>

#include "driver_session.h"
#include "fake_locks.h"

class FakeSession : public SessionPlatform, public FakeLocks {
 public:
  // ---- Staging.
  std::string currentDirectory;
  // Non-zero: the directory call copies nothing and reports this size, as
  // GetCurrentDirectoryA does for a buffer too small. For sizes that the
  // length of currentDirectory alone would not give, such as exactly the
  // buffer's own size.
  uint32_t reportedTooSmall = 0;

  // ---- Reading back.
  bool breaksIgnored = false;

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

  KernelLocks& Locks() override { return *this; }

 protected:
  // Each double's story of the session's events ("breaks ignored").
  virtual void SessionEvent(const std::string&) {}
};

#endif  // QUILLET_TESTS_FAKES_FAKE_SESSION_H_
