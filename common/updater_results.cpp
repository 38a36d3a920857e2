#include "updater_results.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kFirstLine[] = "Quillet results 2";

const char* const kStageNames[] = {"busy", "settings", "driver", "no-hubs", "listed"};
const char* const kMarkNames[] = {"-", "cleared", "changed"};
constexpr char kPendingFirstLine[] = "Quillet pending 1";

template <typename Enum, size_t N>
bool EnumFromName(const char* const (&names)[N], const char* name, Enum* value) {
  for (size_t i = 0; i < N; ++i) {
    if (std::strcmp(names[i], name) == 0) {
      *value = static_cast<Enum>(i);
      return true;
    }
  }
  return false;
}

// One line of `text` from `at`, without its line feed; false at the end.
bool NextLine(const std::string& text, size_t* at, std::string* line) {
  if (*at >= text.size()) return false;
  size_t end = text.find('\n', *at);
  if (end == std::string::npos) return false;  // every line ends with one
  *line = text.substr(*at, end - *at);
  *at = end + 1;
  return true;
}

bool ParseHub(const std::string& line, HubResult* hub) {
  unsigned vendor = 0, product = 0, firmware = 0, depth = 0, port = 0, delivers = 0;
  int called = 0, consumed = 0;
  char outcome[24] = {}, mark[12] = {}, time[24] = {}, sha[66] = {};
  if (std::sscanf(line.c_str(), "hub %d %4x %4x %4x %23s %d %d %u %u %4x %11s %23s %65s %n",
                  &hub->device, &vendor, &product, &firmware, outcome, &called, &hub->libraryResult,
                  &depth, &port, &delivers, mark, time, sha, &consumed) != 13 ||
      consumed == 0 || depth > 255 || port > 255) {
    return false;
  }
  if (!OutcomeFromName(outcome, &hub->outcome)) return false;
  if (!EnumFromName(kMarkNames, mark, &hub->previous)) return false;
  const std::string digest = std::strcmp(sha, "-") == 0 ? "" : sha;
  if (!digest.empty() && digest.size() != 64) return false;
  std::memcpy(hub->imageSha256, digest.c_str(), digest.size() + 1);
  std::snprintf(hub->writeTime, sizeof hub->writeTime, "%s",
                std::strcmp(time, "-") == 0 ? "" : time);
  hub->place = {static_cast<uint16_t>(vendor), static_cast<uint16_t>(product),
                static_cast<uint8_t>(depth), static_cast<uint8_t>(port)};
  hub->delivers = static_cast<uint16_t>(delivers);
  const std::string image = line.substr(static_cast<size_t>(consumed));
  if (image.size() >= sizeof hub->image) return false;
  // Both same-level outcomes are written alike; only the one after
  // selection has an image.
  if (hub->outcome == HubOutcome::kSameLevelBefore && !image.empty()) {
    hub->outcome = HubOutcome::kSameLevelAfter;
  }
  std::memcpy(hub->image, image.c_str(), image.size() + 1);
  hub->firmwareBefore = static_cast<uint16_t>(firmware);
  hub->libraryCalled = called != 0;
  return true;
}

}  // namespace

const char* StageName(UpdaterStage stage) { return kStageNames[static_cast<int>(stage)]; }
bool OutcomeFromName(const char* name, HubOutcome* outcome) {
  for (int i = 0; NamesOf(static_cast<HubOutcome>(i)).results != nullptr; ++i) {
    if (std::strcmp(NamesOf(static_cast<HubOutcome>(i)).results, name) == 0) {
      *outcome = static_cast<HubOutcome>(i);
      return true;
    }
  }
  return false;
}
const char* PendingMarkName(PendingMark mark) { return kMarkNames[static_cast<int>(mark)]; }
bool PendingMarkFromName(const char* name, PendingMark* mark) {
  return EnumFromName(kMarkNames, name, mark);
}

std::string SectionText(const void* view) {
  const char* bytes = static_cast<const char*>(view);
  size_t length = 0;
  while (length < kResultsSize && bytes[length] != '\0') ++length;
  return std::string(bytes, length);
}

