#pragma once

#include "image/sizing.h"

#include <cstdio>
#include <span>

// The bank map: the layout of the image as tab-separated text, a header line
// and then one row per part of the image, for the game's program to include
// (its data pages are what it switches banks by). It follows from the plan
// and the sizes of the inputs alone, as the write pass makes sure.
void write_map(std::FILE *out, const Plan &plan, const char *program, std::span<char *const> data,
               std::span<const Input> inputs);
