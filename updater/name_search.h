// A directory search over names gathered when it starts, matched as Windows
// matches a search pattern. For the file roles that are not Windows': the
// kit checker's on POSIX and the tests' in-memory one.
#ifndef QUILLET_UPDATER_NAME_SEARCH_H_
#define QUILLET_UPDATER_NAME_SEARCH_H_

#include <string>
#include <vector>

#include "platform.h"

// '*' and '?' as Windows reads them, without regard to letter case.
bool MatchesWildcard(const char* mask, const char* name);

// Yields the names one at a time, in the order given; never empty.
class NameListSearch : public DirectorySearch {
 public:
  explicit NameListSearch(std::vector<std::string> names) : names_(std::move(names)) {}
  const char* Name() const override { return names_[at_].c_str(); }
  bool Next() override;

 private:
  std::vector<std::string> names_;
  size_t at_ = 0;
};

#endif  // QUILLET_UPDATER_NAME_SEARCH_H_
