#pragma once

#include "image/input.h"

#include <array>
#include <span>
#include <string_view>

// The names of the constants that the includes give each data file.

// The suffixes of a data file's constants, in the order they are checked and
// written: its first page, its bank count, its size in bytes, and the address
// of its first byte when its first bank is selected.
constexpr std::string_view suffixes[] = {"", "_BANKS", "_BYTES", "_ADDR"};

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
  std::string_view suffix; // of path's constant
};

// How a tool would read a constant as something else: as a name an
// assembler reserves (a register, an instruction or a directive); as a
// jump's condition, as Debian's z80asm reads a name that begins with one and
// _ in jp, jr and call; as two names, where it is longer than sdasz80 tells
// apart; or as a name that C keeps for itself.
enum class Misreading { none, reserved, condition, too_long, kept_by_c };

// A data file whose constant a tool would misread.
struct Misread {
  const char *path;        // the data file, or the header; nullptr when every name reads right
  std::string_view suffix; // of the constant
  Misreading how;
  const char *reserved; // what the assemblers take a reserved name for
};

// What the assemblers take a reserved name for. MB is the eZ80's register,
// which sdasz80 knows.
constexpr const char *reason_register = "a Z80 register or condition";
constexpr const char *reason_instruction = "a Z80 instruction";
constexpr const char *reason_directive = "a directive or operator of pasmo, z80asm or sdasz80";

// sdasz80 tells names apart by their first 255 characters only.
constexpr std::size_t sdas_name_limit = 255;

// The first data file, in command-line order, whose constants the includes
// asked for would misread (the Z80 assemblers' one is assembler, sdasz80's
// sdas); for a header (nullptr if none), its guard first.
// The assemblers read names without regard to case, so every name they
// reserve counts, for the Z80 assemblers' include and sdasz80's alike. C
// tells case apart, and keeps for its compiler and library every name that
// begins with _ and a capital or a second _ (__LINE__, __STDC__, _WIN32):
// defined again, one changes what other code means, or hides the header.
Misread find_misread(std::span<const Input> data, bool assembler, bool sdas, const char *header);

// Whether two data files, or a data file and the header's guard (header may
// be nullptr), would give one name: the first name, going through the data
// files in order and each file's names in order, that an earlier name (the
// guard first) already gave. One pass over the files, with a map of the
// names they give without a suffix: two names with suffixes are one only if
// the suffixes are, or one of them has none and the other name ends in it.
Clash find_clash(std::span<const Input> data, const char *header);
