// A kit's identity, as the record and a detection rule name it: the SHA-256
// of the updater folder's image list. The launcher hashes the list it runs
// with; the kit checker hashes a kit's list to tell whether the last
// unattended run ran that kit. Both name it by this one definition.
#ifndef QUILLET_RECORD_KIT_IDENTITY_H_
#define QUILLET_RECORD_KIT_IDENTITY_H_

#include <string>

#include "deployment_record.h"

namespace record {

// The list whose SHA-256 the identity is, within the updater folder.
constexpr char kKitList[] = "Binfile\\SHA256SUMS";
// The identity of a kit whose list is there but cannot be read.
constexpr char kUnreadableIdentity[] = "unreadable";

// What came of hashing the list.
enum class ListHash { kAbsent, kHashed, kUnreadable };

// `hex` (64 lower-case hex digits) when the list was hashed; a kit without
// the list is kNoListIdentity, so a rule cannot tell two such kits apart.
inline std::string KitIdentityOf(ListHash hash, const std::string& hex) {
  switch (hash) {
    case ListHash::kHashed: return hex;
    case ListHash::kAbsent: return kNoListIdentity;
    case ListHash::kUnreadable: return kUnreadableIdentity;
  }
  return kUnreadableIdentity;
}

}  // namespace record

#endif  // QUILLET_RECORD_KIT_IDENTITY_H_
