#include "report.h"

#include <algorithm>

#include "firmware_image.h"
#include "hub_records.h"
#include "printer.h"
#include "short_format.h"

namespace check {

namespace {

// As the hub list shows these models' three digits.
std::string ShortVersionText(uint16_t digits) {
  return Format("V%X.%X%X", (digits >> 8) & 0xF, (digits >> 4) & 0xF, digits & 0xF);
}

// Column widths come from the rows, so the table lines up whatever the names.
class Table {
 public:
  void Row(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }
  std::string Render(const char* indent) const {
    std::vector<size_t> widths;
    for (const auto& row : rows_) {
      for (size_t c = 0; c < row.size(); ++c) {
        if (widths.size() <= c) widths.push_back(0);
        if (row[c].size() > widths[c]) widths[c] = row[c].size();
      }
    }
    std::string text;
    for (const auto& row : rows_) {
      std::string line = indent;
      for (size_t c = 0; c < row.size(); ++c) {
        line += row[c];
        if (c + 1 < row.size()) line += std::string(widths[c] - row[c].size() + 2, ' ');
      }
      while (!line.empty() && line.back() == ' ') line.pop_back();
      text += line + "\n";
    }
    return text;
  }

 private:
  std::vector<std::vector<std::string>> rows_;
};

void Findings(const std::vector<Finding>& findings, ReportPart part, std::string* out) {
  for (const Finding& f : findings) {
    FindingRow row = f.Row();
    if (row.part != part) continue;
    std::string where = f.line > 0 ? Format("line %d: ", f.line) : "";
    *out += Format("  %s %s: %s%s\n", SeverityName(row.severity), row.code, where.c_str(),
                   f.text.c_str());
  }
}

std::string HubLine(const HubReport& hub) {
  const HubDeviceInfo& h = hub.info;
  return Format("Device(%d)  %04X/%04X  USB %X  FW %04X%s  depth %d  port %d  revision %02X  "
                "options %02X",
                hub.number, h.VendorId, h.ProductId, h.UsbVersion, h.FirmwareVersion,
                IsShortFormatHub(hub.hubId)
                    ? (" (" + ShortVersionText(ShortFormatVersion(h.FirmwareVersion)) + ")").c_str()
                    : "",
                h.Depth, h.ConnectionPortIndex, h.ChipRevision, h.ChipOptions);
}

void SettingsPart(const KitReport& kit, std::string* out) {
  const SettingsReport& s = kit.settings;
  *out += "1. Settings (SpiFlash.ini)\n";
  if (!s.read.found) {
    *out += "  not found\n";
  } else {
    const UpdaterState& state = *s.state;
    Table ids;
    ids.Row({"line", "hub ID", "image ID", "section"});
    for (int i = 0; i < state.TargetIdCount && i < kMaxTargetIds; ++i) {
      const TargetIdEntry& e = state.TargetIds[i];
      ids.Row(
          {i < static_cast<int>(s.read.idLines.size()) ? std::to_string(s.read.idLines[i]) : "?",
           Format("%08X", static_cast<unsigned>(e.HubId)), Format("%04X", e.ImageId),
           Format("U%d", e.UsbGeneration)});
    }
    *out += Format("  Hub IDs: %d\n", state.TargetIdCount);
    *out += ids.Render("    ");
    Table values;
    values.Row({"String test", state.StringCompare != 0
                                   ? Format("on (%d)", static_cast<int>(state.StringCompare))
                                   : std::string("off (0)")});
    values.Row({"Version check", state.CheckHubFw != 0
                                     ? Format("on (%d)", static_cast<int>(state.CheckHubFw))
                                     : std::string("off (0)")});
    values.Row({"FWVersion", Format("%X", state.FwVersion)});
    values.Row({"HUBNumber", std::to_string(state.HubNumber)});
    for (size_t n = 0; n < state.Modules.size(); ++n) {
      const HubModuleEntry& m = state.Modules[n];
      values.Row({Format("Module %u", static_cast<unsigned>(n + 1)),
                  Format("depth %d, port %d, file %s", m.Depth, m.ConnectionPortIndex,
                         m.WantUpdateBinFile[0] != '\0' ? m.WantUpdateBinFile : "(none)")});
    }
    values.Row({"Hub name", state.TargetHubName});
    *out += values.Render("  ");
    if (s.readerGaveUp) *out += "  The reader gives up: the updater stops here.\n";
  }
  Findings(kit.findings, ReportPart::kSettings, out);
}

// Said only where a list exists, so a kit without one reads as before.
void ImageListPart(const KitReport& kit, std::string* out) {
  std::string list = ".\\Binfile\\" + kit.listName;
  switch (kit.listState) {
    case ListState::kAbsent: return;
    case ListState::kUnreadable:
      *out += "  Image list " + list + ": cannot be read; the updater refuses every hub\n";
      return;
    case ListState::kBad:
      *out += Format("  Image list %s: bad at line %d (%s); the updater refuses every hub\n",
                     list.c_str(), kit.list.faultLine, imagesums::FaultRow(kit.list.fault).text);
      return;
    case ListState::kRead: break;
  }
  *out += Format("  Image list %s: %u entries; each image hashed whole\n", list.c_str(),
                 static_cast<unsigned>(kit.list.entries.size()));
  Table table;
  for (const ImageRow& row : kit.images) {
    table.Row({row.name, ImageCheckName(row.sums.check),
               row.sums.check == ImageCheck::kDiffers
                   ? "listed " + imagesums::DigestHex(row.sums.listed) + ", computed " +
                         imagesums::DigestHex(row.sums.computed)
                   : std::string()});
  }
  *out += table.Render("    ");
}

void ImagesPart(const KitReport& kit, std::string* out) {
  *out += "2. Images (.\\Binfile\\*.BIN, in directory order)\n";
  if (kit.images.empty()) *out += "  none\n";
  Table table;
  if (!kit.images.empty()) {
    table.Row({"#", "name", "size", "ID", "flags", "layout", "size rule", "delivers",
               "manufacturer", "product 1", "product 2", "rules"});
  }
  for (size_t j = 0; j < kit.images.size(); ++j) {
    const ImageRow& row = kit.images[j];
    if (!row.opened) {
      table.Row({std::to_string(j + 1), row.name, row.nameFits ? "cannot open" : "name too long"});
      continue;
    }
    bool fixedSize = row.headerLength >= 2 &&
                     row.imageId == ((fwimage::kFixedSizeId0 << 8) | fwimage::kFixedSizeId1);
    table.Row({std::to_string(j + 1), row.name, std::to_string(row.size),
               row.headerLength >= 2 ? Format("%04X", row.imageId) : "-",
               row.headerLength >= 3 ? Format("%02X", row.flags) : "-",
               row.longLayout ? "long" : "short",
               row.breaksSizeRule ? "BREAKS"
               : fixedSize        ? "kept"
                                  : "n/a",
               Format("%04X", row.deliveredVersion), "\"" + row.manufacturer + "\"",
               "\"" + row.product1 + "\"", "\"" + row.product2 + "\"", RuleList(row.rules)});
  }
  *out += table.Render("  ");
  ImageListPart(kit, out);
  Findings(kit.findings, ReportPart::kImages, out);
}

void HubsPart(const KitReport& kit, std::string* out) {
  if (!kit.hubsDescribed) return;
  *out += "3. Hubs (in the updater's order, last first)\n";
  if (kit.hubs.empty()) *out += "  none judged\n";
  for (const HubReport& hub : kit.hubs) {
    *out += "  " + HubLine(hub) + "\n";
    *out += "    => " + Decision(hub, kit.images) + "\n";
    // A hub left waiting has no images judged: those a run without options
    // refuses.
    const ImageSearch& judged = (hub.next.differs ? hub.next.plain : hub.plan).search;
    Table refused;
    for (size_t j = 0; j < judged.verdicts.size(); ++j) {
      if (static_cast<int>(j) == judged.chosen) continue;
      const Verdict& v = judged.verdicts[j];
      refused.Row({kit.images[j].name,
                   v.failed == SelectionTest::kPassed ? "also passes" : TestName(v.failed),
                   v.failed == SelectionTest::kPassed ? "" : Explain(v, kit.images[j])});
    }
    *out += refused.Render("       ");
  }
  Findings(kit.findings, ReportPart::kHubs, out);
}

void KitPart(const KitReport& kit, std::string* out) {
  SettingsPart(kit, out);
  ImagesPart(kit, out);
  HubsPart(kit, out);
}

}  // namespace

int CheckRun::Count(Severity severity) const {
  int count = 0;
  for (const KitReport& kit : kits) count += kit.Count(severity);
  count += CountOf(kitFindings, severity);
  return count;
}

std::string HubsText(const KitReport& kit) {
  std::string out;
  HubsPart(kit, &out);
  return out;
}

std::string PlanDecision(const HubPlan& plan, const HubDeviceInfo& info,
                         const std::vector<ImageRow>& images, bool again) {
  const ImageSearch& search = plan.search;
  switch (plan.outcome) {
    case HubOutcome::kSameLevelBefore:
      return Format("at the same level: a short-format hub at %s, which is FWVersion; no "
                    "image is looked for",
                    ShortVersionText(ShortFormatVersion(info.FirmwareVersion)).c_str());
    case HubOutcome::kNoImage:
      if (search.hubVerdict.failed != SelectionTest::kPassed) {
        return Format("no image: %s (%s)", TestName(search.hubVerdict.failed),
                      Explain(search.hubVerdict, ImageRow()).c_str());
      }
      return "no image: every image is refused";
    case HubOutcome::kSameLevelAfter:
      return Format("at the same level: %s delivers %04X, the hub's version",
                    images[search.chosen].name.c_str(), plan.chosenVersion);
    case HubOutcome::kImageCheck:
      return Format("refused: %s is chosen, but %s; the hub is not written",
                    images[search.chosen].name.c_str(), images[search.chosen].refusal.c_str());
    case HubOutcome::kProgram:
      return Format("writes %s%s (delivers %04X, the hub has %04X)%s",
                    images[search.chosen].name.c_str(), again ? " again" : "", plan.chosenVersion,
                    info.FirmwareVersion,
                    search.passing > 1 ? Format("; %d images pass", search.passing).c_str() : "");
    case HubOutcome::kPowerCyclePending:
      return "waits for a power cycle: an earlier unattended run wrote it, and it still "
             "reports its firmware from before; not written again";
    // Outcomes of a write, which a plan never is.
    case HubOutcome::kProgrammed:
    case HubOutcome::kWriteFailed: break;
  }
  return "";
}

// Said first, so that a replay is never taken for a check of this computer.
void Replay(const CheckRun& run, std::string* out) {
  const hubdesc::CaptureInfo& c = run.replay.capture;
  *out +=
      Format("Hubs replayed from the capture %s, made %s with library version %X (QuilletCheck %s, "
             "%d-bit, folder %s); no hub was read from this computer\n",
             run.replay.file.c_str(), c.time.c_str(), c.libraryVersion, c.checkerVersion.c_str(),
             c.checkerBits, c.folder.c_str());
  for (size_t k = 0; k < run.replay.hubIdsDiffer.size(); ++k) {
    if (!run.replay.hubIdsDiffer[k]) continue;
    std::string name = run.kitRoot ? run.kitNames[k] : run.folder;
    *out +=
        Format("  %s: the settings' hub-ID table differs from the capture's (%s), and the library "
               "may list other hubs with another table\n",
               name.c_str(), hubdesc::HubIdTableText(c.hubIds).c_str());
  }
}

std::string TextReport(const CheckRun& run) {
  std::string out =
      Format("Kit check of %s%s\n", run.folder.c_str(), run.kitRoot ? " (kit root)" : "");
  if (run.live.used) {
    out += Format("Hubs of this computer, listed by %s (API Version %x); the filter driver %s\n",
                  run.live.library.c_str(), run.live.libraryVersion,
                  run.live.driverInstalled ? "was installed for the check and removed after it"
                                           : "was registered");
  }
  if (run.replay.used) Replay(run, &out);
  out += LastRunText(run.lastRun);
  for (size_t k = 0; k < run.kits.size(); ++k) {
    out += "\n";
    if (run.kitRoot) out += "== " + run.kitNames[k] + " ==\n";
    KitPart(run.kits[k], &out);
  }
  if (run.kitRoot) {
    out += "\nKit root: x86 against x64\n";
    if (std::none_of(run.kitFindings.begin(), run.kitFindings.end(),
                     [](const Finding& f) { return f.Row().part == ReportPart::kKit; }))
      out += "  the same settings and images\n";
    Findings(run.kitFindings, ReportPart::kKit, &out);
  }
  if (run.kitSums.Present()) out += KitSumsText(run.kitSums, run.kitFindings);
  int errors = run.Count(Severity::kError);
  int warnings = run.Count(Severity::kWarning);
  // Live hubs judge one folder of a kit root only, which may be the second.
  bool hubsPart = std::any_of(run.kits.begin(), run.kits.end(),
                              [](const KitReport& kit) { return kit.hubsDescribed; });
  out += Format("\n%d. Summary: %d error%s, %d warning%s\n", hubsPart ? 4 : 3, errors,
                errors == 1 ? "" : "s", warnings, warnings == 1 ? "" : "s");
  return out;
}

}  // namespace check
