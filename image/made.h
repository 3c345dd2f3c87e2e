#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// What the files romweld makes look like, so that a run can tell one of them
// from any other file before it writes over it: by what they hold, not by
// their names or sizes alone. Each check reads the file through a stream
// open at its start, and says why it is no such file, or nullptr.

// The files a run writes: the image, and beside it the bank map and the
// includes, one of each form at most.
enum class Form : std::uint8_t { image, map, equ, sdas, header };
constexpr std::size_t form_count = 5;

constexpr const char *reason_image_size =
    "not an image romweld made, whose size is two or more 16k banks, a power of two";
constexpr const char *reason_one_bank =
    "one bank, which romweld cannot tell from a program padded to its bank";
constexpr const char *reason_image_banks =
    "not an image romweld made, whose banks but the last are padding or end in 256 zeros";
constexpr const char *reason_image_start =
    "not an image romweld made, which has padding or a last bank that begins with AA 55 or 55 AA, "
    "the cartridge header the console needs to start it";
constexpr const char *reason_map =
    "not a bank map romweld made, whose first line names its columns";
constexpr const char *reason_include =
    "not an include romweld made, whose first line says it made it";

// Why a file is not one of the given form that romweld made, or nullptr; if a
// seek or a read fails, nullptr with error set to its number.
//
// An image has two banks or more, a power of two, every bank of which but the
// last, the program's, is padding (it begins with the credit text) or data
// (it ends in 256 zeros); and it has padding, or its last bank begins with the
// cartridge header. An image of one bank is a program's bank alone, and so is
// any program padded to its bank: it is not taken for one. A bank map's first
// line names the columns, as every version's has; an include's first line,
// of any form, is the comment that says romweld made it.
const char *not_made(Form form, std::FILE *file, std::int64_t size, int &error);
