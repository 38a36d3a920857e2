// An in-memory machine for the system role: a Windows version, a registry,
// a single-byte code page, sleeps and write guards as events, and a clock
// that moves on a second each time it is read.
#ifndef QUILLET_TESTS_FAKE_SYSTEM_H_
#define QUILLET_TESTS_FAKE_SYSTEM_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform.h"

class FakeSystem : public System {
 public:
  void SetRegistryValue(const std::u16string& key, const std::u16string& name,
                        const std::vector<uint8_t>& data);
  // Key present but the value absent.
  void SetRegistryKey(const std::u16string& key);
  void SetVersion(uint32_t major, uint32_t minor) {
    major_ = major;
    minor_ = minor;
  }
  void FailGetVersion() { versionFails_ = true; }

  bool WindowsVersion(uint32_t* major, uint32_t* minor) override;
  bool ReadMachineRegistryValue(const char16_t* key, const char16_t* name,
                                std::vector<uint8_t>* data) override;
  // ASCII as itself, everything else as '?'.
  std::string WideToAnsi(const std::u16string& text) override;
  void Sleep(uint32_t milliseconds) override {
    SystemEvent("sleep " + std::to_string(milliseconds));
  }
  // "2026-12-09T06:16:00Z", then a second later at each reading.
  std::string UtcNow() override;

 protected:
  // Waits as "sleep 3000", write guards as "guard on"/"guard off"; a double
  // that shares a console's screen shows them there.
  virtual void SystemEvent(const std::string& /*text*/) {}

 private:
  void BeginCriticalWrite() override { SystemEvent("guard on"); }
  void EndCriticalWrite() override { SystemEvent("guard off"); }

  std::map<std::u16string, std::vector<uint8_t>> registry_;
  std::vector<std::u16string> keys_;
  uint32_t major_ = 10;
  uint32_t minor_ = 0;
  bool versionFails_ = false;
  int clock_ = 0;
};

// UTF-16LE bytes of a registry multi-string: each string, a zero, and the
// closing empty string.
std::vector<uint8_t> MultiString(const std::vector<std::string>& strings);

#endif  // QUILLET_TESTS_FAKE_SYSTEM_H_
