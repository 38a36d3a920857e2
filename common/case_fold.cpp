#include "case_fold.h"

std::string Folded(std::string text) {
  for (char& c : text) c = FoldCase(c);
  return text;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}
