// The kit checker over any settings bytes, any Binfile entries and any hub
// description: a report or a clear error, never a crash, a hang or unbounded
// memory. The description goes through a file, as the checker reads it.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "described_hubs.h"
#include "fake_files.h"
#include "firmware_image.h"
#include "kit_check.h"
#include "report.h"

namespace {

const char* const kNames[] = {"A.BIN", "a.bin", "HUB415.BIN", "x.bin.BIN", "C.BIN"};
const uint64_t kFieldOffsets[] = {fwimage::kLongVersionOffset,
                                  fwimage::kShortVersionOffset,
                                  fwimage::kShortFields.manufacturer,
                                  fwimage::kLongFields.product1,
                                  fwimage::kShortFields.product2,
                                  fwimage::kLongFields.product2};

// With an image list, listed images are hashed whole: sizes stay small
// enough for a run to get through.
void AddImage(FuzzedDataProvider& in, FakeFiles& files, bool listed) {
  std::string name = in.ConsumeBool() ? kNames[in.ConsumeIntegralInRange<size_t>(0, 4)]
                                      : in.ConsumeRandomLengthString(300) + ".BIN";
  std::string path = ".\\Binfile\\" + name;
  if (in.ConsumeBool() && in.ConsumeBool()) {
    files.AddUnopenableFile(path);
    return;
  }
  std::string head = in.ConsumeRandomLengthString(8);
  uint64_t size = in.ConsumeBool()
                      ? (in.ConsumeBool() ? fwimage::kFixedLongSize : fwimage::kFixedShortSize)
                      : in.ConsumeIntegral<uint64_t>();
  if (listed && size > (1u << 20)) size = 1u << 20;
  if (size < head.size()) size = head.size();
  files.AddSparseFile(path, size, head);
  int patches = in.ConsumeIntegralInRange<int>(0, 4);
  for (int i = 0; i < patches && size > 0; ++i) {
    uint64_t offset = kFieldOffsets[in.ConsumeIntegralInRange<size_t>(0, 5)];
    std::string bytes = in.ConsumeRandomLengthString(48);
    if (offset + bytes.size() <= size && offset + bytes.size() <= (1u << 16)) {
      files.Patch(path, offset, bytes);
    }
  }
}

std::string DescriptionPath() {
  static const std::string path =
      "/tmp/fuzz_checker_" + std::to_string(static_cast<long>(getpid())) + ".ini";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  FakeFiles files;
  std::string settings = in.ConsumeRandomLengthString(4096);
  if (in.ConsumeBool()) files.AddFile("SpiFlash.ini", settings);
  std::string description = in.ConsumeRandomLengthString(4096);
  // Binfile\SHA256SUMS: mostly lines naming the images, so that every
  // verdict is reached, and now and then any bytes at all.
  bool listed = in.ConsumeBool();
  if (listed) {
    std::string list;
    int lines = in.ConsumeIntegralInRange<int>(0, 6);
    for (int i = 0; i < lines; ++i) {
      std::string hex = in.ConsumeBool() ? std::string(64, '0')
                                         : "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca4"
                                           "95991b7852b855";
      std::string name = kNames[in.ConsumeIntegralInRange<size_t>(0, 4)];
      list += in.ConsumeBool() ? hex + " *" + name + "\n" : in.ConsumeRandomLengthString(80);
    }
    files.AddFile(in.ConsumeBool() ? ".\\Binfile\\SHA256SUMS" : ".\\Binfile\\sha256sums", list);
  }
  int images = in.ConsumeIntegralInRange<int>(0, 6);
  for (int i = 0; i < images; ++i) AddImage(in, files, listed);

  std::unique_ptr<HubLibrary> hubs;
  if (in.ConsumeBool()) {
    std::FILE* file = std::fopen(DescriptionPath().c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(description.data(), 1, description.size(), file);
    std::fclose(file);
    std::string error;
    hubdesc::HubDescription description;
    if (check::ReadHubDescription(DescriptionPath(), &description, &error)) {
      hubs = check::DescribedHubs(description);
    } else if (error.empty() || error.find('\n') != std::string::npos) {
      __builtin_trap();  // a refused description is told in one line
    }
  }

  check::CheckRun run;
  run.folder = "kit";
  run.kits.push_back(check::CheckKit(files, hubs.get(), "kit"));
  if (in.ConsumeBool()) {
    run.kitRoot = true;
    run.kitNames = {"x86", "x64"};
    run.kits.push_back(check::CheckKit(files, nullptr, "kit"));
    check::CompareKits(run.kits[0], run.kits[1], files, files, &run.kitFindings);
    for (const check::Finding& finding : run.kitFindings) {
      if (finding.code == check::FindingCode::kKitDiffers)
        __builtin_trap();  // a folder never differs from itself
    }
  }
  std::string text = check::TextReport(run);
  std::string json = check::JsonReport(run);
  if (text.empty() || json.empty()) __builtin_trap();
  return 0;
}
