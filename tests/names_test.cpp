// Which pair of files the clash check of the constant names reports when
// there are several: the first found by going through the data files in
// order, each against the header's guard and then the files before it.

#include "image/map.h"

#include <gtest/gtest.h>

#include <cstdio>
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
    // The lowest later file first, then the lowest earlier one, then the
    // later file's first suffix.
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
      data.push_back({path, {}, 0});
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

TEST(FindClash, ManyFilesWithOneClashAtTheEnd) {
  std::vector<std::string> names;
  for (int i = 0; i < 20000; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%d.dat", i);
    names.emplace_back(name);
  }
  names.push_back("dir/f7.dat");
  std::vector<Input> data;
  for (const std::string &name : names)
    data.push_back({name.c_str(), {}, 0});
  const Clash clash = find_clash(data, "pages.h");
  EXPECT_STREQ(clash.path, "dir/f7.dat");
  EXPECT_STREQ(clash.other, "f7.dat");
}

} // namespace
