#include "bundle_command.h"

#include <cstdio>

#include "bundle_write.h"
#include "checker_main.h"
#include "described_hubs.h"

namespace check {

int ExplainCommand(const std::string& bundlePath, const std::string& kit, CheckerHost& host,
                   std::string* out, std::string* err);

namespace {

constexpr char kUsageLine[] =
    "usage: QuilletCheck --bundle FILE [--force] [FOLDER], or QuilletCheck --explain BUNDLE [KIT]";

bool ParseBundleArguments(const std::vector<std::string>& args, BundleOptions* options,
                          std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--bundle" || arg == "--explain") {
      if (i + 1 == args.size() || !options->file.empty()) {
        *error = arg + " needs one file; " + kUsageLine;
        return false;
      }
      options->explain = arg == "--explain";
      options->file = args[++i];
    } else if (arg == "--force") {
      options->force = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      *error = arg + " does not go with --bundle or --explain; " + kUsageLine;
      return false;
    } else if (options->folderGiven) {
      *error = "one folder at most; " + std::string(kUsageLine);
      return false;
    } else {
      options->folder = arg;
      options->folderGiven = true;
    }
  }
  if (options->explain && options->force) {
    *error = "--force lets --bundle replace a file; " + std::string(kUsageLine);
    return false;
  }
  if (!options->folderGiven && !options->explain) options->folder = ".";
  return true;
}

bool ReadText(const std::string& path, size_t limit, std::string* text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[65536];
  size_t got;
  while (text->size() <= limit && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
    text->append(buffer, got);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return !failed;
}

}  // namespace

bool IsBundleCommand(const std::vector<std::string>& args) {
  for (const std::string& arg : args)
    if (arg == "--bundle" || arg == "--explain") return true;
  return false;
}

int BundleCommand(const std::vector<std::string>& args, CheckerHost& host, std::string* out,
                  std::string* err) {
  BundleOptions options;
  std::string error;
  if (!ParseBundleArguments(args, &options, &error)) {
    *err = "QuilletCheck: " + error + "\n";
    return kUsage;
  }
  if (options.explain) return ExplainCommand(options.file, options.folder, host, out, err);
  return WriteBundleFile(options, host, out, err);
}

bool ReadBundleFile(const std::string& path, bundle::Bundle* read, std::string* error) {
  std::string text;
  if (!ReadText(path, bundle::kMaxBundleSize, &text)) {
    *error = "cannot read the bundle " + path;
    return false;
  }
  return bundle::ParseBundle(text, path, read, error);
}

bool ReadHubsOrBundle(const std::string& path, hubdesc::HubDescription* description,
                      std::string* error, std::optional<ComputerRecord>* record) {
  std::string head;
  ReadText(path, 64, &head);
  if (!bundle::LooksLikeBundle(head)) return ReadHubDescription(path, description, error);
  bundle::Bundle read;
  if (!ReadBundleFile(path, &read, error)) return false;
  if (record != nullptr) *record = RecordOfPart(read.Find(kRecordPart));
  const bundle::Part* capture = read.Find(kCapturePart);
  if (capture == nullptr || capture->missing) {
    *error = path + ": the bundle holds no capture of the hubs" +
             (capture != nullptr ? " (" + capture->why + ")" : std::string());
    return false;
  }
  return hubdesc::ParseHubDescription(capture->text, path + " (capture)", description, error);
}

}  // namespace check
