// checker/README.md repeats two of the checker's tables for packaging
// pipelines: the finding codes and the selection tests' JSON members. Each
// README row is held equal to the code's row, both ways.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "finding.h"
#include "selection_tests.h"

namespace {

using Row = std::vector<std::string>;

// The rows under the header line `header` (its cells trimmed), up to the
// first line that is not a table line; the separator line is skipped.
std::vector<Row> ReadmeTable(const std::string& header) {
  std::ifstream file(QUILLET_CHECKER_README);
  EXPECT_TRUE(file.good()) << QUILLET_CHECKER_README;
  std::vector<Row> rows;
  bool inside = false;
  for (std::string line; std::getline(file, line);) {
    if (!inside) {
      inside = line == header;
      continue;
    }
    if (line.empty() || line[0] != '|') break;
    if (line.compare(0, 4, "|---") == 0) continue;
    Row cells;
    std::stringstream split(line.substr(1));
    for (std::string cell; std::getline(split, cell, '|');) {
      size_t first = cell.find_first_not_of(' ');
      size_t last = cell.find_last_not_of(' ');
      cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    rows.push_back(cells);
  }
  EXPECT_FALSE(rows.empty()) << "no table under " << header;
  return rows;
}

std::string Quoted(const char* name) { return std::string("`") + name + "`"; }

// Every value of a one-byte enum is a value of it, so the code's rows are
// found by asking each.
template <typename Enum, typename Cells>
std::map<std::string, Row> CodeRows(Cells cells) {
  std::map<std::string, Row> rows;
  for (int value = 0; value < 256; ++value) {
    Row row = cells(static_cast<Enum>(value));
    if (!row.empty()) rows[row[0]] = row;
  }
  return rows;
}

void ExpectSameRows(const std::vector<Row>& readme, std::map<std::string, Row> code) {
  for (const Row& row : readme) {
    auto known = code.find(row.at(0));
    if (known == code.end()) {
      ADD_FAILURE() << "README row " << row.at(0) << " is in no code row";
      continue;
    }
    EXPECT_EQ(known->second, row) << row.at(0);
    code.erase(known);
  }
  for (const auto& missing : code) ADD_FAILURE() << missing.first << " is not in the README";
}

TEST(CheckerReadme, ListsEveryFindingCodeAsItsRowInTheCode) {
  ExpectSameRows(ReadmeTable("| code | severity | part | what |"),
                 CodeRows<check::FindingCode>([](check::FindingCode code) {
                   check::FindingRow row = check::RowOf(code);
                   if (row.code == nullptr) return Row();
                   return Row{Quoted(row.code), check::SeverityName(row.severity),
                              check::PartName(row.part), row.meaning};
                 }));
}

TEST(CheckerReadme, ListsEverySelectionTestWithItsJsonMembers) {
  ExpectSameRows(ReadmeTable("| test | members |"), CodeRows<SelectionTest>([](SelectionTest test) {
                   ::Verdict verdict;
                   verdict.failed = test;
                   check::TestDescription description = check::Describe(verdict, check::ImageRow());
                   if (description.name == nullptr) return Row();
                   std::string members;
                   for (const check::VerdictMember& member : description.members) {
                     members += (members.empty() ? "" : ", ") + Quoted(member.name);
                   }
                   return Row{Quoted(description.name), members};
                 }));
}

}  // namespace
