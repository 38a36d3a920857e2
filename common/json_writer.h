// JSON as our reports write it: the launcher's report and the kit checker's
// both quote and escape through here, so that a byte outside printable
// ASCII reads the same in either.
#ifndef QUILLET_COMMON_JSON_WRITER_H_
#define QUILLET_COMMON_JSON_WRITER_H_

#include <string>

// `text` quoted. A quote and a backslash are escaped by a backslash; every
// other byte below 0x20 or above 0x7E as \u00xx with lower-case digits.
// Our texts are ASCII; a file name's bytes above 127 are in the ANSI code
// page, which the report does not know, so each is written as the code
// point of the same number.
std::string JsonString(const std::string& text);

// `value` as a string of `digits` (at least) upper-case hexadecimal digits:
// "0415".
std::string JsonHex(unsigned value, int digits);

// A compact object or array, members written in the order given; objects
// and arrays nest by hand.
class JsonWriter {
 public:
  // A null name is an array element.
  JsonWriter& Open(const char* name, char bracket);
  JsonWriter& Close(char bracket);
  // `value` is written as it stands: a number, a literal or a JsonString.
  JsonWriter& Raw(const char* name, const std::string& value);
  JsonWriter& Str(const char* name, const std::string& value) {
    return Raw(name, JsonString(value));
  }
  JsonWriter& Int(const char* name, long long value) { return Raw(name, std::to_string(value)); }
  JsonWriter& Bool(const char* name, bool value) { return Raw(name, value ? "true" : "false"); }
  // The document, with a line end.
  std::string Text() const { return out_ + "\n"; }

 private:
  void Key(const char* name);
  std::string out_;
  bool first_ = true;
};

#endif  // QUILLET_COMMON_JSON_WRITER_H_
