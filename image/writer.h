#pragma once

#include "image/layout.h"
#include "image/sizing.h"

#include <cstdint>
#include <cstdio>
#include <span>

// Which kind of file stopped the write pass.
enum class WriteFault { none, outfile, data_file, program_file };

struct WriteResult {
  WriteFault fault;
  bool changed;              // an input no longer has the size it was sized at
  std::int64_t program_page; // page the program bank was written at
};

// Write pass: the padding banks, the banks of every data file in order, then
// the program bank, each reported as it goes, into outfile (written but
// neither opened nor closed here; outfile_path names it in the report). Each
// input must be the file that the sizing pass found, and is read no further
// than the size it had then, with one byte more to tell whether it has grown.
WriteResult write_image(std::FILE *outfile, const char *outfile_path, const Plan &plan,
                        const char *program, std::span<char *const> data,
                        std::span<const Input> inputs);
