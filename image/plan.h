#pragma once

#include "image/fault.h"
#include "image/finding.h"
#include "image/hex.h"
#include "image/input.h"
#include "image/layout.h"

#include <array>
#include <cstdint>
#include <span>

// Where everything goes, worked out from the sizes of the inputs before a
// byte is written: bank by bank, what fills it. The padding stands at the
// front, so it must be known first; and the writer, the bank map, the
// includes, the summary and the report all read this one plan.

// The bank count an image is asked to have, each a power of two, or 0 when
// not asked: exactly, or at least.
struct BankCount {
  std::int64_t exactly;
  std::int64_t at_least;
};

// A linked bank is one the records of a linked program fill, from one of its
// segments.
enum class Fill : std::uint8_t { padding, data, program, linked };

// Bytes of one data file in a bank. An empty file is a piece of no bytes
// where it stands, so that it is reported and checked in its place.
struct Piece {
  std::uint32_t file; // the data file, by its place among them
  std::int32_t from;  // its first byte in the piece
  std::int16_t bytes;
  std::int16_t at; // where in the bank
};

// A bank: padding; or data, its pieces one after another from its start; or
// the program's, last, in which empty data files at the end may stand; or
// linked, from a segment of the program's records.
struct Bank {
  std::uint32_t first; // its first piece
  std::uint32_t pieces;
  std::int16_t used; // bytes of content
  Fill fill;
  std::uint8_t segment; // of a linked bank
};

// A plan costs as much memory as its banks: a piece of each, and one more
// of each data file.
static_assert(sizeof(Piece) == 12 && sizeof(Bank) == 12);
static_assert(bank_size <= INT16_MAX, "a bank's bytes fit a piece's count");

struct Plan {
  std::int64_t image_banks;   // a power of two
  std::int64_t data_banks;    // right before the program's
  std::int64_t padding_banks; // filled by nothing
  std::int64_t linked_banks;  // filled by the program's records
  bool packed;                // small data files share banks
  std::span<const Bank> banks;
  std::span<const Piece> pieces;
};

constexpr std::int64_t address_of(std::int64_t bank) {
  return bank * bank_size;
}
constexpr std::int64_t page_of(const Plan &plan, std::int64_t bank) {
  return page_base - plan.image_banks + bank;
}
// The bank of a data file's first byte.
constexpr std::int64_t first_bank_of(const Plan &plan, const Input &file) {
  return plan.image_banks - 1 - plan.data_banks + file.bank;
}
constexpr std::int64_t capacity_of(Fill fill) {
  return fill == Fill::program ? program_bank_capacity : data_bank_capacity;
}

// The image's bank count for planned banks (at least 1, at most max_banks):
// the smallest power of two that holds them and is at least asked.at_least,
// or asked.exactly, when that is above 0.
std::int64_t image_bank_count(std::int64_t planned, BankCount asked);

// Places the data files and plans every bank, packed or not, of the banks
// asked for. The program always takes exactly one bank, whatever its size;
// program_bytes is its size, of which the bank holds what fits. A linked
// program (nullptr for any other) fills its own bank and one more for each
// segment: segment s is bank s mod N of an image of N banks, the bank a read
// of 0xFFC0 + (s mod 64) selects, so the image takes as many banks as that
// gives every segment, the data and the program banks of their own.
Fault make_plan(std::span<Input> data, std::int64_t program_bytes, const Linked *linked,
                BankCount asked, bool pack, Plan &plan);

// A place in the image, as the report gives it.
struct Spot {
  std::int64_t address;
  std::int64_t page;
};

// Where the report says a data file begins and ends: unpacked, its first
// bank and the bank after its last; packed, its first byte and the byte
// after its last, each with the page of the bank that holds it.
Spot start_of(const Plan &plan, const Input &file);
Spot end_of(const Plan &plan, const Input &file);

// The padding line, which gives the size of the whole image.
void report_padding(const Plan &plan);

// What the plan shows against the boards that take images, in the order it
// is told: padding past 1 MB, then a size no board takes.
std::array<Finding, 2> check_plan(const Plan &plan);

// A program larger than its bank, whose bytes past it never reach the image.
// A linked program's records cannot be: they are refused past 0xBFFF.
Finding check_program(const Input &program, const Linked *linked);
