// What an option's run keeps on the computer beyond its report: the record
// an unattended run leaves for deployment tools (record/deployment_record.h)
// and the log --log appends to. The launcher's platform file implements it
// over the registry's 64-bit view and the file system; without options no
// method is called.
#ifndef QUILLET_LAUNCHER_DEPLOYMENT_STORE_H_
#define QUILLET_LAUNCHER_DEPLOYMENT_STORE_H_

#include <cstdint>
#include <string>

#include "kit_identity.h"

// A moment, UTC, to the millisecond.
struct LogTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// What came of hashing a file: the kit identity's outcomes.
using FileHash = record::ListHash;

class DeploymentStore {
 public:
  virtual ~DeploymentStore() = default;
  // The record's text, false when there is none or it cannot be read.
  virtual bool ReadRecord(std::string* text) = 0;
  // Both values under HKLM\SOFTWARE\Quillet in the 64-bit registry view,
  // each in one call: the whole record first, then the detection value.
  virtual bool WriteRecord(const std::string& text, const std::string& lastResult) = 0;
  // The SHA-256 of a whole file, as 64 lower-case hex digits.
  virtual FileHash HashFile(const std::string& path, std::string* hex) = 0;

  virtual LogTime Now() = 0;
  // The file's size in bytes; 0 when it does not exist.
  virtual uint64_t FileSize(const std::string& path) = 0;
  virtual bool Append(const std::string& path, const std::string& text) = 0;
  // Puts `from` in the place of `to`, replacing what is there.
  virtual bool Replace(const std::string& from, const std::string& to) = 0;
};

#endif  // QUILLET_LAUNCHER_DEPLOYMENT_STORE_H_
