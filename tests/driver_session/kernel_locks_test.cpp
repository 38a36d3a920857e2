// The lock rule across rights: an elevated run and a run without rights
// keep out of each other, and nothing a user without rights leaves under a
// lock's public name keeps an elevated run out.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "fake_locks.h"
#include "kernel_locks.h"

namespace {

constexpr LockSign kNo = LockSign::kNone;
constexpr LockSign kElevated = LockSign::kElevated;
// What a run without rights finds under an elevated run's sign, and what
// anyone finds under a squatter's object.
constexpr LockSign kUnproven = LockSign::kUnproven;

struct LockCase {
  const char* name;
  bool elevated;
  KernelLock taken;  // the run lock by a launcher, the write lock by an updater
  bool runHeld, writeHeld;
  LockSign runSign, writeSign;
  bool takes;
  const char* locks;
  const char* signs;
  bool seenHeld;  // what a support bundle says of the lock taken
};

void PrintTo(const LockCase& c, std::ostream* os) { *os << c.name; }

constexpr KernelLock kRun = KernelLock::kRun;
constexpr KernelLock kWrite = KernelLock::kWrite;

const LockCase kLockCases[] = {
    {"BothFree", true, kRun, false, false, kNo, kNo, true, "+run +write -write ", "+run ", false},
    {"RunHeld", true, kRun, true, false, kNo, kNo, false, "run held ", "", true},
    {"WriteHeld", true, kRun, false, true, kNo, kNo, false, "+run write held -run ", "", false},
    {"BothHeld", true, kRun, true, true, kNo, kNo, false, "run held ", "", true},
    {"WithoutRights", false, kRun, false, false, kNo, kNo, true, "+run +write -write ", "", false},
    {"WithoutRightsUnderARunSign", false, kRun, false, false, kUnproven, kNo, false,
     "+run +write -write -run ", "", true},
    {"WithoutRightsUnderAWriteSign", false, kRun, false, false, kNo, kUnproven, false,
     "+run +write -write -run ", "", false},
    {"ElevatedBesideSquatters", true, kRun, false, false, kUnproven, kUnproven, true,
     "+run +write -write ", "+run ", false},
    // A namespace is found only while its creator runs: a run after it
    // finds the locks of runs still under way by their signs alone.
    {"ElevatedUnderARunSign", true, kRun, false, false, kElevated, kNo, false,
     "+run +write -write -run ", "", true},
    {"ElevatedUnderAWriteSign", true, kRun, false, false, kNo, kElevated, false,
     "+run +write -write -run ", "", false},
    {"UpdaterAlone", true, kWrite, false, false, kNo, kNo, true, "+write ", "+write ", false},
    {"UpdaterUnderItsLaunchersSign", true, kWrite, false, false, kElevated, kNo, true, "+write ",
     "+write ", false},
    {"UpdaterWriteHeld", true, kWrite, false, true, kNo, kNo, false, "write held ", "", true},
    {"UpdaterUnderAWriteSign", true, kWrite, false, false, kNo, kElevated, false, "+write -write ",
     "", true},
    {"UpdaterBesideSquatters", true, kWrite, false, false, kUnproven, kUnproven, true, "+write ",
     "+write ", false},
    {"UpdaterWithoutRights", false, kWrite, false, false, kNo, kNo, true, "+write ", "", false},
    {"UpdaterWithoutRightsUnderARunSign", false, kWrite, false, false, kUnproven, kNo, false,
     "+write -write ", "", false},
    {"UpdaterWithoutRightsUnderAWriteSign", false, kWrite, false, false, kNo, kUnproven, false,
     "+write -write ", "", true},
};

FakeLocks Staged(const LockCase& c) {
  FakeLocks locks;
  locks.elevated = c.elevated;
  locks.heldElsewhere[0] = c.runHeld;
  locks.heldElsewhere[1] = c.writeHeld;
  locks.signElsewhere[0] = c.runSign;
  locks.signElsewhere[1] = c.writeSign;
  return locks;
}

class Locks : public testing::TestWithParam<LockCase> {};

TEST_P(Locks, AreTakenOnlyWhenNoRunThisRunCanSeeHoldsThemAndShowWhoHoldsThem) {
  const LockCase& c = GetParam();
  FakeLocks locks = Staged(c);
  EXPECT_EQ(c.takes, c.taken == kRun ? TakeRunLock(locks) : TakeWriteLock(locks));
  EXPECT_EQ(c.locks, locks.locks);
  EXPECT_EQ(c.signs, locks.signs);
  EXPECT_EQ(c.takes, locks.Holds(c.taken));
  // The launcher only looks at the write lock.
  if (c.taken == kRun) {
    EXPECT_FALSE(locks.Holds(kWrite));
  }
  if (c.taken == kRun && c.takes) {
    GiveBackRunLock(locks);
    EXPECT_FALSE(locks.Holds(kRun) || locks.signShown[0]) << locks.signs;
  }

  // Asked only, the same rule keeps nothing and shows nothing.
  FakeLocks asked = Staged(c);
  EXPECT_EQ(c.seenHeld, LockHeldElsewhere(asked, c.taken));
  EXPECT_FALSE(asked.Holds(c.taken));
  EXPECT_EQ("", asked.signs);
}

INSTANTIATE_TEST_SUITE_P(Rule, Locks, testing::ValuesIn(kLockCases),
                         [](const testing::TestParamInfo<LockCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