bool PutSectionText(void* view, const std::string& text) {
  if (text.size() + 1 > kResultsSize) return false;
  std::memcpy(view, text.c_str(), text.size() + 1);
  return true;
}

void RecordHub(UpdaterResults* results, const HubResult& hub) {
  if (results == nullptr || results->hubCount >= kResultsHubs) return;
  results->hubs[results->hubCount++] = hub;
}

std::string FormatResults(const UpdaterResults& results) {
  std::string text = std::string(kFirstLine) + "\n";
  text += std::string("version ") + results.version + "\n";
  text += std::string("stage ") + StageName(results.stage) + "\n";
  for (int i = 0; i < results.hubCount && i < kResultsHubs; ++i) {
    const HubResult& hub = results.hubs[i];
    char line[192 + kResultsImageSize];
    // The image comes last: a file name may hold blanks.
    std::snprintf(line, sizeof line, "hub %d %04X %04X %04X %s %d %d %u %u %04X %s %s %s %s\n",
                  hub.device, hub.place.vendorId, hub.place.productId, hub.firmwareBefore,
                  OutcomeName(hub.outcome), hub.libraryCalled ? 1 : 0,
                  static_cast<int>(hub.libraryResult), hub.place.depth, hub.place.port,
                  hub.delivers, PendingMarkName(hub.previous),
                  hub.writeTime[0] ? hub.writeTime : "-",
                  hub.imageSha256[0] ? hub.imageSha256 : "-", hub.image);
    text += line;
  }
  return text + "end\n";
}

bool ParseResults(const std::string& text, UpdaterResults* results) {
  *results = UpdaterResults();
  size_t at = 0;
  std::string line;
  if (!NextLine(text, &at, &line) || line != kFirstLine) return false;
  if (!NextLine(text, &at, &line) || line.compare(0, 8, "version ") != 0 ||
      line.size() - 8 >= sizeof results->version) {
    return false;
  }
  std::memcpy(results->version, line.c_str() + 8, line.size() - 8 + 1);
  if (!NextLine(text, &at, &line) || line.compare(0, 6, "stage ") != 0 ||
      !EnumFromName(kStageNames, line.c_str() + 6, &results->stage)) {
    return false;
  }
  while (NextLine(text, &at, &line)) {
    if (line == "end") return true;
    if (results->hubCount >= kResultsHubs) return false;
    if (!ParseHub(line, &results->hubs[results->hubCount])) return false;
    ++results->hubCount;
  }
  return false;
}

std::string FormatPending(const PendingWrite* writes, int count) {
  std::string text = std::string(kPendingFirstLine) + "\n";
  for (int i = 0; i < count && i < kResultsHubs; ++i) {
    const PendingWrite& w = writes[i];
    char line[64];
    std::snprintf(line, sizeof line, "pending %04X %04X %u %u %04X %04X\n", w.place.vendorId,
                  w.place.productId, w.place.depth, w.place.port, w.firmwareBefore, w.delivers);
    text += line;
  }
  return text + "end\n";
}

bool ParsePending(const std::string& text, PendingWrite* writes, int* count) {
  *count = 0;
  size_t at = 0;
  std::string line;
  if (!NextLine(text, &at, &line) || line != kPendingFirstLine) return false;
  while (NextLine(text, &at, &line)) {
    if (line == "end") return true;
    unsigned vendor, product, depth, port, before, delivers;
    int consumed = 0;
    if (*count >= kResultsHubs ||
        std::sscanf(line.c_str(), "pending %4x %4x %u %u %4x %4x%n", &vendor, &product, &depth,
                    &port, &before, &delivers, &consumed) != 6 ||
        static_cast<size_t>(consumed) != line.size() || depth > 255 || port > 255) {
      *count = 0;
      return false;
    }
    writes[(*count)++] = {{static_cast<uint16_t>(vendor), static_cast<uint16_t>(product),
                           static_cast<uint8_t>(depth), static_cast<uint8_t>(port)},
                          static_cast<uint16_t>(before),
                          static_cast<uint16_t>(delivers)};
  }
  *count = 0;
  return false;
}
