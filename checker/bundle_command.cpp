#include "bundle_command.h"

#include "bundle_parts.h"
#include "bundle_write.h"
#include "command.h"
#include "explain.h"
#include "rooted_files.h"

namespace check {

namespace {

constexpr char kUsageLine[] =
    "usage: QuilletCheck --bundle FILE [--force] [FOLDER], or QuilletCheck --explain BUNDLE [KIT]";
constexpr char kUnpackUsageLine[] = "usage: QuilletCheck --unpack BUNDLE FOLDER";

enum class BundleMode { kWrite, kExplain, kUnpack };

struct BundleOptions {
  BundleMode mode = BundleMode::kWrite;
  std::string file;  // the bundle
  std::string folder;
  bool folderGiven = false;
  bool force = false;
};

bool Refuse(const BundleOptions& options, const std::string& what, std::string* error) {
  *error = what + (options.mode == BundleMode::kUnpack ? kUnpackUsageLine : kUsageLine);
  return false;
}

bool ParseBundleArguments(const std::vector<std::string>& args, BundleOptions* options,
                          std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--bundle" || arg == "--explain" || arg == "--unpack") {
      options->mode = arg == "--bundle"    ? BundleMode::kWrite
                      : arg == "--explain" ? BundleMode::kExplain
                                           : BundleMode::kUnpack;
      if (i + 1 == args.size() || !options->file.empty())
        return Refuse(*options, arg + " needs one file; ", error);
      options->file = args[++i];
    } else if (arg == "--force") {
      options->force = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Refuse(*options, arg + " does not go with --bundle or --explain; ", error);
    } else if (options->folderGiven) {
      return Refuse(*options, "one folder at most; ", error);
    } else {
      options->folder = arg;
      options->folderGiven = true;
    }
  }
  if (options->mode != BundleMode::kWrite && options->force)
    return Refuse(*options, "--force lets --bundle replace a file; ", error);
  if (options->mode == BundleMode::kUnpack && !options->folderGiven)
    return Refuse(*options, "--unpack needs the folder to write to; ", error);
  if (!options->folderGiven && options->mode == BundleMode::kWrite) options->folder = ".";
  return true;
}

// What a replay needs of the bundle, as files of `folder`: "capture", and
// for each updater folder F "settings.F" and "SHA256SUMS.F", its images as
// an image list (one the customer's check could not hash named in a
// comment), so that scripts/replay compares them with a kit's own.
int UnpackCommand(CheckerHost& host, const BundleOptions& options, std::string* out,
                  std::string* err) {
  bundle::Bundle read;
  std::string error;
  if (!ReadBundleFile(options.file, &read, &error) ||
      !CanReadFolder(host, options.folder, &error)) {
    return UsageError(err, error);
  }
  std::vector<std::pair<std::string, std::string>> files;
  if (const bundle::Part* capture = Present(read, kCapturePart))
    files.emplace_back(kCapturePart, capture->text);
  for (const std::string& name : UpdaterFolders(read)) {
    if (const bundle::Part* settings = Present(read, PartName(kSettingsPart, name)))
      files.emplace_back("settings." + name, settings->text);
    if (const bundle::Part* images = Present(read, PartName(kImagesPart, name))) {
      std::string list;
      for (const auto& image : ReadImagesPart(images->text)) {
        const std::string& digest = image.second.digest;
        list += (digest == "-" ? "# no digest: " : digest + " *") + image.first + "\n";
      }
      files.emplace_back("SHA256SUMS." + name, list);
    }
  }
  for (const auto& file : files) {
    std::string path = JoinPath(options.folder, file.first, host.Separator());
    if (!host.SaveFile(path, file.second, false, &error)) return UsageError(err, error);
    *out += "Wrote " + path + "\n";
  }
  return kClean;
}

}  // namespace

bool IsBundleCommand(const std::vector<std::string>& args) {
  for (const std::string& arg : args)
    if (arg == "--bundle" || arg == "--explain" || arg == "--unpack") return true;
  return false;
}

int BundleCommand(const std::vector<std::string>& args, CheckerHost& host, std::string* out,
                  std::string* err) {
  BundleOptions options;
  std::string error;
  if (!ParseBundleArguments(args, &options, &error)) return UsageError(err, error);
  switch (options.mode) {
    case BundleMode::kExplain: return ExplainCommand(options.file, options.folder, host, out, err);
    case BundleMode::kUnpack: return UnpackCommand(host, options, out, err);
    case BundleMode::kWrite: break;
  }
  return WriteBundleFile(host, options.file, options.folder, options.force, out, err);
}

}  // namespace check
