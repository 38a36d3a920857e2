#include "rooted_files.h"

namespace check {

std::string RootedFiles::Rooted(const char* path) const {
  std::string rest = path;
  if (rest.compare(0, 2, ".\\") == 0 || rest.compare(0, 2, "./") == 0) rest.erase(0, 2);
  for (char& c : rest) {
    if (c == '\\' || c == '/') c = separator_;
  }
  if (root_.empty()) return rest;
  std::string rooted = root_;
  if (rooted.back() != '/' && rooted.back() != '\\') rooted += separator_;
  return rooted + rest;
}

std::unique_ptr<DirectorySearch> RootedFiles::FindFiles(const char* pattern) {
  return inner_.FindFiles(Rooted(pattern).c_str());
}

std::unique_ptr<ByteSource> RootedFiles::OpenForRead(const char* path) {
  return inner_.OpenForRead(Rooted(path).c_str());
}

}  // namespace check
