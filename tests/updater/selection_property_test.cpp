// Over many random Binfile folders, hub records and settings: whatever image
// selection chooses must pass every image rule for that hub, checked here by
// rules written out afresh from the image format (not by calling the
// selection code), and it must be the first such file in directory order.
// The update run must program a hub only with the image chosen for it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake_hub_library.h"
#include "fake_platform.h"
#include "printer.h"
#include "random_world.h"
#include "selection.h"
#include "settings.h"
#include "update.h"
#include "run_state.h"

namespace {

using namespace random_world;

// ---- The image rules, written out from the format's description.

bool Bytes(const std::string& image, size_t offset, size_t length, std::string* out) {
  if (image.size() < offset + length) return false;
  *out = image.substr(offset, length);
  return true;
}

bool SameAs(const std::string& image, size_t offset, const uint8_t* hubField, size_t length) {
  std::string field;
  return Bytes(image, offset, length, &field) && std::memcmp(field.data(), hubField, length) == 0;
}

bool SuitsChip(const std::string& image, uint8_t flags, const HubDeviceInfo& hub) {
  bool b7 = flags & 0x80, b2 = flags & 0x04, b3 = flags & 0x08;
  int options = hub.ChipOptions & 0x30;
  bool rev10 = hub.ChipRevision == 0x10;
  bool revB = hub.ChipRevision == 0xB2 || hub.ChipRevision == 0xB3;
  std::string word;
  bool signature = image.size() == 28801 && Bytes(image, 8044, 2, &word) && word == "\x10\x90";
  return (!b7 && b2 && !b3 && options == 0x30 && rev10) ||
         (!b7 && !b2 && !b3 && options == 0x00 && rev10) ||
         (!b7 && b2 && b3 && options == 0x30 && revB) ||
         (!b7 && !b2 && b3 && options == 0x00 && revB) || (b7 && options == 0x10 && revB) ||
         (!b7 && b2 && options != 0x00 && revB && signature) ||
         (!b7 && !b2 && options == 0x00 && revB && signature);
}

// The wanted file name under [HUBModule], "" for none needed, or false when
// no module describes the hub's place.
bool WantedName(const UpdaterState& s, const HubDeviceInfo& hub, std::string* wanted) {
  wanted->clear();
  if (s.HubNumber < 2) return true;
  for (size_t i = 0; i < s.HubNumber && i < s.Modules.size(); ++i) {
    const HubModuleEntry* m = &s.Modules[i];
    if (hub.Depth == 0
            ? m->Depth == 0
            : m->Depth == hub.Depth && m->ConnectionPortIndex == hub.ConnectionPortIndex) {
      *wanted = m->WantUpdateBinFile;
      return true;
    }
  }
  return false;
}

bool Passes(const World& w, const Image& image, uint32_t hubId, const HubDeviceInfo& hub,
            const std::string& wanted) {
  const UpdaterState& s = *w.state;
  const std::string& b = image.bytes;
  if (!image.openable || b.size() < 4) return false;
  uint8_t flags = static_cast<uint8_t>(b[2]);
  bool longLayout = (flags & 0x88) != 0;
  if (b[0] == 0x0D && b[1] == 0x12 && b.size() != (longLayout ? 28848u : 28801u)) return false;
  const TargetIdEntry* target = nullptr;
  for (int i = 0; i < s.TargetIdCount && target == nullptr; ++i) {
    if (s.TargetIds[i].HubId == hubId) target = &s.TargetIds[i];
  }
  if (target == nullptr) return false;
  if (static_cast<uint8_t>(b[0]) != target->ImageId >> 8 ||
      static_cast<uint8_t>(b[1]) != (target->ImageId & 0xFF)) {
    return false;
  }
  bool shortModel = hubId == 0x3A170415 || hubId == 0x3A170416;
  if (!shortModel && s.StringCompare != 0) {
    size_t manufacturer = longLayout ? 28704 : 28699;
    size_t product1 = longLayout ? 28752 : 28729;
    size_t product2 = longLayout ? 28800 : 28765;
    bool makerOk =
        (hub.UsbVersion & 0x0F) == 2 || SameAs(b, manufacturer, hub.ManufacturerString, 30);
    bool productOk =
        SameAs(b, product1, hub.ProductString, 36) || SameAs(b, product2, hub.ProductString, 36);
    if (!makerOk || !productOk) return false;
  }
  if (!shortModel && !SuitsChip(b, flags, hub)) return false;
  return s.HubNumber < 2 || image.name == wanted;
}

// The first passing file in directory order, or "" when none passes.
std::string Expected(const World& w, uint32_t hubId, const HubDeviceInfo& hub) {
  std::string wanted;
  if (!WantedName(*w.state, hub, &wanted)) return "";
  for (const Image& image : w.images) {
    if (Passes(w, image, hubId, hub, wanted)) return ".\\Binfile\\" + image.name;
  }
  return "";
}

TEST(SelectionProperty, ChoosesExactlyTheFirstImageThatPassesEveryRule) {
  Random r(20261207);
  int chosen = 0;
  for (int round = 0; round < 20000; ++round) {
    FakePlatform os;
    Selection s = SelectInRandomWorld(r, os);
    std::string expected = Expected(s.world, s.hubId, s.hub);
    ASSERT_EQ(!expected.empty(), !s.chosen.empty()) << "round " << round << "\n" << os.Text();
    if (!s.chosen.empty()) {
      ASSERT_EQ(expected, s.chosen) << "round " << round;
      ++chosen;
    }
    ASSERT_EQ(0, os.OpenFiles());
  }
  // The generator must reach the interesting cases, or the property says little.
  EXPECT_GT(chosen, 500);
}

TEST(SelectionProperty, TheUpdateRunProgramsHubsOnlyWithTheirChosenImage) {
  Random r(7);
  int programmed = 0;
  for (int round = 0; round < 3000; ++round) {
    World w = RandomWorld(r);
    FakePlatform os;
    FakeHubLibrary library;
    Stage(w, os);
    int hubs = 1 + r.Below(4);
    for (int i = 0; i < hubs; ++i) {
      uint32_t hubId = r.Of(kHubIds);
      if (w.state->TargetIdCount > 0 && r.Chance(70)) {
        hubId = w.state->TargetIds[r.Below(w.state->TargetIdCount)].HubId;
      }
      library.hubs.push_back(RandomHub(r, hubId));
    }
    w.state->DeviceCount = static_cast<uint8_t>(hubs);
    std::memcpy(w.state->Devices, library.hubs.data(), hubs * sizeof(HubDeviceInfo));
    Printer out(os);
    out.TakeConsoleHandle();
    DoUpdateFW(*w.state, out, os, os, library);
    for (const std::string& call : library.calls) {
      // "TA_UpdateISP(i,path,0)"
      size_t open = call.find('('), first = call.find(','), last = call.rfind(',');
      ASSERT_NE(std::string::npos, open);
      int index = std::stoi(call.substr(open + 1, first - open - 1));
      std::string path = call.substr(first + 1, last - first - 1);
      ASSERT_LT(index, hubs);
      const HubDeviceInfo& hub = library.hubs[index];
      EXPECT_EQ(Expected(w, HubIdOf(hub), hub), path) << "round " << round << " hub " << index;
      EXPECT_EQ(",0)", call.substr(last));
      ++programmed;
    }
  }
  EXPECT_GT(programmed, 300);
}

}  // namespace
