// A bundle reads back as it was written, whatever bytes its parts hold; a
// newer, cut or damaged one is refused with the file and the line.
#include <gtest/gtest.h>

#include <random>

#include "bundle.h"

namespace bundle {
namespace {

std::string Written(const Bundle& b) {
  std::string text;
  std::string error;
  EXPECT_TRUE(WriteBundle(b, &text, &error)) << error;
  return text;
}

Bundle Sample() {
  Bundle b;
  b.Add("computer", "Time=2026-12-09T06:00:00Z\nWindowsBits=64\n");
  b.AddMissing("record", "no record reader in this build");
  b.Add("settings x64", "[HUBModule]\r\nHUBNumber=1\r\n\\x41 \x01\xff");
  b.Add("empty", "");
  b.Add("one line end", "\n");
  return b;
}

void ExpectSame(const Bundle& a, const Bundle& b) {
  ASSERT_EQ(a.parts.size(), b.parts.size());
  for (size_t i = 0; i < a.parts.size(); ++i) {
    EXPECT_EQ(a.parts[i].name, b.parts[i].name);
    EXPECT_EQ(a.parts[i].missing, b.parts[i].missing);
    EXPECT_EQ(a.parts[i].why, b.parts[i].why);
    EXPECT_EQ(a.parts[i].text, b.parts[i].text);
  }
}

TEST(Bundle, RandomPartsReadBackAsWrittenAndTheFileIsPlainAscii) {
  std::mt19937 random(24);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Bundle b = round == 0 ? Sample() : Bundle();
    for (int p = round == 0 ? 0 : static_cast<int>(random() % 6); p > 0; --p) {
      std::string text(random() % 200, '\0');
      // Line ends, backslashes and escapes' look-alikes are the hard bytes.
      const char hard[] = {'\n', '\r', '\\', 'x', '|', '[', ']', '\0', '\x7f'};
      for (char& c : text) c = random() % 3 == 0 ? hard[random() % sizeof hard] : char(random());
      std::string name = "part " + std::to_string(p);
      if (random() % 4 == 0) {
        b.AddMissing(name, "why " + std::to_string(random()));
      } else {
        b.Add(name, text);
      }
    }
    std::string text = Written(b);
    for (char c : text) ASSERT_TRUE(c == '\n' || (c >= 0x20 && c <= 0x7E)) << int(c);
    Bundle read;
    std::string error;
    ASSERT_TRUE(ParseBundle(text, "b.txt", &read, &error)) << error << "\n" << text;
    ExpectSame(b, read);
    // Opened and saved in an editor that writes CR LF: still the same parts.
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_TRUE(ParseBundle(crlf, "b.txt", &read, &error)) << error;
    ExpectSame(b, read);
  }
}

TEST(Bundle, ANewerCutOrDamagedBundleIsRefusedWithItsLine) {
  std::string good = Written(Sample());
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  struct Case {
    std::string text;
    std::string error;
  } cases[] = {
      {replaced("FormatVersion=1", "FormatVersion=2"),
       "b.txt:2: the bundle is in format version 2; this reader knows versions up to 1"},
      {good.substr(0, good.find("[end settings x64]")),
       "b.txt:21: the bundle is cut short in the part settings x64"},
      {good.substr(0, good.find("[empty]")),
       "b.txt:23: the bundle holds 3 parts of 5: it is cut short"},
      {replaced("| HUBNumber", "HUBNumber"),
       "b.txt:19: a line of settings x64 that starts with no \"| \""},
      {replaced("\\\\x41", "\\x4"),
       "b.txt:20: a bad escape or an unprintable byte in settings x64"},
      {replaced("[empty]\n[end empty]", "[record]\n[end record]"),
       "b.txt:24: the part record is given twice"},
      {replaced("Quillet support bundle", "Quillet support bundl"),
       "b.txt:1: no Quillet support bundle"},
      {replaced("missing: no record", "missing: no record\n| more"),
       "b.txt:15: a line after the end of record"},
      {good + "stray\n", "b.txt:30: a line outside every part"},
      {std::string(kMaxBundleSize + 1, ';'), "b.txt:0: larger than 1048576 bytes: no bundle"},
  };
  for (const Case& c : cases) {
    Bundle read;
    std::string error;
    EXPECT_FALSE(ParseBundle(c.text, "b.txt", &read, &error)) << c.error;
    EXPECT_EQ(c.error, error);
  }
}

TEST(Bundle, NamesAndWhysThatCouldBreakTheFileAreNotWritten) {
  for (const char* name : {"", "a]b", "line\nend", " lead"}) {
    Bundle b;
    b.Add(name, "x");
    std::string text;
    std::string error;
    EXPECT_FALSE(WriteBundle(b, &text, &error)) << name;
  }
  Bundle twice;
  twice.Add("same", "");
  twice.AddMissing("same", "why");
  Bundle badWhy;
  badWhy.AddMissing("record", "two\nlines");
  std::string text;
  std::string error;
  EXPECT_FALSE(WriteBundle(twice, &text, &error));
  EXPECT_FALSE(WriteBundle(badWhy, &text, &error));
}

TEST(Bundle, TakesEachBoundWholeAndRefusesOneByteMore) {
  std::string error;
  Bundle read;
  // A name of 64 bytes is written and read; 65 are neither.
  const std::string longest(64, 'n');
  Bundle named;
  named.Add(longest, "x");
  std::string text = Written(named);
  ASSERT_TRUE(ParseBundle(text, "b.txt", &read, &error)) << error;
  EXPECT_EQ(longest, read.parts[0].name);
  named.parts[0].name += 'n';
  EXPECT_FALSE(WriteBundle(named, &text, &error));
  std::string over = Written(Sample());
  over.replace(over.find("[empty]"), 7, "[" + longest + "n]");
  over.replace(over.find("[end empty]"), 11, "[end " + longest + "n]");
  EXPECT_FALSE(ParseBundle(over, "b.txt", &read, &error));
  EXPECT_EQ("b.txt:24: a part name must be printable, without ']'", error);

  // A bundle of exactly 1 MiB is read.
  text = Written(Sample());
  text += ";" + std::string(kMaxBundleSize - text.size() - 2, '.') + "\n";
  ASSERT_EQ(kMaxBundleSize, text.size());
  EXPECT_TRUE(ParseBundle(text, "b.txt", &read, &error)) << error;
  EXPECT_FALSE(ParseBundle(text + "\n", "b.txt", &read, &error));

  // DEL is no printable byte: escaped in a part, refused in a name.
  Bundle del;
  del.Add("part", "a\x7f");
  EXPECT_NE(std::string::npos, Written(del).find("| a\\x7F\n"));
  del.Add("a\x7f", "");
  EXPECT_FALSE(WriteBundle(del, &text, &error));
}

TEST(Bundle, ValuesAreReadByWholeKey) {
  std::string text = "RunLockX=1\nRunLock=held\nEmpty=\n";
  EXPECT_EQ("held", Value(text, "RunLock"));
  EXPECT_EQ("", Value(text, "Empty"));
  EXPECT_EQ("", Value(text, "Missing"));
}

}  // namespace
}  // namespace bundle
