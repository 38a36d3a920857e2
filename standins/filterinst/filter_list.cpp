#include "filter_list.h"

#include "shared_names.h"

namespace filterinst {

const char16_t kFilterName[] = u"tz415filter";
const char kClassKeyText[] = "HKLM\\" QUILLET_USB_CLASS_KEY;

namespace {

constexpr long kAccessDenied = 5;  // ERROR_ACCESS_DENIED

bool SameNameIgnoringCase(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
    if (x != y) return false;
  }
  return true;
}

std::string Failure(const std::string& what, long error) {
  std::string line = "TZ415FilterInst: " + what + " (error " + std::to_string(error) + ")";
  if (error == kAccessDenied) line += "; run it as administrator";
  return line;
}

}  // namespace

std::vector<std::u16string> SplitMultiString(const std::u16string& data) {
  std::vector<std::u16string> strings;
  size_t begin = 0;
  while (begin < data.size()) {
    size_t end = data.find(u'\0', begin);
    if (end == std::u16string::npos) end = data.size();
    if (end > begin) strings.push_back(data.substr(begin, end - begin));
    begin = end + 1;
  }
  return strings;
}

std::u16string JoinMultiString(const std::vector<std::u16string>& strings) {
  std::u16string data;
  for (const std::u16string& s : strings) {
    data += s;
    data += u'\0';
  }
  data += u'\0';
  return data;
}

bool AddFilter(std::vector<std::u16string>* filters) {
  const std::u16string name = kFilterName;
  for (std::u16string& filter : *filters) {
    if (!SameNameIgnoringCase(filter, name)) continue;
    if (filter == name) return false;
    filter = name;
    return true;
  }
  filters->push_back(name);
  return true;
}

bool RemoveFilter(std::vector<std::u16string>* filters) {
  size_t before = filters->size();
  std::vector<std::u16string> kept;
  for (std::u16string& filter : *filters)
    if (!SameNameIgnoringCase(filter, kFilterName)) kept.push_back(std::move(filter));
  *filters = std::move(kept);
  return filters->size() != before;
}

int RunInstaller(const std::vector<std::string>& args, FilterRegistry& registry,
                 std::string* message) {
  message->clear();
  if (args.size() != 1 || (args[0] != "i" && args[0] != "u")) {
    *message = "usage: TZ415FilterInst.exe i|u   (i: install tz415filter, u: remove it)";
    return kUsage;
  }
  const bool install = args[0] == "i";
  long error = 0;
  switch (registry.OpenClassKey(install, &error)) {
    case FilterRegistry::Status::kOk: break;
    case FilterRegistry::Status::kMissing:
      return kDone;  // removing: no class key, so no filter either
    case FilterRegistry::Status::kFailed:
      *message = Failure(std::string("cannot open ") + kClassKeyText, error);
      return kFailed;
  }

  std::u16string data;
  uint32_t type = kTypeMultiString;
  std::vector<std::u16string> filters;
  switch (registry.ReadUpperFilters(&data, &type, &error)) {
    case FilterRegistry::Status::kOk:
      if (type != kTypeMultiString && type != kTypeString) {
        *message = "TZ415FilterInst: UpperFilters holds data of type " + std::to_string(type) +
                   ", not a list of filters; left as it is";
        return kFailed;
      }
      filters = SplitMultiString(data);
      break;
    case FilterRegistry::Status::kMissing:
      if (!install) return kDone;
      break;
    case FilterRegistry::Status::kFailed:
      *message = Failure("cannot read UpperFilters", error);
      return kFailed;
  }

  // A single string (REG_SZ) that needs a change is rewritten as the list
  // it stands for.
  bool changed = install ? AddFilter(&filters) : RemoveFilter(&filters);
  if (!changed) return kDone;
  if (filters.empty()) {
    if (!registry.DeleteUpperFilters(&error)) {
      *message = Failure("cannot delete UpperFilters", error);
      return kFailed;
    }
    return kDone;
  }
  if (!registry.WriteUpperFilters(JoinMultiString(filters), &error)) {
    *message = Failure("cannot write UpperFilters", error);
    return kFailed;
  }
  return kDone;
}

}  // namespace filterinst
