#pragma once

#include "image/layout.h"
#include "sys/platform.h"

#include <cstdint>
#include <span>

// Which kind of file stopped the write pass.
enum class WriteFault { none, outfile, data_file, program_file };

struct WriteResult {
  WriteFault fault;
  std::int64_t program_page; // page the program bank was written at
};

// Write pass: the padding banks, the banks of every data file in order, then
// the program bank, each reported, and added to the bank map, as it goes. The
// outfile is written but neither opened nor closed here.
WriteResult write_image(const Outfile &outfile, const Plan &plan, const char *program,
                        std::span<char *const> data);

// Reports a failed write of the outfile, with the error number in errno.
void outfile_failed(const Outfile &outfile);

// After a failed write pass, on the outfile still open: a write that fails
// part-way can leave the first bytes of a bank at its end. Cutting them off
// leaves exactly the banks written before the failure; if the cut fails too,
// that is reported as one more failure of the outfile.
void cut_to_whole_banks(const Outfile &outfile);
