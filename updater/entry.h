// The updater's spine: the launch-token check and the first phase.
#ifndef QUILLET_UPDATER_ENTRY_H_
#define QUILLET_UPDATER_ENTRY_H_

#include <cstdint>

#include "shared_names.h"
#include "updater_results.h"

class Console;
class Deployment;
class Files;
class HubLibrary;
class HubModuleList;
class Printer;
class System;
struct UpdaterState;

// The wait between the banner and the enumeration, so that hubs the filter
// driver has just attached are there to be listed.
constexpr uint32_t kSettleMilliseconds = 3000;

// The only accepted first argument.
constexpr char16_t kLaunchToken[] = u"" QUILLET_LAUNCH_TOKEN;

// The program entry behind wmain: argv holds UTF-16 arguments. Always 0.
// After the token, "--results=NAME" asks for the run's results
// (updater_results.h); any other further argument changes nothing.
int UpdaterMain(int argc, const char16_t* const* argv, Console& console, Files& files,
                System& system, HubLibrary& library, Deployment& deployment);
// The same for the steps' host tests: the write lock is always free and
// results go nowhere.
int UpdaterMain(int argc, const char16_t* const* argv, Console& console, Files& files,
                System& system, HubLibrary& library);

// Headings, library version, settings, driver check, banner, enumeration.
// True when at least one acceptable hub was listed; `stage` tells where a
// false one stopped.
bool Initialization(UpdaterState& state, HubModuleList& modules, Printer& out, Files& files,
                    System& system, HubLibrary& library, UpdaterStage* stage = nullptr);

#endif  // QUILLET_UPDATER_ENTRY_H_
