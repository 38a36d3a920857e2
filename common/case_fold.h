// Letter case as our programs ignore it: ASCII letters only, whatever the
// locale, as the C runtime's "C" locale folds them. The updater's directory
// search, the image list's other-case entries, the module names and the hub
// description's keys all compare through here.
#ifndef QUILLET_COMMON_CASE_FOLD_H_
#define QUILLET_COMMON_CASE_FOLD_H_

#include <string>

constexpr char FoldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// `text` with every ASCII letter in lower case.
std::string Folded(std::string text);

bool SameIgnoringCase(const std::string& a, const std::string& b);

#endif  // QUILLET_COMMON_CASE_FOLD_H_
