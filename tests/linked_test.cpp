// A linked program in Intel HEX, as the built tool takes it: each byte placed
// by its address, the image checked against a layout worked out here from
// the records alone, and every record or byte that cannot make an image
// refused with its line or address, the old image kept.

#include "image_model.h"
#include "tool.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t bank = 16384;

// One record: ":LLAAAATT...CC".
std::string record(int type, unsigned address, const std::string &bytes) {
  std::vector<int> all = {static_cast<int>(bytes.size()), static_cast<int>(address >> 8 & 0xFF),
                          static_cast<int>(address & 0xFF), type};
  for (const char c : bytes)
    all.push_back(static_cast<unsigned char>(c));
  int sum = 0;
  std::string line = ":";
  for (const int byte : all) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", byte);
    line += hex;
    sum += byte;
  }
  char check[4];
  std::snprintf(check, sizeof check, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  return line + check + "\n";
}

// Bytes at a linear address, behind their extended linear address.
struct Chunk {
  unsigned address;
  std::string bytes;
};

std::string hex_file(const std::vector<Chunk> &chunks, const std::string &after = "") {
  std::string text;
  for (const Chunk &chunk : chunks) {
    text += record(4, 0,
                   std::string{static_cast<char>(chunk.address >> 24),
                               static_cast<char>(chunk.address >> 16 & 0xFF)});
    for (std::size_t at = 0; at < chunk.bytes.size(); at += 16)
      text += record(0, static_cast<unsigned>((chunk.address + at) & 0xFFFF),
                     chunk.bytes.substr(at, 16));
  }
  return text + after + record(1, 0, "");
}

// The image the chunks make, of banks banks: segment 0 at 0x8000 is the last
// bank, segment s at 0xC000 bank s mod banks; data files' banks before the
// last; the rest padding.
std::string layout(const std::vector<Chunk> &chunks, std::size_t banks,
                   const std::vector<std::string> &data = {}) {
  std::string image;
  for (std::size_t i = 0; i < banks * bank; ++i)
    image += model_credit_text[i % bank % model_credit_text.size()];
  std::vector<bool> filled(banks);
  const auto clear = [&](std::size_t b) {
    if (!filled[b])
      image.replace(b * bank, bank, bank, '\0');
    filled[b] = true;
  };
  std::size_t next = banks - 1;
  for (const std::string &file : data)
    next -= (file.size() + 16127) / 16128;
  for (const std::string &file : data)
    for (std::size_t at = 0; at < file.size(); at += 16128) {
      clear(next);
      image.replace(next++ * bank, std::min<std::size_t>(16128, file.size() - at),
                    file.substr(at, 16128));
    }
  for (const Chunk &chunk : chunks) {
    const std::size_t segment = chunk.address >> 16;
    const std::size_t b = segment == 0 ? banks - 1 : segment % banks;
    clear(b);
    image.replace(b * bank + (chunk.address & 0xFFFF) - (segment == 0 ? 0x8000 : 0xC000),
                  chunk.bytes.size(), chunk.bytes);
  }
  return image;
}

const std::string start = std::string("\xAA\x55", 2) + std::string(8, '\0') + "\x0C\x80" + "go";

struct Row {
  const char *name;
  std::string text;              // of game.ihx
  std::vector<std::string> args; // before the outfile and the program
  std::vector<std::string> data; // data files beside it, by their bytes
  int status;
  std::string out_has;            // a line of standard output
  std::string err_has;            // words of standard error
  std::vector<Chunk> chunks = {}; // of the image, when written
  std::size_t banks = 0;
};

const std::vector<Chunk> two_banks = {
    {0x8000, start}, {0x1C000, "first bank"}, {0x2C100, "second"}};
const std::vector<Chunk> paged = {{0x8000, start}, {0xF9C000, "first bank"}, {0xFAC100, "second"}};
// An image romweld made: a padding bank, and a program bank with the header.
const std::string old_image = [] {
  std::string image;
  for (std::size_t i = 0; i < bank; ++i)
    image += model_credit_text[i % model_credit_text.size()];
  return image + "\xAA\x55" + std::string(bank - 2, '\0');
}();

