// Image selection over a Binfile of many images, the chosen one last in
// directory order, against the floor of the same directory search that only
// opens each file, reads its 4 header bytes and closes it.
//
// Then the image check against Binfile\SHA256SUMS listing every image: the
// list read and the chosen image hashed, as the update run does once per
// hub, as a share of one hub's update (the write's time given).
//
// Usage: select_bench <empty folder> [images=10000] [rounds=5] [write ms=2000]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image_check.h"
#include "platform.h"
#include "printer.h"
#include "selection.h"
#include "run_state.h"

namespace {

constexpr uint32_t kHubId = 0x1A2B0D12;
constexpr uint16_t kImageId = 0x0D12;
const char kMaker[] = "Quillet Demo Devices";
const char kProduct[] = "Quillet Bench Hub";

// Counts the bytes every file read delivers; selection touches no other role.
class CountingFiles : public Files {
 public:
  explicit CountingFiles(Files& inner) : inner_(inner) {}
  uint64_t bytesRead = 0;
  uint64_t lastFileBytes = 0;  // of the file opened last

  class File : public ByteSource {
   public:
    File(std::unique_ptr<ByteSource> inner, CountingFiles* owner)
        : inner_(std::move(inner)), owner_(owner) {}
    uint64_t Size() override { return inner_->Size(); }
    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
      size_t got = inner_->ReadAt(offset, buffer, count);
      owner_->bytesRead += got;
      owner_->lastFileBytes += got;
      return got;
    }

   private:
    std::unique_ptr<ByteSource> inner_;
    CountingFiles* owner_;
  };

  std::unique_ptr<DirectorySearch> FindFiles(const char* p) override { return inner_.FindFiles(p); }
  std::unique_ptr<ByteSource> OpenForRead(const char* path) override {
    auto file = inner_.OpenForRead(path);
    if (!file) return nullptr;
    lastFileBytes = 0;
    return std::make_unique<File>(std::move(file), this);
  }

 private:
  Files& inner_;
};

void WriteAt(HANDLE file, LONGLONG offset, const void* bytes, DWORD count) {
  LARGE_INTEGER at;
  at.QuadPart = offset;
  SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
  DWORD written;
  WriteFile(file, bytes, count, &written, nullptr);
}

void Field(HANDLE file, LONGLONG offset, const char* text, DWORD length) {
  std::string field(length, '\0');
  std::memcpy(&field[0], text, std::min<size_t>(std::strlen(text), length));
  WriteAt(file, offset, field.data(), length);
}

// Kinds of rejected image, in the proportions a crowded Binfile might hold.
enum Kind { kOtherFamily, kOtherMaker, kOtherProduct, kOtherChip, kChosen };

void WriteImage(const std::string& path, Kind kind) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  uint8_t header[4] = {kImageId >> 8, kImageId & 0xFF, 0x08, 0x00};  // long layout, rule 4
  if (kind == kOtherFamily) header[1] = 0x13;
  if (kind == kOtherChip) header[2] = 0x0C;  // option bit set: rule 3 needs options 0x30
  WriteAt(file, 0, header, sizeof header);
  if (kind != kOtherFamily) {
    Field(file, 28704, kind == kOtherMaker ? "Someone Else" : kMaker, 48);
    Field(file, 28752, kind == kOtherProduct ? "Another Hub" : kProduct, 48);
    Field(file, 28800, kind == kOtherProduct ? "Another Hub" : kProduct, 48);
  }
  LARGE_INTEGER end;
  end.QuadPart = 28848;
  SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// What any selection must at least do: walk the directory, open every
