#include "described_hubs.h"

#include <cstdio>
#include <utility>

#include "hub_description.h"
#include "hub_records.h"

namespace check {
namespace {

bool ReadDescription(const std::string& path, hubdesc::HubDescription* description,
                     std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = "cannot read the hub description " + path;
    return false;
  }
  std::string text;
  char buffer[65536];
  size_t got;
  while (text.size() <= kMaxDescriptionSize &&
         (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, got);
  }
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *error = "cannot read the hub description " + path;
    return false;
  }
  if (text.size() > kMaxDescriptionSize) {
    *error = "the hub description " + path + " is larger than 1 MiB";
    return false;
  }
  return hubdesc::ParseHubDescription(text, path, description, error);
}

}  // namespace

bool ValidateHubDescription(const std::string& path, std::string* error) {
  hubdesc::HubDescription description;
  return ReadDescription(path, &description, error);
}

std::unique_ptr<HubLibrary> DescribedHubs(const std::string& path) {
  hubdesc::HubDescription description;
  std::string error;
  ReadDescription(path, &description, &error);
  return std::make_unique<hubdesc::DescribedHubLibrary>(std::move(description));
}

}  // namespace check
