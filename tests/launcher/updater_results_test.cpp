// The results text between the updater and the launcher: what one writes
// the other reads back whole, and a text cut short is no results.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sample_results.h"
#include "updater_results.h"

namespace {

TEST(UpdaterResults, ReadBackWhole) {
  const std::string text = FormatResults(SampleResults());
  EXPECT_EQ("Quillet results 1\nversion 2.8\nstage listed\n"
            "hub 2 3A17 0600 9012 write-failed 1 -7 .\\Binfile\\My Dock.BIN\n"
            "hub 1 0000 0000 0000 same-level 0 0 \nend\n",
            text);
  UpdaterResults back;
  ASSERT_TRUE(ParseResults(text, &back));
  EXPECT_EQ(text, FormatResults(back));
}

TEST(UpdaterResults, ACutOrForeignTextIsNoResults) {
  const std::string text = FormatResults(SampleResults());
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
