// Successful runs checked against the independent model: every image bank by
// bank, every report line by line, and the bank map. First the sizes on the boundaries of
// the format, then random sizes, seeded so that a failure can be replayed.

#include "image_model.h"
#include "tool.h"

#include <gtest/gtest.h>

#include <random>

namespace fs = std::filesystem;

namespace {

void expect_model_run(const NamedBytes &program, const std::vector<NamedBytes> &data,
                      bool pack = false) {
  const fs::path dir = make_scratch_dir();
  std::vector<std::string> args = {"--map",     "image.map", "--equ",
                                   "image.equ", "image.rom", program.name};
  if (pack)
    args.insert(args.begin(), "--pack");
  write_bytes(dir / program.name, program.bytes);
  for (const NamedBytes &file : data) {
    write_bytes(dir / file.name, file.bytes);
    args.push_back(file.name);
  }
  const ToolRun run = run_tool(dir, args);
  const std::string want = model_image(program.bytes, data, 0, pack);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, model_warnings("image.rom", program, data, 0, pack));
  EXPECT_EQ(run.out, model_report("image.rom", program, data, 0, pack));
  EXPECT_EQ(first_difference(read_bytes(dir / "image.rom"), want, want.size() / 16384), "");
  EXPECT_EQ(read_bytes(dir / "image.map"), model_map(program, data, 0, pack));
  EXPECT_EQ(read_bytes(dir / "image.equ"), model_equ(data, false, pack));
  fs::remove_all(dir);
}

std::vector<NamedBytes> data_files(std::mt19937 &random, const std::vector<std::size_t> &sizes) {
  std::vector<NamedBytes> data;
  for (std::size_t size : sizes)
    data.push_back({"data" + std::to_string(data.size()) + ".bin",
                    sample_bytes(static_cast<std::uint32_t>(random()), size)});
  return data;
}

struct Sizes {
  const char *name;
  std::size_t program;
  std::vector<std::size_t> data;
  bool pack = false;
};

const Sizes boundaries[] = {
    {"only_empty_data_files_give_the_program_bank_alone", 100, {0, 0}},
    {"two_banks_need_no_padding_and_empty_program_is_a_bank", 0, {1}},
    {"files_at_bank_capacity_each_start_a_fresh_bank", 16384, {16129, 16128, 16127}},
    {"oversize_program_keeps_its_first_bank_and_warns", 16385, {32256, 32257}},
    {"exactly_one_megabyte_prints_nothing", 1, {63 * 16128}},
    {"padding_up_to_one_megabyte_does_not_warn", 1, {32 * 16128}},
    {"padding_past_one_megabyte_warns", 1, {64 * 16128}},
    {"two_megabytes_without_padding_print_no_warning", 1, {127 * 16128}},
    // Packed: a file goes into the first bank with room for all of it.
    {"packed_small_file_fills_the_room_after_a_large_one", 100, {20000, 16128, 9000}, true},
    {"packed_file_that_fits_exactly", 100, {16000, 128, 1}, true},
    {"packed_file_one_byte_too_large_takes_a_new_bank", 100, {16000, 129, 128}, true},
    {"packed_earlier_bank_before_later_ones", 100, {10000, 10000, 6128, 6000, 128}, true},
    {"packed_large_files_start_new_banks", 100, {5, 32257, 16127, 16129, 16127}, true},
    {"packed_empty_files_take_no_room", 100, {0, 16128, 0, 1, 0}, true},
};

// Names the set in test listings instead of dumping its bytes.
void PrintTo(const Sizes &sizes, std::ostream *os) {
  *os << sizes.name;
}

class Boundary : public testing::TestWithParam<Sizes> {};

TEST_P(Boundary, MatchesTheModel) {
  std::mt19937 random(1);
  expect_model_run({"program.bin", sample_bytes(0, GetParam().program)},
                   data_files(random, GetParam().data), GetParam().pack);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Boundary, testing::ValuesIn(boundaries),
                         [](const testing::TestParamInfo<Sizes> &each) {
                           return std::string(each.param.name);
                         });

// Sizes near the bank boundaries turn up more often than chance would give.
std::size_t pick_size(std::mt19937 &random, const std::vector<std::size_t> &edges,
                      std::size_t most) {
  if (random() % 2 == 0)
    return edges[random() % edges.size()];
  return random() % (most + 1);
}

TEST(Random, ImagesMatchTheModel) {
  constexpr std::uint32_t seed = 20261208;
  std::mt19937 random(seed);
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
    const std::size_t program = pick_size(random, {0, 1, 2, 16383, 16384, 16385}, 20000);
    // Every other round packed, with more files, and smaller ones.
    const bool pack = round % 2 == 1;
    std::vector<std::size_t> sizes(1 + random() % (pack ? 12 : 5));
    for (std::size_t &size : sizes)
      size = pick_size(random, {0, 1, 16127, 16128, 16129, 32256, 32257}, pack ? 12000 : 70000);
    // Half the programs begin with a cartridge header, one way or the other.
    std::string bytes = sample_bytes(static_cast<std::uint32_t>(random()), program);
    const char *headers[] = {"\xAA\x55", "\x55\xAA"};
    if (random() % 2 == 0 && program >= 2)
      bytes.replace(0, 2, headers[random() % 2]);
    expect_model_run({"program.bin", bytes}, data_files(random, sizes), pack);
  }
}

} // namespace
