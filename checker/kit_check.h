// The kit checker: what the updater would make of one updater folder
// (SpiFlash.ini and .\Binfile) and, when hubs are described, of each hub.
// Everything is worked out by the updater's own settings reader, image
// format and selection tests; the checker only collects their verdicts and
// names what they mean. It reads through a Files role and writes nothing.
#ifndef QUILLET_CHECKER_KIT_CHECK_H_
#define QUILLET_CHECKER_KIT_CHECK_H_

#include <string>

#include "hub_judge.h"
#include "image_list_check.h"
#include "image_scan.h"
#include "kit_compare.h"
#include "kit_report.h"
#include "next_run.h"
#include "selection_tests.h"
#include "settings_check.h"
#include "text.h"

class Files;
class HubLibrary;

namespace check {

// Checks the updater folder that `files` reads. With `hubs`, a library that
// lists hubs (described, replayed from a capture, or this computer's; it is
// handed the hub-ID table and asked for the hubs, never to program one),
// every hub is judged too. With `record`, the hubs are a computer's, with
// the record its last unattended run left: they are judged as the next
// unattended run judges them, and as a run without options would, and the
// folder's kit identity is told.
KitReport CheckKit(Files& files, HubLibrary* hubs, const std::string& folder,
                   const ComputerRecord* record = nullptr);

// Gives every image of `report` that can be read whole its digest: the one
// the image list's check took where it took one, hashed here otherwise (an
// image without a list, or one the list does not name). A check alone
// hashes none but the listed images; a bundle names each image's digest.
void HashEveryImage(Files& files, KitReport* report);

}  // namespace check

#endif  // QUILLET_CHECKER_KIT_CHECK_H_
