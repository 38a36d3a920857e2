// The settings findings: what the updater's reader takes from SpiFlash.ini,
// what it silently skips, and whether the modules' files and FWVersion fit
// the images.
#ifndef QUILLET_CHECKER_SETTINGS_CHECK_H_
#define QUILLET_CHECKER_SETTINGS_CHECK_H_

#include "kit_report.h"

class Files;
class HubLibrary;

namespace check {

// The settings as the reader takes them (it hands `library` the hub-ID
// table), with the findings about the lines it left.
void ReadSettings(Files& files, HubLibrary& library, KitReport* report);

// Against the images read: each module's file, and with CheckHUBFW whether
// an image delivers FWVersion to the short-format hubs.
void CheckModuleFiles(KitReport* report);
void CheckFwVersion(KitReport* report);

}  // namespace check

#endif  // QUILLET_CHECKER_SETTINGS_CHECK_H_
