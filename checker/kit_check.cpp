#include "kit_check.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>

#include "enumeration.h"
#include "firmware_image.h"
#include "line_scanner.h"
#include "platform.h"
#include "printer.h"
#include "settings.h"
#include "short_format.h"
#include "tz415api.h"
#include "update.h"

namespace check {

namespace {

// A directory with more entries than this is not a kit anyone ships; what
// lies past it is named as unchecked rather than held in memory.
constexpr size_t kMaxImages = 100000;
// Line findings listed before the rest are only counted.
constexpr size_t kMaxLineFindings = 500;

// The stretches of an image the format reads: the header, both version
// words, and the identification fields of both layouts.
struct Stretch {
  uint64_t offset;
  size_t length;
};
constexpr Stretch kStretches[] = {
    {fwimage::kHeaderOffset, fwimage::kHeaderSize},
    {fwimage::kLongVersionOffset, fwimage::kVersionSize},
    {fwimage::kShortVersionOffset, fwimage::kVersionSize},
    {fwimage::kShortFields.manufacturer,
     fwimage::kFixedLongSize - fwimage::kShortFields.manufacturer},
};
static_assert(fwimage::kShortFields.manufacturer < fwimage::kLongFields.manufacturer,
              "the field stretch starts with the short layout's manufacturer field");
static_assert(CachedImage::kCachedPrefix == fwimage::kFixedLongSize,
              "nothing the format reads lies past a fixed-size long image");

// The updater's console output is not the checker's: its reader and its
// device listing run silent.
class SilentConsole : public Console {
 public:
  void Write(const char*, size_t) override {}
  void* StdOutputHandle() override { return nullptr; }
  void SetTextAttribute(void*, uint16_t) override {}
  void RunCommand(const char*) override {}
};

// Stands for the hub library where no hubs are described: the reader hands
// it the hub-ID table, and nothing else is asked of it.
class NoLibrary : public HubLibrary {
 public:
  void GetDllVersion(uint32_t* version) override { *version = 0; }
  void SetIniInfo(void*) override {}
  void GetEnumInfo(uint8_t* deviceCount) override { *deviceCount = 0; }
  int UpdateISP(uint8_t, const char*, int) override { return -1; }
};

bool IsBlankOrComment(const char* line) {
  while (*line == ' ' || *line == '\t' || *line == '\r') ++line;
  return *line == '\0' || *line == ';' || *line == '#';
}

void Add(KitReport* report, Severity severity, const char* code, int line, std::string text) {
  static const std::map<std::string, ReportPart> kParts = {
      {"image-name-too-long", ReportPart::kImages}, {"image-unreadable", ReportPart::kImages},
      {"size-rule", ReportPart::kImages},           {"no-images", ReportPart::kImages},
      {"images-unchecked", ReportPart::kImages},    {"hub-no-image", ReportPart::kHubs},
      {"hub-several-images", ReportPart::kHubs},    {"hubs-not-listed", ReportPart::kHubs},
  };
  auto part = kParts.find(code);
  report->findings.push_back(Finding{severity,
                                     part == kParts.end() ? ReportPart::kSettings : part->second,
                                     code, line, std::move(text)});
}

// The sections the reader walks, each with the keys it takes there.
struct SectionKeys {
  const char* start;
  const char* keys[3];
};
constexpr SectionKeys kSections[] = {
    {kTargetIdU3Section, {}},
    {kTargetIdU2Section, {}},
    {kMiscSection, {kStringCompareKey}},
    {kHubModuleSection, {kHubNumberKey}},
    {kHubNameSection, {kHubNameKey}},
    {kHubFwCheckSection, {kCheckHubFwKey, kFwVersionKey}},
};
constexpr int kSectionCount = sizeof kSections / sizeof kSections[0];

// A module key of any entry: "NO." and the key's tail.
bool IsModuleKeyLine(const char* line) {
  if (!IsKeyLine(line, "NO.")) return false;
  for (ModuleKey key : {ModuleKey::kDepth, ModuleKey::kConnectionPortIndex, ModuleKey::kBinFile}) {
    char name[kModuleKeyNameSize];
    ModuleKeyName(1, key, name);
    if (std::strstr(line, name + 4) != nullptr) return true;  // past "NO.1"
  }
  return false;
}

// The line-level findings: one pass with the reader's own line scanner and
// section rule, so that lines are split and sections found as it finds them.
void ScanSettingsLines(Files& files, KitReport* report) {
  std::unique_ptr<ByteSource> file = files.OpenForRead(kSettingsPath);
  if (!file) return;
  LineScanner lines(*file);
  std::vector<SectionTracker> sections;
  for (const SectionKeys& section : kSections) sections.emplace_back(section.start);
  SectionTracker moduleKeys(kModuleKeysStart);

  // Kept only as far as the reader keeps hub IDs, and counted beyond.
  std::vector<int> idLines[2];  // U3, U2
  size_t idCount[2] = {0, 0};
  // A file of millions of odd lines gets a report of bounded size.
  size_t lineFindings = 0;
  auto addLine = [&](const char* code, int line, std::string text) {
    if (++lineFindings <= kMaxLineFindings) {
      Add(report, Severity::kWarning, code, line, std::move(text));
    }
  };
  int number = 0;
  bool newLine = true;
  char line[kLineBufferSize];
  while (lines.Next(line)) {
    if (newLine) ++number;
    newLine = lines.PieceEndedLine();
    bool inModuleKeys = moduleKeys.Feed(line) == SectionTracker::kInside;
    // Two headers on one line start two sections at once.
    int inside = -1;
    unsigned insideAll = 0;
    for (int s = 0; s < kSectionCount; ++s) {
      if (sections[s].Feed(line) != SectionTracker::kInside) continue;
      insideAll |= 1u << s;
      if (inside < 0) inside = s;
    }
    if (!newLine) {
      addLine("line-split", number,
              "longer than 199 characters: the reader reads the rest as another line");
    }
    bool hasEquals = std::strchr(line, '=') != nullptr;
    if (inside >= 0 && !hasEquals && !IsBlankOrComment(line)) {
      addLine("no-equals", number,
              Format("no '=' in %s: the reader skips the line", kSections[inside].start));
    }
    // Every line with '=' in a hub-ID section is taken, parsed or not.
    for (int u = 0; u < 2 && hasEquals; ++u) {
      if ((insideAll & (1u << u)) == 0) continue;
      if (++idCount[u] <= static_cast<size_t>(kMaxTargetIds) + 1) idLines[u].push_back(number);
      TargetIdEntry entry;
      if (!ParseTargetId(line, u == 0 ? 3 : 2, &entry)) {
        addLine("id-unparsed", number,
                Format("not HEX=HEX: the reader takes it as hub ID %08X, image ID %04X",
                       static_cast<unsigned>(entry.HubId), entry.ImageId));
      }
    }

    for (int s = 0; s < kSectionCount; ++s) {
      for (const char* key : kSections[s].keys) {
        if (key != nullptr && IsKeyLine(line, key) && (insideAll & (1u << s)) == 0) {
          addLine("key-outside", number,
                  Format("%s outside the first %s: the reader never reads it", key,
                         kSections[s].start));
        }
      }
    }
    if (IsModuleKeyLine(line) && !inModuleKeys) {
      addLine("key-outside", number,
              Format("module key outside the section after the first line holding %s: the "
                     "reader never reads it",
                     kModuleKeysStart));
    }
  }

  if (lineFindings > kMaxLineFindings) {
    Add(report, Severity::kWarning, "findings-cut", 0,
        Format("%u more line findings are not listed",
               static_cast<unsigned>(lineFindings - kMaxLineFindings)));
  }

  // The reader takes the U3 section's lines first, then the U2 section's.
  std::vector<int>& taken = report->settings.idLines;
  taken = idLines[0];
  taken.insert(taken.end(), idLines[1].begin(), idLines[1].end());
  size_t total = idCount[0] + idCount[1];
  if (total > static_cast<size_t>(kMaxTargetIds)) {
    Add(report, Severity::kWarning, "ids-over-limit", taken[kMaxTargetIds],
        Format("%u hub IDs: the reader keeps the first %d, from here on none is used",
               static_cast<unsigned>(total), kMaxTargetIds));
    taken.resize(kMaxTargetIds);
  }
}

void DuplicateIds(KitReport* report) {
  const UpdaterState& state = *report->settings.state;
  const std::vector<int>& lines = report->settings.idLines;
  std::map<uint32_t, size_t> first;
  for (size_t i = 0; i < static_cast<size_t>(state.TargetIdCount) && i < lines.size(); ++i) {
    const TargetIdEntry& entry = state.TargetIds[i];
    uint32_t hubId = entry.HubId;  // a packed field: copied, never bound
    auto known = first.emplace(hubId, i);
    if (known.second) continue;
    const TargetIdEntry& winner = state.TargetIds[known.first->second];
    Add(report, Severity::kWarning, "id-duplicate", lines[i],
        Format("hub ID %08X listed again (first at line %d): the first wins, image ID %04X%s",
               static_cast<unsigned>(entry.HubId), lines[known.first->second], winner.ImageId,
               winner.ImageId == entry.ImageId ? "" : ", not this line's"));
  }
}

// The reader gives up on the first module key it cannot find: named by the
// reader's own key names and key search.
void MissingModuleKey(Files& files, KitReport* report) {
  const UpdaterState& state = *report->settings.state;
  SilentConsole silent;
  Printer quiet(silent);
  for (int n = 1; n <= state.HubNumber; ++n) {
    for (ModuleKey key :
         {ModuleKey::kDepth, ModuleKey::kConnectionPortIndex, ModuleKey::kBinFile}) {
      if (n == 1 && key != ModuleKey::kBinFile) continue;
      char name[kModuleKeyNameSize];
      ModuleKeyName(n, key, name);
      char value[kTextSize] = {};
      if (!ReadHubModuleKey(quiet, files, kSettingsPath, name, value, key != ModuleKey::kBinFile)) {
        Add(report, Severity::kError, "module-key-missing", 0,
            Format("HUBNumber is %d but %s is missing: the updater stops after the settings",
                   state.HubNumber, name));
        return;
      }
    }
  }
}

void ReadSettings(Files& files, HubLibrary& library, KitReport* report) {
  SettingsReport& settings = report->settings;
  settings.state = std::make_unique<UpdaterState>();
  std::memset(settings.state.get(), 0, sizeof(UpdaterState));
  settings.moduleList = std::make_unique<HubModuleList>(*settings.state);
  settings.found = files.OpenForRead(kSettingsPath) != nullptr;
  if (!settings.found) {
    Add(report, Severity::kError, "settings-missing", 0,
        Format("%s cannot be opened: the updater stops", kSettingsPath));
    return;
  }
  SilentConsole silent;
  Printer quiet(silent);
  settings.readerGaveUp =
      !LoadSettingFromIni(*settings.state, *settings.moduleList, quiet, files, library);
  const UpdaterState& state = *settings.state;
  const HubModuleEntry* entry = state.HubModules;
  for (int n = 0; n < state.HubNumber && entry != nullptr; ++n, entry = entry->Next) {
    settings.modules.push_back(*entry);
    settings.modules.back().Next = nullptr;
  }
  ScanSettingsLines(files, report);
  DuplicateIds(report);
  if (settings.readerGaveUp) MissingModuleKey(files, report);
}

void CheckModuleFiles(KitReport* report) {
  const SettingsReport& settings = report->settings;
  if (settings.readerGaveUp || settings.state->HubNumber < 2) return;
  for (size_t n = 0; n < settings.modules.size(); ++n) {
    std::string wanted = settings.modules[n].WantUpdateBinFile;
    const ImageRow* other = nullptr;
    bool exact = false;
    for (const ImageRow& row : report->images) {
      if (row.name == wanted) exact = true;
      if (other == nullptr && SameIgnoringCase(row.name, wanted)) other = &row;
    }
    if (exact) continue;
    if (other != nullptr) {
      Add(report, Severity::kError, "module-file-case", 0,
          Format("module %u wants %s, present only as %s: the search finds it, the name test "
                 "counts letter case, so it is never chosen",
                 static_cast<unsigned>(n + 1), wanted.c_str(), other->name.c_str()));
    } else {
      Add(report, Severity::kError, "module-file-missing", 0,
          Format("module %u wants %s, which the search does not find", static_cast<unsigned>(n + 1),
                 wanted.c_str()));
    }
  }
}

// With CheckHUBFW set, short-format hubs are compared with FWVersion before
// any image is looked at, so it must be what their image delivers.
void CheckFwVersion(KitReport* report) {
  const UpdaterState& state = *report->settings.state;
  if (state.CheckHubFw == 0) return;
  bool anyShortFormat = false;
  bool delivered = false;
  for (int i = 0; i < state.TargetIdCount && i < kMaxTargetIds; ++i) {
    const TargetIdEntry& target = state.TargetIds[i];
    if (!IsShortFormatHub(target.HubId)) continue;
    anyShortFormat = true;
    for (const ImageRow& row : report->images) {
      if (row.opened && row.headerLength >= 2 && row.imageId == target.ImageId &&
          ShortFormatVersion(row.deliveredVersion) == state.FwVersion) {
        delivered = true;
      }
    }
  }
  if (anyShortFormat && !delivered) {
    Add(report, Severity::kWarning, "fwversion-undelivered", 0,
        Format("FWVersion %X is delivered by no image for the short-format hubs: they are "
               "skipped when they are not at it, or written on every run when they are",
               state.FwVersion));
  }
}

void CheckHubs(HubLibrary& library, KitReport* report) {
  UpdaterState& state = *report->settings.state;
  SilentConsole silent;
  Printer quiet(silent);
  report->hubsDescribed = true;
  if (!report->settings.found || report->settings.readerGaveUp) return;
  if (!EnumerateDevices(state, quiet, library)) {
    int count = UsableDeviceCount(state);
    Add(report, Severity::kError, "hubs-not-listed", 0,
        count == 0 ? std::string("no hub is found: the updater stops")
                   : Format("%d hubs found but HUBNumber is %d: the updater stops after "
                            "listing them",
                            count, state.HubNumber));
    return;
  }
  for (int i = UsableDeviceCount(state) - 1; i >= 0; --i) {
    report->hubs.emplace_back();
    HubReport& hub = report->hubs.back();
    hub.number = i + 1;
    hub.info = state.Devices[i];
    hub.hubId = HubIdOf(hub.info);
    JudgeHub(state, report->images, &hub);
    if (hub.outcome == Outcome::kNoImage) {
      Add(report, Severity::kError, "hub-no-image", 0,
          Format("Device(%d) %04X/%04X gets no image", hub.number, hub.info.VendorId,
                 hub.info.ProductId));
    }
    if (hub.passing > 1) {
      Add(report, Severity::kWarning, "hub-several-images", 0,
          Format("Device(%d) %04X/%04X: %d images pass; the directory order chooses %s, "
                 "and that order differs between file systems",
                 hub.number, hub.info.VendorId, hub.info.ProductId, hub.passing,
                 report->images[hub.chosen].name.c_str()));
    }
  }
}

}  // namespace

void ReadImages(Files& files, KitReport* report) {
  std::unique_ptr<DirectorySearch> search = files.FindFiles(kImagePattern);
  if (!search) {
    Add(report, Severity::kWarning, "no-images", 0,
        "the search for .\\Binfile\\*.BIN finds nothing: no hub can get an image");
    return;
  }
  report->imagesSearched = true;
  do {
    if (report->images.size() == kMaxImages) {
      Add(report, Severity::kWarning, "images-unchecked", 0,
          Format("more than %u images: the rest are not checked",
                 static_cast<unsigned>(kMaxImages)));
      break;
    }
    report->images.emplace_back();
    ImageRow& row = report->images.back();
    row.name = search->Name();
    char path[kImagePathSize];
    row.nameFits = MakeImagePath(row.name.c_str(), path);
    if (!row.nameFits) {
      Add(report, Severity::kWarning, "image-name-too-long", 0,
          row.name + ": the name does not fit the updater's path, so it is never chosen");
      continue;
    }
    std::unique_ptr<ByteSource> file = files.OpenForRead(path);
    if (!file) {
      Add(report, Severity::kWarning, "image-unreadable", 0, row.name + " cannot be opened");
      continue;
    }
    row.opened = true;
    row.cache = std::make_shared<CachedImage>(*file);
    file.reset();
    CachedImage& image = *row.cache;
    row.size = image.Size();
    fwimage::Header header;
    fwimage::ReadHeader(image, &header);
    row.headerLength = header.length;
    row.imageId = fwimage::ImageId(header);
    row.flags = fwimage::Flags(header);
    row.longLayout = fwimage::IsLongLayout(row.flags);
    row.breaksSizeRule = fwimage::BreaksSizeRule(header, row.size);
    row.deliveredVersion = fwimage::DeliveredVersion(image);
    const fwimage::FieldLayout& fields = fwimage::FieldsFor(row.flags);
    uint8_t field[fwimage::kMaxCompareLength];
    if (fwimage::ReadField(image, fields.manufacturer, fields.manufacturerSize, field)) {
      row.manufacturer = Printable(field, fields.manufacturerSize);
    }
    if (fwimage::ReadField(image, fields.product1, fields.productSize, field)) {
      row.product1 = Printable(field, fields.productSize);
    }
    if (fwimage::ReadField(image, fields.product2, fields.productSize, field)) {
      row.product2 = Printable(field, fields.productSize);
    }
    row.rules = fwimage::ImageCompatibilityRules(image, row.flags, row.size);
    if (row.breaksSizeRule) {
      Add(report, Severity::kWarning, "size-rule", 0,
          Format("%s: a 0D12 image of %llu bytes, not %llu: the updater warns about it on "
                 "every hub and never chooses it",
                 row.name.c_str(), static_cast<unsigned long long>(row.size),
                 static_cast<unsigned long long>(header.length <= fwimage::kFlagsIndex
                                                     ? fwimage::kFixedShortSize
                                                 : row.longLayout ? fwimage::kFixedLongSize
                                                                  : fwimage::kFixedShortSize)));
    }
  } while (search->Next());
}

void JudgeHub(const UpdaterState& state, const std::vector<ImageRow>& images, HubReport* hub) {
  if (SameLevelBeforeSelection(state, hub->info)) {
    hub->outcome = Outcome::kSameLevelBefore;
    return;
  }
  hub->hubVerdict = WantedImage(state, hub->hubId, hub->info, &hub->wanted);
  if (hub->hubVerdict.failed != SelectionTest::kPassed) {
    hub->outcome = Outcome::kNoImage;
    return;
  }
  for (size_t j = 0; j < images.size(); ++j) {
    const ImageRow& row = images[j];
    Verdict verdict;
    if (!row.nameFits) {
      verdict.failed = SelectionTest::kNameTooLong;
    } else if (!row.opened) {
      verdict.failed = SelectionTest::kCannotOpen;
    } else {
      verdict = JudgeImage(state, hub->wanted, hub->info, row.name.c_str(), *row.cache, row.size);
    }
    hub->verdicts.push_back(verdict);
    if (verdict.failed != SelectionTest::kPassed) continue;
    if (++hub->passing == 1) hub->chosen = static_cast<int>(j);
  }
  if (hub->chosen < 0) {
    hub->outcome = Outcome::kNoImage;
    return;
  }
  hub->chosenVersion = images[hub->chosen].deliveredVersion;
  hub->outcome = SameLevelAfterSelection(state, hub->info, hub->chosenVersion)
                     ? Outcome::kSameLevelAfter
                     : Outcome::kProgram;
}

CachedImage::CachedImage(ByteSource& file) : size_(file.Size()) {
  for (const Stretch& stretch : kStretches) {
    size_t at = prefix_.size();
    prefix_.resize(at + stretch.length);
    size_t got = file.ReadAt(stretch.offset, prefix_.data() + at, stretch.length);
    had_.push_back(got > stretch.length ? stretch.length : got);
  }
}

size_t CachedImage::ReadAt(uint64_t offset, void* buffer, size_t count) {
  size_t at = 0;
  for (size_t s = 0; s < sizeof kStretches / sizeof kStretches[0]; ++s) {
    const Stretch& stretch = kStretches[s];
    if (offset >= stretch.offset && offset + count <= stretch.offset + stretch.length) {
      size_t skip = static_cast<size_t>(offset - stretch.offset);
      size_t n = had_[s] > skip ? std::min(count, had_[s] - skip) : 0;
      std::memcpy(buffer, prefix_.data() + at + skip, n);
      return n;
    }
    at += stretch.length;
  }
  // Only the stretches above are ever read; anything else is refused whole
  // rather than answered wrongly.
  return 0;
}

namespace {

// Images are tens of kilobytes; a file past this is named rather than read
// to its end.
constexpr uint64_t kMaxComparedSize = uint64_t{64} << 20;

enum class Comparison { kSame, kDiffers, kTooLarge };

// Compared in chunks, so two large files cost no more memory than two small.
Comparison CompareFiles(Files& a, Files& b, const char* path) {
  std::unique_ptr<ByteSource> first = a.OpenForRead(path);
  std::unique_ptr<ByteSource> second = b.OpenForRead(path);
  if (!first || !second) return !first && !second ? Comparison::kSame : Comparison::kDiffers;
  uint64_t size = first->Size();
  if (size != second->Size()) return Comparison::kDiffers;
  if (size > kMaxComparedSize) return Comparison::kTooLarge;
  std::vector<uint8_t> x(65536);
  std::vector<uint8_t> y(65536);
  for (uint64_t at = 0; at < size;) {
    size_t got = first->ReadAt(at, x.data(), x.size());
    if (second->ReadAt(at, y.data(), y.size()) != got) return Comparison::kDiffers;
    if (got == 0) break;
    if (std::memcmp(x.data(), y.data(), got) != 0) return Comparison::kDiffers;
    at += got;
  }
  return Comparison::kSame;
}

}  // namespace

void CompareKits(const KitReport& x86, const KitReport& x64, Files& filesX86, Files& filesX64,
                 std::vector<Finding>* into) {
  auto compare = [&](const std::string& name, const char* path) {
    switch (CompareFiles(filesX86, filesX64, path)) {
      case Comparison::kSame: break;
      case Comparison::kDiffers:
        into->push_back(Finding{Severity::kWarning, ReportPart::kKit, "kit-differs", 0,
                                name + " differs: 32-bit and 64-bit Windows would get "
                                       "different results"});
        break;
      case Comparison::kTooLarge:
        into->push_back(Finding{Severity::kWarning, ReportPart::kKit, "kit-not-compared", 0,
                                name + " is larger than 64 MiB in both: not compared"});
        break;
    }
  };
  auto onlyIn = [&](const std::string& name, const char* folder) {
    into->push_back(Finding{Severity::kWarning, ReportPart::kKit, "kit-differs", 0,
                            name + " is only in " + folder +
                                ": 32-bit and 64-bit Windows would get different results"});
  };
  compare("SpiFlash.ini", kSettingsPath);
  std::map<std::string, bool> names;  // name -> also in x64
  for (const ImageRow& row : x86.images) names[row.name] = false;
  for (const ImageRow& row : x64.images) {
    auto known = names.find(row.name);
    if (known == names.end()) {
      onlyIn(row.name, "x64");
      continue;
    }
    known->second = true;
    char path[kImagePathSize];
    if (MakeImagePath(row.name.c_str(), path)) compare(row.name, path);
  }
  for (const auto& name : names) {
    if (!name.second) onlyIn(name.first, "x86");
  }
}

int KitReport::Count(Severity severity) const {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                        [&](const Finding& f) { return f.severity == severity; }));
}

