// What the docs promise: the man page documents every exit status that the
// code defines, as a shell sees it, and no other, so that a status added,
// changed or dropped on one side only fails here; and the README and the man
// page give the credit text that the model checks the padding against.

#include "image_model.h"
#include "tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <vector>

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

// Every reason the tool words itself, as the code declares it: a constant
// named reason_..., its text in one or more adjacent literals.
std::vector<std::string> reasons_in_code() {
  std::vector<std::string> reasons;
  for (const char *folder : {"app", "image", "sys"})
    for (const auto &entry : std::filesystem::directory_iterator(source / folder)) {
      const std::string code = read_bytes(entry.path());
      for (std::size_t at = code.find("reason_"); at != std::string::npos;
           at = code.find("reason_", at + 1)) {
        std::size_t i = at + 7;
        while (i < code.size() &&
               (std::isalnum(static_cast<unsigned char>(code[i])) != 0 || code[i] == '_'))
          ++i;
        if (code.compare(i, 2, " =") != 0)
          continue;
        std::string text;
        for (i += 2; i < code.size() && code[i] != ';'; ++i) {
          if (code[i] != '"')
            continue;
          for (++i; code[i] != '"'; ++i)
            text += code[i] == '\\' ? code[++i] : code[i];
        }
        reasons.push_back(text);
      }
    }
  return reasons;
}

// A line of the man page as it reads: a font request's words run together,
// other requests dropped, fonts changed within a line dropped, roff's escapes
// as the characters they stand for.
std::string plain(const std::string &line) {
  std::string text = line;
  if (line.starts_with('.')) {
    const std::size_t space = line.find(' ');
    const std::string request = line.substr(0, space);
    if (space == std::string::npos ||
        std::string(".B.I.BI.BR.IB.IR.RB.RI").find(request + ".") == std::string::npos)
      return "";
    // .B and .I set their words apart; the others alternate fonts, and run
    // their words together.
    const std::string between = request.size() == 2 ? " " : "";
    std::vector<std::string> words(1);
    bool quoted = false;
    for (const char c : line.substr(space + 1)) {
      if (c == '"')
        quoted = !quoted;
      else if (c == ' ' && !quoted && !words.back().empty())
        words.emplace_back();
      else if (c != ' ' || quoted)
        words.back() += c;
    }
    text.clear();
    for (const std::string &word : words)
      text += (text.empty() ? "" : between) + word;
  }
  for (const auto &[escape, character] : {std::pair{"\\fB", ""},
                                          {"\\fI", ""},
                                          {"\\fR", ""},
                                          {"\\&", ""},
                                          {"\\-", "-"},
                                          {"\\ ", " "},
                                          {"\\e", "\\"},
                                          {"\\(dq", "\""}})
    for (std::size_t at = text.find(escape); at != std::string::npos;
         at = text.find(escape, at + 1))
      text.replace(at, std::string(escape).size(), character);
  return text;
}

// Whether a line gives a reason: the reason's words in order, its printf
// conversions standing for the man page's placeholders.
bool gives(const std::string &line, const std::string &reason) {
  std::size_t from = 0;
  std::size_t at = 0;
  while (at <= reason.size()) {
    const std::size_t conversion = std::min(reason.find('%', at), reason.size());
    const std::string words = reason.substr(at, conversion - at);
    const std::size_t found = line.find(words, from);
    if (found == std::string::npos)
      return false;
    from = found + words.size();
    if (conversion == reason.size())
      return true;
    at = reason.find_first_of("sdu", conversion) + 1;
  }
  return true;
}

TEST(ManPage, GivesEveryReasonOfTheCode) {
  std::vector<std::string> lines;
  std::istringstream page(read_bytes(source / "man/romweld.1"));
  for (std::string line; std::getline(page, line);)
    lines.push_back(plain(line));
  const std::vector<std::string> reasons = reasons_in_code();
  EXPECT_GE(reasons.size(), 20U) << "the reasons of the code were not found";
  for (const std::string &reason : reasons)
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [&](const std::string &line) { return gives(line, reason); }))
        << "the man page lacks: " << reason;
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

// The long options a text names: every "--word" in it.
std::set<std::string> long_options(const std::string &text) {
  std::set<std::string> names;
  for (std::size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
    if (at > 0 &&
        (std::isalnum(static_cast<unsigned char>(text[at - 1])) != 0 || text[at - 1] == '-'))
      continue;
    std::size_t end = at + 2;
    while (end < text.size() && ((text[end] >= 'a' && text[end] <= 'z') || text[end] == '-'))
      ++end;
    if (end > at + 2)
      names.insert(text.substr(at, end - at));
  }
  return names;
}

// The OPTIONS section of the man page, with roff's escaped dashes plain.
std::string man_options() {
  std::string page = read_bytes(source / "man/romweld.1");
  for (std::size_t at = page.find("\\-"); at != std::string::npos; at = page.find("\\-", at))
    page.erase(at, 1);
  const std::size_t begin = page.find("\n.SH OPTIONS\n");
  return page.substr(begin, page.find("\n.SH ", begin + 1) - begin);
}

TEST(Help, NamesTheOptionsOfTheManPageAndTheCompletions) {
  const std::filesystem::path dir = make_scratch_dir();
  const ToolRun help = run_tool(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("romweld <outfile> <program> <data1> <data2> <data3> ...\n"
                                   "Program is padded to 16k, then banks are appended.\n"
                                   "MegaCart uses inverted bank order, program goes at the end.\n"))
      << help.out;
  // Short options grouped: h among them asks for the same help.
  EXPECT_EQ(run_tool(dir, {"-qh"}).out, help.out);
  std::istringstream lines(help.out);
  for (std::string line; std::getline(lines, line);)
    EXPECT_LE(line.size(), 79U) << line;
  const std::set<std::string> named = long_options(help.out);
  EXPECT_EQ(named, long_options(man_options()));
  EXPECT_EQ(named, long_options(read_bytes(source / "completions/romweld.bash")));
  EXPECT_EQ(named, long_options(read_bytes(source / "completions/_romweld")));
  std::filesystem::remove_all(dir);
}

} // namespace
