// Random worlds for property tests: a Binfile folder, settings as the
// reader would leave them, and hubs, drawn from small pools so that names
// collide in letter case, IDs match and fields agree often enough to matter.
#ifndef QUILLET_TESTS_SUPPORT_RANDOM_WORLD_H_
#define QUILLET_TESTS_SUPPORT_RANDOM_WORLD_H_

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "settings.h"
#include "run_state.h"

class FakeFiles;
class FakePlatform;

namespace random_world {

struct Image {
  std::string name;
  std::string bytes;
  bool openable = true;
};

struct World {
  std::unique_ptr<UpdaterState> state;
  std::vector<Image> images;
};

extern const char* const kNames[6];
extern const uint32_t kHubIds[5];
extern const uint16_t kImageIds[4];
extern const uint8_t kRevisions[4];
extern const char* const kStrings[3];
extern const uint8_t kFlags[7];

class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(engine_); }
  bool Chance(int percent) { return Below(100) < percent; }
  uint8_t Byte() { return static_cast<uint8_t>(Below(256)); }
  template <typename T, size_t N>
  T Of(const T (&pool)[N]) {
    return pool[Below(N)];
  }

 private:
  std::mt19937 engine_;
};

std::string RandomImage(Random& r);
HubDeviceInfo RandomHub(Random& r, uint32_t hubId);
World RandomWorld(Random& r);
// A hub ID, mostly one the world's settings know, so that the image tests
// are reached.
uint32_t RandomHubId(Random& r, const World& w);
// One round of a selection property: a world, a hub mostly of its settings,
// the world's images staged in `os`, and what SelectFWBinFile chose for the
// hub: ".\\Binfile\\NAME", or "" for nothing.
struct Selection {
  World world;
  uint32_t hubId = 0;
  HubDeviceInfo hub = {};
  std::string chosen;
};
Selection SelectInRandomWorld(Random& r, FakePlatform& os);

// Puts the world's images into .\Binfile\ of `files`, in the world's order.
void Stage(const World& w, FakeFiles& files);

}  // namespace random_world

#endif  // QUILLET_TESTS_SUPPORT_RANDOM_WORLD_H_
