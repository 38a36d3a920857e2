// The updater's printer. All text goes through Print, which hands each
// formatted piece to the console before returning, and every colour change
// goes through SetColour on the state's console handle.
#ifndef QUILLET_UPDATER_CONSOLE_H_
#define QUILLET_UPDATER_CONSOLE_H_

#include <cstdint>

class Platform;
struct UpdaterState;

#if defined(__GNUC__)
#define QUILLET_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define QUILLET_PRINTF(f, a)
#endif

void Print(Platform& os, const char* format, ...) QUILLET_PRINTF(2, 3);

// Console character attributes the updater uses.
enum ConsoleColour : uint16_t {
  kColourNormal = 0x07,
  kColourError = 0x0C,
  kColourSameLevel = 0x2F,
  kColourDoNotDisconnect = 0xE0,
  kColourPowerCycle = 0x20,
};

void SetColour(const UpdaterState& state, Platform& os, uint16_t attribute);

#endif  // QUILLET_UPDATER_CONSOLE_H_
