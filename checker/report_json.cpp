#include "report.h"

#include "firmware_image.h"
#include "short_format.h"
#include "text.h"

namespace check {

namespace {

void Findings(JsonWriter& j, const char* name, const std::vector<Finding>& findings) {
  j.Open(name, '[');
  for (const Finding& f : findings) {
    FindingRow row = f.Row();
    j.Open(nullptr, '{')
        .Str("severity", SeverityName(row.severity))
        .Str("part", PartName(row.part))
        .Str("code", row.code)
        .Int("line", f.line)
        .Str("text", f.text)
        .Close('}');
  }
  j.Close(']');
}

void Settings(JsonWriter& j, const SettingsReport& s) {
  j.Open("settings", '{').Bool("found", s.read.found).Bool("readerGaveUp", s.readerGaveUp);
  if (s.read.found) {
    const UpdaterState& state = *s.state;
    j.Open("hubIds", '[');
    for (int i = 0; i < state.TargetIdCount && i < kMaxTargetIds; ++i) {
      const TargetIdEntry& e = state.TargetIds[i];
      j.Open(nullptr, '{')
          .Int("line", i < static_cast<int>(s.read.idLines.size()) ? s.read.idLines[i] : 0)
          .Raw("hubId", JsonHex(e.HubId, 8))
          .Raw("imageId", JsonHex(e.ImageId, 4))
          .Int("usbGeneration", e.UsbGeneration)
          .Close('}');
    }
    j.Close(']')
        .Int("stringCompare", state.StringCompare)
        .Int("checkHubFw", state.CheckHubFw)
        .Raw("fwVersion", JsonHex(state.FwVersion, 1))
        .Int("hubNumber", state.HubNumber);
    j.Open("modules", '[');
    for (const HubModuleEntry& m : state.Modules) {
      j.Open(nullptr, '{')
          .Int("depth", m.Depth)
          .Int("connectionPortIndex", m.ConnectionPortIndex)
          .Str("file", m.WantUpdateBinFile)
          .Close('}');
    }
    j.Close(']').Str("hubName", state.TargetHubName);
  }
  j.Close('}');
}

void Images(JsonWriter& j, const std::vector<ImageRow>& images) {
  j.Open("images", '[');
  for (const ImageRow& row : images) {
    j.Open(nullptr, '{')
        .Str("name", row.name)
        .Bool("nameFits", row.nameFits)
        .Bool("opened", row.opened);
    if (row.opened) {
      j.Int("size", static_cast<long long>(row.size))
          .Int("headerLength", static_cast<long long>(row.headerLength))
          .Raw("imageId", JsonHex(row.imageId, 4))
          .Raw("flags", JsonHex(row.flags, 2))
          .Str("layout", row.longLayout ? "long" : "short")
          .Bool("breaksSizeRule", row.breaksSizeRule)
          .Raw("deliveredVersion", JsonHex(row.deliveredVersion, 4))
          .Str("manufacturer", row.manufacturer)
          .Str("product1", row.product1)
          .Str("product2", row.product2);
      j.Open("rules", '[');
      for (int n = 1; n <= fwimage::kCompatibilityRuleCount; ++n) {
        if (row.rules & (1u << (n - 1))) j.Int(nullptr, n);
      }
      j.Close(']');
    }
    if (row.sums.check != ImageCheck::kNoList) {
      j.Open("sha256", '{').Str("check", ImageCheckName(row.sums.check));
      bool listed =
          row.sums.check == ImageCheck::kVerified || row.sums.check == ImageCheck::kDiffers;
      j.Raw("listed", listed ? JsonString(imagesums::DigestHex(row.sums.listed)) : "null")
          .Raw("computed", listed ? JsonString(imagesums::DigestHex(row.sums.computed)) : "null")
          .Close('}');
    }
    j.Close('}');
  }
  j.Close(']');
}

void ImageList(JsonWriter& j, const KitReport& kit) {
  const char* state = nullptr;
  switch (kit.listState) {
    case ListState::kAbsent: j.Raw("imageList", "null"); return;
    case ListState::kUnreadable: state = "unreadable"; break;
    case ListState::kBad: state = "bad"; break;
    case ListState::kRead: state = "read"; break;
  }
  j.Open("imageList", '{').Str("name", kit.listName).Str("state", state);
  if (kit.listState == ListState::kBad) {
    j.Int("line", kit.list.faultLine).Str("fault", imagesums::FaultRow(kit.list.fault).code);
  }
  if (kit.listState == ListState::kRead) {
    j.Int("entries", static_cast<long long>(kit.list.entries.size()));
  }
  j.Close('}');
}

void VerdictObject(JsonWriter& j, const Verdict& v, const ImageRow& image) {
  TestDescription test = Describe(v, image);
  j.Str("test", test.name).Str("why", test.why);
  for (const VerdictMember& member : test.members) j.Raw(member.name, member.json);
}

const char* PowerCycleName(PowerCycle cycle) {
  switch (cycle) {
    case PowerCycle::kStillPending: return "still-pending";
    case PowerCycle::kTookEffect: return "took-effect";
    case PowerCycle::kChangedElsewhere: return "changed-elsewhere";
    case PowerCycle::kNoWrite: break;
  }
  return "none";
}

// Present only where the computer's record concerns the hub: its waiting
// write, and what a run without options does where that differs.
void NextRunMembers(JsonWriter& j, const HubReport& hub, const std::vector<ImageRow>& images) {
  const NextRun& next = hub.next;
  if (next.cycle != PowerCycle::kNoWrite) {
    j.Open("powerCycle", '{')
        .Str("written", next.writtenAt)
        .Raw("delivers", JsonHex(next.delivers, 4))
        .Str("now", PowerCycleName(next.cycle))
        .Close('}');
  }
  if (!next.differs) return;
  const HubPlan& plain = next.plain;
  j.Open("plainRun", '{')
      .Str("outcome", CheckerOutcomeName(plain.outcome))
      .Str("decision", PlanDecision(plain, hub.info, images));
  if (plain.search.chosen >= 0) {
    j.Str("chosen", images[plain.search.chosen].name)
        .Raw("chosenDelivers", JsonHex(plain.chosenVersion, 4));
  } else {
    j.Raw("chosen", "null");
  }
  j.Close('}');
}

void Hubs(JsonWriter& j, const KitReport& kit) {
  if (!kit.hubsDescribed) {
    j.Raw("hubs", "null");
    return;
  }
  j.Open("hubs", '[');
  for (const HubReport& hub : kit.hubs) {
    const HubDeviceInfo& h = hub.info;
    j.Open(nullptr, '{')
        .Int("device", hub.number)
        .Raw("vendorId", JsonHex(h.VendorId, 4))
        .Raw("productId", JsonHex(h.ProductId, 4))
        .Raw("usbVersion", JsonHex(h.UsbVersion, 2))
        .Raw("firmwareVersion", JsonHex(h.FirmwareVersion, 4))
        .Bool("shortFormat", IsShortFormatHub(hub.hubId))
        .Int("depth", h.Depth)
        .Int("connectionPortIndex", h.ConnectionPortIndex)
        .Raw("chipRevision", JsonHex(h.ChipRevision, 2))
        .Raw("chipOptions", JsonHex(h.ChipOptions, 2))
        .Str("outcome", CheckerOutcomeName(hub.plan.outcome))
        .Str("decision", Decision(hub, kit.images));
    if (hub.plan.search.hubVerdict.failed != SelectionTest::kPassed) {
      j.Open("hubTest", '{');
      VerdictObject(j, hub.plan.search.hubVerdict, ImageRow());
      j.Close('}');
    }
    if (hub.plan.outcome == HubOutcome::kImageCheck)
      j.Str("refusal", kit.images[hub.plan.search.chosen].refusal);
    if (hub.plan.search.chosen >= 0) {
      j.Str("chosen", kit.images[hub.plan.search.chosen].name)
          .Raw("chosenDelivers", JsonHex(hub.plan.chosenVersion, 4));
    } else {
      j.Raw("chosen", "null");
    }
    j.Int("passing", hub.plan.search.passing);
    NextRunMembers(j, hub, kit.images);
    j.Open("images", '[');
    for (size_t k = 0; k < hub.plan.search.verdicts.size(); ++k) {
      j.Open(nullptr, '{').Str("name", kit.images[k].name);
      VerdictObject(j, hub.plan.search.verdicts[k], kit.images[k]);
      j.Close('}');
    }
    j.Close(']').Close('}');
  }
  j.Close(']');
}

// Present only for a replay, so that the report of every other check keeps
// its members.
void Replay(JsonWriter& j, const ReplaySource& replay) {
  const hubdesc::CaptureInfo& c = replay.capture;
  j.Open("replay", '{')
      .Str("file", replay.file)
      .Int("formatVersion", c.formatVersion)
      .Str("time", c.time)
      .Raw("libraryVersion", JsonHex(c.libraryVersion, 8))
      .Str("checkerVersion", c.checkerVersion)
      .Int("checkerBits", c.checkerBits)
      .Str("folder", c.folder)
      .Str("windowsVersion", c.windowsVersion)
      .Str("registryWindowsVersion", c.registryWindowsVersion);
  j.Open("hubIds", '[');
  for (const TargetIdEntry& e : c.hubIds) {
    j.Open(nullptr, '{')
        .Raw("hubId", JsonHex(e.HubId, 8))
        .Raw("imageId", JsonHex(e.ImageId, 4))
        .Int("usbGeneration", e.UsbGeneration)
        .Close('}');
  }
  j.Close(']').Open("hubIdsDiffer", '[');
  for (bool differs : replay.hubIdsDiffer) j.Bool(nullptr, differs);
  j.Close(']').Close('}');
}

// Present only for the hubs of a computer: what its record says of the
// last unattended run.
void LastRun(JsonWriter& j, const RecordSummary& summary) {
  j.Open("lastRun", '{').Bool("read", summary.read);
  if (!summary.read) {
    j.Str("why", summary.why).Close('}');
    return;
  }
  const record::DeploymentRecord& last = summary.last;
  j.Int("status", last.status)
      .Str("reason", last.reason)
      .Str("started", last.started)
      .Str("ended", last.ended)
      .Str("launcher", last.launcherVersion)
      .Str("kitIdentity", last.kitIdentity)
      .Bool("sameKit", !summary.sameKit.empty())
      .Int("powerCyclePending", summary.pending)
      .Raw("pendingSince", summary.pending > 0 ? JsonString(summary.pendingSince) : "null")
      .Close('}');
}

}  // namespace

std::string JsonReport(const CheckRun& run) {
  JsonWriter j;
  j.Open(nullptr, '{').Int("schema", 1).Str("folder", run.folder).Bool("kitRoot", run.kitRoot);
  if (run.live.used) {
    j.Open("live", '{')
        .Str("folder", run.live.folder)
        .Str("library", run.live.library)
        .Str("libraryVersion", Format("%X", run.live.libraryVersion))
        .Int("reportedCount", run.live.reportedCount)
        .Bool("driverInstalled", run.live.driverInstalled)
        .Close('}');
  }
  if (run.replay.used) Replay(j, run.replay);
  if (run.lastRun.used) LastRun(j, run.lastRun);
  j.Open("kits", '[');
  for (size_t k = 0; k < run.kits.size(); ++k) {
    const KitReport& kit = run.kits[k];
    j.Open(nullptr, '{').Str("name", run.kitRoot ? run.kitNames[k] : ".");
    if (run.lastRun.used) j.Str("kitIdentity", kit.kitIdentity);
    Settings(j, kit.settings);
    Images(j, kit.images);
    ImageList(j, kit);
    Hubs(j, kit);
    Findings(j, "findings", kit.findings);
    j.Close('}');
  }
  j.Close(']');
  if (run.kitSums.Present()) KitSumsJson(j, run.kitSums);
  Findings(j, "kitFindings", run.kitFindings);
  j.Open("summary", '{')
      .Int("errors", run.Count(Severity::kError))
      .Int("warnings", run.Count(Severity::kWarning))
      .Close('}');
  j.Close('}');
  return j.Text();
}

}  // namespace check
