// QuilletCheck --bundle FILE [--force] [FOLDER]: the kit judged as a check
// judges it, this computer read through the lease --live takes, and the
// parts written as one file.
#ifndef QUILLET_CHECKER_BUNDLE_WRITE_H_
#define QUILLET_CHECKER_BUNDLE_WRITE_H_

#include <string>

namespace check {

class CheckerHost;

// Writes the bundle of the kit `folder` to `file`, replacing a file only
// with `force`. Returns the exit status: kClean for a whole bundle, kFound
// when a part is missing, kUsage when nothing was written.
int WriteBundleFile(CheckerHost& host, const std::string& file, const std::string& folder,
                    bool force, std::string* out, std::string* err);

}  // namespace check

#endif  // QUILLET_CHECKER_BUNDLE_WRITE_H_
