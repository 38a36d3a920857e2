#include "fake_system.h"

#include <algorithm>
#include <cstdio>

void FakeSystem::SetRegistryValue(const std::u16string& key, const std::u16string& name,
                                  const std::vector<uint8_t>& data) {
  SetRegistryKey(key);
  registry_[key + u"\\" + name] = data;
}

void FakeSystem::SetRegistryKey(const std::u16string& key) {
  if (std::find(keys_.begin(), keys_.end(), key) == keys_.end()) keys_.push_back(key);
}

bool FakeSystem::WindowsVersion(uint32_t* major, uint32_t* minor) {
  if (versionFails_) return false;
  *major = major_;
  *minor = minor_;
  return true;
}

bool FakeSystem::ReadMachineRegistryValue(const char16_t* key, const char16_t* name,
                                          std::vector<uint8_t>* data) {
  data->clear();
  if (std::find(keys_.begin(), keys_.end(), std::u16string(key)) == keys_.end()) return false;
  auto value = registry_.find(std::u16string(key) + u"\\" + name);
  if (value == registry_.end()) return false;
  *data = value->second;
  return true;
}

std::string FakeSystem::WideToAnsi(const std::u16string& text) {
  std::string ansi;
  for (char16_t unit : text) ansi += unit < 0x80 ? static_cast<char>(unit) : '?';
  return ansi;
}

std::vector<uint8_t> MultiString(const std::vector<std::string>& strings) {
  std::vector<uint8_t> bytes;
  for (const std::string& s : strings) {
    for (char c : s) {
      bytes.push_back(static_cast<uint8_t>(c));
      bytes.push_back(0);
    }
    bytes.push_back(0);
    bytes.push_back(0);
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

std::string FakeSystem::UtcNow() {
  char text[32];
  std::snprintf(text, sizeof text, "2026-12-09T06:%02d:%02dZ", (16 + clock_ / 60) % 60,
                clock_ % 60);
  ++clock_;
  return text;
}
