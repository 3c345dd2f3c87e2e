#pragma once

#include "image/fault.h"
#include "image/input.h"

#include <cstdint>
#include <span>

// Where each data file goes in the data banks, worked out from the sizes and
// the order alone, so that a planning run gives the constants of the image
// that follows.
//
// Without packing, each data file begins a bank of its own and takes as
// many as it needs, 16,128 bytes in each. Packed, a file of up to 16,128
// bytes goes whole into the first bank, from the front, that still has room
// for all of it, right after the bytes already there, or else into a new
// bank after the others; a larger file begins a new bank and takes new banks
// one after another, and the room left in its last is open to later files.
// Either way an empty file takes no room: it stands right after the file
// before it.
//
// Sets each file's bank and offset, and the count of data banks; fails when
// the banks, with the program's, would be more than there are pages.
Fault place_files(std::span<Input> data, bool pack, std::int64_t &data_banks);

// Banks that a data file's bytes span from its place: 0 for an empty file.
std::int64_t banks_spanned(const Input &input);
