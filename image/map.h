#pragma once

#include "image/input.h"
#include "image/made.h"
#include "image/plan.h"

#include <cstdio>
#include <span>
#include <string_view>

// The plan of an image written out for the game's build: the bank map, the
// page constants as assembler and C includes, and the headroom summary. The
// game's program switches banks by page, so it needs each data file's page
// before the image exists; all of it follows from the plan alone, as the
// write pass makes sure.

// The bank map: tab-separated text, a header line and then one row per part
// of the image. The header line begins with these columns in every version
// of romweld; later ones were added after them.
constexpr std::string_view map_columns =
    "kind\tpath\tfirst_bank\tbanks\tfirst_page\tlast_page\tstart\tend\tbytes";

// The first line of every include romweld has made, by which it knows one:
// the three forms it writes, and the one of version 0.3.
constexpr std::string_view include_first_lines[] = {
    "; Page constants of the data files, made by romweld.",
    "/* Page constants of the data files, made by romweld. */",
    "* Page constants of the data files, made by romweld."};

// Writes a file beside the image, of any form but the image: the bank map;
// or four constants per data file, in order, under the name of its file:
// NAME, its first page; NAME_BANKS; NAME_BYTES; NAME_ADDR, where its first
// byte is once that page is read. Pages and addresses are written 0xFFFB,
// the one form of hexadecimal that every Z80 assembler and C compiler takes:
// "NAME: EQU 0xFFFB" for pasmo, sjasmplus, Debian's z80asm, tniASM and Glass
// (a label with its colon, which z80asm needs); "NAME = 0xFFFB" for SDCC's
// sdasz80, of the ASxxxx family, which has no EQU; "#define NAME 0xFFFB" for
// C, inside an include guard named after the header at path.
void write_side(std::FILE *out, Form form, const char *path, const Plan &plan,
                std::span<const Input> data, const Input &program);

// The banks of the image by kind, the room left, each data file's free
// bytes, and every bank's fill.
void write_summary(const Plan &plan, std::span<const Input> data);
