// Any bytes as what the launcher reads of another program: the record under
// HKLM\SOFTWARE\Quillet (any administrator may have written it), and the
// updater's results and the pending writes in the shared section. No reader
// crashes, and what each accepts writes out and reads back the same; the
// next record built from any of them is one the launcher can read again.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "deployment_record.h"
#include "updater_results.h"

namespace {

void Record(const std::string& text, const UpdaterResults* results) {
  record::DeploymentRecord last;
  if (!record::ParseRecord(text, &last)) return;
  const std::string once = record::FormatRecord(last);
  record::DeploymentRecord back;
  if (!record::ParseRecord(once, &back) || record::FormatRecord(back) != once) std::abort();
  const std::vector<PendingWrite> writes = record::PendingWrites(last);
  if (writes.size() > static_cast<size_t>(record::kMostWaiting)) std::abort();
  const record::DeploymentRecord next = record::NextRecord(last, results, "END");
  if (next.PendingCount() > record::kMostWaiting ||
      !record::ParseRecord(record::FormatRecord(next), &back)) {
    std::abort();
  }
}

}  // namespace

// The bytes up to the first zero byte are read as a record, those after it
// (or all of them, without one) as results and as pending writes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const size_t cut = bytes.find('\0');
  const std::string text = cut == std::string::npos ? bytes : bytes.substr(cut + 1);
  auto results = std::make_unique<UpdaterResults>();
  const bool haveResults = ParseResults(text, results.get());
  if (haveResults) {
    const std::string once = FormatResults(*results);
    auto back = std::make_unique<UpdaterResults>();
    if (!ParseResults(once, back.get()) || FormatResults(*back) != once) std::abort();
  }
  PendingWrite writes[kResultsHubs];
  int count = 0;
  if (ParsePending(text, writes, &count)) {
    const std::string once = FormatPending(writes, count);
    PendingWrite back[kResultsHubs];
    int again = 0;
    if (!ParsePending(once, back, &again) || again != count || FormatPending(back, again) != once) {
      std::abort();
    }
  }
  Record(bytes.substr(0, cut), haveResults ? results.get() : nullptr);
  return 0;
}
