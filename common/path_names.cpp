#include "path_names.h"

namespace {

size_t WithoutTrailingSeparators(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && (path[end - 1] == '\\' || path[end - 1] == '/')) --end;
  return end;
}

}  // namespace

std::string LastName(const std::string& path) {
  const size_t end = WithoutTrailingSeparators(path);
  const size_t cut = end == 0 ? std::string::npos : path.find_last_of("\\/:", end - 1);
  return cut == std::string::npos ? path.substr(0, end) : path.substr(cut + 1, end - cut - 1);
}

std::string ParentOf(const std::string& path) {
  const size_t end = WithoutTrailingSeparators(path);
  const size_t cut = end == 0 ? std::string::npos : path.find_last_of("\\/", end - 1);
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}
