#pragma once

#include "image/input.h"
#include "image/layout.h"

#include <array>
#include <cstdio>
#include <span>
#include <string_view>

// The plan of an image written out for the game's build: the bank map, the
// page constants as assembler and C includes, and the headroom summary. The
// game's program switches banks by page, so it needs each data file's page
// before the image exists; all of it follows from the plan and the sizes of
// the inputs alone, as the write pass makes sure.

// The bank map: tab-separated text, a header line and then one row per part
// of the image. The header line begins with these columns in every version
// of romweld; later ones were added after them.
constexpr std::string_view map_columns =
    "kind\tpath\tfirst_bank\tbanks\tfirst_page\tlast_page\tstart\tend\tbytes";
void write_map(std::FILE *out, const Plan &plan, std::span<const Input> data, const Input &program);

// Four constants per data file, in order, under the name of its file: NAME,
// its first page; NAME_BANKS; NAME_BYTES; NAME_ADDR, where its first byte is
// once that page is read. Pages and addresses are written 0xFFFB, the one
// form of hexadecimal that every Z80 assembler and C compiler takes.
struct Include {
  const char *comment; // the first line
  const char *before;  // each line: before, the name, between, the value
  const char *between;
};

// For pasmo, sjasmplus, Debian's z80asm, tniASM and Glass: "NAME: EQU 0xFFFB",
// a label with its colon, which z80asm needs.
constexpr Include assembler_include = {"; Page constants of the data files, made by romweld.\n", "",
                                       ": EQU "};
// For SDCC's assembler sdasz80, of the ASxxxx family, which has no EQU:
// "NAME = 0xFFFB".
constexpr Include sdas_include = {"; Page constants of the data files, made by romweld.\n", "",
                                  " = "};
// For C: "#define NAME 0xFFFB", inside an include guard named after the
// header (write_header).
constexpr Include c_header = {"/* Page constants of the data files, made by romweld. */\n",
                              "#define ", " "};

// The first line of every include romweld has made, by which it knows one:
// the three forms above, and the one of version 0.3.
constexpr std::string_view include_first_lines[] = {
    "; Page constants of the data files, made by romweld.",
    "/* Page constants of the data files, made by romweld. */",
    "* Page constants of the data files, made by romweld."};

void write_includes(std::FILE *out, const Plan &plan, std::span<const Input> data,
                    const Include &form);
void write_header(std::FILE *out, const char *header, const Plan &plan,
                  std::span<const Input> data);

// The banks of the image by kind, the room left, each data file's free
// bytes, and every bank's fill; the program is nullptr when it is not read.
void write_summary(const Plan &plan, std::span<const Input> data, const Input *program);
