// QuilletCheck --explain BUNDLE [KIT]: a support summary of a bundle, and,
// with the support engineer's own copy of the kit, every difference between
// the two kits and the customer's hubs judged again by the checker.
#ifndef QUILLET_CHECKER_EXPLAIN_H_
#define QUILLET_CHECKER_EXPLAIN_H_

#include <string>

namespace check {

class CheckerHost;

// `kit` empty: the bundle alone. Returns the exit status.
int ExplainCommand(const std::string& bundlePath, const std::string& kit, CheckerHost& host,
                   std::string* out, std::string* err);

}  // namespace check

#endif  // QUILLET_CHECKER_EXPLAIN_H_
