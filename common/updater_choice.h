// Which updater runs on this computer: the launcher starts it, and the kit
// checker's --live reads the hubs through the library in its folder. Both
// ask here, so that the checker judges the folder the launcher would run.
#ifndef QUILLET_COMMON_UPDATER_CHOICE_H_
#define QUILLET_COMMON_UPDATER_CHOICE_H_

#include "shared_names.h"

// The three outcomes of looking up IsWow64Process and calling it.
enum class Wow64Answer {
  kNoFunction,  // the platform has no such function
  kNotWow64,    // the call left the flag false
  kWow64,       // a 32-bit process under 64-bit Windows
};

// A 64-bit program runs on 64-bit Windows by construction; a 32-bit one
// must ask whether it runs under the 32-bit emulation.
inline bool Is64BitWindows(bool processIs64Bit, Wow64Answer wow64) {
  return processIs64Bit || wow64 == Wow64Answer::kWow64;
}

// One updater of a kit: the program, its folder under the kit's root, its
// command line and its folder as a suffix of the start directory.
struct UpdaterChoice {
  const char* program;
  const char* folder;
  const char* command;
  const char* suffix;
};

inline const UpdaterChoice& UpdaterFor(bool windows64) {
  static const UpdaterChoice k32 = {"Quillet32", "x86", "Quillet32 " QUILLET_LAUNCH_TOKEN,
                                    "\\x86\\"};
  static const UpdaterChoice k64 = {"Quillet64", "x64", "Quillet64 " QUILLET_LAUNCH_TOKEN,
                                    "\\x64\\"};
  return windows64 ? k64 : k32;
}

#endif  // QUILLET_COMMON_UPDATER_CHOICE_H_
