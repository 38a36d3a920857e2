// A file read whole up to its limit, through the files role and from the
// host: exactly the limit is read, one byte more is not taken as the whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "whole_file.h"

namespace {

// A file that yields `readable` of its `size` bytes, as one that shrank.
class Source : public ByteSource {
 public:
  Source(std::string bytes, size_t readable) : bytes_(std::move(bytes)), readable_(readable) {}
  uint64_t Size() override { return bytes_.size(); }
  size_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    size_t n = offset + count <= readable_ ? count : readable_ - static_cast<size_t>(offset);
    bytes_.copy(static_cast<char*>(buffer), n, static_cast<size_t>(offset));
    return n;
  }

 private:
  std::string bytes_;
  size_t readable_;
};

TEST(WholeFile, AnOpenFileIsReadUpToItsLimitAndNoFurther) {
  std::string text;
  Source atLimit("12345", 5);
  EXPECT_EQ(WholeFile::kRead, ReadWhole(atLimit, 5, &text));
  EXPECT_EQ("12345", text);
  Source overLimit("123456", 6);
  EXPECT_EQ(WholeFile::kTooLarge, ReadWhole(overLimit, 5, &text));
  EXPECT_EQ("12345", text);
  Source shrunk("12345", 4);
  EXPECT_EQ(WholeFile::kUnreadable, ReadWhole(shrunk, 5, &text));
  EXPECT_EQ("", text);
}

TEST(WholeFile, AHostFileIsReadUpToItsLimitAndNoFurther) {
  const std::string path = testing::TempDir() + "whole_file_" +
                           testing::UnitTest::GetInstance()->current_test_info()->name();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, file);
  const std::string bytes(70000, 'b');  // more than one piece of the reading
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  std::string text;
  EXPECT_EQ(WholeFile::kRead, ReadWholeFile(path, bytes.size(), &text));
  EXPECT_EQ(bytes, text);
  EXPECT_EQ(WholeFile::kTooLarge, ReadWholeFile(path, bytes.size() - 1, &text));
  EXPECT_EQ(bytes.size() - 1, text.size());
  std::remove(path.c_str());
  EXPECT_EQ(WholeFile::kUnreadable, ReadWholeFile(path, bytes.size(), &text));
}

}  // namespace