// file, read its header, close it.
uint64_t Floor(Files& os) {
  uint64_t files = 0;
  auto search = os.FindFiles(".\\Binfile\\*.BIN");
  if (!search) return 0;
  do {
    std::string path = std::string(".\\Binfile\\") + search->Name();
    auto file = os.OpenForRead(path.c_str());
    if (!file) continue;
    uint8_t header[4];
    file->Size();
    files += file->ReadAt(0, header, sizeof header) == sizeof header;
  } while (search->Next());
  return files;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: select_bench <empty folder> [images] [rounds]\n");
    return 2;
  }
  int images = argc > 2 ? std::atoi(argv[2]) : 10000;
  int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
  CreateDirectoryA(argv[1], nullptr);
  if (!SetCurrentDirectoryA(argv[1])) return 1;
  CreateDirectoryA("Binfile", nullptr);

  const Kind mix[] = {kOtherFamily, kOtherFamily, kOtherFamily,  kOtherFamily, kOtherFamily,
                      kOtherFamily, kOtherMaker,  kOtherProduct, kOtherChip,   kOtherFamily};
  for (int i = 0; i < images; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "Binfile\\IMG%05d.BIN", i);
    WriteImage(name, mix[i % 10]);
  }
  // The platform's search order is not the order of creation: make the
  // last file it yields the one that passes.
  Files& win32 = Win32FilesRole();
  std::string last;
  {
    auto search = win32.FindFiles(".\\Binfile\\*.BIN");
    do last = search->Name();
    while (search->Next());
  }
  WriteImage(".\\Binfile\\" + last, kChosen);

  auto state = std::make_unique<UpdaterState>();
  state->TargetIdCount = 1;
  state->TargetIds[0] = TargetIdEntry{kHubId, kImageId, 3};
  state->StringCompare = 1;
  HubDeviceInfo& hub = state->Devices[0];
  hub.UsbVersion = 3;
  hub.VendorId = kHubId >> 16;
  hub.ProductId = kHubId & 0xFFFF;
  hub.ChipRevision = 0xB2;
  hub.ChipOptions = 0x00;
  std::memcpy(hub.ManufacturerString, kMaker, sizeof kMaker);
  std::memcpy(hub.ProductString, kProduct, sizeof kProduct);

  CountingFiles os(win32);
  Printer out(Win32ConsoleRole());
  std::vector<double> floorTimes, selectTimes;
  char path[kImagePathSize] = {};
  Floor(os);  // warm the cache for both
  for (int round = 0; round < rounds; ++round) {
    LARGE_INTEGER t0, t1, t2;
    QueryPerformanceCounter(&t0);
    uint64_t walked = Floor(os);
    QueryPerformanceCounter(&t1);
    os.bytesRead = 0;
    bool chosen = SelectFWBinFile(*state, out, os, kHubId, hub, path);
    QueryPerformanceCounter(&t2);
    if (!chosen || walked != uint64_t(images) || last != path + 10) {
      std::fprintf(stderr, "selection did not choose the last image (%s)\n", path);
      return 1;
    }
    floorTimes.push_back(Seconds(t0, t1));
    selectTimes.push_back(Seconds(t1, t2));
  }
  // The chosen image is the last one opened.
  double perRejected = double(os.bytesRead - os.lastFileBytes) / double(images - 1);
  double floorMs = Median(floorTimes) * 1000, selectMs = Median(selectTimes) * 1000;
  std::printf("images: %d (chosen: %s, last in directory order)\n", images, last.c_str());
  std::printf("SelectFWBinFile: %.1f ms per call (median of %d)\n", selectMs, rounds);
  std::printf("floor (search, open, read 4 bytes, close): %.1f ms (median of %d)\n", floorMs,
              rounds);
  std::printf("ratio selection/floor: %.3f (goal <= 1.2)\n", selectMs / floorMs);
  std::printf("bytes read per rejected image: %.1f (goal <= 100)\n", perRejected);

  // The list, every image in it, as a kit's would be.
  int writeMs = argc > 4 ? std::atoi(argv[4]) : 2000;
  std::string list;
  {
    auto search = win32.FindFiles(".\\Binfile\\*.BIN");
    do {
      imagesums::Digest digest{};
      std::string name = search->Name();
      if (HashFile(win32, (".\\Binfile\\" + name).c_str(), &digest) != HashOutcome::kHashed) {
        std::fprintf(stderr, "cannot hash %s\n", name.c_str());
        return 1;
      }
      list += imagesums::ListLine(digest, name);
    } while (search->Next());
  }
  HANDLE sums = CreateFileA(".\\Binfile\\SHA256SUMS", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  WriteAt(sums, 0, list.data(), static_cast<DWORD>(list.size()));
  CloseHandle(sums);
  std::vector<double> checkTimes;
  for (int round = 0; round < rounds; ++round) {
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    ImageCheckResult check = CheckImage(win32, last);
    QueryPerformanceCounter(&t1);
    if (check.check != ImageCheck::kVerified) {
      std::fprintf(stderr, "the chosen image was not verified (%d)\n", int(check.check));
      return 1;
    }
    checkTimes.push_back(Seconds(t0, t1));
  }
  double checkMs = Median(checkTimes) * 1000;
  std::printf("image check (list of %d lines read, chosen image of 28848 bytes hashed): "
              "%.2f ms per hub (median of %d)\n",
              images, checkMs, rounds);
  std::printf("share of one hub's update (selection %.1f ms + check + write %d ms): %.4f%%\n",
              selectMs, writeMs, 100 * checkMs / (selectMs + checkMs + writeMs));
  return 0;
}
