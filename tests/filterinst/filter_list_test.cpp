#include "filter_list.h"

#include <gtest/gtest.h>

namespace filterinst {
namespace {

// The USB class key as a test sees it: absent, present without the value,
// or holding a value of some type; each operation can be made to fail.
class FakeRegistry : public FilterRegistry {
 public:
  Status OpenClassKey(bool create, long* error) override {
    calls += create ? "create;" : "open;";
    if (openError != 0) {
      *error = openError;
      return Status::kFailed;
    }
    if (!keyExists && !create) return Status::kMissing;
    keyExists = true;
    return Status::kOk;
  }
  Status ReadUpperFilters(std::u16string* data, uint32_t* type, long* error) override {
    calls += "read;";
    if (readError != 0) {
      *error = readError;
      return Status::kFailed;
    }
    if (!valueExists) return Status::kMissing;
    *data = value;
    *type = valueType;
    return Status::kOk;
  }
  bool WriteUpperFilters(const std::u16string& data, long* error) override {
    calls += "write;";
    if (writeError != 0) {
      *error = writeError;
      return false;
    }
    valueExists = true;
    value = data;
    valueType = kTypeMultiString;
    return true;
  }
  bool DeleteUpperFilters(long* error) override {
    calls += "delete;";
    if (writeError != 0) {
      *error = writeError;
      return false;
    }
    valueExists = false;
    value.clear();
    return true;
  }

  void Hold(const std::u16string& data, uint32_t type = kTypeMultiString) {
    keyExists = valueExists = true;
    value = data;
    valueType = type;
  }

