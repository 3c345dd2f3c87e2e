// The man page documents every exit status that the code defines, as a shell
// sees it, and no other: a status added, changed or dropped on one side only
// fails here.

#include "tool.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace {

const std::filesystem::path source = ROMWELD_SOURCE_DIR;

// Every `constexpr int status_… = N;` line of the header, as 0 to 255.
std::set<int> defined_statuses() {
  std::istringstream header(read_bytes(source / "app/status.h"));
  std::set<int> statuses;
  std::string line;
  while (std::getline(header, line))
    if (line.starts_with("constexpr int status_"))
      statuses.insert(std::stoi(line.substr(line.find('=') + 1)) & 0xFF);
  return statuses;
}

// The tags of the EXIT STATUS section: a ".TP" line, then ".B N".
std::set<int> documented_statuses() {
  const std::string page = read_bytes(source / "man/romweld.1");
  const std::size_t begin = page.find("\n.SH EXIT STATUS\n");
  const std::size_t end = page.find("\n.SH ", begin + 1);
  std::istringstream section(page.substr(begin, end - begin));
  std::set<int> statuses;
  std::string line;
  std::string previous;
  while (std::getline(section, line)) {
    if (previous == ".TP" && line.starts_with(".B "))
      statuses.insert(std::stoi(line.substr(3)));
    previous = line;
  }
  return statuses;
}

TEST(ManPage, ExitStatusesMatchTheCode) {
  const std::set<int> defined = defined_statuses();
  EXPECT_EQ(defined.size(), 8U); // a parse that missed a constant
  EXPECT_EQ(documented_statuses(), defined);
}

} // namespace
