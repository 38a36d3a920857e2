// `QuilletCheck --write-sums`: Binfile\SHA256SUMS for a kit builder, listing
// exactly the entries the updater's image search yields.
#ifndef QUILLET_CHECKER_WRITE_SUMS_H_
#define QUILLET_CHECKER_WRITE_SUMS_H_

#include <string>

#include "checker_host.h"

namespace check {

// Writes the list of the updater folder `folder`, to a temporary name first
// and then renamed, so that no half-written list is ever the list. An
// existing list (in any letter case) is replaced only with `force`, and
// keeps its name then. False, with one line in *error and nothing written,
// when an image cannot be hashed or named in a list, or the list exists.
bool WriteSums(CheckerHost& host, const std::string& folder, bool force, std::string* out,
               std::string* error);

}  // namespace check

#endif  // QUILLET_CHECKER_WRITE_SUMS_H_
