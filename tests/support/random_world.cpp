#include "random_world.h"

#include <strings.h>

#include <cstring>

#include "fake_files.h"
#include "fake_platform.h"
#include "hub_builders.h"
#include "printer.h"
#include "selection.h"

namespace random_world {

namespace {

void Put(std::string& image, size_t offset, const std::string& bytes) {
  for (size_t i = 0; i < bytes.size() && offset + i < image.size(); ++i)
    image[offset + i] = bytes[i];
}

std::string Field(const char* text, size_t length) {
  std::string field(length, '\0');
  Put(field, 0, text);
  return field;
}

}  // namespace

const char* const kNames[6] = {"A.BIN", "b.bin", "FW_A.BIN", "fw_a.bin", "FW_B.BIN", "C.BIN"};
const uint32_t kHubIds[5] = {0x3A170415, 0x3A170416, 0x1A2B0D12, 0x1A2B0D13, 0x0BDA0411};
const uint16_t kImageIds[4] = {0x0D12, 0x0D13, 0x1234, 0x0415};
const uint8_t kRevisions[4] = {0x10, 0xB2, 0xB3, 0x20};
const char* const kStrings[3] = {"Maker Inc.", "USB3.0 Hub", "Other Hub"};
const uint8_t kFlags[7] = {0x00, 0x04, 0x08, 0x0C, 0x80, 0x84, 0x70};

std::string RandomImage(Random& r) {
  uint8_t flags = r.Chance(50) ? r.Of(kFlags) : r.Byte();
  bool longLayout = (flags & 0x88) != 0;
  size_t size = longLayout ? 28848 : 28801;
  switch (r.Below(6)) {
    case 0: size = r.Below(10); break;            // shorter than the header, or empty
    case 1: size = 8000 + r.Below(20000); break;  // ends inside the fields
    case 2: size = longLayout ? 28801 : 28848; break;
    default: break;
  }
  std::string image(size, '\0');
  uint16_t id = r.Chance(80) ? r.Of(kImageIds) : static_cast<uint16_t>(r.Byte() << 8 | r.Byte());
  Put(image, 0, std::string{char(id >> 8), char(id & 0xFF), char(flags), char(r.Byte())});
  if (r.Chance(60)) Put(image, 8044, r.Chance(80) ? "\x10\x90" : "\x11\x90");
  size_t manufacturer = longLayout ? 28704 : 28699;
  size_t product1 = longLayout ? 28752 : 28729;
  size_t product2 = longLayout ? 28800 : 28765;
  Put(image, manufacturer, Field(r.Of(kStrings), 30));
  Put(image, product1, Field(r.Of(kStrings), 36));
  Put(image, product2, Field(r.Of(kStrings), 36));
  return image;
}

HubDeviceInfo RandomHub(Random& r, uint32_t hubId) {
  HubDeviceInfo hub = MakeHub(static_cast<uint16_t>(hubId >> 16), static_cast<uint16_t>(hubId),
                              static_cast<uint16_t>(r.Byte() << 8 | r.Byte()),
                              static_cast<uint8_t>(r.Below(3)), static_cast<uint8_t>(r.Below(4)));
  hub.UsbVersion = r.Chance(50) ? 0x02 : 0x03;
  hub.ChipRevision = r.Chance(90) ? r.Of(kRevisions) : r.Byte();
  hub.ChipOptions = r.Byte();
  SetHubString(hub.ManufacturerString, r.Of(kStrings));
  SetHubString(hub.ProductString, r.Of(kStrings));
  return hub;
}

World RandomWorld(Random& r) {
  World w;
  w.state = std::make_unique<UpdaterState>();
  UpdaterState& s = *w.state;
  s.TargetIdCount = static_cast<uint8_t>(r.Below(6));
  for (int i = 0; i < s.TargetIdCount; ++i) {
    s.TargetIds[i] = TargetIdEntry{r.Of(kHubIds), r.Of(kImageIds), uint8_t(r.Chance(50) ? 3 : 2)};
  }
  s.StringCompare = r.Chance(50) ? 1 : 0;
  s.HubNumber = static_cast<uint8_t>(r.Below(4));
  for (int i = 0; i < s.HubNumber; ++i) {
    uint8_t depth = 0;
    uint8_t port = 0;
    if (i > 0) {
      depth = static_cast<uint8_t>(r.Below(3));
      port = static_cast<uint8_t>(r.Below(4));
    }
    s.Modules.Add(depth, port, r.Of(kNames));
  }
  s.CheckHubFw = r.Chance(30) ? 1 : 0;
  int files = r.Below(7);
  for (int i = 0; i < files; ++i) {
    Image image{r.Of(kNames), RandomImage(r), !r.Chance(5)};
    bool taken = false;
    for (const Image& other : w.images)
      taken |= strcasecmp(other.name.c_str(), image.name.c_str()) == 0;
    if (!taken) w.images.push_back(image);
  }
  return w;
}

uint32_t RandomHubId(Random& r, const World& w) {
  uint32_t hubId = r.Chance(90) ? r.Of(kHubIds) : static_cast<uint32_t>(r.Byte()) << 16;
  if (w.state->TargetIdCount > 0 && r.Chance(70)) {
    hubId = w.state->TargetIds[r.Below(w.state->TargetIdCount)].HubId;
  }
  return hubId;
}

Selection SelectInRandomWorld(Random& r, FakePlatform& os) {
  Selection s;
  s.world = RandomWorld(r);
  s.hubId = RandomHubId(r, s.world);
  s.hub = RandomHub(r, s.hubId);
  Stage(s.world, os);
  char path[kImagePathSize] = {};
  Printer out(os);
  if (SelectFWBinFile(*s.world.state, out, os, s.hubId, s.hub, path)) s.chosen = path;
  return s;
}

void Stage(const World& w, FakeFiles& os) {
  for (const Image& image : w.images) {
    std::string path = ".\\Binfile\\" + image.name;
    if (image.openable) {
      os.AddFile(path, image.bytes);
    } else {
      os.AddUnopenableFile(path);
    }
  }
}

}  // namespace random_world
