#pragma once

#include "image/fault.h"
#include "image/finding.h"
#include "image/input.h"
#include "image/layout.h"

#include <array>
#include <span>

// Sizing: measures one input, through the file it opens. The sizing pass
// calls it for the program file and then each data file, in that order.
Fault size_input(Input &input);

// The plan of an image of the data files as sized and the program's one
// bank, of the banks asked for; it places each data file, packed or not.
Fault make_plan(std::span<Input> data, BankCount asked, bool pack, Plan &plan);

// The padding line, which gives the size of the whole image.
void report_padding(const Plan &plan);

// What the plan shows against the boards that take images, in the order it
// is told: padding past 1 MB, then a size no board takes.
std::array<Finding, 2> check_plan(const Plan &plan);

// A program larger than its bank, whose bytes past it never reach the image.
Finding check_program(const Input &program);
