#include "rooted_files.h"

namespace check {

std::string JoinPath(const std::string& folder, const std::string& name, char separator) {
  if (folder.empty()) return name;
  char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + separator + name;
}

std::string RootedFiles::Rooted(const char* path) const {
  std::string rest = path;
  if (rest.compare(0, 2, ".\\") == 0 || rest.compare(0, 2, "./") == 0) rest.erase(0, 2);
  for (char& c : rest) {
    if (c == '\\' || c == '/') c = separator_;
  }
  return JoinPath(root_, rest, separator_);
}

std::unique_ptr<DirectorySearch> RootedFiles::FindFiles(const char* pattern) {
  return inner_.FindFiles(Rooted(pattern).c_str());
}

std::unique_ptr<ByteSource> RootedFiles::OpenForRead(const char* path) {
  return inner_.OpenForRead(Rooted(path).c_str());
}

}  // namespace check
