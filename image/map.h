#pragma once

#include "image/sizing.h"

#include <cstddef>
#include <cstdio>
#include <span>

// The plan of an image written out for the game's build: the bank map, the
// page constants as assembler and C includes, and the headroom summary. The
// game's program switches banks by page, so it needs each data file's page
// before the image exists; all of it follows from the plan and the sizes of
// the inputs alone, as the write pass makes sure.

// The bank map: tab-separated text, a header line and then one row per part
// of the image.
void write_map(std::FILE *out, const Plan &plan, const char *program, std::span<char *const> data,
               std::span<const Input> inputs);

// Three constants per data file, in order, under the name of its file: NAME,
// its first page; NAME_BANKS; NAME_BYTES. As "NAME EQU >FFFB" lines, and as
// "#define NAME 0xFFFB" lines inside an include guard named after header.
void write_equ(std::FILE *out, const Plan &plan, std::span<char *const> data,
               std::span<const Input> inputs);
void write_header(std::FILE *out, const char *header, const Plan &plan, std::span<char *const> data,
                  std::span<const Input> inputs);

// Whether two data files, or a data file and the header's guard (header may
// be nullptr), would give one name; reports the first clash found.
bool names_clash(std::span<char *const> data, const char *header);

// The banks of the image by kind, the room left, and each data file's free
// bytes.
void write_summary(const Plan &plan, std::span<char *const> data, std::span<const Input> inputs);
