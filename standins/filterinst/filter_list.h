// The filter-driver installer's whole logic over the USB device class's
// "UpperFilters" multi-string: add or remove tz415filter, keeping every other
// filter where it was. The registry itself comes through FilterRegistry, so
// the logic runs in host tests as well as in TZ415FilterInst.exe.
#ifndef QUILLET_STANDINS_FILTERINST_FILTER_LIST_H_
#define QUILLET_STANDINS_FILTERINST_FILTER_LIST_H_

#include <cstdint>
#include <string>
#include <vector>

namespace filterinst {

extern const char16_t kFilterName[];  // u"tz415filter"
extern const char kClassKeyText[];    // "HKLM\" and the USB class key, for messages

// The platform's value types that the installer tells apart.
constexpr uint32_t kTypeString = 1;       // REG_SZ
constexpr uint32_t kTypeMultiString = 7;  // REG_MULTI_SZ

// Exit statuses.
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

// A multi-string's data (UTF-16 units) as its list of non-empty strings.
// Data without its final terminators is taken as it is.
std::vector<std::u16string> SplitMultiString(const std::u16string& data);
// Each string with its terminator, then the empty string that ends the list.
std::u16string JoinMultiString(const std::vector<std::u16string>& strings);

// Puts tz415filter into the list once: a name that equals it apart from
// letter case is rewritten in place (the driver's name is what the updater
// looks for), otherwise it goes to the end. False when nothing changed.
bool AddFilter(std::vector<std::u16string>* filters);
// Removes every entry that names tz415filter, in any letter case. False
// when nothing changed.
bool RemoveFilter(std::vector<std::u16string>* filters);

class FilterRegistry {
 public:
  enum class Status { kOk, kMissing, kFailed };
  virtual ~FilterRegistry() = default;
  // Opens the USB class key for reading and writing; with `create` a
  // missing key is created. *error: the platform's error code on failure.
  virtual Status OpenClassKey(bool create, long* error) = 0;
  // Reads "UpperFilters": its data as UTF-16 units and its type.
  virtual Status ReadUpperFilters(std::u16string* data, uint32_t* type, long* error) = 0;
  // Writes "UpperFilters" as a multi-string.
  virtual bool WriteUpperFilters(const std::u16string& data, long* error) = 0;
  virtual bool DeleteUpperFilters(long* error) = 0;
};

// Runs the installer for its command-line arguments (without the program
// name). Returns the exit status; *message is the one line to show on
// failure or for a wrong command line, empty on success.
int RunInstaller(const std::vector<std::string>& args, FilterRegistry& registry,
                 std::string* message);

}  // namespace filterinst

#endif  // QUILLET_STANDINS_FILTERINST_FILTER_LIST_H_
