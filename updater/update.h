// The update run: every listed hub, last first.
#ifndef QUILLET_UPDATER_UPDATE_H_
#define QUILLET_UPDATER_UPDATE_H_

#include <cstdint>

#include "updater_results.h"

enum class ImageCheck;
class Files;
class HubLibrary;
class Printer;
class System;
struct HubDeviceInfo;
struct PendingWrites;
struct UpdaterState;

// With CheckHUBFW set, a short-format hub whose version reads as FWVersion
// is left alone before any image is looked for.
bool SameLevelBeforeSelection(const UpdaterState& state, const HubDeviceInfo& hub);

// With CheckHUBFW set, every other hub's chosen image has its version
// compared with the hub's...
bool ComparesImageVersion(const UpdaterState& state, const HubDeviceInfo& hub);

// ...and the hub is left alone when the image delivers the version the hub
// reports.
bool SameLevelAfterSelection(const UpdaterState& state, const HubDeviceInfo& hub,
                             uint16_t imageVersion);

// Whether the image list lets the chosen image be written: with no list,
// or when it verifies.
bool ImageMayBeWritten(ImageCheck check);

// Always true. With `results`, each visited hub's outcome is added to them;
// a hub among `pending` that still waits for its power cycle is left alone.
bool DoUpdateFW(UpdaterState& state, Printer& out, Files& files, System& system,
                HubLibrary& library, UpdaterResults* results = nullptr,
                const PendingWrites* pending = nullptr);

#endif  // QUILLET_UPDATER_UPDATE_H_