const Row rows[] = {
    {"two_banks_and_the_program",
     hex_file(two_banks),
     {"--min-banks", "8"},
     {},
     0,
     "Opened linked bank of program file 'game.ihx'\n- starting address 4000 (page >FFF9)\n",
     "",
     two_banks,
     8},
    {"pages_as_segments_give_the_same_image",
     hex_file(paged),
     {"--min-banks", "8"},
     {},
     0,
     "Opened linked bank of program file 'game.ihx'\n- starting address 8000 (page >FFFA)\n",
     "",
     two_banks,
     8},
    {"data_files_beside_it",
     hex_file(two_banks),
     {"--min-banks", "8"},
     {"title", std::string(16129, 't')},
     0,
     "Opened data file 'd1.dat'\n- starting address 14000 (page >FFFD)\n",
     "",
     two_banks,
     8},
    {"segments_on_one_bank_double_the_image",
     hex_file({{0x8000, start}, {0x1C000, "one"}, {0x9C000, "nine"}}),
     {},
     {},
     0,
     "Padding for 256k\n",
     "",
     {{0x8000, start}, {0x1C000, "one"}, {0x9C000, "nine"}},
     16},
    {"lower_case_digits_crlf_and_records_out_of_order",
     [] {
       std::string text;
       for (const char c : hex_file({{0x2C000, "late"}, {0x8000, start}})) {
         text += c == '\n' ? std::string("\r\n")
                           : std::string(1, c >= 'A' && c <= 'F' ? static_cast<char>(c + 32) : c);
       }
       return text;
     }(),
     {"--min-banks", "8"},
     {},
     0,
     "",
     "",
     {{0x8000, start}, {0x2C000, "late"}},
     8},
    {"segment_addresses_and_start_records",
     record(2, 0, std::string("\x10\x00", 2)) + record(0, 0xC000, "by segment") +
         record(4, 0, std::string(2, '\0')) + record(0, 0x8000, start) +
         record(5, 0, std::string("\0\0\x80\x0C", 4)) + record(3, 0, std::string(4, '\0')) +
         record(1, 0, ""),
     {"--min-banks", "8"},
     {},
     0,
     "",
     "",
     {{0x8000, start}, {0x1C000, "by segment"}},
     8},
    {"no_header_in_the_program_bank",
     hex_file({{0x8000, "no header"}}),
     {"--min-banks", "8"},
     {},
     0,
     "",
     "does not begin with AA 55 or 55 AA",
     {{0x8000, "no header"}},
     8},
    // Records of no bytes, the same base twice, a NUL after a record, an
    // extended segment whose offsets wrap at 64K: bytes where they say.
    {"records_of_no_bytes_and_the_same_base_again",
     record(4, 0, std::string("\0\1", 2)) + record(0, 0xC000, "ab") + record(0, 0x1234, "") +
         record(4, 0, std::string("\0\1", 2)) + record(0, 0xC002, "cd") +
         hex_file({{0x8000, start}}),
     {"--min-banks", "8"},
     {},
     0,
     "",
     "",
     {{0x8000, start}, {0x1C000, "abcd"}},
     8},
    {"a_nul_after_a_record_is_no_record",
     record(4, 0, std::string("\0\1", 2)) + record(0, 0xC000, "ab").insert(13, 1, '\0') +
         "garbage\n" + hex_file({{0x8000, start}}),
     {},
     {},
     17,
     "Failed to read Intel HEX line 2 of program file, code 22\n",
     "no Intel HEX record"},
    {"extended_segment_base_at_64k",
     record(2, 0, std::string("\x10\x00", 2)) + record(0, 0xC000, "wrapped") +
         hex_file({{0x8000, start}}),
     {"--min-banks", "8"},
     {},
     0,
     "",
     "",
     {{0x8000, start}, {0x1C000, "wrapped"}},
     8},
    {"extended_segment_offsets_that_wrap_into_another_segment",
     record(2, 0, std::string("\x1F\xEF", 2)) + record(0, 0xFFF8, "0123456789abcdef") +
         hex_file({{0x8000, start}}),
     {},
     {},
     17,
     "Failed to read Intel HEX line 2 of program file, code 22\n",
     "two segments"},
    // Every placement a banked build gets wrong, refused with its address.
    {"table_into_the_strobes",
     hex_file({{0x8000, start}, {0x3FEF8, std::string(16, 'x')}}),
     {},
     {},
     17,
     "Failed to place Intel HEX byte at 03FF00 of program file, code 22\n",
     "03FF00 is in 0xFF00"},
    {"bank_past_its_segment",
     hex_file({{0x8000, start}, {0x40000, "spill"}}),
     {},
     {},
     17,
     "Failed to place Intel HEX byte at 040000 of program file, code 22\n",
     "below 0xC000"},
    {"bank_linked_into_another",
     hex_file({{0x8000, start}, {0x1C000, "12345678"}, {0x1C004, "abcd"}}),
     {},
     {},
     17,
     "Failed to place Intel HEX byte at 01C004 of program file, code 22\n",
     "given twice"},
    {"bank_linked_over_the_program",
     hex_file({{0x8000, start + std::string(400, 'p')}, {0x8180, "b"}}),
     {},
     {},
     17,
     "Failed to place Intel HEX byte at 008180 of program file, code 22\n",
     "given twice"},
    {"bank_without_its_segment",
     hex_file({{0x8000, start}, {0xC000, "bank"}}),
     {},
     {},
     17,
     "Failed to place Intel HEX byte at 00C000 of program file, code 22\n",
     "past 0xBFFF"},
    {"standard_crt0",
     hex_file({{0x0000, "crt0"}, {0x8000, start}}),
     {},
     {},
     17,
     "Failed to place Intel HEX byte at 000000 of program file, code 22\n",
     "standard crt0"},
    {"window_at_0x4000",
     hex_file({{0x8000, start}, {0x14000, "bank"}}),
     {},
     {},
     17,
     "Failed to place Intel HEX byte at 014000 of program file, code 22\n",
     "window is at 0xC000"},
    {"past_16_mb",
     record(4, 0, std::string("\x01\x00", 2)) + record(0, 0, "x") + record(1, 0, ""),
     {},
     {},
     17,
     "Failed to place Intel HEX byte at 1000000 of program file, code 22\n",
     "16 MB"},
    // Records that are none.
    {"checksum",
     hex_file({{0x8000, start}}).replace(25, 1, "0"),
     {},
     {},
     17,
     "Failed to read Intel HEX line 2 of program file, code 22\n",
     "checksum is wrong"},
    {"cut_short",
     hex_file({{0x8000, start}}).substr(0, 24),
     {},
     {},
     17,
     "Failed to read Intel HEX line 2 of program file, code 22\n",
     ""},
    {"no_end_record",
     record(4, 0, std::string(2, '\0')) + record(0, 0x8000, start),
     {},
     {},
     17,
     "Failed to read Intel HEX line 2 of program file, code 22\n",
     "no end record"},
    {"after_the_end", hex_file({{0x8000, start}}) + "\n", {}, {}, 17, "", "after the end record"},
    {"unknown_type",
     record(6, 0, "") + hex_file({{0x8000, start}}),
     {},
     {},
     17,
     "Failed to read Intel HEX line 1 of program file, code 22\n",
     "record type"},
    {"wrong_length",
     record(4, 0, std::string(3, '\0')) + hex_file({{0x8000, start}}),
     {},
     {},
     17,
     "Failed to read Intel HEX line 1 of program file, code 22\n",
     "length"},
    // A segment that would share a bank, in the image asked for.
    {"segments_on_one_bank_of_the_image_asked",
     hex_file({{0x8000, start}, {0x1C000, "one"}, {0x9C000, "nine"}}),
     {"--banks", "8"},
     {},
     17,
     "Failed to give segment 9 of program file a bank of its own, code 22\n",
     "segments 1 and 9 would share bank 1 of an image of 8 banks"},
    {"segment_on_the_program_bank",
     hex_file({{0x8000, start}, {0x7C000, "seven"}}),
     {"--banks", "8"},
     {},
     17,
     "",
     "segment 7 would be bank 7 of an image of 8 banks, the program's"},
    {"segment_on_a_data_bank",
     hex_file({{0x8000, start}, {0x6C000, "six"}}),
     {"--banks", "8"},
     {"data"},
     17,
     "",
     "where data file d0.dat is"},
};

