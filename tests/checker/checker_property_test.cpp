// Over the random worlds of the selection property tests: the checker's plan
// for a hub is the plan over the files themselves, the image it names is
// the one SelectFWBinFile chooses, every image
// before it is refused, and judging through the checker's cached image
// gives the verdict that judging the file itself gives.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "fake_files.h"
#include "fake_platform.h"
#include "kit_check.h"
#include "printer.h"
#include "random_world.h"
#include "selection.h"
#include "hub_plan.h"

namespace {

using namespace random_world;

bool SameVerdict(const Verdict& a, const Verdict& b) {
  auto sameField = [](const FieldComparison& x, const FieldComparison& y) {
    return x.present == y.present && x.difference == y.difference && x.imageByte == y.imageByte &&
           x.hubByte == y.hubByte;
  };
  return a.failed == b.failed && a.imageId == b.imageId && a.size == b.size &&
         a.headerLength == b.headerLength && a.flags == b.flags && a.rule == b.rule &&
         sameField(a.manufacturer, b.manufacturer) && sameField(a.product[0], b.product[0]) &&
         sameField(a.product[1], b.product[1]);
}

TEST(CheckerProperty, NamesTheImageSelectionChoosesAndJudgesFromItsCacheAsFromTheFile) {
  Random r(20261208);
  int chosen = 0;
  int several = 0;
  for (int round = 0; round < 5000; ++round) {
    FakePlatform os;
    Selection s = SelectInRandomWorld(r, os);
    const World& w = s.world;
    const HubDeviceInfo& hub = s.hub;

    check::KitReport report;
    check::ReadImages(os, &report);
    check::HubReport judged;
    judged.info = hub;
    judged.hubId = s.hubId;
    check::JudgeHub(*w.state, report.images, &judged);
    // The checker's plan, from its cache, is the plan over the files.
    const HubPlan direct = PlanHub(PlanInputs{*w.state, os, nullptr, true}, hub);
    ASSERT_EQ(direct.outcome, judged.plan.outcome) << "round " << round;
    ASSERT_EQ(direct.search.chosen, judged.plan.search.chosen) << "round " << round;
    ASSERT_EQ(direct.search.passing, judged.plan.search.passing) << "round " << round;
    ASSERT_EQ(direct.chosenVersion, judged.plan.chosenVersion) << "round " << round;
    ASSERT_EQ(direct.search.verdicts.size(), judged.plan.search.verdicts.size())
        << "round " << round;
    // The update run looks for no image for such a hub: nothing to compare.
    if (judged.plan.outcome == HubOutcome::kSameLevelBefore) {
      ASSERT_TRUE(SameLevelBeforeSelection(*w.state, hub));
      continue;
    }

    ASSERT_EQ(!s.chosen.empty(), judged.plan.search.chosen >= 0) << "round " << round;
    if (judged.plan.search.chosen >= 0) {
      ASSERT_EQ(s.chosen, ".\\Binfile\\" + report.images[judged.plan.search.chosen].name)
          << "round " << round;
      ++chosen;
      several += judged.plan.search.passing > 1;
    }
    // Each verdict the checker gives, from its cache, is the file's own.
    for (size_t j = 0; j < judged.plan.search.verdicts.size(); ++j) {
      const check::ImageRow& row = report.images[j];
      if (!row.opened) {
        ASSERT_EQ(SelectionTest::kCannotOpen, judged.plan.search.verdicts[j].failed);
        continue;
      }
      std::unique_ptr<ByteSource> file = os.OpenForRead((".\\Binfile\\" + row.name).c_str());
      ASSERT_TRUE(file);
      Verdict direct = JudgeImage(*w.state, judged.plan.search.wanted, hub, row.name.c_str(), *file,
                                  file->Size());
      ASSERT_TRUE(SameVerdict(direct, judged.plan.search.verdicts[j]))
          << "round " << round << " image " << row.name << ": " << check::TestName(direct.failed)
          << " against " << check::TestName(judged.plan.search.verdicts[j].failed);
    }
  }
  // The worlds must reach chosen images, and ties, or the property says little.
  EXPECT_GT(chosen, 200);
  EXPECT_GT(several, 10);
}

}  // namespace
