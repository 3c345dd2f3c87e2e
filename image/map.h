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
// of the image.
void write_map(std::FILE *out, const Plan &plan, std::span<const Input> data, const Input &program);

// Three constants per data file, in order, under the name of its file: NAME,
// its first page; NAME_BANKS; NAME_BYTES. As "NAME EQU >FFFB" lines, and as
// "#define NAME 0xFFFB" lines inside an include guard named after header.
void write_equ(std::FILE *out, const Plan &plan, std::span<const Input> data);
void write_header(std::FILE *out, const char *header, const Plan &plan,
                  std::span<const Input> data);

// The name of a file's constants: its last path component, with ASCII letters
// and digits upper-cased and every other byte '_', and '_' before a leading
// digit, which no assembler or C compiler takes. Bytes, not characters, so
// that the name is the same in every locale and on every system.
struct Name {
  std::array<char, path_capacity + 2> text;
  std::string_view view() const {
    return text.data();
  }
};
Name constant_name(const char *path);

// Two files whose constants would have one name: the first such pair in
// command-line order.
struct Clash {
  const char *path;        // the later data file; nullptr when no names clash
  const char *other;       // the earlier data file, or the header
  std::string_view suffix; // of path's constant: "", "_BANKS" or "_BYTES"
};

// Whether two data files, or a data file and the header's guard (header may
// be nullptr), would give one name. Takes time near linear in the data
// files, so that a command line of thousands stays quick.
Clash find_clash(std::span<const Input> data, const char *header);

// The banks of the image by kind, the room left, and each data file's free
// bytes.
void write_summary(const Plan &plan, std::span<const Input> data);
