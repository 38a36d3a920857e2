// The updater's side of the results contract: results only when the
// launcher's argument asks, the same text either way, how far the run went,
// and the write lock that keeps a second updater off the hubs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "entry.h"
#include "fake_hub_library.h"
#include "fake_platform.h"
#include "hub_builders.h"
#include "platform.h"
#include "shared_names.h"
#include "updater_results.h"

namespace {

class FakeDeployment : public Deployment {
 public:
  bool lockHeld = false;
  std::string name;
  std::string text;
  bool TakeWriteLock() override { return !lockHeld; }
  bool WriteResults(const char* section, const std::string& results) override {
    name = section;
    text = results;
    return true;
  }
};

const char16_t kAsked[] = u"--results=Local\\Quillet.Results.77";

struct World {
  FakePlatform os;
  FakeHubLibrary library;
  FakeDeployment deployment;

  // How far the run gets: 0 no settings, 1 no driver, 2 no hubs, 3 a hub.
  explicit World(int reach) {
    if (reach >= 1) os.AddFile("SpiFlash.ini", "");
    if (reach >= 2) {
      os.SetRegistryValue(u"" QUILLET_USB_CLASS_KEY, u"UpperFilters", MultiString({"tz415filter"}));
    }
    if (reach >= 3) library.hubs.push_back(MakeHub(0x3A17, 0x0600, 0x9012));
  }

  int Run(std::vector<const char16_t*> args) {
    args.insert(args.begin(), u"Quillet64");
    return UpdaterMain(static_cast<int>(args.size()), args.data(), os, os, os, library, deployment);
  }
};

TEST(Results, AreWrittenOnlyWhenAskedAndChangeNoText) {
  World plain(3), asked(3), other(3), badName(3);
  EXPECT_EQ(0, plain.Run({u"QRZ"}));
  EXPECT_EQ(0, asked.Run({u"QRZ", kAsked}));
  EXPECT_EQ(0, other.Run({u"QRZ", u"--results"}));
  EXPECT_EQ(0, badName.Run({u"QRZ", u"--results=Local\\Quillet Results"}));
  EXPECT_EQ(plain.os.Screen(), asked.os.Screen());
  EXPECT_EQ(plain.os.Screen(), other.os.Screen());
  EXPECT_EQ("Local\\Quillet.Results.77", asked.deployment.name);
  EXPECT_EQ("", plain.deployment.name);
  EXPECT_EQ("", other.deployment.name);
  EXPECT_EQ("", badName.deployment.name);
}

TEST(Results, TellHowFarTheRunWentAndWhatBecameOfEachHub) {
  const struct {
    int reach;
    UpdaterStage stage;
    int hubs;
  } cases[] = {
      {0, UpdaterStage::kSettings, 0},
      {1, UpdaterStage::kDriver, 0},
      {2, UpdaterStage::kNoHubs, 0},
      {3, UpdaterStage::kListed, 1},
  };
  for (const auto& c : cases) {
    World world(c.reach);
    world.Run({u"QRZ", kAsked});
    UpdaterResults results;
    ASSERT_TRUE(ParseResults(world.deployment.text, &results)) << world.deployment.text;
    EXPECT_EQ(StageName(c.stage), std::string(StageName(results.stage))) << c.reach;
    EXPECT_STREQ(QUILLET_PROJECT_VERSION, results.version);
    ASSERT_EQ(c.hubs, results.hubCount);
    if (c.hubs == 1) {
      // No Binfile at all: the hub gets no image, and the library no call.
      EXPECT_EQ(1, results.hubs[0].device);
      EXPECT_EQ(0x0600, results.hubs[0].place.productId);
      EXPECT_EQ(0x9012, results.hubs[0].firmwareBefore);
      EXPECT_EQ(HubOutcome::kNoImage, results.hubs[0].outcome);
      EXPECT_FALSE(results.hubs[0].libraryCalled);
    }
  }
}

TEST(WriteLock, HeldByAnotherUpdaterEndsTheRunWithTheLineAndStatus0) {
  World world(3);
  world.deployment.lockHeld = true;
  EXPECT_EQ(0, world.Run({u"QRZ", kAsked}));
  EXPECT_EQ(QUILLET_BUSY_LINE, world.os.Screen());
  EXPECT_TRUE(world.library.calls.empty());
  UpdaterResults results;
  ASSERT_TRUE(ParseResults(world.deployment.text, &results));
  EXPECT_EQ(UpdaterStage::kBusy, results.stage);
}

}  // namespace
