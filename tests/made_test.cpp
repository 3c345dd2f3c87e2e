// What romweld takes for a file it made, before it writes over one: each
// row a file's bytes, and whether the check must take it for an image.

#include "image/made.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// A file of these bytes, open for reading at its start.
std::FILE *file_of(const std::string &bytes) {
  std::FILE *file = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  return file;
}

TEST(NotAnImage, ByItsSizeAndItsFirstBytes) {
  const std::string bank(16384, '\0');
  const std::string header = "\xAA\x55";
  const struct {
    const char *name;
    std::string bytes;
    const char *reason; // nullptr: may be an image
  } rows[] = {
      {"one_byte", "x", reason_not_image},
      {"a_bank_less_one_byte", bank.substr(1), reason_not_image},
      {"a_bank_and_one_byte", bank + "x", reason_not_image},
      {"three_banks", bank + bank + bank, reason_not_image},
      {"one_bank", bank, nullptr},
      {"two_banks", bank + bank, nullptr},
      {"four_banks_that_begin_with_a_header", header + bank.substr(2) + bank + bank + bank,
       nullptr},
      {"a_program_padded_to_its_bank", header + bank.substr(2), reason_program},
      {"the_other_header", "\x55\xAA" + bank.substr(2), reason_program},
  };
  for (const auto &row : rows) {
    std::FILE *file = file_of(row.bytes);
    EXPECT_EQ(not_an_image(file, static_cast<std::int64_t>(row.bytes.size())), row.reason)
        << row.name;
    std::fclose(file);
  }
}

} // namespace
