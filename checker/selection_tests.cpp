#include "selection_tests.h"

#include "text.h"

namespace check {

namespace {

std::string FieldText(const char* name, const FieldComparison& field) {
  if (!field.present) return Format("the image ends before the %s field", name);
  if (field.difference < 0) return Format("%s field matches", name);
  return Format("%s field differs at byte %d: image %02X, hub %02X", name, field.difference,
                field.imageByte, field.hubByte);
}

std::string FieldJson(const FieldComparison& field) {
  std::string json = Format("{\"present\":%s,\"difference\":%d", field.present ? "true" : "false",
                            field.difference);
  if (field.difference >= 0) {
    json += ",\"image\":" + JsonHex(field.imageByte, 2) + ",\"hub\":" + JsonHex(field.hubByte, 2);
  }
  return json + "}";
}

std::string Int(long long value) { return std::to_string(value); }

}  // namespace

TestDescription Describe(const Verdict& v, const ImageRow& image) {
  switch (v.failed) {
    case SelectionTest::kPassed: return {"passed", "passes", {}};
    case SelectionTest::kModulePlace:
      return {"module-place",
              Format("no [HUBModule] entry for depth %d, port %d", v.depth, v.connectionPortIndex),
              {{"depth", Int(v.depth)}, {"connectionPortIndex", Int(v.connectionPortIndex)}}};
    case SelectionTest::kHubIdNotInSettings:
      return {"hub-id-not-in-settings",
              "the hub's ID is on no [TargetID_U3] or [TargetID_U2] line",
              {}};
    case SelectionTest::kNameTooLong:
      return {"name-too-long", "the name does not fit the updater's path", {}};
    case SelectionTest::kCannotOpen: return {"cannot-open", "the image cannot be opened", {}};
    case SelectionTest::kSizeRule:
      return {"size-rule",
              Format("a 0D12 image of %llu bytes breaks the size rule",
                     static_cast<unsigned long long>(v.size)),
              {{"size", Int(static_cast<long long>(v.size))}}};
    case SelectionTest::kHeaderTooShort:
      return {"header-too-short",
              Format("%u of the header's 4 bytes", static_cast<unsigned>(v.headerLength)),
              {{"headerLength", Int(static_cast<long long>(v.headerLength))}}};
    case SelectionTest::kImageId:
      return {"image-id",
              Format("image ID %04X, the hub's line wants %04X", v.imageId, v.wantedImageId),
              {{"wantedImageId", JsonHex(v.wantedImageId, 4)}, {"imageId", JsonHex(v.imageId, 4)}}};
    case SelectionTest::kManufacturer:
      return {"manufacturer",
              FieldText("manufacturer", v.manufacturer),
              {{"manufacturer", FieldJson(v.manufacturer)}}};
    case SelectionTest::kProduct:
      return {"product",
              FieldText("product 1", v.product[0]) + "; " + FieldText("product 2", v.product[1]),
              {{"product1", FieldJson(v.product[0])}, {"product2", FieldJson(v.product[1])}}};
    case SelectionTest::kNoCompatibilityRule:
      return {"no-compatibility-rule",
              Format("chip revision %02X, options %02X against flags %02X (image meets rules %s)",
                     v.chipRevision, v.chipOptions, v.flags, RuleList(image.rules).c_str()),
              {{"chipRevision", JsonHex(v.chipRevision, 2)},
               {"chipOptions", JsonHex(v.chipOptions, 2)},
               {"flags", JsonHex(v.flags, 2)}}};
    case SelectionTest::kFileName: {
      const char* wanted = v.wantedName != nullptr ? v.wantedName : "";
      bool caseOnly = v.wantedName != nullptr && SameIgnoringCase(image.name, wanted);
      return {"file-name",
              Format("the module wants %s%s", wanted,
                     caseOnly ? ", which differs only in letter case; letter case counts" : ""),
              {{"wantedName", JsonString(wanted)},
               {"differsOnlyInCase", caseOnly ? "true" : "false"}}};
    }
  }
  return {nullptr, "", {}};
}

const char* TestName(SelectionTest test) {
  Verdict verdict;
  verdict.failed = test;
  return Describe(verdict, ImageRow()).name;
}

std::string Explain(const Verdict& verdict, const ImageRow& image) {
  return Describe(verdict, image).why;
}

}  // namespace check