void PrintTo(const Row &row, std::ostream *os) {
  *os << row.name;
}

class Linked : public testing::TestWithParam<Row> {};

TEST_P(Linked, PlacedByAddressOrRefused) {
  const Row &row = GetParam();
  const fs::path dir = make_scratch_dir();
  write_bytes(dir / "game.ihx", row.text);
  write_bytes(dir / "game.rom", old_image);
  std::vector<std::string> args = row.args;
  args.insert(args.end(), {"--map", "game.tsv", "game.rom", "game.ihx"});
  for (std::size_t i = 0; i < row.data.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "d%zu.dat", i);
    write_bytes(dir / name, row.data[i]);
    args.emplace_back(name);
  }
  const ToolRun run = run_tool(dir, args);
  EXPECT_EQ(run.status, row.status) << run.out << run.err;
  EXPECT_NE(run.out.find(row.out_has), std::string::npos) << run.out;
  EXPECT_NE(run.err.find(row.err_has), std::string::npos) << run.err;
  const std::string image = read_bytes(dir / "game.rom");
  if (row.status != 0) {
    EXPECT_TRUE(image == old_image) << "the old image was changed";
    EXPECT_FALSE(fs::exists(dir / "game.tsv"));
  } else {
    EXPECT_EQ(first_difference(image, layout(row.chunks, row.banks, row.data), row.banks), "");
    if (row.chunks.size() > 1) {
      EXPECT_NE(read_bytes(dir / "game.tsv").find("\nlinked\tgame.ihx\t"), std::string::npos);
    }
  }
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Rows, Linked, testing::ValuesIn(rows),
                         [](const testing::TestParamInfo<Row> &each) { return each.param.name; });

// With a linked program the data files are optional; a raw one needs one.
TEST(LinkedProgram, TakesNoDataFilesWhereARawOneNeedsOne) {
  const fs::path dir = make_scratch_dir();
  write_bytes(dir / "GAME.HEX", hex_file({{0x8000, start}}));
  write_bytes(dir / "game.bin", start);
  EXPECT_EQ(run_tool(dir, {"-q", "--min-banks", "8", "a.rom", "GAME.HEX"}).status, 0);
  EXPECT_EQ(read_bytes(dir / "a.rom").size(), 8 * bank);
  EXPECT_EQ(run_tool(dir, {"b.rom", "game.bin"}).status, 255);
  fs::remove_all(dir);
}

} // namespace
