#include "rooted_files.h"

namespace check {

std::string JoinPath(const std::string& folder, const std::string& name, char separator) {
  if (folder.empty()) return name;
  char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + separator + name;
}

std::string LastName(std::string path) {
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string Parent(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && (path[end - 1] == '\\' || path[end - 1] == '/')) --end;
  size_t cut = path.find_last_of("\\/", end == 0 ? 0 : end - 1);
  if (cut == std::string::npos || end == 0) return std::string();
  return path.substr(0, cut);
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
