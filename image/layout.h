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

// Fills the padding banks at the front of the image, repeated end to end.
constexpr std::string_view credit_text =
    "Made with romweld, MegaCart ROM welder by romweld maintainers ";
static_assert(credit_text.size() == 62);
static_assert(credit_text.starts_with("Made with ") && credit_text.ends_with(' '));

// Where everything goes, worked out from the sizes of the inputs before a
// byte is written: the padding stands at the front, so it must be known first.
struct Plan {
  std::int64_t planned_banks; // the program bank plus every data bank
  std::int64_t image_banks;   // planned_banks rounded up to a power of two
  std::int64_t padding_banks; // image_banks - planned_banks
  std::int64_t first_page;    // page of the first bank after the padding
  std::int64_t first_address; // address of the first bank after the padding
  bool packed = false;        // small data files share banks (--pack)
};

// Address and page of bank k of the planned image.
constexpr std::int64_t address_of(std::int64_t bank) {
  return bank * bank_size;
}
constexpr std::int64_t page_of(const Plan &plan, std::int64_t bank) {
  return page_base - plan.image_banks + bank;
}

// One part of the image, as the report and the bank map tell it: a run of
// banks and what filled them.
enum class Part { padding, data, program };

struct Extent {
  Part part;
  const char *path;        // as typed; empty for the padding
  std::int64_t first_bank; // counted from the start of the file
  std::int64_t banks;
  std::int64_t bytes;  // taken from the file
  std::int64_t offset; // of its first byte in its first bank
  std::int64_t free;   // bytes its last bank leaves unused
};

// Banks taken by a data file of the given size: 0 for an empty file.
std::int64_t data_bank_count(std::int64_t size);

// The bank count an image is asked to have, each a power of two, or 0 when
// not asked: exactly, or at least.
struct BankCount {
  std::int64_t exactly;
  std::int64_t at_least;
};

// The plan for an image of planned_banks banks (at least 1, at most
// max_banks): as many banks as the smallest power of two that holds them and
// is at least asked.at_least, or exactly asked.exactly, a power of two that
// holds them, when that is above 0. Padding stands in front, so no page of
// the content moves whatever the image's size.
Plan plan_banks(std::int64_t planned_banks, BankCount asked = {});
