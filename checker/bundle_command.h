// The support bundle's commands (docs/support-bundle.md): --bundle writes
// one on a customer's computer, --explain reads it at support, and --unpack
// hands scripts/replay what a replay needs of it.
#ifndef QUILLET_CHECKER_BUNDLE_COMMAND_H_
#define QUILLET_CHECKER_BUNDLE_COMMAND_H_

#include <string>
#include <vector>

namespace check {

class CheckerHost;

// Whether `args` asks for a bundle command, which takes the whole command
// line.
bool IsBundleCommand(const std::vector<std::string>& args);
// Returns the exit status.
int BundleCommand(const std::vector<std::string>& args, CheckerHost& host, std::string* out,
                  std::string* err);

}  // namespace check

#endif  // QUILLET_CHECKER_BUNDLE_COMMAND_H_
