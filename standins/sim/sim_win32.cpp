// TZ415API.dll, our stand-in for the maker's hub-access library: the four
// exported calls over one Simulator, which reads the hub description named
// by TZ415SIM_CONFIG (or TZ415Sim.ini in the working directory) at the
// first call, logs every call to TZ415SIM_LOG and the start of every write
// to TZ415SIM_STARTS when those are set, and with
// TZ415SIM_ACTIVATE_AT_POWER_CYCLE=1 lets written firmware take effect only
// at the next power cycle (tz415sim_probe powercycle).
#include <windows.h>

#include "sim_platform_win32.h"
#include "simulator.h"
#include "tz415api.h"

namespace {

sim::Simulator& TheSimulator() {
  static sim::Simulator simulator(sim::Win32SimPlatform(), sim::DescriptionPath(),
                                  sim::Environment("TZ415SIM_LOG", ""),
                                  sim::Environment("TZ415SIM_STARTS", ""),
                                  sim::Environment("TZ415SIM_ACTIVATE_AT_POWER_CYCLE", "0") == "1");
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
