// The bundle's record part: the launcher's Record value read back line for
// line; none where no unattended run has been, which is no fault; and why
// when it is there but not whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bundle_computer.h"
#include "deployment_record.h"
#include "fake_system.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0, end; at < text.size(); at = end + 1) {
    end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

TEST(BundleRecord, TheLastRunsRecordOrWhyNot) {
  record::DeploymentRecord last;
  last.status = 3010;
  last.reason = "power-cycle-pending";
  last.kitIdentity = std::string(64, 'a');
  record::HubEntry hub;
  hub.place.vendorId = 0x3A17;
  hub.image = ".\\Binfile\\DOCK.BIN";
  hub.outcome = HubOutcome::kPowerCyclePending;
  hub.powerCyclePending = true;
  last.hubs.push_back(hub);
  const std::string whole = record::FormatRecord(last);
  std::vector<std::string> cut = Lines(whole);
  cut.pop_back();  // no "end"

  using check::RecordRead;
  const char kNotWhole[] = "the record under HKLM\\SOFTWARE\\Quillet is not a whole record";
  struct Case {
    const char* name;
    bool present;
    std::vector<std::string> value;
    RecordRead read;
    const char* why;
  };
  const Case cases[] = {
      {"whole", true, Lines(whole), RecordRead::kRead, ""},
      {"none", false, {}, RecordRead::kNone, check::kNoRecord},
      {"cut", true, cut, RecordRead::kUnreadable, kNotWhole},
      {"empty", true, {}, RecordRead::kUnreadable, kNotWhole},
  };
  for (const Case& c : cases) {
    FakeSystem system;
    if (c.present) system.SetRegistryValue(u"SOFTWARE\\Quillet", u"Record", MultiString(c.value));
    const check::ComputerRecord read = check::ReadLastRunRecord(system);
    EXPECT_EQ(c.read, read.state) << c.name;
    EXPECT_EQ(c.read == RecordRead::kRead ? whole : "", read.text) << c.name;
    EXPECT_EQ(c.why, read.why) << c.name;
  }
}

}  // namespace
