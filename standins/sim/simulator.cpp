#include "simulator.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "byte_source.h"
#include "firmware_image.h"
#include "hub_records.h"
#include "updater_state.h"

namespace sim {
namespace {

enum class ReadStatus { kOk, kMissing, kFailed };

ReadStatus ReadWholeFile(const std::string& path, std::string* out) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return ReadStatus::kMissing;
  out->clear();
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) out->append(buffer, got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return failed ? ReadStatus::kFailed : ReadStatus::kOk;
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
  ok = std::fclose(file) == 0 && ok;
  if (!ok) std::remove(path.c_str());
  return ok;
}

std::string HexWord(uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

// The image as the format module reads files: the simulator has read it
// whole already, to store it as the hub's flash.
class ImageBytes : public ByteSource {
 public:
  explicit ImageBytes(const std::string& bytes) : bytes_(bytes) {}
  uint64_t Size() override { return bytes_.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset >= bytes_.size()) return 0;
    size_t available = bytes_.size() - static_cast<size_t>(offset);
    size_t length = count < available ? count : available;
    std::memcpy(buffer, bytes_.data() + offset, length);
    return length;
  }

 private:
  const std::string& bytes_;
};

size_t DirectoryEnd(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

uint16_t DeliveredVersion(const std::string& image) {
  ImageBytes bytes(image);
  return fwimage::DeliveredVersion(bytes);
}

Simulator::Simulator(SimPlatform& platform, std::string descriptionPath, std::string logPath,
                     std::string startsPath, bool activateAtPowerCycle)
    : platform_(platform),
      descriptionPath_(std::move(descriptionPath)),
      logPath_(std::move(logPath)),
      startsPath_(std::move(startsPath)),
      activateAtPowerCycle_(activateAtPowerCycle) {}

std::string Simulator::FlashPathFor(const std::string& descriptionPath,
                                    const std::string& section) {
  size_t nameBegin = DirectoryEnd(descriptionPath);
  std::string name = descriptionPath.substr(nameBegin);
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return descriptionPath.substr(0, nameBegin) + name + "." + section + ".flash";
}

std::string Simulator::PendingPathFor(const std::string& descriptionPath,
                                      const std::string& section) {
  std::string flash = FlashPathFor(descriptionPath, section);
  return flash.substr(0, flash.size() - 5) + "pending";
}

bool Simulator::PowerCycle(std::vector<std::string>* activated) {
  activated->clear();
  std::string text, error;
  hubdesc::HubDescription description;
  if (ReadWholeFile(descriptionPath_, &text) != ReadStatus::kOk ||
      !hubdesc::ParseHubDescription(text, descriptionPath_, &description, &error)) {
    platform_.Warn("TZ415Sim: cannot power-cycle the hubs of " + descriptionPath_);
    return false;
  }
  std::vector<std::string> done;
  for (const hubdesc::DescribedHub& hub : description.hubs) {
    std::string digits, edited;
    if (ReadWholeFile(PendingPathFor(descriptionPath_, hub.section), &digits) != ReadStatus::kOk)
      continue;
    char* end = nullptr;
    unsigned long version = std::strtoul(digits.c_str(), &end, 16);
    if (digits.size() != 4 || *end != '\0' ||
        !hubdesc::WithFirmwareVersion(text, hub.section, static_cast<uint16_t>(version), &edited))
      continue;
    text = edited;
    done.push_back(hub.section);
  }
  if (done.empty()) return true;
  const std::string temporary = descriptionPath_ + ".tmp";
  if (!WriteWholeFile(temporary, text) || !platform_.ReplaceFile(temporary, descriptionPath_)) {
    std::remove(temporary.c_str());
    platform_.Warn("TZ415Sim: cannot write " + descriptionPath_);
    return false;
  }
  for (const std::string& section : done)
    std::remove(PendingPathFor(descriptionPath_, section).c_str());
  *activated = done;
  return true;
}

// Read once per process, at the first call: a bad file is reported once and
// the library then carries on as if no hub were attached.
const hubdesc::HubDescription& Simulator::Description() {
  if (loaded_) return description_;
  loaded_ = true;
  std::string text;
  switch (ReadWholeFile(descriptionPath_, &text)) {
    case ReadStatus::kMissing:
      platform_.Warn("TZ415Sim: no hub description " + descriptionPath_ + "; reporting no hubs");
      return description_;
    case ReadStatus::kFailed:
      platform_.Warn("TZ415Sim: cannot read " + descriptionPath_ + "; reporting no hubs");
      return description_;
    case ReadStatus::kOk: break;
  }
  std::string error;
  if (!hubdesc::ParseHubDescription(text, descriptionPath_, &description_, &error)) {
    description_ = hubdesc::HubDescription();
    platform_.Warn("TZ415Sim: " + error + "; reporting no hubs");
  }
  return description_;
}

void Simulator::Append(const std::string& path, const std::string& line) {
  if (path.empty()) return;
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return;
  std::fputs((line + "\n").c_str(), file);
  std::fclose(file);
}

int Simulator::GetDllVersion(uint32_t* version) {
  uint64_t start = platform_.NowMs();
  uint32_t value = Description().libraryVersion;
  int result = 0;
  if (version == nullptr)
    result = -1;
  else
    *version = value;
  Log("TA_GetDllVersion version=" + HexWord(value, 1) + " result=" + std::to_string(result) +
      " ms=" + std::to_string(platform_.NowMs() - start));
  return result;
}

int Simulator::SetIniInfo(const void* head) {
  uint64_t start = platform_.NowMs();
  Description();
  head_ = static_cast<const uint8_t*>(head);
  std::string line = "TA_SetIniInfo";
  if (head_ == nullptr) {
    line += " count=- ids=-";
  } else {
    line += " count=" + std::to_string(head_[0]) +
            " ids=" + hubdesc::HubIdTableText(hubdesc::HubIdTable(head_));
  }
  Log(line + " result=0 ms=" + std::to_string(platform_.NowMs() - start));
  return 0;
}

int Simulator::GetEnumInfo(void* deviceCount) {
  uint64_t start = platform_.NowMs();
  const hubdesc::HubDescription& description = Description();
  enumerated_ = hubdesc::ReportedHubs(description, head_);
  enumeratedOnce_ = true;
  int count = hubdesc::ReportedCount(description, enumerated_.size());
  std::string names;
  int result = 0;
  if (deviceCount == nullptr) {
    result = -1;
    enumerated_.clear();
  } else {
    hubdesc::WriteListing(description, enumerated_, static_cast<uint8_t*>(deviceCount));
  }
  for (size_t k = 0; k < enumerated_.size(); ++k)
    names += (k ? "," : "") + description.hubs[enumerated_[k]].section;
  Log("TA_GetEnumInfo count=" + std::to_string(count) + " hubs=" + (names.empty() ? "-" : names) +
      " result=" + std::to_string(result) + " ms=" + std::to_string(platform_.NowMs() - start));
  return result;
}

int Simulator::Program(uint8_t index, const hubdesc::DescribedHub& hub, bool removeImage,
                       const char* path, std::string* note) {
  if (path == nullptr) {
    *note = "refused=\"no image path\"";
    return kImageUnreadable;
  }
  if (removeImage) {
    std::remove(path);
    *note = "fault=\"image removed\" ";
  }
  std::string image;
  ReadStatus status = ReadWholeFile(path, &image);
  if (status != ReadStatus::kOk || image.empty()) {
    *note += status == ReadStatus::kMissing  ? "refused=\"image cannot be opened\""
             : status == ReadStatus::kFailed ? "refused=\"image cannot be read\""
                                             : "refused=\"image is empty\"";
    return kImageUnreadable;
  }
  *note = "hub=" + hub.section;
  // The call log's line comes only when the call returns; this one tells a
  // watcher that the caller is inside a write now, which its screen cannot.
  Append(startsPath_,
         "TA_UpdateISP index=" + std::to_string(index) + " hub=" + hub.section + " started");
  platform_.Sleep(hub.updateMilliseconds);
  if (hub.updateResult != 0) return hub.updateResult;

  uint16_t version = DeliveredVersion(image);
  if (activateAtPowerCycle_) return ProgramUntilPowerCycle(hub, image, version, note);
  return ProgramAtOnce(hub, image, version, note);
}

// The new firmware runs at once: the flash file holds the image, and the
// description reports its version from the next call on.
int Simulator::ProgramAtOnce(const hubdesc::DescribedHub& hub, const std::string& image,
                             uint16_t version, std::string* note) {
  std::string text, edited;
  if (ReadWholeFile(descriptionPath_, &text) != ReadStatus::kOk ||
      !hubdesc::WithFirmwareVersion(text, hub.section, version, &edited)) {
    *note += " refused=\"description cannot be updated\"";
    return kStorageFailed;
  }
  // Both new files are complete before either replaces its old one, so a
  // failure leaves the hub as it was.
  std::string flashPath = FlashPathFor(descriptionPath_, hub.section);
  std::string flashTemp = flashPath + ".tmp";
  std::string oldFlash;
  bool hadFlash = ReadWholeFile(flashPath, &oldFlash) == ReadStatus::kOk;
  std::string descriptionTemp = descriptionPath_ + ".tmp";
  bool written = WriteWholeFile(flashTemp, image);
  written = written && WriteWholeFile(descriptionTemp, edited);
  if (!written || !platform_.ReplaceFile(flashTemp, flashPath)) {
    std::remove(flashTemp.c_str());
    std::remove(descriptionTemp.c_str());
    *note += " refused=\"flash file cannot be written\"";
    return kStorageFailed;
  }
  if (!platform_.ReplaceFile(descriptionTemp, descriptionPath_)) {
    std::remove(descriptionTemp.c_str());
    if (hadFlash)
      WriteWholeFile(flashPath, oldFlash);
    else
      std::remove(flashPath.c_str());
    *note += " refused=\"description cannot be written\"";
    return kStorageFailed;
  }
  for (hubdesc::DescribedHub& described : description_.hubs)
    if (described.section == hub.section) described.firmwareVersion = version;
  *note += " version=" + HexWord(version, 4);
  return 0;
}

// The flash holds the new image at once; the hub reports the new version
// only after the power cycle, so the description stays as it is.
int Simulator::ProgramUntilPowerCycle(const hubdesc::DescribedHub& hub, const std::string& image,
                                      uint16_t version, std::string* note) {
  const std::string flashPath = FlashPathFor(descriptionPath_, hub.section);
  const std::string pendingPath = PendingPathFor(descriptionPath_, hub.section);
  if (!WriteWholeFile(flashPath + ".tmp", image) ||
      !platform_.ReplaceFile(flashPath + ".tmp", flashPath) ||
      !WriteWholeFile(pendingPath + ".tmp", HexWord(version, 4)) ||
      !platform_.ReplaceFile(pendingPath + ".tmp", pendingPath)) {
    std::remove((flashPath + ".tmp").c_str());
    std::remove((pendingPath + ".tmp").c_str());
    *note += " refused=\"flash file cannot be written\"";
    return kStorageFailed;
  }
  *note += " version=" + HexWord(version, 4) + " at-power-cycle";
  return 0;
}

int Simulator::UpdateISP(uint8_t index, const char* path, int reserved) {
  uint64_t start = platform_.NowMs();
  const hubdesc::HubDescription& description = Description();
  std::string note;
  int result;
  if (!enumeratedOnce_ || index >= enumerated_.size()) {
    note = "refused=\"no hub at this position\"";
    result = kNoSuchHub;
  } else {
    hubdesc::DescribedHub hub = description.hubs[enumerated_[index]];
    result = Program(index, hub, description.removeImageBeforeWrite || hub.removeImageBeforeWrite,
                     path, &note);
  }
  Log("TA_UpdateISP index=" + std::to_string(index) + " path=\"" + (path == nullptr ? "" : path) +
      "\" reserved=" + std::to_string(reserved) + " " + note + " result=" + std::to_string(result) +
      " ms=" + std::to_string(platform_.NowMs() - start));
  return result;
}

}  // namespace sim
