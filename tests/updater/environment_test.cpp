// The Windows version record and the search for tz415filter in the USB
// class's UpperFilters, with the text each outcome prints.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "entry.h"
#include "environment.h"
#include "fake_hub_library.h"
#include "fake_platform.h"
#include "printer.h"
#include "shared_names.h"
#include "run_state.h"

namespace {

const char16_t kUsbClass[] = u"" QUILLET_USB_CLASS_KEY;

const char kHeading[] = "\t1.3 IsDriverInstallNeeded()";
const char kSuccess[] = "\t1.3 IsDriverInstallNeeded()\t Success\n";
const char kNotFound[] = "\t1.3 IsDriverInstallNeeded()!!!Error Filter Driver not found!!\n";
const char kRule[] = "------------------------------------------------------------------\n";
const char kWarning[] = "Warning!!!Windowns 8 need use Administrator to execution this tool\n";

std::unique_ptr<UpdaterState> ZeroedState() {
  auto state = std::make_unique<UpdaterState>();
  return state;
}

// The check as Initialization makes it, printing on the platform's console.
bool CheckDriver(UpdaterState& state, FakePlatform& os) {
  Printer out(os);
  return IsDriverInstallNeeded(state, out, os);
}

// The check on a platform whose filter list holds `value`; the screen shows
// what it printed.
bool NeedsDriver(FakePlatform& os, const std::vector<uint8_t>& value) {
  os.SetRegistryValue(kUsbClass, u"UpperFilters", value);
  auto state = ZeroedState();
  return CheckDriver(*state, os);
}

// UTF-16LE bytes of `text` exactly as given, no terminator added.
std::vector<uint8_t> Utf16(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (char c : text) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(0);
  }
  return bytes;
}

// ---------------------------------------------------------------- the walk

TEST(FilterWalk, DriverFoundWhereverAStringHoldsIt) {
  const std::vector<std::vector<std::string>> found = {
      {"tz415filter"},                         // alone
      {"usbfilter", "tz415filter"},            // second
      {"a", "b", "c", "tz415filter", "d"},     // later
      {"mytz415filter2"},                      // inside a longer name
      {"", "tz415filter"},                     // an empty first string does not end the list
      {std::string(200, 'x'), "tz415filter"},  // a list of more than 255 bytes
      {std::string(300, 'y') + "tz415filter"},
  };
  for (const auto& list : found) {
    FakePlatform os;
    EXPECT_FALSE(NeedsDriver(os, MultiString(list))) << list.back();
    EXPECT_EQ(kSuccess, os.Screen()) << list.back();
  }
}

TEST(FilterWalk, DriverMissingUnlessOneStringHoldsItExactly) {
  const std::vector<std::vector<std::string>> missing = {
      {"TZ415FILTER"},  // letter case counts
      {"Tz415filter"},
      {"tz415", "filter"},  // each string by itself
      {},                   // only the list's end
      {"usbfilter"},
      {"a", "", "tz415filter"},  // the list ended at the empty string
      {"tz415filte"},
  };
  for (const auto& list : missing) {
    FakePlatform os;
    EXPECT_TRUE(NeedsDriver(os, MultiString(list))) << list.size();
    EXPECT_EQ(kNotFound, os.Screen()) << list.size();
  }
}

TEST(FilterWalk, AValueWithoutItsTerminatorsIsStillSearchedSafely) {
  FakePlatform plain, oddLength, empty;
  EXPECT_FALSE(NeedsDriver(plain, Utf16("tz415filter")));
  std::vector<uint8_t> odd = Utf16("xtz415filter");
  odd.push_back('z');
  EXPECT_FALSE(NeedsDriver(oddLength, odd));
  EXPECT_TRUE(NeedsDriver(empty, {}));
  EXPECT_EQ(kNotFound, empty.Screen());
}

TEST(FilterWalk, NonAsciiNamesBesideTheDriverDoNotHideIt) {
  std::vector<uint8_t> value = {0x34, 0x12, 0xE9, 0x00, 0, 0};  // two wide characters
  std::vector<uint8_t> driver = MultiString({"tz415filter"});
  value.insert(value.end(), driver.begin(), driver.end());
  FakePlatform os;
  EXPECT_FALSE(NeedsDriver(os, value));
}

