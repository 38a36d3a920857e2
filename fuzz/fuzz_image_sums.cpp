// Any bytes as Binfile\SHA256SUMS: the reader never crashes, a list it
// accepts holds only names a file in Binfile could have, each once, and
// what the kit writes from those entries reads back the same; read as a
// kit's list, no path leaves the kit.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "image_sums.h"

namespace {

// A kit path the reader accepts never leaves the kit: no '\\' or ':', and
// every part between '/' a name.
void CheckKitPaths(const std::string& text) {
  imagesums::List list;
  if (!imagesums::ReadList(text, &list, imagesums::NameForm::kKitPath)) return;
  for (const imagesums::Entry& entry : list.entries) {
    const std::string path = "/" + entry.name + "/";
    if (path.find_first_of("\\:") != std::string::npos || path.find("//") != std::string::npos ||
        path.find("/./") != std::string::npos || path.find("/../") != std::string::npos) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  CheckKitPaths(text);
  imagesums::List list;
  bool good = imagesums::ReadList(text, &list);
  if (!good) {
    if (list.fault == imagesums::ListFault::kNone || list.faultLine < 1) std::abort();
    return 0;
  }
  std::set<std::string> names;
  std::string written;
  for (const imagesums::Entry& entry : list.entries) {
    if (entry.name.empty() || entry.name.find_first_of("/\\\r\n") != std::string::npos) {
      std::abort();
    }
    if (!names.insert(entry.name).second) std::abort();
    if (imagesums::FindEntry(list, entry.name) != &entry) std::abort();
    written += imagesums::ListLine(entry.digest, entry.name);
  }
  imagesums::List again;
  if (!imagesums::ReadList(written, &again) || again.entries.size() != list.entries.size()) {
    std::abort();
  }
  for (size_t i = 0; i < list.entries.size(); ++i) {
    if (again.entries[i].name != list.entries[i].name ||
        again.entries[i].digest != list.entries[i].digest) {
      std::abort();
    }
  }
  return 0;
}
