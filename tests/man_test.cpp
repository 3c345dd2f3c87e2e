// What the docs promise: the man page documents every exit status that the
// code defines, as a shell sees it, and no other, so that a status added,
// changed or dropped on one side only fails here; and the README and the man
// page give the credit text that the model checks the padding against.

#include "image_model.h"
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
  // A parse that missed a constant, or two constants with one number.
  const std::string header = read_bytes(source / "app/status.h");
  std::size_t constants = 0;
  for (std::size_t at = header.find("constexpr int status_"); at != std::string::npos;
       at = header.find("constexpr int status_", at + 1))
    ++constants;
  EXPECT_EQ(defined.size(), constants);
  EXPECT_EQ(documented_statuses(), defined);
}

TEST(Docs, GiveTheCreditTextOfThePadding) {
  // In backticks in the README; in quotes in the man page, where roff keeps
  // the trailing space only when it is escaped.
  std::string markdown = "`";
  markdown.append(model_credit_text).append("`");
  std::string roff = "\"";
  roff.append(model_credit_text.substr(0, model_credit_text.size() - 1)).append("\\ \"");
  EXPECT_NE(read_bytes(source / "README.md").find(markdown), std::string::npos);
  EXPECT_NE(read_bytes(source / "man/romweld.1").find(roff), std::string::npos);
}

} // namespace