TEST(FilterWalk, KeyOrValueAbsentCountsAsMissing) {
  FakePlatform noKey, noValue, otherValue;
  auto state = ZeroedState();
  EXPECT_TRUE(CheckDriver(*state, noKey));
  EXPECT_EQ(kNotFound, noKey.Screen());

  noValue.SetRegistryKey(kUsbClass);
  EXPECT_TRUE(CheckDriver(*state, noValue));
  EXPECT_EQ(kNotFound, noValue.Screen());

  otherValue.SetRegistryValue(kUsbClass, u"LowerFilters", MultiString({"tz415filter"}));
  EXPECT_TRUE(CheckDriver(*state, otherValue));
  EXPECT_EQ(kNotFound, otherValue.Screen());
}

// ---------------------------------------------------------------- Windows 8

TEST(Windows8, AMissingDriverBringsTheAdministratorWarning) {
  FakePlatform os;
  os.SetVersion(6, 2);
  auto state = ZeroedState();
  EXPECT_TRUE(CheckDriver(*state, os));
  EXPECT_EQ(std::string(kNotFound) + kRule + kWarning + kRule, os.Screen());
  EXPECT_EQ(1, state->IsWindows8);
}

TEST(Windows8, AFoundDriverBringsNoWarning) {
  FakePlatform os;
  os.SetVersion(6, 2);
  EXPECT_FALSE(NeedsDriver(os, MultiString({"tz415filter"})));
  EXPECT_EQ(kSuccess, os.Screen());
}

TEST(Windows8, OtherVersionsAndAFailedQueryBringNoWarning) {
  struct Case {
    uint32_t major, minor;
    bool fails;
  };
  for (Case c : {Case{6, 1, false}, Case{6, 3, false}, Case{10, 0, false}, Case{5, 2, false},
                 Case{6, 2, true}}) {
    FakePlatform os;
    os.SetVersion(c.major, c.minor);
    if (c.fails) os.FailGetVersion();
    auto state = ZeroedState();
    EXPECT_TRUE(CheckDriver(*state, os));
    EXPECT_EQ(kNotFound, os.Screen()) << c.major << "." << c.minor;
    EXPECT_EQ(0, state->IsWindows8);
  }
}

TEST(Windows8, TheVersionRecordIsFilledFreshEachTime) {
  FakePlatform os;
  os.SetVersion(6, 2);
  auto state = ZeroedState();
  std::memset(&state->OsVersionInfo, 0xAB, sizeof state->OsVersionInfo);
  QueryOsVersion(*state, os);
  EXPECT_EQ(276u, +state->OsVersionInfo.dwOSVersionInfoSize);
  EXPECT_EQ(6u, +state->OsVersionInfo.dwMajorVersion);
  EXPECT_EQ(2u, +state->OsVersionInfo.dwMinorVersion);
  EXPECT_EQ(1, state->IsWindows8);

  FakePlatform failing;
  failing.SetVersion(6, 2);
  failing.FailGetVersion();
  std::memset(&state->OsVersionInfo, 0xAB, sizeof state->OsVersionInfo);
  QueryOsVersion(*state, failing);
  EXPECT_EQ(0u, +state->OsVersionInfo.dwMajorVersion);
  EXPECT_EQ(0u, +state->OsVersionInfo.dwMinorVersion);
  EXPECT_EQ(0, +state->OsVersionInfo.szCSDVersion[0]);
  EXPECT_EQ(0, state->IsWindows8);
}

// ---------------------------------------------------------------- in the run

std::string RunUpdater(FakePlatform& os) {
  FakeHubLibrary library;
  os.AddFile("SpiFlash.ini", "");
  std::vector<const char16_t*> argv = {u"Quillet64", u"QRZ"};
  UpdaterMain(2, argv.data(), os, os, os, library);
  return os.Screen();
}

TEST(InTheRun, AMissingDriverStopsTheRunBeforeTheScreenIsCleared) {
  FakePlatform os;
  os.SetVersion(6, 2);
  std::string screen = RunUpdater(os);
  std::string tail = std::string(kNotFound) + kRule + kWarning + kRule;
  ASSERT_GE(screen.size(), tail.size());
  EXPECT_EQ(tail, screen.substr(screen.size() - tail.size()));
  EXPECT_EQ(std::string::npos, screen.find("{cls}"));
}

TEST(InTheRun, AFoundDriverLetsTheRunGoOnToTheBanner) {
  FakePlatform os;
  os.SetRegistryValue(kUsbClass, u"UpperFilters", MultiString({"tz415filter"}));
  std::string screen = RunUpdater(os);
  EXPECT_NE(std::string::npos, screen.find(std::string("\n\t\t") + kSuccess + "{cls}"));
  EXPECT_NE(std::string::npos, screen.find(kHeading));
}

}  // namespace
