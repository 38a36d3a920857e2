// The results text between the updater and the launcher: what one writes
// the other reads back whole, and a text cut short is no results.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sample_results.h"
#include "updater_results.h"

namespace {

// The shared sample with what a hub's write leaves for the next run: where
// it sits, what it delivers, the image's digest, the last run's mark and
// when the write was made.
UpdaterResults Sample() {
  UpdaterResults results = SampleResults();
  HubResult& hub = results.hubs[0];
  hub.place.depth = 1;
  hub.place.port = 12;
  hub.delivers = 0x9013;
  std::snprintf(hub.imageSha256, sizeof hub.imageSha256, "%s", std::string(64, 'c').c_str());
  hub.previous = PendingMark::kChanged;
  std::snprintf(hub.writeTime, sizeof hub.writeTime, "2026-12-09T06:16:58Z");
  return results;
}

TEST(UpdaterResults, ReadBackWhole) {
  const std::string text = FormatResults(Sample());
  EXPECT_EQ("Quillet results 2\nversion 2.8\nstage listed\n"
            "hub 2 3A17 0600 9012 write-failed 1 -7 1 12 9013 changed 2026-12-09T06:16:58Z " +
                std::string(64, 'c') +
                " .\\Binfile\\My Dock.BIN\n"
                "hub 1 0000 0000 0000 same-level 0 0 0 0 0000 - - - \nend\n",
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
  // An updater of another format, as the one before write times were kept.
  EXPECT_FALSE(ParseResults("Quillet results 1\nversion 2.9\nstage listed\nend\n", &back));
  EXPECT_FALSE(ParseResults("Quillet results 2\nversion 2.9\nstage lost\nend\n", &back));
  // A digest that is not whole is no digest.
  EXPECT_FALSE(ParseResults("Quillet results 2\nversion 2.9\nstage listed\n"
                            "hub 1 3A17 0600 9012 programmed 1 0 1 2 9013 - - abc x\nend\n",
                            &back));
}

// The pending writes the launcher hands the updater in the same section:
// read back whole, sixteen at most, and nothing from a cut or foreign text,
// so an updater whose launcher wrote none (or results) judges as ever.
TEST(PendingText, ReadBackWholeAndNothingFromACutOrForeignText) {
  PendingWrite writes[kResultsHubs + 1];
  for (int i = 0; i <= kResultsHubs; ++i) {
    writes[i] = {{0x3A17, static_cast<uint16_t>(0x0600 + i), 2, static_cast<uint8_t>(i + 1)},
                 0x9012,
                 0x9013};
  }
  const std::string text = FormatPending(writes, kResultsHubs + 1);
  PendingWrite back[kResultsHubs];
  int count = -1;
  ASSERT_TRUE(ParsePending(text, back, &count));
  ASSERT_EQ(kResultsHubs, count);
  EXPECT_EQ(text, FormatPending(back, count));
  EXPECT_EQ(0x060F, back[15].place.productId);
  EXPECT_EQ(16, back[15].place.port);
  for (size_t cut = 0; cut < text.size(); ++cut) {
    EXPECT_FALSE(ParsePending(text.substr(0, cut), back, &count)) << cut;
    EXPECT_EQ(0, count);
  }
  EXPECT_FALSE(ParsePending(FormatResults(Sample()), back, &count));
  EXPECT_FALSE(
      ParsePending("Quillet pending 1\npending 3A17 0600 2 300 9012 9013\nend\n", back, &count));
  EXPECT_EQ(0, count);
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

// A section's text ends at its first zero byte, and never past its end
// when a writer left none.
TEST(UpdaterResults, SectionTextStopsAtTheFirstZeroOrTheSectionsEnd) {
  std::string section(kResultsSize + 8, 'x');
  section[kResultsSize + 7] = '\0';
  EXPECT_EQ(std::string(kResultsSize, 'x'), SectionText(section.data()));
  section[3] = '\0';
  EXPECT_EQ("xxx", SectionText(section.data()));
}

// What one program puts in the section the other reads back whole, up to
// the last text that leaves room for its zero; a longer one leaves the
// section as it was rather than cut.
TEST(UpdaterResults, ASectionTextPutReadsBackWholeOrIsNotPutAtAll) {
  std::string section(kResultsSize, 'x');
  const std::string longest(kResultsSize - 1, 'r');
  ASSERT_TRUE(PutSectionText(&section[0], longest));
  EXPECT_EQ(longest, SectionText(section.data()));
  EXPECT_FALSE(PutSectionText(&section[0], longest + "s"));
  EXPECT_EQ(longest, SectionText(section.data()));
  ASSERT_TRUE(PutSectionText(&section[0], "end\n"));
  EXPECT_EQ("end\n", SectionText(section.data()));
}

}  // namespace
