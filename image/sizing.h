#pragma once

#include "image/fault.h"
#include "image/input.h"
#include "image/layout.h"

#include <span>

// Sizing: measures one input, through the file it opens. The sizing pass
// calls it for the program file and then each data file, in that order.
Fault size_input(Input &input);

// The plan of an image of the data files as sized and the program's one
// bank, of the banks asked for.
Fault make_plan(std::span<const Input> data, BankCount asked, Plan &plan);

// The padding line, and the 1 MB warning unless that is a failure of its own.
void report_padding(const Plan &plan, bool warn);
