#include <cstdio>
#include <string>

#include "deployment.h"
#include "quillet_version.h"

namespace {

// Our texts are ASCII; a file name's bytes above 127 are in the ANSI code
// page, which the report does not know, so each is written as the code
// point of the same number.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "\"%04X\"", value);
  return text;
}

std::string Installer(bool ran, const InstallerRun& run) {
  if (!ran) return "null";
  if (!run.started) return "{\"started\": false, \"exitStatus\": null}";
  return "{\"started\": true, \"exitStatus\": " + std::to_string(run.status) + "}";
}

std::string Hub(const HubResult& hub) {
  const bool hasImage = hub.image[0] != '\0';
  std::string why = "null";
  if (!hasImage) {
    why = hub.outcome == HubOutcome::SameLevel           ? "\"same-level\""
          : hub.outcome == HubOutcome::PowerCyclePending ? "\"power-cycle-pending\""
                                                         : "\"not-found\"";
  }
  return "    {\"device\": " + std::to_string(hub.device) + ", \"vid\": " + Hex4(hub.vendorId) +
         ", \"pid\": " + Hex4(hub.productId) + ", \"firmwareBefore\": " + Hex4(hub.firmwareBefore) +
         ",\n     \"image\": " + (hasImage ? Quoted(hub.image) : "null") +
         ", \"noImageReason\": " + why + ", \"libraryResult\": " +
         (hub.libraryCalled ? std::to_string(hub.libraryResult) : "null") +
         ", \"outcome\": " + Quoted(OutcomeName(hub.outcome)) + "}";
}

}  // namespace

std::string ReportJson(const LaunchRecord& r, const StatusRow& status) {
  std::string json = "{\n  \"schema\": 1,\n";
  json += "  \"status\": " + std::to_string(status.status) + ",\n";
  json += "  \"reason\": " + Quoted(status.reason) + ",\n";
  json += "  \"started\": " + Quoted(r.started) + ",\n";
  json += "  \"ended\": " + Quoted(r.ended) + ",\n";
  json += "  \"launcher\": {\"version\": " + Quoted(QUILLET_VERSION) + "},\n";
  json += "  \"updater\": ";
  if (!r.updaterRan) {
    json += "null,\n";
  } else {
    json += "{\"program\": " + Quoted(r.updaterProgram) +
            ", \"exitStatus\": " + (r.updater.started ? std::to_string(r.updater.status) : "null") +
            ", \"version\": " + (r.haveResults ? Quoted(r.results.version) : "null") +
            ", \"stage\": " + (r.haveResults ? Quoted(StageName(r.results.stage)) : "null") +
            "},\n";
  }
  json += "  \"installer\": {\"install\": " + Installer(r.installRan, r.install) +
          ", \"remove\": " + Installer(r.removeRan, r.remove) + "},\n";
  // Only an unattended run keeps a record.
  const bool kept = r.recordWrite != LaunchRecord::RecordWrite::kNotAsked;
  json +=
      "  \"powerCyclePending\": " + (kept ? std::to_string(r.powerCyclePending) : "null") + ",\n";
  json += std::string("  \"record\": ") +
          (!kept                                                  ? "null"
           : r.recordWrite == LaunchRecord::RecordWrite::kWritten ? "{\"written\": true}"
                                                                  : "{\"written\": false}") +
          ",\n";
  json += "  \"hubs\": [";
  for (int i = 0; i < r.results.hubCount && r.haveResults; ++i) {
    json += (i == 0 ? "\n" : ",\n") + Hub(r.results.hubs[i]);
  }
  json += r.haveResults && r.results.hubCount > 0 ? "\n  ]\n}\n" : "]\n}\n";
  return json;
}
