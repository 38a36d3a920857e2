// The bundle's part on the last unattended run: the one place that reads
// this computer's record of it.
#ifndef QUILLET_CHECKER_BUNDLE_RECORD_H_
#define QUILLET_CHECKER_BUNDLE_RECORD_H_

#include <string>

class System;

namespace check {

// The last run's record as the launcher wrote it, one line each. False with why
// (a phrase) when there is none or it cannot be read.
bool ReadLastRunRecord(System& system, std::string* text, std::string* why);

}  // namespace check

#endif  // QUILLET_CHECKER_BUNDLE_RECORD_H_
