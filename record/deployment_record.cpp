#include "deployment_record.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace record {
namespace {

constexpr char kFirstLine[] = "Quillet record 1";

const HubEntry* FindPending(const DeploymentRecord& last, const HubPlace& place) {
  for (const HubEntry& entry : last.hubs) {
    if (entry.powerCyclePending && IsSameHub(entry.place, place)) return &entry;
  }
  return nullptr;
}

bool Visited(const UpdaterResults* results, const HubPlace& place) {
  for (int i = 0; results != nullptr && i < results->hubCount; ++i) {
    if (IsSameHub(results->hubs[i].place, place)) return true;
  }
  return false;
}

// A hub of this run as the record keeps it.
HubEntry EntryOf(const DeploymentRecord& last, const HubResult& hub, const std::string& ended) {
  const HubEntry* waiting = FindPending(last, hub.place);
  if (hub.outcome == HubOutcome::kPowerCyclePending && waiting != nullptr) {
    // The write it waits for is the earlier run's, with its time.
    HubEntry entry = *waiting;
    entry.outcome = hub.outcome;
    entry.previous = PendingMark::kNone;
    return entry;
  }
  HubEntry entry;
  entry.place = hub.place;
  entry.firmwareBefore = hub.firmwareBefore;
  entry.delivers = hub.delivers;
  entry.imageSha256 = hub.imageSha256;
  entry.image = hub.image;
  entry.outcome = hub.outcome;
  entry.previous = hub.previous;
  // A written hub is known by its write's time, which it keeps while it
  // waits; with writes of tens of seconds each, the run's end is minutes
  // off for the first hubs.
  entry.time = hub.writeTime[0] != '\0' ? hub.writeTime : ended;
  // A write that changes the version is one the hub runs only after a
  // power cycle; one that does not would never show that it took.
  entry.powerCyclePending =
      hub.outcome == HubOutcome::kProgrammed && hub.delivers != hub.firmwareBefore;
  return entry;
}

// Values are single words; a word the writer was handed empty is "-".
std::string Word(const std::string& text) { return text.empty() ? "-" : text; }
std::string Unword(const std::string& word) { return word == "-" ? "" : word; }

bool ParseHubLine(const std::string& line, HubEntry* hub) {
  unsigned vendor, product, depth, port, before, delivers;
  int pending = 0, consumed = 0;
  char outcome[24] = {}, mark[12] = {}, time[24] = {}, sha[66] = {};
  if (std::sscanf(line.c_str(), "hub %4x %4x %u %u %4x %4x %23s %11s %d %23s %65s %n", &vendor,
                  &product, &depth, &port, &before, &delivers, outcome, mark, &pending, time, sha,
                  &consumed) != 11 ||
      consumed == 0 || depth > 255 || port > 255 || (pending != 0 && pending != 1) ||
      !OutcomeFromName(outcome, &hub->outcome) || !PendingMarkFromName(mark, &hub->previous)) {
    return false;
  }
  hub->place = {static_cast<uint16_t>(vendor), static_cast<uint16_t>(product),
                static_cast<uint8_t>(depth), static_cast<uint8_t>(port)};
  hub->firmwareBefore = static_cast<uint16_t>(before);
  hub->delivers = static_cast<uint16_t>(delivers);
  hub->powerCyclePending = pending == 1;
  hub->time = Unword(time);
  hub->imageSha256 = Unword(sha);
  hub->image = line.substr(static_cast<size_t>(consumed));
  return hub->imageSha256.empty() || hub->imageSha256.size() == 64;
}

// "key value" with exactly this key; the value is the rest of the line.
bool Value(const std::string& line, const char* key, std::string* value) {
  const size_t length = std::strlen(key);
  if (line.compare(0, length, key) != 0 || line.size() <= length || line[length] != ' ') {
    return false;
  }
  *value = line.substr(length + 1);
  return true;
}

}  // namespace

int DeploymentRecord::PendingCount() const {
  int count = 0;
  for (const HubEntry& hub : hubs) count += hub.powerCyclePending ? 1 : 0;
  return count;
}

