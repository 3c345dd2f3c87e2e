// The plan of an image: how many banks, and bank by bank what fills it.

#include "image/plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(DataBankCount, CapacityBoundaries) {
  const struct {
    std::int64_t size;
    std::int64_t banks;
  } cases[] = {
      {0, 0},
      {1, 1},
      {16127, 1},
      {16128, 1},
      {16129, 2},
      {32256, 2},
      {32257, 3},
      {2147483647, 133153}, // 2 GiB - 1
      {4294967396, 266306}, // 4 GiB + 100: past 32 bits
      {5368709120, 332882}, // 5 GiB
  };
  for (const auto &c : cases)
    EXPECT_EQ(data_bank_count(c.size), c.banks) << "size " << c.size;
}

TEST(ImageBankCount, RoundsUpToPowerOfTwo) {
  const struct {
    std::int64_t planned, image;
    BankCount asked = {}; // --banks, --min-banks
  } cases[] = {
      {1, 1},
      {2, 2},
      {3, 4},
      {4, 4},
      {5, 8},
      {64, 64},
      {65, 128},
      {128, 128},
      {32769, 65536},
      {65536, 65536},
      // A fixed size pads further.
      {3, 16, {16, 0}},
      {4, 4, {4, 0}},
      {1, 65536, {65536, 0}},
      // So does a minimum, until the content needs more.
      {3, 8, {0, 8}},
      {1, 8, {0, 8}},
      {8, 8, {0, 8}},
      {9, 16, {0, 8}},
      {3, 4, {0, 1}},
  };
  for (const auto &c : cases)
    EXPECT_EQ(image_bank_count(c.planned, c.asked), c.image) << "P = " << c.planned;
}

// A bank as the row gives it: its fill, its bytes, and each piece as
// "file:from+bytes@at".
struct Want {
  Fill fill;
  std::int32_t used;
  std::vector<std::string> pieces = {};
};

std::string piece_text(const Piece &piece) {
  return std::to_string(piece.file) + ":" + std::to_string(piece.from) + "+" +
         std::to_string(piece.bytes) + "@" + std::to_string(piece.at);
}

struct Row {
  const char *name;
  std::vector<std::int64_t> sizes; // of the data files
  std::int64_t program;
  bool pack;
  BankCount asked;
  std::vector<Want> banks; // front to back
};

constexpr Fill pad = Fill::padding;
constexpr Fill data = Fill::data;
constexpr Fill program = Fill::program;

const Row rows[] = {
    // The worked example: padding, two banks of one file, the program.
    {"worked_example",
     {20000},
     8000,
     false,
     {},
     {{pad, 0}, {data, 16128, {"0:0+16128@0"}}, {data, 3872, {"0:16128+3872@0"}}, {program, 8000}}},
    // Each file begins a bank; an empty one stands where the next begins,
    // the last of them in the program's bank.
    {"empty_files_where_they_stand",
     {0, 100, 0, 16129, 0},
     20000,
     false,
     {},
     {{data, 100, {"0:0+0@0", "1:0+100@0"}},
      {data, 16128, {"2:0+0@0", "3:0+16128@0"}},
      {data, 1, {"3:16128+1@0"}},
      {program, 16384, {"4:0+0@0"}}}},
    {"only_empty_files_give_the_program_bank_alone",
     {0, 0},
     10,
     true,
     {},
     {{program, 10, {"0:0+0@0", "1:0+0@0"}}}},
    // Packed, small files fill the first bank with room, in their order;
    // an empty one stands after the file before it.
    {"packed",
     {10000, 10000, 5000, 0, 1000, 20000, 3000},
     0,
     true,
     {0, 8},
     {{pad, 0},
      {pad, 0},
      {pad, 0},
      {data, 16000, {"0:0+10000@0", "2:0+5000@10000", "3:0+0@15000", "4:0+1000@15000"}},
      {data, 13000, {"1:0+10000@0", "6:0+3000@10000"}},
      {data, 16128, {"5:0+16128@0"}},
      {data, 3872, {"5:16128+3872@0"}},
      {program, 0}}},
    // A fixed size: padding in front, no page of the content moves.
    {"fixed_size",
     {1},
     1,
     false,
     {4, 0},
     {{pad, 0}, {pad, 0}, {data, 1, {"0:0+1@0"}}, {program, 1}}},
};

TEST(MakePlan, FillsEveryBank) {
  for (const Row &row : rows) {
    std::vector<Input> inputs;
    for (const std::int64_t size : row.sizes)
      inputs.push_back({"f", {}, size, 0, 0});
    Plan plan{};
    ASSERT_FALSE(failed(make_plan(inputs, row.program, nullptr, row.asked, row.pack, plan)))
        << row.name;
    ASSERT_EQ(plan.banks.size(), row.banks.size()) << row.name;
    for (std::size_t bank = 0; bank < row.banks.size(); ++bank) {
      const Bank &got = plan.banks[bank];
      const Want &want = row.banks[bank];
      EXPECT_EQ(got.fill, want.fill) << row.name << " bank " << bank;
      EXPECT_EQ(got.used, want.used) << row.name << " bank " << bank;
      std::vector<std::string> pieces;
      for (const Piece &piece : plan.pieces.subspan(got.first, got.pieces))
        pieces.push_back(piece_text(piece));
      EXPECT_EQ(pieces, want.pieces) << row.name << " bank " << bank;
    }
  }
}

TEST(MakePlan, RefusesMoreBanksThanPagesOrThanAsked) {
  std::vector<Input> inputs = {{"big", {}, 65535LL * 16128, 0, 0}};
  Plan plan{};
  EXPECT_FALSE(failed(make_plan(inputs, 0, nullptr, {}, false, plan)));
  inputs[0].size += 1;
  const Fault fault = make_plan(inputs, 0, nullptr, {}, false, plan);
  EXPECT_EQ(fault.what, What::too_many_banks);
  EXPECT_EQ(fault.banks, 65537);
  inputs[0].size = 16129;
  EXPECT_EQ(make_plan(inputs, 0, nullptr, {2, 0}, false, plan).what, What::more_than_asked);
}

} // namespace
