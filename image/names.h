#pragma once

#include "image/input.h"

#include <array>
#include <span>
#include <string_view>

// The names of the constants that the includes give each data file.

// The suffixes of a data file's constants, in the order they are checked and
// written: its first page, its bank count, its size in bytes.
constexpr std::string_view suffixes[] = {"", "_BANKS", "_BYTES"};

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

// Whether two data files, or a data file and the header's guard (header may
// be nullptr), would give one name: the first name, going through the data
// files in order and each file's names in order, that an earlier name (the
// guard first) already gave. One pass over the names.
Clash find_clash(std::span<const Input> data, const char *header);
