// One Key=Value line of a [Library] or hub section, read by its row of the
// key table: which row a key names, and its value read into the record,
// refused whole when it does not fit rather than cut to fit.
#ifndef QUILLET_HUBDESC_DESCRIPTION_VALUES_H_
#define QUILLET_HUBDESC_DESCRIPTION_VALUES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "description_keys.h"
#include "ini_text.h"

namespace hubdesc {

// `value` as a number of the row's notation from `min` to `max`; false with
// what is wrong, after "<key>: ", in *why.
bool NumberValue(const std::string& key, const std::string& value, Notation notation, int64_t min,
                 int64_t max, int64_t* out, std::string* why);
// `value` as a record string, text or (`hex`) byte pairs, into `field`.
bool BytesValue(const std::string& key, const std::string& value, bool hex, uint8_t* field,
                std::string* why);

// The row `key` names, in any letter case; a string's row is named by its
// name + "Hex" too, which sets *hex. Null when no row is named.
template <class Owner>
const Key<Owner>* FindRow(const std::vector<Key<Owner>>& rows, const std::string& key, bool* hex) {
  const std::string k = Folded(key);
  for (const Key<Owner>& row : rows) {
    const std::string name = Folded(row.name);
    *hex = row.notation == Notation::kBytes && k == name + "hex";
    if (k == name || *hex) return &row;
  }
  return nullptr;
}

// The value of `key`, named by `row`, into `owner`.
template <class Owner>
bool TakeValue(const Key<Owner>& row, bool hex, Owner& owner, const std::string& key,
               const std::string& value, std::string* why) {
  if (row.notation == Notation::kBytes) return BytesValue(key, value, hex, row.bytes(owner), why);
  int64_t number = 0;
  if (!NumberValue(key, value, row.notation, row.min, row.max, &number, why)) return false;
  row.set(owner, number);
  return true;
}

}  // namespace hubdesc

#endif  // QUILLET_HUBDESC_DESCRIPTION_VALUES_H_
