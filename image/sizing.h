#pragma once

#include "image/layout.h"
#include "sys/platform.h"

#include <cstddef>
#include <span>

// An input as the sizing pass found it, for the write pass to check that it
// reads the same file, and no more of it than was planned for.
struct Input {
  FileId id;
  std::int64_t size;
};

// The program file and the data files that one run takes. An image holds at
// most max_banks banks, and every data file that is not empty takes one, so
// this is room for the largest image that can be made, with the empty data
// files of any sensible command line besides.
constexpr std::size_t max_inputs = max_banks + 1;

// Why the sizing pass stopped.
enum class SizeFault { none, input, is_outfile };

// Sizing pass: measures the program file, unless it is left out (a planning
// run, where it need not exist yet), and then each data file into inputs, in
// that order. An input may not be the outfile, when it exists
// (outfile_found). Reports a failure.
SizeFault size_inputs(const char *outfile, const FileInfo *outfile_found, const char *program,
                      std::span<char *const> data, std::span<Input> inputs);

// Why there is no plan.
enum class PlanFault { none, too_many_banks, more_than_asked };

// The plan of an image of the inputs as sized, program first: of asked_banks
// banks when that is above 0. Reports a failure.
PlanFault make_plan(const char *outfile, std::span<const Input> inputs, std::int64_t asked_banks,
                    Plan &plan);

// The padding line, and the 1 MB warning unless that is a failure of its own.
void report_padding(const Plan &plan, bool warn);
