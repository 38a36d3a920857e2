#include <string>

#include "deployment.h"
#include "json_writer.h"
#include "quillet_version.h"

namespace {

std::string Installer(bool ran, const InstallerRun& run) {
  if (!ran) return "null";
  if (!run.started) return "{\"started\": false, \"exitStatus\": null}";
  return "{\"started\": true, \"exitStatus\": " + std::to_string(run.status) + "}";
}

std::string Hub(const HubResult& hub) {
  const bool hasImage = hub.image[0] != '\0';
  const char* why = hasImage ? nullptr : NamesOf(hub.outcome).noImageReason;
  return "    {\"device\": " + std::to_string(hub.device) +
         ", \"vid\": " + JsonHex(hub.place.vendorId, 4) +
         ", \"pid\": " + JsonHex(hub.place.productId, 4) +
         ", \"firmwareBefore\": " + JsonHex(hub.firmwareBefore, 4) +
         ",\n     \"image\": " + (hasImage ? JsonString(hub.image) : "null") +
         ", \"noImageReason\": " + (why != nullptr ? JsonString(why) : "null") +
         ", \"libraryResult\": " +
         (hub.libraryCalled ? std::to_string(hub.libraryResult) : "null") +
         ", \"outcome\": " + JsonString(OutcomeName(hub.outcome)) + "}";
}

}  // namespace

std::string ReportJson(const LaunchRecord& r, const StatusRow& status) {
  std::string json = "{\n  \"schema\": 1,\n";
  json += "  \"status\": " + std::to_string(status.status) + ",\n";
  json += "  \"reason\": " + JsonString(status.reason) + ",\n";
  json += "  \"started\": " + JsonString(r.started) + ",\n";
  json += "  \"ended\": " + JsonString(r.ended) + ",\n";
  json += "  \"launcher\": {\"version\": " + JsonString(QUILLET_VERSION) + "},\n";
  json += "  \"updater\": ";
  if (!r.updaterRan) {
    json += "null,\n";
  } else {
    json += "{\"program\": " + JsonString(r.updaterProgram) +
            ", \"exitStatus\": " + (r.updater.started ? std::to_string(r.updater.status) : "null") +
            ", \"version\": " + (r.haveResults ? JsonString(r.results.version) : "null") +
            ", \"stage\": " + (r.haveResults ? JsonString(StageName(r.results.stage)) : "null") +
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