KitReport CheckKit(Files& files, HubLibrary* describedHubs, const std::string& folder) {
  KitReport report;
  report.folder = folder;
  NoLibrary none;
  HubLibrary& library = describedHubs != nullptr ? *describedHubs : none;
  ReadSettings(files, library, &report);
  ReadImages(files, &report);
  if (report.settings.found) {
    CheckModuleFiles(&report);
    CheckFwVersion(&report);
  }
  if (describedHubs != nullptr) CheckHubs(library, &report);
  return report;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  return text;
}

std::string Printable(const uint8_t* bytes, size_t length) {
  std::string text;
  size_t end = 0;
  while (end < length && bytes[end] != 0) ++end;
  for (size_t i = 0; i < end;) {
    uint8_t c = bytes[i];
    size_t run = 1;
    while (i + run < end && bytes[i + run] == c) ++run;
    if (c >= 0x20 && c <= 0x7E && c != '\\') {
      text += static_cast<char>(c);
      run = 1;
    } else {
      char escaped[32];
      // Erased flash (FF FF ...) would otherwise fill the row.
      if (run >= kRunToCount) {
        std::snprintf(escaped, sizeof escaped, "\\x%02X*%u", c, static_cast<unsigned>(run));
      } else if (c == '\\') {
        std::snprintf(escaped, sizeof escaped, "\\\\");
        run = 1;
      } else {
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        run = 1;
      }
      text += escaped;
    }
    i += run;
  }
  return text;
}

const char* TestName(SelectionTest test) {
  switch (test) {
    case SelectionTest::kPassed: return "passed";
    case SelectionTest::kModulePlace: return "module-place";
    case SelectionTest::kHubIdNotInSettings: return "hub-id-not-in-settings";
    case SelectionTest::kNameTooLong: return "name-too-long";
    case SelectionTest::kCannotOpen: return "cannot-open";
    case SelectionTest::kSizeRule: return "size-rule";
    case SelectionTest::kHeaderTooShort: return "header-too-short";
    case SelectionTest::kImageId: return "image-id";
    case SelectionTest::kManufacturer: return "manufacturer";
    case SelectionTest::kProduct: return "product";
    case SelectionTest::kNoCompatibilityRule: return "no-compatibility-rule";
    case SelectionTest::kFileName: return "file-name";
  }
  return "?";
}

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kSameLevelBefore: return "same-level-before-selection";
    case Outcome::kNoImage: return "no-image";
    case Outcome::kSameLevelAfter: return "same-level-after-selection";
    case Outcome::kProgram: return "program";
  }
  return "?";
}

}  // namespace check
