#include "write_sums.h"

#include <memory>

#include "image_check.h"
#include "platform.h"
#include "rooted_files.h"
#include "selection.h"
#include "text.h"

namespace check {

namespace {

const char kBinfile[] = ".\\Binfile\\";

}  // namespace

bool WriteSums(CheckerHost& host, const std::string& folder, bool force, std::string* out,
               std::string* error) {
  RootedFiles files(host.PlatformFiles(), folder, host.Separator());
  std::string name = imagesums::kListName;
  if (std::unique_ptr<DirectorySearch> found =
          files.FindFiles((std::string(kBinfile) + imagesums::kListName).c_str())) {
    name = found->Name();
    if (!force) {
      *error = files.Rooted((kBinfile + name).c_str()) + " exists; --force replaces it";
      return false;
    }
  }

  std::string list;
  int count = 0;
  if (std::unique_ptr<DirectorySearch> search = files.FindFiles(kImagePattern)) {
    do {
      std::string image = search->Name();
      // A name the list cannot hold would make the whole list bad.
      if (image.find_first_of("/\\") != std::string::npos ||
          image.find_first_of("\r\n") != std::string::npos) {
        *error = image + " cannot be named in a list: no list written";
        return false;
      }
      imagesums::Digest digest{};
      if (HashFile(files, (kBinfile + image).c_str(), &digest) != HashOutcome::kHashed) {
        *error = files.Rooted((kBinfile + image).c_str()) + " cannot be hashed: no list written";
        return false;
      }
      list += imagesums::ListLine(digest, image);
      ++count;
    } while (search->Next());
  }

  std::string path = files.Rooted((kBinfile + name).c_str());
  if (!host.SaveFile(path, list, force, error)) return false;
  *out += Format("%s: %d image%s listed\n", path.c_str(), count, count == 1 ? "" : "s");
  return true;
}

}  // namespace check
