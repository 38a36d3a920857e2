#include "described_hubs.h"

#include <cstdio>

#include "hub_description.h"
#include "simulator.h"

namespace check {

namespace {

// The simulator's platform for listing alone: no time passes, no file is
// replaced, and its warnings are not the checker's to print.
class ListingOnly : public sim::SimPlatform {
 public:
  void Sleep(uint32_t) override {}
  uint64_t NowMs() override { return 0; }
  bool ReplaceFile(const std::string&, const std::string&) override { return false; }
  void Warn(const std::string&) override {}
};

class SimulatedHubs : public HubLibrary {
 public:
  explicit SimulatedHubs(const std::string& path) : simulator_(platform_, path, "") {}
  void GetDllVersion(uint32_t* version) override { simulator_.GetDllVersion(version); }
  void SetIniInfo(void* head) override { simulator_.SetIniInfo(head); }
  void GetEnumInfo(uint8_t* deviceCount) override { simulator_.GetEnumInfo(deviceCount); }
  int UpdateISP(uint8_t, const char*, int) override { return -1; }

 private:
  ListingOnly platform_;
  sim::Simulator simulator_;
};

}  // namespace

bool ValidateHubDescription(const std::string& path, std::string* error) {
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
  sim::HubDescription description;
  return sim::ParseHubDescription(text, path, &description, error);
}

std::unique_ptr<HubLibrary> DescribedHubs(const std::string& path) {
  return std::make_unique<SimulatedHubs>(path);
}

}  // namespace check
