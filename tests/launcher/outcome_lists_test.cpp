// The deployment docs and the report's schema each list a hub's outcomes and
// the report's reasons for naming no image, for administrators and their
// tools. Each list is held equal to the outcome table, both ways, and the
// report page's table of members to the members the report writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "deployment.h"
#include "hub_outcome.h"

namespace {

using Names = std::set<std::string>;

enum class Column : uint8_t { kOutcome, kNoImageReason };

// The names a run can leave in the report and the record: every outcome
// but kProgram, the plan's decision, which the write always turns into
// kProgrammed or kWriteFailed. An outcome without a reason is `null`.
Names TableNames(Column column) {
  Names names;
  for (int value = 0; value < 256; ++value) {
    const HubOutcome outcome = static_cast<HubOutcome>(value);
    const HubOutcomeNames row = NamesOf(outcome);
    if (row.results == nullptr || outcome == HubOutcome::kProgram) continue;
    const char* name = column == Column::kOutcome ? row.results : row.noImageReason;
    names.insert(name != nullptr ? name : "null");
  }
  return names;
}

struct Listing {
  const char* name;  // for ctest
  const char* file;  // from the source tree's root
  const char* from;  // the list starts after this text, found once in the file
  const char* to;    // and ends before the first of this that follows
  Column column;
};

std::string SourceText(const char* file) {
  std::ifstream in(std::string(QUILLET_SOURCE_DIR) + "/" + file, std::ios::binary);
  EXPECT_TRUE(in.good()) << file;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Each match's first group, or `null` for a match without one.
Names Matches(const std::string& text, const char* pattern) {
  const std::regex regex(pattern);
  Names names;
  for (std::sregex_iterator it(text.begin(), text.end(), regex), end; it != end; ++it) {
    names.insert((*it)[1].matched ? (*it)[1].str() : "null");
  }
  return names;
}

class OutcomeLists : public ::testing::TestWithParam<Listing> {};

TEST_P(OutcomeLists, NameWhatTheOutcomeTableNamesAndNothingElse) {
  const Listing& listing = GetParam();
  const std::string text = SourceText(listing.file);
  const size_t start = text.find(listing.from);
  ASSERT_NE(std::string::npos, start) << listing.from << " is not in " << listing.file;
  EXPECT_EQ(std::string::npos, text.find(listing.from, start + 1))
      << listing.from << " is in " << listing.file << " more than once";
  const size_t begin = start + std::string(listing.from).size();
  const size_t end = text.find(listing.to, begin);
  ASSERT_NE(std::string::npos, end) << listing.from << " has no end in " << listing.file;
  // A page writes a name in backquotes, the schema in double quotes and its
  // null bare; prose is left out, and so is a setting (`FWVersion`).
  EXPECT_EQ(TableNames(listing.column),
            Matches(text.substr(begin, end - begin), "[`\"]([a-z]+(-[a-z]+)*)[`\"]|\\bnull\\b"))
      << "the table's names, then " << listing.file << "'s after " << listing.from;
}

INSTANTIATE_TEST_SUITE_P(
    Docs, OutcomeLists,
    ::testing::Values(Listing{"ReportPageOutcome", "docs/deployment.md", "`outcome` (", ")",
                              Column::kOutcome},
                      Listing{"ReportPageNoImageReason", "docs/deployment.md", "`noImageReason` (",
                              ")", Column::kNoImageReason},
                      Listing{"RecordPageOutcome", "docs/deployment-record.md", "- `outcome`:", ";",
                              Column::kOutcome},
                      Listing{"SchemaOutcome", "launcher/report.schema.json",
                              "\"outcome\": {\"enum\": [", "]", Column::kOutcome},
                      Listing{"SchemaNoImageReason", "launcher/report.schema.json",
                              "\"noImageReason\": {\"enum\": [", "]", Column::kNoImageReason}),
    [](const ::testing::TestParamInfo<Listing>& info) { return std::string(info.param.name); });

// The report's own members are those it writes at its first level; the
// page's are the first cells of its table, `installer.install` being a
// member of `installer`.
TEST(ReportPage, DescribesEveryMemberTheReportWritesAndNoOther) {
  LaunchRecord run;
  const Names written = Matches(ReportJson(run, RunStatus(run)), "\n  \"([A-Za-z]+)\": ");
  std::stringstream page(SourceText("docs/deployment.md"));
  std::string line;
  while (std::getline(page, line) && line != "| member | meaning |") {
  }
  Names described;
  while (std::getline(page, line) && !line.empty() && line[0] == '|') {
    const Names cell = Matches(line.substr(0, line.find(" | ")), "`([A-Za-z]+)[.`]");
    described.insert(cell.begin(), cell.end());
  }
  EXPECT_EQ(written, described) << "the report's members, then docs/deployment.md's";
}

}  // namespace
