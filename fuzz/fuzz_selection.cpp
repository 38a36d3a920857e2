// Any Binfile contents, any hub record and any settings state, through the
// image format module and image selection.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "hub_builders.h"
#include "printer.h"
#include "settings.h"
#include "firmware_image.h"
#include "selection.h"
#include "run_state.h"

namespace {

const char* const kNames[] = {"A.BIN", "b.bin", "FW_A.BIN", "fw_a.bin", "My File.BIN", "C.BIN"};
const uint8_t kRevisions[] = {0x10, 0xB2, 0xB3, 0x20};

std::string Pick(FuzzedDataProvider& in, const std::vector<std::string>& pool) {
  if (in.ConsumeBool()) return in.ConsumeRandomLengthString(48);
  return pool[in.ConsumeIntegralInRange<size_t>(0, pool.size() - 1)];
}

void PutField(std::string& image, uint64_t offset, const std::string& text) {
  if (offset >= image.size()) return;
  image.replace(offset, std::min(text.size(), image.size() - offset),
                text.substr(0, image.size() - offset));
}

// Mostly well-formed images, so that the later tests are reached.
std::string MakeImage(FuzzedDataProvider& in, const std::vector<uint16_t>& ids,
                      const std::vector<std::string>& strings) {
  if (in.ConsumeBool()) return in.ConsumeRandomLengthString(64);
  uint8_t flags = in.ConsumeIntegral<uint8_t>();
  uint64_t size = fwimage::IsLongLayout(flags) ? fwimage::kFixedLongSize : fwimage::kFixedShortSize;
  if (in.ConsumeBool()) size = in.ConsumeIntegralInRange<uint64_t>(0, 30000);
  std::string image(size, '\0');
  uint16_t id = in.ConsumeBool() ? ids[in.ConsumeIntegralInRange<size_t>(0, ids.size() - 1)]
                                 : in.ConsumeIntegral<uint16_t>();
  PutField(image, 0,
           std::string{static_cast<char>(id >> 8), static_cast<char>(id & 0xFF),
                       static_cast<char>(flags), 0});
  if (in.ConsumeBool()) PutField(image, fwimage::kShortVersionOffset, "\x10\x90");
  const fwimage::FieldLayout& fields = fwimage::FieldsFor(flags);
  PutField(image, fields.manufacturer, Pick(in, strings));
  PutField(image, fields.product1, Pick(in, strings));
  PutField(image, fields.product2, Pick(in, strings));
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  FakePlatform os;
  auto state = std::make_unique<UpdaterState>();
  std::vector<std::string> strings = {"Maker Inc.", "USB3.0 Hub", "Other Hub"};

  std::vector<uint32_t> hubIds = {0x3A170415, 0x3A170416, 0x1A2B0D12, 0x1A2B0D13};
  std::vector<uint16_t> imageIds = {0x0D12, 0x0D13, 0x1234};
  state->TargetIdCount = in.ConsumeIntegralInRange<uint8_t>(0, 6);
  for (int i = 0; i < state->TargetIdCount; ++i) {
    state->TargetIds[i].HubId = hubIds[in.ConsumeIntegralInRange<size_t>(0, hubIds.size() - 1)];
    state->TargetIds[i].ImageId =
        imageIds[in.ConsumeIntegralInRange<size_t>(0, imageIds.size() - 1)];
    state->TargetIds[i].UsbGeneration = in.ConsumeBool() ? 3 : 2;
  }
  state->StringCompare = in.ConsumeBool();
  state->HubNumber = in.ConsumeIntegralInRange<uint8_t>(0, 4);
  for (int i = 0; i < state->HubNumber; ++i) {
    uint8_t depth = 0;
    uint8_t port = 0;
    if (i > 0) {
      depth = in.ConsumeIntegralInRange<uint8_t>(0, 3);
      port = in.ConsumeIntegralInRange<uint8_t>(0, 4);
    }
    state->Modules.Add(depth, port, kNames[in.ConsumeIntegralInRange<size_t>(0, 5)]);
  }

  uint32_t hubId = hubIds[in.ConsumeIntegralInRange<size_t>(0, hubIds.size() - 1)];
  if (in.ConsumeBool()) hubId = in.ConsumeIntegral<uint32_t>();
  HubDeviceInfo hub =
      MakeHub(static_cast<uint16_t>(hubId >> 16), static_cast<uint16_t>(hubId),
              in.ConsumeIntegral<uint16_t>(), in.ConsumeIntegralInRange<uint8_t>(0, 3),
              in.ConsumeIntegralInRange<uint8_t>(0, 4));
  hub.UsbVersion = in.ConsumeIntegral<uint8_t>();
  hub.ChipRevision = in.ConsumeBool() ? kRevisions[in.ConsumeIntegralInRange<size_t>(0, 3)]
                                      : in.ConsumeIntegral<uint8_t>();
  hub.ChipOptions = in.ConsumeIntegral<uint8_t>();
  SetHubString(hub.ManufacturerString, Pick(in, strings));
  SetHubString(hub.ProductString, Pick(in, strings));

  int files = in.ConsumeIntegralInRange<int>(0, 5);
  for (int i = 0; i < files; ++i) {
    std::string name = in.ConsumeBool() ? kNames[in.ConsumeIntegralInRange<size_t>(0, 5)]
                                        : in.ConsumeRandomLengthString(260) + ".BIN";
    std::string path = ".\\Binfile\\" + name;
    if (in.ConsumeIntegralInRange<int>(0, 9) == 0) {
      os.AddUnopenableFile(path);
    } else {
      std::string image = MakeImage(in, imageIds, strings);
      os.AddFile(path, image);
      auto source = os.OpenForRead(path.c_str());
      if (source) fwimage::DeliveredVersion(*source);
    }
  }

  char imagePath[kImagePathSize];
  std::memset(imagePath, 0x5A, sizeof imagePath);
  Printer out(os);
  bool chosen = SelectFWBinFile(*state, out, os, hubId, hub, imagePath);
  if (os.OpenFiles() != 0) std::abort();
  if (chosen) {
    if (std::memchr(imagePath, 0, sizeof imagePath) == nullptr) std::abort();
    if (std::strncmp(imagePath, ".\\Binfile\\", 10) != 0) std::abort();
    if (!os.OpenForRead(imagePath)) std::abort();
  } else if (static_cast<unsigned char>(imagePath[0]) != 0x5A) {
    std::abort();  // written only when an image was chosen
  }
  return 0;
}