std::string FormatRecord(const DeploymentRecord& r) {
  std::string text = std::string(kFirstLine) + "\n";
  text += "status " + std::to_string(r.status) + "\n";
  text += "reason " + Word(r.reason) + "\n";
  text += "started " + Word(r.started) + "\n";
  text += "ended " + Word(r.ended) + "\n";
  text += "launcher " + Word(r.launcherVersion) + "\n";
  text += "kit " + Word(r.kitIdentity) + "\n";
  text += "powerCyclePending " + std::to_string(r.PendingCount()) + "\n";
  for (const HubEntry& hub : r.hubs) {
    char line[160];
    std::snprintf(line, sizeof line, "hub %04X %04X %u %u %04X %04X %s %s %d %s %s ",
                  hub.place.vendorId, hub.place.productId, hub.place.depth, hub.place.port,
                  hub.firmwareBefore, hub.delivers, OutcomeName(hub.outcome),
                  PendingMarkName(hub.previous), hub.powerCyclePending ? 1 : 0,
                  Word(hub.time).c_str(), Word(hub.imageSha256).c_str());
    // The image comes last: a file name may hold blanks.
    text += line + hub.image + "\n";
  }
  return text + "end\n";
}

bool ParseRecord(const std::string& text, DeploymentRecord* r) {
  *r = DeploymentRecord();
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) return false;  // a cut record is no record
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  if (lines.size() < 9 || lines[0] != kFirstLine || lines.back() != "end") return false;
  std::string status, pending;
  if (!Value(lines[1], "status", &status) || !Value(lines[2], "reason", &r->reason) ||
      !Value(lines[3], "started", &r->started) || !Value(lines[4], "ended", &r->ended) ||
      !Value(lines[5], "launcher", &r->launcherVersion) ||
      !Value(lines[6], "kit", &r->kitIdentity) || !Value(lines[7], "powerCyclePending", &pending)) {
    return false;
  }
  char* rest = nullptr;
  r->status = static_cast<int>(std::strtol(status.c_str(), &rest, 10));
  if (status.empty() || *rest != '\0') return false;
  for (std::string* word :
       {&r->reason, &r->started, &r->ended, &r->launcherVersion, &r->kitIdentity}) {
    *word = Unword(*word);
  }
  for (size_t n = 8; n + 1 < lines.size(); ++n) {
    HubEntry hub;
    if (!ParseHubLine(lines[n], &hub)) return false;
    r->hubs.push_back(hub);
  }
  return pending == std::to_string(r->PendingCount());
}

std::string LastResult(const DeploymentRecord& r) {
  return std::to_string(r.status) + " " + Word(r.kitIdentity);
}

std::vector<PendingWrite> PendingWrites(const DeploymentRecord& last) {
  std::vector<PendingWrite> writes;
  for (const HubEntry& hub : last.hubs) {
    if (!hub.powerCyclePending || writes.size() >= static_cast<size_t>(kMostWaiting)) continue;
    writes.push_back({hub.place, hub.firmwareBefore, hub.delivers});
  }
  return writes;
}

DeploymentRecord NextRecord(const DeploymentRecord& last, const UpdaterResults* results,
                            const std::string& ended) {
  DeploymentRecord next;
  const int count = results != nullptr ? results->hubCount : 0;
  for (int i = 0; i < count; ++i) next.hubs.push_back(EntryOf(last, results->hubs[i], ended));
  // A waiting hub this run did not visit (its dock was unplugged, or the
  // run stopped before it listed the hubs) keeps its mark as it was, or the
  // next run would write it again. No more wait than the updater can be
  // handed (PendingWrites); this run's own come first.
  for (const HubEntry& entry : last.hubs) {
    if (!entry.powerCyclePending || Visited(results, entry.place)) continue;
    if (next.PendingCount() >= kMostWaiting) break;
    next.hubs.push_back(entry);
  }
  return next;
}

}  // namespace record
