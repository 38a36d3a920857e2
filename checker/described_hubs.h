// Hubs from a hub description, listed by the description library as the
// hub simulator lists them: the checker judges the very records the updater
// would be handed under the simulator. Programming is refused: the checker
// never writes.
#ifndef QUILLET_CHECKER_DESCRIBED_HUBS_H_
#define QUILLET_CHECKER_DESCRIBED_HUBS_H_

#include <memory>
#include <string>

#include "tz415api.h"

namespace check {

// The largest description read; a longer file is no hub description.
constexpr size_t kMaxDescriptionSize = 1 << 20;

// Reads and parses the description at `path`. False with one line in *error
// when it cannot be read or does not parse.
bool ValidateHubDescription(const std::string& path, std::string* error);

// A library over the description at `path` (which must have validated):
// hands back the described hubs' records. One per checked folder, since the
// listing may depend on the hub-ID table it is handed.
std::unique_ptr<HubLibrary> DescribedHubs(const std::string& path);

}  // namespace check

#endif  // QUILLET_CHECKER_DESCRIBED_HUBS_H_
