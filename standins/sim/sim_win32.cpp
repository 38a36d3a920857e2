// TZ415API.dll, our stand-in for the maker's hub-access library: the four
// exported calls over one Simulator, which reads the hub description named
// by TZ415SIM_CONFIG (or TZ415Sim.ini in the working directory) at the
// first call, logs every call to TZ415SIM_LOG and the start of every write
// to TZ415SIM_STARTS when those are set.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "simulator.h"
#include "tz415api.h"

namespace {

class Win32SimPlatform : public sim::SimPlatform {
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

std::string Environment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

sim::Simulator& TheSimulator() {
  static Win32SimPlatform platform;
  static sim::Simulator simulator(platform, Environment("TZ415SIM_CONFIG", "TZ415Sim.ini"),
                                  Environment("TZ415SIM_LOG", ""),
                                  Environment("TZ415SIM_STARTS", ""));
  return simulator;
}

}  // namespace

extern "C" {

int TZ415API_CALL TA_GetDllVersion(uint32_t* version) {
  return TheSimulator().GetDllVersion(version);
}

int TZ415API_CALL TA_SetIniInfo(void* head) { return TheSimulator().SetIniInfo(head); }

int TZ415API_CALL TA_GetEnumInfo(void* deviceCount) {
  return TheSimulator().GetEnumInfo(deviceCount);
}

int TZ415API_CALL TA_UpdateISP(uint8_t index, const char* path, int reserved) {
  return TheSimulator().UpdateISP(index, path, reserved);
}
}
