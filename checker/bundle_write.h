// QuilletCheck --bundle FILE [--force] [FOLDER]: gathers the parts and
// writes the bundle.
#ifndef QUILLET_CHECKER_BUNDLE_WRITE_H_
#define QUILLET_CHECKER_BUNDLE_WRITE_H_

#include <string>

namespace check {

class CheckerHost;

struct BundleOptions {
  bool explain = false;
  std::string file;  // the bundle
  std::string folder;
  bool folderGiven = false;
  bool force = false;
};

int WriteBundleFile(const BundleOptions& options, CheckerHost& host, std::string* out,
                    std::string* err);

}  // namespace check

#endif  // QUILLET_CHECKER_BUNDLE_WRITE_H_
