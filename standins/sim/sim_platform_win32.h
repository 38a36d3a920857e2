// The simulator's platform over Win32, and where its files are named: the
// library and the probe's power cycle share both.
#ifndef QUILLET_STANDINS_SIM_SIM_PLATFORM_WIN32_H_
#define QUILLET_STANDINS_SIM_SIM_PLATFORM_WIN32_H_

#include <string>

#include "simulator.h"

namespace sim {

SimPlatform& Win32SimPlatform();

// The variable's value, or `fallback` when it is unset or empty.
std::string Environment(const char* name, const char* fallback);

// TZ415SIM_CONFIG, or TZ415Sim.ini in the working directory.
std::string DescriptionPath();

}  // namespace sim

#endif  // QUILLET_STANDINS_SIM_SIM_PLATFORM_WIN32_H_
