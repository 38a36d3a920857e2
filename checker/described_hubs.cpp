#include "described_hubs.h"

#include <cstdio>
#include <utility>

#include "hub_description.h"
#include "hub_records.h"

namespace check {

bool ReadHubDescription(const std::string& path, hubdesc::HubDescription* description,
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

std::unique_ptr<HubLibrary> DescribedHubs(const hubdesc::HubDescription& description) {
  return std::make_unique<hubdesc::DescribedHubLibrary>(description);
}

bool HubIdsDifferFromCapture(const KitReport& kit, const hubdesc::CaptureInfo& capture) {
  if (!kit.hubsDescribed || kit.settings.state == nullptr) return false;
  std::vector<TargetIdEntry> handed = hubdesc::HubIdTable(&kit.settings.state->TargetIdCount);
  return hubdesc::HubIdTableText(handed) != hubdesc::HubIdTableText(capture.hubIds);
}

}  // namespace check
