#pragma once

#include "image/layout.h"

#include <span>

// Sizing pass: measures the program file and then each data file, and makes
// the plan of the outfile, reporting the padding. On failure, reports it and
// returns false.
bool make_plan(const char *outfile, const char *program, std::span<char *const> data, Plan &plan);
