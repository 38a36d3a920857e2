// Hubs from a hub description, listed by the description library as the
// hub simulator lists them: the checker judges the very records the updater
// would be handed under the simulator. Programming is refused: the checker
// never writes.
#ifndef QUILLET_CHECKER_DESCRIBED_HUBS_H_
#define QUILLET_CHECKER_DESCRIBED_HUBS_H_

#include <memory>
#include <string>
#include <vector>

#include "hub_description.h"
#include "kit_report.h"
#include "tz415api.h"

namespace check {

// The largest description read; a longer file is no hub description.
constexpr size_t kMaxDescriptionSize = 1 << 20;

// Reads and parses the description at `path`. False with one line in *error
// ("<path>:<line>: <what>" for a bad description) when it cannot be read or
// does not parse, a bad capture among them.
bool ReadHubDescription(const std::string& path, hubdesc::HubDescription* description,
                        std::string* error);

// A library over a description that was read: hands back the described
// hubs' records. One per checked folder, since the listing may depend on the
// hub-ID table it is handed.
std::unique_ptr<HubLibrary> DescribedHubs(const hubdesc::HubDescription& description);

// Whether the hub-ID table that `kit`'s settings hand to the library differs
// from the capture's; false when no table was handed (no hubs were listed).
bool HubIdsDifferFromCapture(const KitReport& kit, const hubdesc::CaptureInfo& capture);

}  // namespace check

#endif  // QUILLET_CHECKER_DESCRIBED_HUBS_H_
