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
  std::int32_t used;  // bytes placed in it
  std::int32_t first; // the lowest of them, counted from the start of its window
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
// the start of the bank's window, reading them from file; false if they are
// no longer the records that were read.
bool place_segment(std::FILE *file, const Linked &linked, std::int64_t segment, unsigned char *to);

// The tool's own words for records refused, with the line (%lld) or the
// address (%06llX) of the first refused, and for segments that must share a
// bank; a fault's reason is one of them, its numbers filled in.
constexpr const char *reason_no_record = "line %lld is no Intel HEX record";
constexpr const char *reason_checksum = "line %lld: its checksum is wrong";
constexpr const char *reason_length = "line %lld: its length is not its bytes'";
constexpr const char *reason_type = "line %lld: record type is none of 00 to 05";
constexpr const char *reason_no_end = "no end record after line %lld: the file is cut short";
constexpr const char *reason_after_end = "line %lld comes after the end record";
constexpr const char *reason_too_many_runs =
    "line %lld: the records change segment more than 262144 times";
constexpr const char *reason_below_program =
    "%06llX is below 0x8000, where the program bank begins: the standard crt0, or --code-loc "
    "under 0x8000, puts code there";
constexpr const char *reason_past_program =
    "%06llX is past 0xBFFF, where the program bank ends: the program runs past it, or a bank "
    "was linked without its segment";
constexpr const char *reason_below_window =
    "%06llX is below 0xC000 in its segment: the window is at 0xC000, so link bank n at n x "
    "0x10000 + 0xC000";
constexpr const char *reason_strobes =
    "%06llX is in 0xFF00 to 0xFFFF of its segment, where the strobes that select banks are";
constexpr const char *reason_twice = "%06llX is given twice: two areas are linked over each other";
constexpr const char *reason_past_segments = "%06llX is past the 16 MB that 256 segments address";
constexpr const char *reason_shared_segments =
    "segments %lld and %lld would share bank %lld of an image of %lld banks";
constexpr const char *reason_program_segment =
    "segment %lld would be bank %lld of an image of %lld banks, the program's";
constexpr const char *reason_data_segment =
    "segment %lld would be bank %lld of an image of %lld banks, where data file %s is";
