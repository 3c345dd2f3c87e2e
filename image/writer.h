#pragma once

#include "image/fault.h"
#include "image/finding.h"
#include "image/input.h"
#include "image/layout.h"

#include <cstdint>
#include <cstdio>
#include <span>

// The write pass as it goes: the outfile (written, but neither opened nor
// closed here), the plan, and the write cursor, which names the next bank to
// write by its address and page. Each input must be the file that the sizing
// pass found, and is read no further than the size it had then, with one
// byte more to tell whether it has grown.
struct Writer {
  std::FILE *outfile;
  Plan plan;
  std::int64_t address = 0;
  std::int64_t page = 0;
  bool changed = false;   // an input no longer has the size it was sized at
  bool cartridge = false; // the program bank begins with the cartridge header
};

Writer start_writing(std::FILE *outfile, const Plan &plan);

// The padding banks, then the data banks, front to back: each data file is
// read once, in the order its bytes stand in the image, which is the order
// of the command line unless the plan packs files, and reported as it goes.
Fault write_data_banks(Writer &writer, std::span<const Input> data);

// Reads the program bank, then writes it, the last bank of the image, and
// reports it. Bytes of the program past its bank never reach the image.
Fault read_program_bank(Writer &writer, const Input &program);
Fault write_program_bank(Writer &writer, const Input &program);

// What the written image shows: banks unlike the plan, as when an input
// changed size meanwhile; or else a program without the cartridge header.
Finding check_written(const Writer &writer, const Input &program);
