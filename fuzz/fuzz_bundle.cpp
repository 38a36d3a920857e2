// Any bytes as a support bundle from a customer: a bundle or one line naming
// what is wrong, never a crash. What it reads, written out and read again,
// holds the same parts; the capture a bundle holds is read as any capture
// is, and any part's text as --explain reads each part.
#include <cstdint>
#include <string>

#include "bundle.h"
#include "bundle_parts.h"
#include "hub_description.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  bundle::Bundle read;
  std::string error;
  if (!bundle::ParseBundle(text, "fuzz.txt", &read, &error)) {
    if (error.empty() || error.find('\n') != std::string::npos) __builtin_trap();
    return 0;
  }
  std::string written;
  if (!bundle::WriteBundle(read, &written, &error)) __builtin_trap();
  bundle::Bundle again;
  if (!bundle::ParseBundle(written, "written.txt", &again, &error)) __builtin_trap();
  if (again.parts.size() != read.parts.size()) __builtin_trap();
  for (size_t i = 0; i < read.parts.size(); ++i) {
    const bundle::Part& a = read.parts[i];
    const bundle::Part& b = again.parts[i];
    if (a.name != b.name || a.missing != b.missing || a.why != b.why || a.text != b.text)
      __builtin_trap();
  }
  for (const bundle::Part& part : read.parts) {
    check::ReadComputerPart(part.text);
    check::ReadDriverPart(part.text);
    check::ReadImagesPart(part.text);
    check::IsNoRecordPart(part.text);
  }
  const bundle::Part* capture = read.Find("capture");
  if (capture != nullptr && !capture->missing) {
    hubdesc::HubDescription hubs;
    hubdesc::ParseHubDescription(capture->text, "capture", &hubs, &error);
  }
  return 0;
}
