#pragma once

#include "image/fault.h"
#include "image/input.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>

// A program in Intel HEX, as a linker writes it: records of bytes, each byte
// placed by its linear address L, whose segment L >> 16 is the bank the
// linker put it in. Segment 0 holds the program bank, which the console sees
// at 0x8000; a segment above it holds a bank, which the console sees in the
// window at 0xC000. The records are read twice: once to check and index
// them, before anything is written, and once for each bank as it is
// written, so that no more than a bank of them is ever held.

// The segments a 24-bit address reaches.
constexpr std::int64_t max_segments = 256;

constexpr std::int64_t program_address = 0x8000;
constexpr std::int64_t program_end = 0xC000;
// A bank's window ends where the strobes' page begins, which stays zero.
constexpr std::int64_t window_end = 0xFF00;

// Consecutive data records of one segment, in the order of the file, with the
// base their addresses are counted from.
struct Run {
  std::int64_t offset; // of its first line in the file
  std::uint32_t lines;
  std::uint32_t segment;
  std::uint32_t base;
  bool wraps; // of an extended segment address, whose offsets wrap at 64K
};

// What a program's records fill, segment by segment.
struct Segment {
  std::int32_t used;   // bytes placed in it
  std::int32_t first;  // the lowest of them, counted from the start of its window
  std::uint32_t check; // a hash of their places and values, in the order of the file
};

struct Linked {
  const char *path;          // of the program, as typed
  std::span<const Run> runs; // by segment, then in the order of the file
  std::array<Segment, max_segments> segments;
};

// Whether a program's name says it is Intel HEX: it ends in .ihx or .hex,
// in any case.
bool linked_program(const char *path);

// Reads and checks every record of the program, which must be the file that
// was sized, and indexes its runs. A record that is no record, or a byte that
// falls outside the program bank and the windows, or on another, is refused.
Fault read_linked(const Input &program, Linked &linked);

// Whether each segment of a linked program falls on a bank of its own in an
// image of banks banks, whose data_banks data banks stand right before the
// program's; if not, the fault that names the two that would share one.
Fault fit_segments(const Linked &linked, std::span<const Input> data, std::int64_t banks,
                   std::int64_t data_banks);

// Places the bytes of a segment's records in its bank at to, counted from
// the start of the bank's window, reading them from file: 0 if they are the
// records that were read, -1 if they are not, or the error number of a seek
// or a read that failed.
int place_segment(std::FILE *file, const Linked &linked, std::int64_t segment, unsigned char *to);
