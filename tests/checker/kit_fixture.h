// The kit checker's test kits: a clean kit (settings, one long-layout image,
// one hub) that each test edits to carry one mistake, and the lookups of
// what the check found.
#ifndef QUILLET_TESTS_CHECKER_KIT_FIXTURE_H_
#define QUILLET_TESTS_CHECKER_KIT_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fake_files.h"
#include "fake_hub_library.h"
#include "hub_builders.h"
#include "image_builder.h"
#include "kit_check.h"

namespace kit_fixture {

using check::Finding;
using check::FindingCode;
using check::HubReport;
using check::KitReport;
using check::Severity;

constexpr char kCleanSettings[] = "[TargetID_U3]\n"
                                  "1A2B0D12=0D12\n"
                                  "[Misc]\n"
                                  "Manufacturer&ProductStringCompare=1\n"
                                  "[HUBModule]\n"
                                  "HUBNumber=0\n"
                                  "[HUBName]\n"
                                  "WantuUpdateHUBName=Dock\n"
                                  "[HUBFWCheck]\n"
                                  "CheckHUBFW=0\n"
                                  "FWVersion=139\n";

// A long-layout image (flags bit 3: rule 4, B2/B3 chips with options 00),
// its second product field filled up to the image's last byte.
inline std::string LongImage(uint16_t id = 0x0D12, uint16_t version = 0x0A21,
                             const char* manufacturer = "Maker Inc.",
                             const char* product = "USB3.0 Hub",
                             size_t size = ImageBuilder::kLongSize) {
  return ImageBuilder(id, 0x08)
      .Size(size)
      .Version(version)
      .Manufacturer(manufacturer)
      .Product1(product)
      .Product2(std::string(47, 'p'))
      .Bytes();
}

inline HubDeviceInfo Hub(uint16_t vendor = 0x1A2B, uint16_t product = 0x0D12,
                         uint16_t version = 0x0A20) {
  HubDeviceInfo hub = MakeHub(vendor, product, version, 1, 1);
  hub.UsbVersion = 0x03;
  hub.ChipRevision = 0xB3;
  hub.ChipOptions = 0x00;
  SetHubString(hub.ManufacturerString, "Maker Inc.");
  SetHubString(hub.ProductString, "USB3.0 Hub");
  return hub;
}

inline HubDeviceInfo RootHub() {
  HubDeviceInfo hub = Hub();
  hub.Depth = 0;
  return hub;
}

struct Kit {
  std::string settings = kCleanSettings;
  std::vector<std::pair<std::string, std::string>> images = {{"A.BIN", LongImage()}};
  std::vector<HubDeviceInfo> hubs = {Hub()};
  bool describeHubs = true;
  // Binfile\SHA256SUMS: none when absent.
  std::optional<std::string> imageList;
  bool imageListUnreadable = false;
  // The hubs' computer's record: none for hubs that are no computer's.
  std::optional<check::ComputerRecord> record;

  KitReport Check() const {
    FakeFiles files;
    files.AddFile("SpiFlash.ini", settings);
    for (const auto& image : images) files.AddFile(".\\Binfile\\" + image.first, image.second);
    if (imageList) files.AddFile(".\\Binfile\\SHA256SUMS", *imageList);
    if (imageListUnreadable) files.AddUnopenableFile(".\\Binfile\\SHA256SUMS");
    FakeHubLibrary library;
    library.hubs = hubs;
    return check::CheckKit(files, describeHubs ? &library : nullptr, "kit",
                           record ? &*record : nullptr);
  }
};

inline std::string Replace(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

inline const Finding* FindingOf(const KitReport& report, FindingCode code) {
  for (const Finding& f : report.findings) {
    if (f.code == code) return &f;
  }
  return nullptr;
}

inline std::string Codes(const KitReport& report) {
  std::string codes;
  for (const Finding& f : report.findings)
    codes += std::string(f.Row().code) + "@" + std::to_string(f.line) + " ";
  return codes;
}

}  // namespace kit_fixture

#endif  // QUILLET_TESTS_CHECKER_KIT_FIXTURE_H_
