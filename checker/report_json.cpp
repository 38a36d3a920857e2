#include "report.h"

#include <cstdio>

#include "short_format.h"

namespace check {

namespace {

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "\"%0*X\"", digits, value);
  return text;
}

// Members are written in the order given; objects and arrays nest by hand.
class Json {
 public:
  Json& Open(const char* name, char bracket) {
    Key(name);
    out_ += bracket;
    first_ = true;
    return *this;
  }
  Json& Close(char bracket) {
    out_ += bracket;
    first_ = false;
    return *this;
  }
  Json& Raw(const char* name, const std::string& value) {
    Key(name);
    out_ += value;
    first_ = false;
    return *this;
  }
  Json& Str(const char* name, const std::string& value) { return Raw(name, Quote(value)); }
  Json& Int(const char* name, long long value) { return Raw(name, std::to_string(value)); }
  Json& Bool(const char* name, bool value) { return Raw(name, value ? "true" : "false"); }
  std::string Text() const { return out_ + "\n"; }

 private:
  // A null name is an array element.
  void Key(const char* name) {
    if (!first_) out_ += ',';
    if (name != nullptr) out_ += Quote(name) + ':';
  }
  std::string out_;
  bool first_ = true;
};

void Findings(Json& j, const char* name, const std::vector<Finding>& findings) {
  static const char* const kParts[] = {"settings", "images", "hubs", "kit"};
  j.Open(name, '[');
  for (const Finding& f : findings) {
    j.Open(nullptr, '{')
        .Str("severity", f.severity == Severity::kError ? "error" : "warning")
        .Str("part", kParts[static_cast<int>(f.part)])
        .Str("code", f.code)
        .Int("line", f.line)
        .Str("text", f.text)
        .Close('}');
  }
  j.Close(']');
}

void Field(Json& j, const char* name, const FieldComparison& field) {
  j.Open(name, '{').Bool("present", field.present).Int("difference", field.difference);
  if (field.difference >= 0)
    j.Raw("image", Hex(field.imageByte, 2)).Raw("hub", Hex(field.hubByte, 2));
  j.Close('}');
}

