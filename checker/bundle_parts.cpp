#include "bundle_parts.h"

#include "described_hubs.h"
#include "image_list_check.h"
#include "text.h"
#include "whole_file.h"

namespace check {

namespace {

constexpr char kUpdaterKey[] = "UpdaterVersion.";
constexpr char kIdentityKey[] = "KitIdentity.";
constexpr char kProgramKey[] = "Program.";
constexpr char kSignedBy[] = "signed by ";
constexpr char kTrusted[] = ", trusted";
constexpr char kNotTrusted[] = ", not trusted: ";

std::string Line(const char* key, const std::string& value) { return key + ("=" + value) + "\n"; }

ImageLine ImageLineOf(const ImageRow& row) {
  return {row.hashed ? imagesums::DigestHex(row.sums.computed) : "-",
          row.opened ? std::to_string(row.size) : "-", ImageCheckName(row.sums.check)};
}

}  // namespace

std::string PartName(const char* kind, const std::string& folder) {
  return std::string(kind) + " " + folder;
}

std::vector<std::string> UpdaterFolders(const bundle::Bundle& read) {
  const std::string prefix = PartName(kImagesPart, "");
  std::vector<std::string> folders;
  for (const bundle::Part& part : read.parts) {
    if (part.name.compare(0, prefix.size(), prefix) == 0)
      folders.push_back(part.name.substr(prefix.size()));
  }
  return folders;
}

const bundle::Part* Present(const bundle::Bundle& read, const std::string& name) {
  const bundle::Part* part = read.Find(name);
  return part != nullptr && !part->missing ? part : nullptr;
}

bool ReadBundleFile(const std::string& path, bundle::Bundle* read, std::string* error) {
  std::string text;
  // A byte past the limit, so that the reader refuses a bundle too large.
  if (ReadWholeFile(path, bundle::kMaxBundleSize + 1, &text) == WholeFile::kUnreadable) {
    *error = "cannot read the bundle " + path;
    return false;
  }
  return bundle::ParseBundle(text, path, read, error);
}

bool ReadHubsOrBundle(const std::string& path, hubdesc::HubDescription* description,
                      std::string* error, std::optional<ComputerRecord>* record) {
  std::string head;
  ReadWholeFile(path, 64, &head);
  if (!bundle::LooksLikeBundle(head)) return ReadHubDescription(path, description, error);
  bundle::Bundle read;
  if (!ReadBundleFile(path, &read, error)) return false;
  if (record != nullptr) *record = ReadRecordPart(read.Find(kRecordPart));
  const bundle::Part* capture = read.Find(kCapturePart);
  if (capture == nullptr || capture->missing) {
    *error = path + ": the bundle holds no capture of the hubs" +
             (capture != nullptr ? " (" + capture->why + ")" : std::string());
    return false;
  }
  return hubdesc::ParseHubDescription(capture->text, path + " (capture)", description, error);
}

std::string WriteComputerPart(const ComputerFacts& facts) {
  std::string text = Line("Time", facts.time) + Line("WindowsVersion", facts.windowsVersion) +
                     Line("RegistryWindowsVersion", facts.registryWindowsVersion) +
                     Line("WindowsBits", facts.windowsBits) +
                     Line("CheckerVersion", facts.checkerVersion) +
                     Line("CheckerBits", facts.checkerBits) + Line("Kit", facts.kit);
  for (const UpdaterVersion& updater : facts.updaters) {
    text += kUpdaterKey;
    text += updater.folder + "." + updater.program + "=" + updater.version + "\n";
  }
  if (!facts.launcherVersion.empty()) text += Line("LauncherVersion", facts.launcherVersion);
  if (!facts.libraryVersion.empty()) text += Line("LibraryVersion", facts.libraryVersion);
  for (const FolderIdentity& kit : facts.kitIdentities)
    text += kIdentityKey + kit.name + "=" + kit.identity + "\n";
  for (const ProgramFacts& program : facts.programs) {
    text += kProgramKey + program.path + "=" + program.digest + " " +
            SignatureText(program.signature) + "\n";
  }
  return text;
}

namespace {

// "Program.x64/Quillet64.exe=<sha256> <signature>", after the versions.
void ReadPrograms(const std::string& text, ComputerFacts* facts) {
  const size_t skip = sizeof kProgramKey - 1;
  for (const std::string& line : Lines(text)) {
    size_t eq = line.find('=');
    if (line.compare(0, skip, kProgramKey) != 0 || eq == std::string::npos) continue;
    size_t space = line.find(' ', eq);
    if (space == std::string::npos) continue;
    facts->programs.push_back({line.substr(skip, eq - skip), line.substr(eq + 1, space - eq - 1),
                               ReadSignature(line.substr(space + 1))});
  }
}

}  // namespace

ComputerFacts ReadComputerPart(const std::string& text) {
  ComputerFacts facts;
  facts.time = bundle::Value(text, "Time");
  facts.windowsVersion = bundle::Value(text, "WindowsVersion");
  facts.registryWindowsVersion = bundle::Value(text, "RegistryWindowsVersion");
  facts.windowsBits = bundle::Value(text, "WindowsBits");
  facts.checkerVersion = bundle::Value(text, "CheckerVersion");
  facts.checkerBits = bundle::Value(text, "CheckerBits");
  facts.kit = bundle::Value(text, "Kit");
  facts.launcherVersion = bundle::Value(text, "LauncherVersion");
  facts.libraryVersion = bundle::Value(text, "LibraryVersion");
  const size_t skip = sizeof kUpdaterKey - 1;
  const size_t identity = sizeof kIdentityKey - 1;
  for (const std::string& line : Lines(text)) {
    size_t eq = line.find('=');
    if (line.compare(0, identity, kIdentityKey) == 0 && eq != std::string::npos) {
      facts.kitIdentities.push_back({line.substr(identity, eq - identity), line.substr(eq + 1)});
      continue;
    }
    if (line.compare(0, skip, kUpdaterKey) != 0 || eq == std::string::npos) continue;
    // "x64.Quillet64.exe": the program's name holds one dot, the folder's
    // name any number.
    std::string key = line.substr(skip, eq - skip);
    size_t dot = key.rfind('.');
    dot = dot == 0 || dot == std::string::npos ? std::string::npos : key.rfind('.', dot - 1);
    std::string folder = dot == std::string::npos ? std::string() : key.substr(0, dot);
    facts.updaters.push_back({folder, key.substr(dot + 1), line.substr(eq + 1)});
  }
  ReadPrograms(text, &facts);
  return facts;
}

std::string SignatureText(const ProgramSignature& signature) {
  switch (signature.kind) {
    case ProgramSignature::Kind::kNotChecked: return "not checked";
    case ProgramSignature::Kind::kUnsigned: return "unsigned";
    case ProgramSignature::Kind::kSigned: break;
  }
  return kSignedBy + signature.signer +
         (signature.trusted ? std::string(kTrusted) : kNotTrusted + signature.why);
}

ProgramSignature ReadSignature(const std::string& text) {
  ProgramSignature signature;
  if (text == "unsigned") signature.kind = ProgramSignature::Kind::kUnsigned;
  const size_t skip = sizeof kSignedBy - 1;
  if (text.compare(0, skip, kSignedBy) != 0) return signature;
  signature.kind = ProgramSignature::Kind::kSigned;
  // A common name may hold ", "; the phrases after it are ours.
  const size_t untrusted = text.find(kNotTrusted, skip);
  const size_t trusted = sizeof kTrusted - 1;
  if (untrusted != std::string::npos) {
    signature.signer = text.substr(skip, untrusted - skip);
    signature.why = text.substr(untrusted + sizeof kNotTrusted - 1);
  } else if (text.size() >= skip + trusted &&
             text.compare(text.size() - trusted, trusted, kTrusted) == 0) {
    signature.signer = text.substr(skip, text.size() - trusted - skip);
    signature.trusted = true;
  } else {
    signature.signer = text.substr(skip);
  }
  return signature;
}

std::string WriteDriverPart(const DriverFacts& facts) {
  return Line("UpperFilters", facts.upperFilters) +
         Line("FilterDriver", facts.registered ? "registered" : "not-registered") +
         Line("RunLock", facts.runLockHeld ? "held" : "free") +
         Line("WriteLock", facts.writeLockHeld ? "held" : "free") +
         Line("UpdateRunning", facts.updateRunning ? "yes" : "no");
}

DriverFacts ReadDriverPart(const std::string& text) {
  DriverFacts facts;
  facts.upperFilters = bundle::Value(text, "UpperFilters");
  facts.registered = bundle::Value(text, "FilterDriver") == "registered";
  facts.runLockHeld = bundle::Value(text, "RunLock") == "held";
  facts.writeLockHeld = bundle::Value(text, "WriteLock") == "held";
  facts.updateRunning = bundle::Value(text, "UpdateRunning") == "yes";
  return facts;
}

std::string WriteNoRecordPart() { return std::string("none: ") + kNoRecord + "\n"; }

bool IsNoRecordPart(const std::string& text) { return text == WriteNoRecordPart(); }

std::string WriteRecordPart(const ComputerRecord& record) {
  return record.Read() ? record.text : WriteNoRecordPart();
}

ComputerRecord ReadRecordPart(const bundle::Part* part) {
  ComputerRecord record;
  if (part == nullptr || part->missing) {
    record.state = part == nullptr ? RecordRead::kNone : RecordRead::kUnreadable;
    record.why = part == nullptr ? "the bundle holds no record" : part->why;
    return record;
  }
  if (IsNoRecordPart(part->text)) {
    record.why = kNoRecord;
    return record;
  }
  return RecordOfText(part->text, "the record is not a whole record");
}

ImageLines ImageLinesOf(const KitReport& kit) {
  ImageLines lines;
  for (const ImageRow& row : kit.images) lines[row.name] = ImageLineOf(row);
  return lines;
}

std::string WriteImagesPart(const KitReport& kit) {
  std::string text;
  for (const ImageRow& row : kit.images) {
    ImageLine line = ImageLineOf(row);
    text += line.digest + " " + line.size + " " + line.verdict + " " + row.name + "\n";
  }
  return text;
}

ImageLines ReadImagesPart(const std::string& text) {
  ImageLines images;
  for (const std::string& line : Lines(text)) {
    size_t a = line.find(' ');
    size_t b = a == std::string::npos ? a : line.find(' ', a + 1);
    size_t c = b == std::string::npos ? b : line.find(' ', b + 1);
    if (c == std::string::npos) continue;
    images[line.substr(c + 1)] = {line.substr(0, a), line.substr(a + 1, b - a - 1),
                                  line.substr(b + 1, c - b - 1)};
  }
  return images;
}

}  // namespace check
