#pragma once

#include "app/failure.h"
#include "app/options.h"
#include "image/input.h"

#include <span>

// The inputs of a run, found and checked before anything is planned.

// The sizing pass: the program file, unless it is left out (a planning run,
// where it need not exist yet), then each data file, in that order. The
// outfile is replaced at the end, so it must not be one of them.
Failure size_inputs(const char *outfile, Input *program, std::span<char *const> paths,
                    std::span<Input> data);

// Whether the constants of the data files mean one thing to every tool that
// reads the includes asked for: no two alike, and none an assembler reads
// as something else.
Failure check_names(const Options &options, std::span<const Input> data);