  bool keyExists = false, valueExists = false;
  std::u16string value;
  uint32_t valueType = kTypeMultiString;
  long openError = 0, readError = 0, writeError = 0;
  std::string calls;
};

const std::u16string kZ(1, u'\0');

int Invoke(FakeRegistry& registry, const std::string& command, std::string* message = nullptr) {
  std::string local;
  return RunInstaller({command}, registry, message ? message : &local);
}

TEST(MultiString, SplitsIntoNonEmptyStringsAndJoinsWithTheEndMarker) {
  EXPECT_EQ((std::vector<std::u16string>{u"a", u"bc"}),
            SplitMultiString(u"a" + kZ + u"bc" + kZ + kZ));
  EXPECT_EQ((std::vector<std::u16string>{u"a", u"bc"}), SplitMultiString(u"a" + kZ + u"bc"));
  EXPECT_EQ((std::vector<std::u16string>{u"x"}), SplitMultiString(kZ + u"x" + kZ + kZ));
  EXPECT_TRUE(SplitMultiString(kZ + kZ).empty());
  EXPECT_TRUE(SplitMultiString(u"").empty());
  EXPECT_EQ(u"a" + kZ + u"bc" + kZ + kZ, JoinMultiString({u"a", u"bc"}));
  EXPECT_EQ(kZ, JoinMultiString({}));
}

TEST(Install, CreatesKeyAndValueWhenMissing) {
  FakeRegistry registry;
  EXPECT_EQ(kDone, Invoke(registry, "i"));
  EXPECT_EQ("create;read;write;", registry.calls);
  EXPECT_EQ(u"tz415filter" + kZ + kZ, registry.value);
  EXPECT_EQ(kTypeMultiString, registry.valueType);
}

TEST(Install, GoesAfterTheOtherFiltersInTheirOrder) {
  FakeRegistry registry;
  registry.Hold(u"usbfilt" + kZ + u"acme" + kZ + kZ);
  std::string message = "stale";
  EXPECT_EQ(kDone, Invoke(registry, "i", &message));
  EXPECT_EQ("", message);
  EXPECT_EQ(u"usbfilt" + kZ + u"acme" + kZ + u"tz415filter" + kZ + kZ, registry.value);
}

TEST(Install, NeverAddsTheFilterTwice) {
  FakeRegistry registry;
  registry.Hold(u"usbfilt" + kZ + u"tz415filter" + kZ + u"acme" + kZ + kZ);
  EXPECT_EQ(kDone, Invoke(registry, "i"));
  EXPECT_EQ("create;read;", registry.calls);  // nothing written
  EXPECT_EQ(kDone, Invoke(registry, "i"));
  EXPECT_EQ(u"usbfilt" + kZ + u"tz415filter" + kZ + u"acme" + kZ + kZ, registry.value);
}

TEST(Install, NamesThatOnlyContainTheFilterAreOtherFilters) {
  FakeRegistry registry;
  registry.Hold(u"xtz415filter" + kZ + u"tz415filter2" + kZ + kZ);
  EXPECT_EQ(kDone, Invoke(registry, "i"));
  EXPECT_EQ(u"xtz415filter" + kZ + u"tz415filter2" + kZ + u"tz415filter" + kZ + kZ, registry.value);
}

TEST(Install, ANameInOtherLettersIsWrittenInPlaceAsTheUpdaterLooksForIt) {
  FakeRegistry registry;
  registry.Hold(u"a" + kZ + u"TZ415Filter" + kZ + u"b" + kZ + kZ);
  EXPECT_EQ(kDone, Invoke(registry, "i"));
  EXPECT_EQ(u"a" + kZ + u"tz415filter" + kZ + u"b" + kZ + kZ, registry.value);
}

TEST(Install, ASingleStringValueBecomesAList) {
  FakeRegistry registry;
  registry.Hold(u"acme" + kZ, kTypeString);
  EXPECT_EQ(kDone, Invoke(registry, "i"));
  EXPECT_EQ(u"acme" + kZ + u"tz415filter" + kZ + kZ, registry.value);
  EXPECT_EQ(kTypeMultiString, registry.valueType);
}

TEST(Install, EmptyStringsInTheListAreDropped) {
  FakeRegistry registry;
  registry.Hold(kZ + u"acme" + kZ + kZ + u"b" + kZ + kZ);
  EXPECT_EQ(kDone, Invoke(registry, "i"));
  EXPECT_EQ(u"acme" + kZ + u"b" + kZ + u"tz415filter" + kZ + kZ, registry.value);
}

TEST(Remove, KeepsTheOtherFiltersInTheirOrder) {
  FakeRegistry registry;
  registry.Hold(u"usbfilt" + kZ + u"tz415filter" + kZ + u"acme" + kZ + kZ);
  EXPECT_EQ(kDone, Invoke(registry, "u"));
  EXPECT_EQ("open;read;write;", registry.calls);
  EXPECT_EQ(u"usbfilt" + kZ + u"acme" + kZ + kZ, registry.value);
}

TEST(Remove, TakesOutEveryCopyInAnyLetterCase) {
  FakeRegistry registry;
  registry.Hold(u"tz415filter" + kZ + u"a" + kZ + u"TZ415FILTER" + kZ + u"tz415filter" + kZ + kZ);
  EXPECT_EQ(kDone, Invoke(registry, "u"));
  EXPECT_EQ(u"a" + kZ + kZ, registry.value);
}

TEST(Remove, DeletesAValueLeftEmpty) {
  FakeRegistry registry;
  registry.Hold(u"tz415filter" + kZ + kZ);
  EXPECT_EQ(kDone, Invoke(registry, "u"));
  EXPECT_EQ("open;read;delete;", registry.calls);
  EXPECT_FALSE(registry.valueExists);
}

TEST(Remove, NothingToRemoveChangesNothing) {
  FakeRegistry noKey;
  EXPECT_EQ(kDone, Invoke(noKey, "u"));
  EXPECT_EQ("open;", noKey.calls);
  EXPECT_FALSE(noKey.keyExists);

  FakeRegistry noValue;
  noValue.keyExists = true;
  EXPECT_EQ(kDone, Invoke(noValue, "u"));
  EXPECT_EQ("open;read;", noValue.calls);

  FakeRegistry others;
  others.Hold(u"acme" + kZ + u"xtz415filter" + kZ + kZ);
  EXPECT_EQ(kDone, Invoke(others, "u"));
  EXPECT_EQ("open;read;", others.calls);
}

TEST(InstallThenRemove, GivesBackTheListItStartedWith) {
  FakeRegistry registry;
  const std::u16string start = u"usbfilt" + kZ + u"acme" + kZ + kZ;
  registry.Hold(start);
  EXPECT_EQ(kDone, Invoke(registry, "i"));
  EXPECT_EQ(kDone, Invoke(registry, "u"));
  EXPECT_EQ(start, registry.value);
}

TEST(Failures, GiveOneLineAndStatusOne) {
  struct Case {
    const char* command;
    long FakeRegistry::*error;
    long code;
    const char* message;
  } cases[] = {
      {"i", &FakeRegistry::openError, 5,
       "TZ415FilterInst: cannot open HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
       "{36FC9E60-C465-11CF-8056-444553540000} (error 5); run it as administrator"},
      {"u", &FakeRegistry::openError, 2,
       "TZ415FilterInst: cannot open HKLM\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
       "{36FC9E60-C465-11CF-8056-444553540000} (error 2)"},
      {"i", &FakeRegistry::readError, 1010,
       "TZ415FilterInst: cannot read UpperFilters (error 1010)"},
      {"i", &FakeRegistry::writeError, 5,
       "TZ415FilterInst: cannot write UpperFilters (error 5); run it as administrator"},
      {"u", &FakeRegistry::writeError, 87,
       "TZ415FilterInst: cannot delete UpperFilters (error 87)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    FakeRegistry registry;
    registry.Hold(u"tz415filter" + kZ + kZ);
    if (c.command[0] == 'i') registry.Hold(u"acme" + kZ + kZ);
    registry.*c.error = c.code;
    std::string message;
    EXPECT_EQ(kFailed, Invoke(registry, c.command, &message));
    EXPECT_EQ(c.message, message);
  }
}

TEST(Failures, AValueOfAnotherTypeIsLeftAlone) {
  FakeRegistry registry;
  registry.Hold(u"\x1234", 3);  // REG_BINARY
  std::string message;
  EXPECT_EQ(kFailed, Invoke(registry, "i", &message));
  EXPECT_EQ("TZ415FilterInst: UpperFilters holds data of type 3, not a list of filters; "
            "left as it is",
            message);
  EXPECT_EQ("create;read;", registry.calls);
}

TEST(CommandLine, AnythingButIOrUGivesTheUsageLine) {
  const std::string usage =
      "usage: TZ415FilterInst.exe i|u   (i: install tz415filter, u: remove it)";
  const std::vector<std::vector<std::string>> wrong = {{},   {"I"},      {"U"}, {"install"},
                                                       {""}, {"i", "u"}, {"-i"}};
  for (const auto& args : wrong) {
    SCOPED_TRACE(args.empty() ? "(none)" : args[0]);
    FakeRegistry registry;
    std::string message;
    EXPECT_EQ(kUsage, RunInstaller(args, registry, &message));
    EXPECT_EQ(usage, message);
    EXPECT_EQ("", registry.calls);
  }
}

}  // namespace
}  // namespace filterinst
