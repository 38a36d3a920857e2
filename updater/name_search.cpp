#include "name_search.h"

#include "case_fold.h"

bool MatchesWildcard(const char* mask, const char* name) {
  for (; *mask != '\0'; ++mask, ++name) {
    if (*mask == '*') {
      for (const char* rest = name;; ++rest) {
        if (MatchesWildcard(mask + 1, rest)) return true;
        if (*rest == '\0') return false;
      }
    }
    if (*name == '\0') return false;
    if (*mask != '?' && FoldCase(*mask) != FoldCase(*name)) return false;
  }
  return *name == '\0';
}

bool NameListSearch::Next() {
  if (at_ + 1 >= names_.size()) return false;
  ++at_;
  return true;
}
