// The settings reader's echo, printed from what it took.
#ifndef QUILLET_UPDATER_SETTINGS_ECHO_H_
#define QUILLET_UPDATER_SETTINGS_ECHO_H_

#include <cstddef>

class Printer;
struct Settings;
struct UpdaterState;

// Echoes the taken values from `from` on as the reader echoes them; `state`
// holds the hub-ID table.
void PrintTaken(Printer& out, const UpdaterState& state, const Settings& settings, size_t from);

#endif  // QUILLET_UPDATER_SETTINGS_ECHO_H_