void Settings(Json& j, const SettingsReport& s) {
  j.Open("settings", '{').Bool("found", s.found).Bool("readerGaveUp", s.readerGaveUp);
  if (s.found) {
    const UpdaterState& state = *s.state;
    j.Open("hubIds", '[');
    for (int i = 0; i < state.TargetIdCount && i < kMaxTargetIds; ++i) {
      const TargetIdEntry& e = state.TargetIds[i];
      j.Open(nullptr, '{')
          .Int("line", i < static_cast<int>(s.idLines.size()) ? s.idLines[i] : 0)
          .Raw("hubId", Hex(e.HubId, 8))
          .Raw("imageId", Hex(e.ImageId, 4))
          .Int("usbGeneration", e.UsbGeneration)
          .Close('}');
    }
    j.Close(']')
        .Int("stringCompare", state.StringCompare)
        .Int("checkHubFw", state.CheckHubFw)
        .Raw("fwVersion", Hex(state.FwVersion, 1))
        .Int("hubNumber", state.HubNumber);
    j.Open("modules", '[');
    for (const HubModuleEntry& m : s.modules) {
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

void Images(Json& j, const std::vector<ImageRow>& images) {
  j.Open("images", '[');
  for (const ImageRow& row : images) {
    j.Open(nullptr, '{')
        .Str("name", row.name)
        .Bool("nameFits", row.nameFits)
        .Bool("opened", row.opened);
    if (row.opened) {
      j.Int("size", static_cast<long long>(row.size))
          .Int("headerLength", static_cast<long long>(row.headerLength))
          .Raw("imageId", Hex(row.imageId, 4))
          .Raw("flags", Hex(row.flags, 2))
          .Str("layout", row.longLayout ? "long" : "short")
          .Bool("breaksSizeRule", row.breaksSizeRule)
          .Raw("deliveredVersion", Hex(row.deliveredVersion, 4))
          .Str("manufacturer", row.manufacturer)
          .Str("product1", row.product1)
          .Str("product2", row.product2);
      j.Open("rules", '[');
      for (int n = 1; n <= 7; ++n) {
        if (row.rules & (1u << (n - 1))) j.Int(nullptr, n);
      }
      j.Close(']');
    }
    j.Close('}');
  }
  j.Close(']');
}

void VerdictObject(Json& j, const Verdict& v, const ImageRow& image) {
  j.Str("test", TestName(v.failed)).Str("why", Explain(v, image));
  switch (v.failed) {
    case SelectionTest::kModulePlace:
      j.Int("depth", v.depth).Int("connectionPortIndex", v.connectionPortIndex);
      break;
    case SelectionTest::kImageId:
      j.Raw("wantedImageId", Hex(v.wantedImageId, 4)).Raw("imageId", Hex(v.imageId, 4));
      break;
    case SelectionTest::kSizeRule: j.Int("size", static_cast<long long>(v.size)); break;
    case SelectionTest::kHeaderTooShort:
      j.Int("headerLength", static_cast<long long>(v.headerLength));
      break;
    case SelectionTest::kManufacturer: Field(j, "manufacturer", v.manufacturer); break;
    case SelectionTest::kProduct:
      Field(j, "product1", v.product[0]);
      Field(j, "product2", v.product[1]);
      break;
    case SelectionTest::kNoCompatibilityRule:
      j.Raw("chipRevision", Hex(v.chipRevision, 2))
          .Raw("chipOptions", Hex(v.chipOptions, 2))
          .Raw("flags", Hex(v.flags, 2));
      break;
    case SelectionTest::kFileName:
      j.Str("wantedName", v.wantedName != nullptr ? v.wantedName : "")
          .Bool("differsOnlyInCase",
                v.wantedName != nullptr && SameIgnoringCase(image.name, v.wantedName));
      break;
    default: break;
  }
}

void Hubs(Json& j, const KitReport& kit) {
  if (!kit.hubsDescribed) {
    j.Raw("hubs", "null");
    return;
  }
  j.Open("hubs", '[');
  for (const HubReport& hub : kit.hubs) {
    const HubDeviceInfo& h = hub.info;
    j.Open(nullptr, '{')
        .Int("device", hub.number)
        .Raw("vendorId", Hex(h.VendorId, 4))
        .Raw("productId", Hex(h.ProductId, 4))
        .Raw("usbVersion", Hex(h.UsbVersion, 2))
        .Raw("firmwareVersion", Hex(h.FirmwareVersion, 4))
        .Bool("shortFormat", IsShortFormatHub(hub.hubId))
        .Int("depth", h.Depth)
        .Int("connectionPortIndex", h.ConnectionPortIndex)
        .Raw("chipRevision", Hex(h.ChipRevision, 2))
        .Raw("chipOptions", Hex(h.ChipOptions, 2))
        .Str("outcome", OutcomeName(hub.outcome))
        .Str("decision", Decision(hub, kit.images));
    if (hub.hubVerdict.failed != SelectionTest::kPassed) {
      j.Open("hubTest", '{');
      VerdictObject(j, hub.hubVerdict, ImageRow());
      j.Close('}');
    }
    if (hub.chosen >= 0) {
      j.Str("chosen", kit.images[hub.chosen].name).Raw("chosenDelivers", Hex(hub.chosenVersion, 4));
    } else {
      j.Raw("chosen", "null");
    }
    j.Int("passing", hub.passing);
    j.Open("images", '[');
    for (size_t k = 0; k < hub.verdicts.size(); ++k) {
      j.Open(nullptr, '{').Str("name", kit.images[k].name);
      VerdictObject(j, hub.verdicts[k], kit.images[k]);
      j.Close('}');
    }
    j.Close(']').Close('}');
  }
  j.Close(']');
}

}  // namespace

std::string JsonReport(const CheckRun& run) {
  Json j;
  j.Open(nullptr, '{').Int("schema", 1).Str("folder", run.folder).Bool("kitRoot", run.kitRoot);
  if (run.live.used) {
    j.Open("live", '{')
        .Str("folder", run.live.folder)
        .Str("library", run.live.library)
        .Str("libraryVersion", Format("%X", run.live.libraryVersion))
        .Int("reportedCount", run.live.reportedCount)
        .Bool("driverInstalled", run.live.driverInstalled)
        .Close('}');
  } else {
    j.Raw("live", "null");
  }
  j.Open("kits", '[');
  for (size_t k = 0; k < run.kits.size(); ++k) {
    const KitReport& kit = run.kits[k];
    j.Open(nullptr, '{').Str("name", run.kitRoot ? run.kitNames[k] : ".");
    Settings(j, kit.settings);
    Images(j, kit.images);
    Hubs(j, kit);
    Findings(j, "findings", kit.findings);
    j.Close('}');
  }
  j.Close(']');
  Findings(j, "kitFindings", run.kitFindings);
  j.Open("summary", '{')
      .Int("errors", run.Count(Severity::kError))
      .Int("warnings", run.Count(Severity::kWarning))
      .Close('}');
  j.Close('}');
  return j.Text();
}

}  // namespace check
