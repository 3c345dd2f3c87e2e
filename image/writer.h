#pragma once

#include "image/fault.h"
#include "image/input.h"
#include "image/layout.h"

#include <cstdint>
#include <cstdio>
#include <span>

// What the write pass wrote, for the closing check.
struct Written {
  bool changed;              // an input no longer has the size it was sized at
  std::int64_t program_page; // page the program bank was written at
  bool cartridge;            // the program bank begins with the cartridge header
};

// Write pass: the padding banks, the banks of every data file in order, then
// the program bank, each reported as it goes, into outfile (written but
// neither opened nor closed here). Each input must be the file that the
// sizing pass found, and is read no further than the size it had then, with
// one byte more to tell whether it has grown.
Fault write_image(std::FILE *outfile, const Plan &plan, std::span<const Input> data,
                  const Input &program, Written &written);
