// windows.h first: it renames ReplaceFile, and must rename it everywhere.
#include <windows.h>

#include "sim_platform_win32.h"

#include <cstdio>
#include <cstdlib>

namespace sim {
namespace {

class Win32Platform : public SimPlatform {
 public:
  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
  uint64_t NowMs() override { return GetTickCount64(); }
  bool ReplaceFile(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  }
  void Warn(const std::string& line) override {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
  }
};

}  // namespace

SimPlatform& Win32SimPlatform() {
  static Win32Platform platform;
  return platform;
}

std::string Environment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

std::string DescriptionPath() { return Environment("TZ415SIM_CONFIG", "TZ415Sim.ini"); }

}  // namespace sim
