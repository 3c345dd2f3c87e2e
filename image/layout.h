#pragma once

#include <cstdint>
#include <string_view>

// A MegaCart image is a bare run of 16 KiB banks, the size of the window that
// the cartridge maps into the console's address space one bank at a time.
constexpr std::int64_t bank_size = 0x4000;

// A data bank carries at most 0x3F00 bytes of its file; the last 256 bytes of
// every data bank are reserved and always left zero.
constexpr std::int64_t data_bank_capacity = 0x3F00;

// The program may fill its whole bank.
constexpr std::int64_t program_bank_capacity = bank_size;

// The console sees the selected bank from this address on: a data file's
// first byte is there, plus its offset in its first bank.
constexpr std::int64_t window_address = 0xC000;

// Banks are selected by page. The last bank of the image, which holds the
// program, is page 0xFFFF, and pages fall by one per bank toward the start of
// the file: bank k of an image of N banks is page 0x10000 - N + k. This is
// the inverted bank order that the usage text speaks of.
constexpr std::int64_t page_base = 0x10000;
constexpr std::int64_t program_page = page_base - 1;

// The largest MegaCart board built so far holds 1 MB. Larger images are still
// written, with a warning.
constexpr std::int64_t megacart_limit = 64;

// The smallest board holds 128 KB, and the emulators take no smaller image:
// one under it runs nowhere.
constexpr std::int64_t smallest_board = 8;

// The console starts a cartridge only if the program bank, which it sees at
// 0x8000, begins with AA 55 (or 55 AA, which skips its title screen).
constexpr bool cartridge_header(const unsigned char *first) {
  return (first[0] == 0xAA && first[1] == 0x55) || (first[0] == 0x55 && first[1] == 0xAA);
}

// Pages are 16 bits wide, so no image can have more banks than there are pages.
constexpr std::int64_t max_banks = page_base;
static_assert(max_banks * bank_size <= INT32_MAX + std::int64_t{1},
              "every address of the largest image fits 32 bits");

// Fills the padding banks, repeated end to end.
constexpr std::string_view credit_text =
    "Made with romweld, MegaCart ROM welder by romweld maintainers ";
static_assert(credit_text.size() == 62);
static_assert(credit_text.starts_with("Made with ") && credit_text.ends_with(' '));

// Banks taken by a data file of the given size: 0 for an empty file.
constexpr std::int64_t data_bank_count(std::int64_t size) {
  return (size + data_bank_capacity - 1) / data_bank_capacity;
}
