// A kit root's two folders compared: 32-bit and 64-bit Windows must get the
// same settings and images.
#ifndef QUILLET_CHECKER_KIT_COMPARE_H_
#define QUILLET_CHECKER_KIT_COMPARE_H_

#include <vector>

#include "kit_report.h"

class Files;

namespace check {

// Makes a kit root's difference between its two folders a finding of `into`.
void CompareKits(const KitReport& x86, const KitReport& x64, Files& filesX86, Files& filesX64,
                 std::vector<Finding>* into);

}  // namespace check

#endif  // QUILLET_CHECKER_KIT_COMPARE_H_
