#pragma once

#include "image/fault.h"
#include "image/input.h"
#include "image/layout.h"

#include <span>

// Sizing: measures one input, through the file it opens. The sizing pass
// calls it for the program file and then each data file, in that order.
Fault size_input(Input &input);

// The plan of an image of the data files as sized and the program's one
// bank: of asked_banks banks when that is above 0.
Fault make_plan(std::span<const Input> data, std::int64_t asked_banks, Plan &plan);

// The padding line, and the 1 MB warning unless that is a failure of its own.
void report_padding(const Plan &plan, bool warn);
