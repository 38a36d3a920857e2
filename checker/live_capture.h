// What a capture of this computer's hubs records about the computer beyond
// the hubs: the Windows version as the registry keeps it (our programs are
// told 6.2 under their manifest, whatever runs). Nothing that names the
// computer or its user.
#ifndef QUILLET_CHECKER_LIVE_CAPTURE_H_
#define QUILLET_CHECKER_LIVE_CAPTURE_H_

#include <string>

class System;

namespace check {

class LiveHubs;
struct LiveMachine;

// "10.0.19045" from the registry's version numbers and build, or
// "6.1.7601" from its version text on releases that keep no numbers; empty
// when neither can be read.
std::string RegistryWindowsVersion(System& system);

// The capture of what `hubs` listed for the updater folder `folder`, of
// which only the name is written. False with one line in *error when the
// library was never asked for the hubs (the updater stops before it).
bool LiveCaptureText(const LiveMachine& machine, const LiveHubs& hubs, const std::string& folder,
                     std::string* text, std::string* error);

}  // namespace check

#endif  // QUILLET_CHECKER_LIVE_CAPTURE_H_
