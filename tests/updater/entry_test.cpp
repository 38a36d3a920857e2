// The launch token, the first phase's headings and the banner, as the
// console shows them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "entry.h"
#include "fake_hub_library.h"
#include "fake_platform.h"
#include "shared_names.h"

namespace {

int RunUpdater(std::vector<std::u16string> args, FakePlatform& os, FakeHubLibrary& library) {
  std::vector<const char16_t*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  return UpdaterMain(static_cast<int>(argv.size()), argv.data(), os, os, os, library);
}

const char kBanner[] =
    "  ______ _____ _____  __  ____          __     _____  ______ \n"
    " |  ____|_   _|  __ \\|  \\/  \\ \\        / /\\   |  __ \\|  ____|\n"
    " | |__    | | | |__) | \\  / |\\ \\  /\\  / /  \\  | |__) | |__   \n"
    " |  __|   | | |  _  /| |\\/| | \\ \\/  \\/ / /\\ \\ |  _  /|  __|  \n"
    " | |     _| |_| | \\ \\| |  | |  \\  /\\  / ____ \\| | \\ \\| |____ \n"
    " |_|   _|_____|_|__\\_\\_|  |_|___\\/_ \\/_/__ _\\_\\_|  \\_\\______|\n"
    " | |  | |  __ \\|  __ \\   /\\|__   __|  ____|  __ \\ \n"
    " | |  | | |__) | |  | | /  \\  | |  | |__  | |__) |\n"
    " | |  | |  ___/| |  | |/ /\\ \\ | |  |  __| |  _  / \n"
    " | |__| | |    | |__| / ____ \\| |  | |____| | \\ \\ \n"
    "  \\____/|_|    |_____/_/    \\_\\_|  |______|_|  \\_\\     v" QUILLET_PROJECT_VERSION "  \n"
    "==============================================================================\n";

TEST(LaunchToken, NoArgumentAsksForParametersAndPauses) {
  FakePlatform os;
  FakeHubLibrary library;
  EXPECT_EQ(0, RunUpdater({u"Quillet64"}, os, library));
  EXPECT_EQ("Lack of parameters!\n{PAUSE}", os.Screen());
  EXPECT_TRUE(library.calls.empty());
}

TEST(LaunchToken, AnythingButTheExactTokenIsRefusedWithoutPause) {
  for (const char16_t* token : {u"qrz", u"QRZX", u"QR", u"", u"QRZ ", u" QRZ", u"Qrz"}) {
    FakePlatform os;
    FakeHubLibrary library;
    EXPECT_EQ(0, RunUpdater({u"Quillet64", token}, os, library));
    EXPECT_EQ("error parameters", os.Screen());
    EXPECT_TRUE(library.calls.empty());
  }
}

TEST(LaunchToken, ExtraArgumentsChangeNothing) {
  FakePlatform plain, extra;
  FakeHubLibrary plainLibrary, extraLibrary;
  RunUpdater({u"Quillet64", u"QRZ"}, plain, plainLibrary);
  RunUpdater({u"Quillet64", u"QRZ", u"more", u"args"}, extra, extraLibrary);
  EXPECT_EQ(plain.Screen(), extra.Screen());
  EXPECT_EQ(plainLibrary.calls, extraLibrary.calls);
  EXPECT_NE(std::string::npos, extra.Screen().find("1. Initialzation()\r\n"));
}

TEST(Banner, TwelveLinesWithTheirLengthsAndTrailingBlanks) {
  const int lengths[] = {61, 61, 61, 61, 61, 61, 50, 50, 50, 50, 61, 78};
  const int trailing[] = {1, 0, 3, 2, 1, 0, 1, 0, 1, 1, 2, 0};
  std::istringstream lines(kBanner);
  std::string line;
  int i = 0;
  while (std::getline(lines, line)) {
    ASSERT_LT(i, 12);
    EXPECT_EQ(lengths[i], static_cast<int>(line.size())) << "line " << i + 1;
    size_t last = line.find_last_not_of(' ');
    EXPECT_EQ(trailing[i], static_cast<int>(line.size() - 1 - last)) << "line " << i + 1;
    ++i;
  }
  EXPECT_EQ(12, i);
}

TEST(Initialization, HeadingsVersionBannerHandleAndWaitInOrder) {
  FakePlatform os;
  FakeHubLibrary library;
  library.version = 0x2A0F;
  os.AddFile("SpiFlash.ini", "");
  os.SetRegistryValue(u"" QUILLET_USB_CLASS_KEY, u"UpperFilters", MultiString({"tz415filter"}));
  RunUpdater({u"Quillet64", u"QRZ"}, os, library);
  const std::string& screen = os.Screen();
  std::string head = "1. Initialzation()\r\n\t1.1 GetDllInfo()\tAPI Version: 2a0f\n";
  EXPECT_EQ(head, screen.substr(0, head.size()));
  std::string tail = std::string("{cls}") + kBanner +
                     "Initializing Firmware Updater...\n"
                     "Initialization()  Success\n\n{sleep 3000}";
  EXPECT_NE(std::string::npos, screen.find(tail)) << screen;
  EXPECT_EQ("TA_GetDllVersion", library.calls.front());
}

}  // namespace
