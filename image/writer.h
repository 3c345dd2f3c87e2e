#pragma once

#include "image/fault.h"
#include "image/finding.h"
#include "image/input.h"
#include "image/plan.h"

#include <cstdint>
#include <cstdio>
#include <span>

// The write pass as it goes: the outfile (written, but neither opened nor
// closed here), the plan and its inputs, and how far the banks are written.
// Each input must be the file that the sizing pass found, and is read no
// further than the size it had then, with one byte more to tell whether it
// has grown.
struct Writer {
  std::FILE *outfile;
  const Plan *plan;
  std::span<const Input> data;
  const Input *program;
  const Linked *linked; // the program's records, if it is linked
  std::int64_t staged;  // the first bank not yet written
  std::FILE *in;        // the input being read
  std::int64_t left;    // what is left of its size
  bool changed;         // an input is no longer what the sizing pass found
  bool cartridge;       // the program bank begins with the cartridge header
};

Writer start_writing(std::FILE *outfile, const Plan &plan, std::span<const Input> data,
                     const Input &program, const Linked *linked);

// Every bank before the program's, front to back, as the plan fills it. Each
// data file is read once, in the order its bytes stand in the image, and
// reported as it goes; so is each bank of a linked program's.
Fault write_banks(Writer &writer);

// Reads the program bank, after any data file that stands in it, then
// writes it, the last bank of the image, and reports it. Bytes of the
// program past its bank never reach the image.
Fault read_program_bank(Writer &writer);
Fault write_program_bank(Writer &writer);

// An image unlike its plan, as when an input changed size meanwhile.
Fault check_unchanged(const Writer &writer);

// A program bank without the cartridge header.
Finding check_header(const Writer &writer);
