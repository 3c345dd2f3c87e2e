// What romweld takes for a file it made, before it writes over one: each
// row a file's bytes, and whether the check must take it for one.

#include "image/made.h"
#include "tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>

namespace {

const std::string bank(16384, '\0');
const std::string credit_text = "Made with romweld, MegaCart ROM welder by romweld maintainers ";

// A padding bank, and a data bank of the given bytes and its zero tail.
std::string padding() {
  std::string bytes;
  while (bytes.size() < bank.size())
    bytes += credit_text;
  return bytes.substr(0, bank.size());
}
std::string data(const std::string &bytes) {
  return bytes + std::string(bank.size() - bytes.size(), '\0');
}

// The pieces one after another.
std::string cat(std::initializer_list<std::string> pieces) {
  std::string bytes;
  for (const std::string &piece : pieces)
    bytes.append(piece);
  return bytes;
}

// bytes with its first bytes overwritten by head.
std::string headed(std::string bytes, const std::string &head) {
  std::copy(head.begin(), head.end(), bytes.begin());
  return bytes;
}

struct Row {
  const char *name;
  std::string bytes;
  const char *reason; // nullptr: taken for one
};

// Runs check on a file of each row's bytes, open for reading at its start.
template <typename Check> void expect_rows(const std::vector<Row> &rows, Check check) {
  for (const Row &row : rows) {
    std::FILE *file = std::tmpfile();
    std::fwrite(row.bytes.data(), 1, row.bytes.size(), file);
    std::rewind(file);
    EXPECT_STREQ(check(file, static_cast<std::int64_t>(row.bytes.size())), row.reason) << row.name;
    std::fclose(file);
  }
}

TEST(NotAnImage, ByItsSizeAndItsBanks) {
  const std::string program = headed(sample_bytes(1, 8000), "\xAA\x55");
  std::string tail_used = data(sample_bytes(2, 16128));
  tail_used.back() = 'x';
  expect_rows(
      {
          {"one_byte", "x", reason_image_size},
          {"a_bank_less_one_byte", bank.substr(1), reason_image_size},
          {"three_banks", cat({bank, bank, bank}), reason_image_size},
          // A program padded to its bank is one bank of anything.
          {"one_bank", data(program), reason_one_bank},
          {"padding_and_program", cat({padding(), data(program)}), nullptr},
          {"data_and_program", cat({data(sample_bytes(3, 100)), data(program)}), nullptr},
          {"full_data_banks",
           cat({data(sample_bytes(4, 16128)), data(sample_bytes(5, 16128)),
                data(sample_bytes(6, 16128)), headed(sample_bytes(7, 16384), "\x55\xAA")}),
           nullptr},
          // Made for the console: with padding, a program without the header
          // is an image; without either, a bare program's is not.
          {"padding_and_bare_program", cat({padding(), data(sample_bytes(12, 1))}), nullptr},
          {"data_and_bare_program", cat({data(sample_bytes(13, 100)), data(sample_bytes(14, 10))}),
           reason_image_start},
          {"padding_data_data_program",
           cat({padding(), data(sample_bytes(8, 16128)), data(sample_bytes(9, 1)), data(program)}),
           nullptr},
          // Data files of the sizes of images.
          {"data_file_of_two_banks", sample_bytes(10, 32768), reason_image_start},
          {"data_file_with_a_header", headed(sample_bytes(11, 32768), "\xAA\x55"),
           reason_image_start},
          {"one_byte_in_a_tail", cat({padding(), tail_used, data(program), data(program)}),
           reason_image_banks},
          // A user's files whose banks end in zeros: tiles of two banks, a save
          // file of zeros, a level cut into four, a disk image mostly empty.
          {"tiles_of_two_banks", cat({data(sample_bytes(15, 16128)), data(sample_bytes(16, 900))}),
           reason_image_start},
          {"zeros_of_two_banks", std::string(32768, '\0'), reason_image_start},
          {"level_of_four_banks",
           cat({data(sample_bytes(17, 16128)), data(sample_bytes(18, 16128)),
                data(sample_bytes(19, 16128)), data(sample_bytes(20, 16128))}),
           reason_image_start},
          {"disk_image", headed(std::string(1 << 20, '\0'), std::string(1024, '\0') + "\x53\xEF"),
           reason_image_start},
          {"padding_with_another_text",
           cat({padding(), headed(padding(), "m"), data(program), data(program)}),
           reason_image_banks},
      },
      [](std::FILE *file, std::int64_t size) {
        int error = 0;
        return not_made(Form::image, file, size, error);
      });
}

// A file of more banks than there are pages is refused by its size alone,
// however long it would take to read.
TEST(NotAnImage, LargerThanAnyImageByItsSize) {
  std::FILE *file = std::tmpfile();
  int error = 0;
  EXPECT_STREQ(not_made(Form::image, file, std::int64_t{1} << 31, error), reason_image_size);
  EXPECT_EQ(error, 0);
  std::fclose(file);
}

TEST(NotAMap, ByItsHeaderLine) {
  const std::string columns =
      "kind\tpath\tfirst_bank\tbanks\tfirst_page\tlast_page\tstart\tend\tbytes";
  expect_rows(
      {
          {"this_version", cat({columns, "\tfree\npadding\t\t0\n"}), nullptr},
          {"the_first_version", cat({columns, "\n"}), nullptr},
          {"a_later_column", cat({columns, "\tfree\toffset\n"}), nullptr},
          {"edited_on_windows", cat({columns, "\tfree\r\n"}), nullptr},
          {"another_table", "kind\tpath\tbanks\n", reason_map},
          {"a_program", headed(sample_bytes(1, 100), "\xAA\x55"), reason_map},
      },
      [](std::FILE *file, std::int64_t size) {
        int error = 0;
        return not_made(Form::map, file, size, error);
      });
}

TEST(NotAnInclude, ByItsFirstLine) {
  expect_rows(
      {
          {"assembler", "; Page constants of the data files, made by romweld.\nA: EQU 1\n",
           nullptr},
          {"c_header", "/* Page constants of the data files, made by romweld. */\n", nullptr},
          {"version_0_3", "* Page constants of the data files, made by romweld.\n", nullptr},
          {"the_line_alone", "; Page constants of the data files, made by romweld.", nullptr},
          {"the_user_s_own", "; Page constants of the data files.\n", reason_include},
          {"the_line_later", "\n; Page constants of the data files, made by romweld.\n",
           reason_include},
          {"a_program", headed(sample_bytes(1, 100), "\xAA\x55"), reason_include},
      },
      [](std::FILE *file, std::int64_t size) {
        int error = 0;
        return not_made(Form::equ, file, size, error);
      });
}

} // namespace
