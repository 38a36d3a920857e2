// The results text between the updater and the launcher: what one writes
// the other reads back whole, and a text cut short is no results.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "updater_results.h"

namespace {

UpdaterResults Sample() {
  UpdaterResults results;
  std::snprintf(results.version, sizeof results.version, "2.9");
  results.stage = UpdaterStage::Listed;
  HubResult hub;
  hub.device = 2;
  hub.vendorId = 0x3A17;
  hub.productId = 0x0600;
  hub.firmwareBefore = 0x9012;
  std::snprintf(hub.image, sizeof hub.image, ".\\Binfile\\My Dock.BIN");
  hub.libraryCalled = true;
  hub.libraryResult = -7;
  hub.outcome = HubOutcome::WriteFailed;
  RecordHub(&results, hub);
  hub = HubResult();
  hub.device = 1;
  hub.outcome = HubOutcome::SameLevelBefore;
  RecordHub(&results, hub);
  return results;
}

TEST(UpdaterResults, ReadBackWhole) {
  const std::string text = FormatResults(Sample());
  EXPECT_EQ("Quillet results 1\nversion 2.9\nstage listed\n"
            "hub 2 3A17 0600 9012 write-failed 1 -7 .\\Binfile\\My Dock.BIN\n"
            "hub 1 0000 0000 0000 same-level 0 0 \nend\n",
            text);
  UpdaterResults back;
  ASSERT_TRUE(ParseResults(text, &back));
  EXPECT_EQ(text, FormatResults(back));
}

TEST(UpdaterResults, ACutOrForeignTextIsNoResults) {
  const std::string text = FormatResults(Sample());
  UpdaterResults back;
  for (size_t cut = 0; cut < text.size(); ++cut) {
    EXPECT_FALSE(ParseResults(text.substr(0, cut), &back)) << cut;
  }
  EXPECT_FALSE(ParseResults("Quillet results 2\nversion 2.9\nstage listed\nend\n", &back));
  EXPECT_FALSE(ParseResults("Quillet results 1\nversion 2.9\nstage lost\nend\n", &back));
}

TEST(UpdaterResults, SixteenHubsAtMostAndTheLongestFitTheSection) {
  UpdaterResults results;
  HubResult hub;
  std::memset(hub.image, 'n', sizeof hub.image - 1);
  hub.libraryCalled = true;
  hub.libraryResult = -2147483647 - 1;
  hub.device = 16;
  for (int i = 0; i < kResultsHubs + 1; ++i) RecordHub(&results, hub);
  EXPECT_EQ(kResultsHubs, results.hubCount);
  EXPECT_LT(FormatResults(results).size() + 1, kResultsSize);
  RecordHub(nullptr, hub);  // a run not asked for results
}

}  // namespace
