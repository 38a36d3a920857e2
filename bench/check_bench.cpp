// The kit checker over a kit of many images and the 16 hubs the record has
// room for, against the floor of reading every image's first 4 bytes once
// through the same files role. Each image is read once per check whatever
// the number of hubs, so the ratio stays near the cost of one header read.
// Then the same kit with Binfile\SHA256SUMS: the checker hashing every image
// whole against `sha256sum -c` over the same list, in the same run.
//
// Usage: check_bench <empty folder> [images=1000] [rounds=5]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "checker_main.h"
#include "image_list_check.h"
#include "image_scan.h"
#include "posix_files.h"
#include "rooted_files.h"
#include "selection.h"

namespace {

constexpr int kHubs = 16;

void Put(std::string& image, size_t offset, const std::string& bytes) {
  image.replace(offset, bytes.size(), bytes);
}

// Hub n wants image ID 0D00+n; image i carries ID 0D00 + i % 16, so every
// hub has images to refuse at each test and one in 16 to pass the ID test.
void MakeKit(const std::string& folder, int images) {
  mkdir(folder.c_str(), 0755);
  mkdir((folder + "/Binfile").c_str(), 0755);
  std::ofstream settings(folder + "/SpiFlash.ini", std::ios::binary);
  settings << "[TargetID_U3]\n";
  for (int n = 0; n < kHubs; ++n) {
    char line[32];
    std::snprintf(line, sizeof line, "1A2B%04X=%04X\n", 0x0D00 + n, 0x0D00 + n);
    settings << line;
  }
  settings << "[Misc]\nManufacturer&ProductStringCompare=1\n[HUBModule]\nHUBNumber=0\n"
              "[HUBName]\nWantuUpdateHUBName=Bench\n[HUBFWCheck]\nCheckHUBFW=1\nFWVersion=139\n";
  std::ofstream hubs(folder + "/hubs.ini", std::ios::binary);
  for (int n = 0; n < kHubs; ++n) {
    char section[256];
    std::snprintf(section, sizeof section,
                  "[Hub%d]\nVendorId=1A2B\nProductId=%04X\nFirmwareVersion=0A20\nChipRevision=B3\n"
                  "Manufacturer=Quillet Labs\nProduct=Bench Hub %d\n",
                  n + 1, 0x0D00 + n, n % 4);
    hubs << section;
  }
  for (int i = 0; i < images; ++i) {
    std::string image(28848, '\0');
    uint16_t id = static_cast<uint16_t>(0x0D00 + i % kHubs);
    Put(image, 0, std::string{char(id >> 8), char(id & 0xFF), 0x08, 0});
    Put(image, 8012, std::string{char(i & 0xFF), 0x0A});
    Put(image, 28704, "Quillet Labs");
    Put(image, 28752, "Bench Hub " + std::to_string(i % 4));
    char name[32];
    std::snprintf(name, sizeof name, "/Binfile/IMG%05d.BIN", i);
    std::ofstream(folder + name, std::ios::binary) << image;
  }
}

template <typename F>
double BestMs(int rounds, F run) {
  double best = 1e30;
  for (int r = 0; r < rounds; ++r) {
    auto start = std::chrono::steady_clock::now();
    run();
    std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: check_bench <empty folder> [images] [rounds]\n");
    return 2;
  }
  std::string folder = argv[1];
  int images = argc > 2 ? std::atoi(argv[2]) : 1000;
  int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
  MakeKit(folder, images);

  check::PosixHost host;
  int status = 0;
  std::string out;
  double checkMs = BestMs(rounds, [&] {
    std::string err;
    status = check::CheckerMain({"--hubs", folder + "/hubs.ini", folder}, host, &out, &err);
  });

  size_t headers = 0;
  double floorMs = BestMs(rounds, [&] {
    check::RootedFiles files(host.PlatformFiles(), folder, '/');
    headers = 0;
    std::unique_ptr<DirectorySearch> search = files.FindFiles(kImagePattern);
    if (!search) return;
    do {
      std::string path = std::string(kImageDirectory) + search->Name();
      std::unique_ptr<ByteSource> image = files.OpenForRead(path.c_str());
      unsigned char header[4];
      if (image && image->ReadAt(0, header, sizeof header) == sizeof header) ++headers;
    } while (search->Next());
  });

  size_t programmed = 0;
  for (size_t at = out.find("=> writes"); at != std::string::npos;
       at = out.find("=> writes", at + 1)) {
    ++programmed;
  }
  std::printf("kit check, %d images x %d hubs: %.1f ms (best of %d; status %d, %zu hubs get an "
              "image)\n",
              images, kHubs, checkMs, rounds, status, programmed);
  std::printf("floor, first 4 bytes of each of %zu images once: %.1f ms\n", headers, floorMs);
  std::printf("ratio: %.2f\n", checkMs / floorMs);

  // The image list: the checker hashing every image, against sha256sum
  // checking the same list over the same files, in this same run.
  std::string err;
  std::string written;
  if (check::CheckerMain({"--write-sums", "--force", folder}, host, &written, &err) != 0) {
    std::fprintf(stderr, "%s", err.c_str());
    return 1;
  }
  check::RootedFiles files(host.PlatformFiles(), folder, '/');
  check::KitReport scanned;
  check::ReadImages(files, &scanned);
  size_t verified = 0;
  double hashMs = BestMs(rounds, [&] {
    check::KitReport report;
    report.images = scanned.images;
    check::CheckImageList(files, &report);
    verified = 0;
    for (const check::ImageRow& row : report.images)
      verified += row.sums.check == ImageCheck::kVerified;
  });
  std::string command = "cd '" + folder + "/Binfile' && sha256sum --quiet -c SHA256SUMS";
  int sha256sum = 0;
  double toolMs = BestMs(rounds, [&] { sha256sum = std::system(command.c_str()); });
  if (sha256sum != 0 || verified != static_cast<size_t>(images)) {
    std::fprintf(stderr, "the list did not verify (sha256sum %d, checker %zu of %d)\n", sha256sum,
                 verified, images);
    return 1;
  }
  std::printf("image list, %d images hashed whole: checker %.1f ms, sha256sum -c %.1f ms "
              "(best of %d each)\n",
              images, hashMs, toolMs, rounds);
  std::printf("ratio checker/sha256sum: %.2f (goal <= 1.25)\n", hashMs / toolMs);
  return 0;
}
