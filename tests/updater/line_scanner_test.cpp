// The settings file's lines as text mode and a 200-byte line buffer hand
// them over: line ends, pieces of long lines, and bytes that end the text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "line_scanner.h"

namespace {

// A file in memory that hands out at most `step` bytes per read, as a
// reader that must cope with short reads sees it.
class MemoryFile : public ByteSource {
 public:
  explicit MemoryFile(std::string bytes, size_t step = 1 << 20)
      : bytes_(std::move(bytes)), step_(step) {}
  uint64_t Size() override { return bytes_.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (offset >= bytes_.size()) return 0;
    size_t n = std::min({count, step_, bytes_.size() - static_cast<size_t>(offset)});
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
  }

 private:
  std::string bytes_;
  size_t step_;
};

std::vector<std::string> Lines(const std::string& bytes, size_t step = 1 << 20) {
  MemoryFile file(bytes, step);
  LineScanner scanner(file);
  std::vector<std::string> lines;
  char line[kLineBufferSize];
  while (scanner.Next(line)) lines.emplace_back(line);
  // Once at the end it stays there.
  EXPECT_FALSE(scanner.Next(line));
  return lines;
}

using L = std::vector<std::string>;

// For each piece, whether it ended its line of the file.
std::vector<bool> Ends(const std::string& bytes) {
  MemoryFile file(bytes);
  LineScanner scanner(file);
  std::vector<bool> ends;
  char line[kLineBufferSize];
  while (scanner.Next(line)) ends.push_back(scanner.PieceEndedLine());
  return ends;
}

TEST(LineEnds, LfAndCrLfEndLinesAlikeAndOneLineFeedIsRemoved) {
  EXPECT_EQ(L({"a=1", "b=2"}), Lines("a=1\nb=2\n"));
  EXPECT_EQ(L({"a=1", "b=2"}), Lines("a=1\r\nb=2\r\n"));
  EXPECT_EQ(L({"a=1", "", "b=2"}), Lines("a=1\r\n\r\nb=2"));
  EXPECT_EQ(L({"last line without end"}), Lines("last line without end"));
  EXPECT_EQ(L({""}), Lines("\n"));
  EXPECT_EQ(L(), Lines(""));
}

TEST(LineEnds, ACrNotBeforeALineFeedStaysInTheLine) {
  EXPECT_EQ(L({"a\rb"}), Lines("a\rb\n"));
  EXPECT_EQ(L({"a\r"}), Lines("a\r\r\n"));
  EXPECT_EQ(L({"a\r"}), Lines("a\r"));
  EXPECT_EQ(L({"\r", "x"}), Lines("\r\r\nx"));
}

TEST(LineEnds, SameLinesWhateverTheReadSizes) {
  // A CR LF pair falls across every read boundary in turn.
  std::string bytes;
  for (int i = 0; i < 40; ++i) bytes += std::string(static_cast<size_t>(i * 7), 'k') + "=v\r\n";
  std::vector<std::string> whole = Lines(bytes);
  ASSERT_GT(whole.size(), 40u);  // the longest lines come in two pieces
  for (size_t step : {1, 2, 3, 511, 512, 513}) {
    EXPECT_EQ(whole, Lines(bytes, step)) << "reads of " << step;
  }
}

TEST(LineEnds, CrLfAcrossTheScannersOwnChunks) {
  // 5 lines of 100 characters and their CR LF fill 510 bytes; the next
  // line's CR is byte 511 and its LF byte 512.
  std::string bytes;
  for (int i = 0; i < 5; ++i) bytes += std::string(100, 'a') + "\r\n";
  bytes += "b\r\nc";
  EXPECT_EQ(L({std::string(100, 'a'), std::string(100, 'a'), std::string(100, 'a'),
               std::string(100, 'a'), std::string(100, 'a'), "b", "c"}),
            Lines(bytes));
}

TEST(LongLines, ArriveInPiecesOf199Characters) {
  std::string text(450, 'x');
  text[0] = 'A';
  text[199] = 'B';
  text[398] = 'C';
  EXPECT_EQ(L({text.substr(0, 199), text.substr(199, 199), text.substr(398), "next"}),
            Lines(text + "\nnext\n"));
}

TEST(LongLines, TheLineFeedOfA198CharacterLineStillFitsTheBuffer) {
  std::string text(198, 'x');
  EXPECT_EQ(L({text, "next"}), Lines(text + "\r\nnext"));
}

TEST(LongLines, A199CharacterLineLeavesItsLineEndAsAnEmptyLine) {
  // The runtime has made LF of CR LF before the buffer is full, so the
  // pair is never cut in two: an empty line follows, not a lone CR.
  std::string text(199, 'x');
  EXPECT_EQ(L({text, "", "next"}), Lines(text + "\r\nnext"));
  EXPECT_EQ(L({text, "", "next"}), Lines(text + "\nnext"));
  EXPECT_EQ(L({text, "\r", "next"}), Lines(text + "\r\r\nnext"));
}

TEST(LongLines, APieceEndsItsLineAtALineFeedOrWhereTheTextEnds) {
  using E = std::vector<bool>;
  const std::string full(199, 'x');
  EXPECT_EQ(E({true}), Ends("last line without end"));
  EXPECT_EQ(E({true}), Ends(full));
  EXPECT_EQ(E({true}), Ends(full + "\x1A" + "not read"));
  EXPECT_EQ(E({false, true}), Ends(full + "y"));
  EXPECT_EQ(E({false, true, true}), Ends(full + "\nnext"));
  EXPECT_EQ(E({false, true}), Ends(std::string(250, 'x') + "\n"));
}

TEST(TextEnds, CtrlZEndsTheFile) {
  EXPECT_EQ(L({"a=1", "b"}), Lines("a=1\nb\x1A=2\nc=3\n"));
  EXPECT_EQ(L({"a"}), Lines("a\r\n\x1A\nb"));
  EXPECT_EQ(L({"a\r"}), Lines("a\r\x1A"));
  EXPECT_EQ(L(), Lines(std::string("\x1A") + "a\n"));
}

TEST(TextEnds, ANulByteEndsTheLineAsStringsSeeIt) {
  EXPECT_EQ(L({"ab", "next"}), Lines(std::string("ab\0cd=1\n", 8) + "next"));
  EXPECT_EQ(L({"", "next"}), Lines(std::string("\0\n", 2) + "next"));
}

}  // namespace
