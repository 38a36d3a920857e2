// What the checker says about each of the updater's selection tests: its
// name in both reports, why an image failed it, and the values a JSON
// verdict carries. One switch over the tests holds all three, so a new test
// is a compile error there until it is described (checker/README.md's table
// is held equal to it by a test).
#ifndef QUILLET_CHECKER_SELECTION_TESTS_H_
#define QUILLET_CHECKER_SELECTION_TESTS_H_

#include <string>
#include <vector>

#include "kit_report.h"
#include "selection.h"

namespace check {

// A JSON member of a verdict beyond "test" and "why": its value as JSON.
struct VerdictMember {
  const char* name;
  std::string json;
};

struct TestDescription {
  const char* name;  // null for a value that names no test
  std::string why;   // with the values compared
  std::vector<VerdictMember> members;
};

// The verdict's failed test described; `image` is the image judged (an
// empty row for the once-per-hub tests).
TestDescription Describe(const Verdict& verdict, const ImageRow& image);

const char* TestName(SelectionTest test);
// Why an image failed the test its verdict names, with the values compared.
std::string Explain(const Verdict& verdict, const ImageRow& image);

}  // namespace check

#endif  // QUILLET_CHECKER_SELECTION_TESTS_H_
