// Which pair of files the clash check of the constant names reports when
// there are several: the first name, going through the data files in order
// and each file's names in order, that the header's guard or an earlier
// file already gave.

#include "image/names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int none = -2;   // no clash
constexpr int header = -1; // the clash is with the header's guard

struct Row {
  const char *name;
  std::vector<const char *> data;
  const char *header;
  int later;   // index of the data file reported, or none
  int earlier; // index of the file it clashes with, or header
  const char *suffix;
};

const Row rows[] = {
    {"no_clash", {"a.dat", "b.dat", "dir/c.dat"}, "pages.h", none, none, ""},
    {"folders_do_not_count", {"x/a.dat", "y/a.dat"}, nullptr, 1, 0, ""},
    {"case_and_punctuation_fold", {"Title.dat", "title-dat"}, nullptr, 1, 0, ""},
    {"a_count_named_like_a_file", {"a", "a_banks"}, nullptr, 1, 0, ""},
    {"a_file_named_like_a_count", {"a_bytes", "a"}, nullptr, 1, 0, "_BYTES"},
    {"leading_digit_gets_an_underscore", {"_1up", "1up"}, nullptr, 1, 0, ""},
    // The lowest later file first, then its first name that clashes, with
    // the earliest file that gave it.
    {"lowest_later_file_first", {"a", "b", "b", "a"}, nullptr, 2, 1, ""},
    {"then_lowest_earlier_file", {"b", "a", "c", "a", "b"}, nullptr, 3, 1, ""},
    {"then_first_suffix", {"x_banks", "x_bytes", "x"}, nullptr, 2, 0, "_BANKS"},
    // Each file meets the guard before the files before it.
    {"guard_before_earlier_files", {"p_h", "p.h", "q"}, "p.h", 0, header, ""},
    {"guard_after_an_earlier_clash", {"a", "a", "p_h"}, "p.h", 1, 0, ""},
    {"guard_on_the_same_later_file", {"p_h", "p_h"}, "dir/p.h", 0, header, ""},
    {"guard_unlike_every_count", {"p"}, "p_bytes.h", none, none, ""},
    {"guard_named_like_a_count", {"p"}, "p_banks", 0, header, "_BANKS"},
};

TEST(FindClash, ReportsTheFirstClashInCommandLineOrder) {
  for (const Row &row : rows) {
    std::vector<Input> data;
    for (const char *path : row.data)
      data.push_back({path, {}, 0, 0, 0});
    const Clash clash = find_clash(data, row.header);
    if (row.later == none) {
      EXPECT_EQ(clash.path, nullptr) << row.name;
      continue;
    }
    // By pointer, to tell which of two equal paths counts.
    EXPECT_EQ(clash.path, data[static_cast<std::size_t>(row.later)].path) << row.name;
    EXPECT_EQ(clash.other,
              row.earlier == header ? row.header : data[static_cast<std::size_t>(row.earlier)].path)
        << row.name;
    EXPECT_EQ(clash.suffix, row.suffix) << row.name;
  }
}

} // namespace
