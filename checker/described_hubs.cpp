#include "described_hubs.h"

#include <utility>

#include "hub_description.h"
#include "hub_records.h"
#include "whole_file.h"

namespace check {

bool ReadHubDescription(const std::string& path, hubdesc::HubDescription* description,
                        std::string* error) {
  std::string text;
  switch (ReadWholeFile(path, kMaxDescriptionSize, &text)) {
    case WholeFile::kRead: return hubdesc::ParseHubDescription(text, path, description, error);
    case WholeFile::kTooLarge:
      *error = "the hub description " + path + " is larger than 1 MiB";
      return false;
    case WholeFile::kUnreadable: break;
  }
  *error = "cannot read the hub description " + path;
  return false;
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
