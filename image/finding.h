#pragma once

#include <cstdint>

// What the image's work finds that a user should hear of, though nothing has
// failed. This layer only finds it; the run decides how it is told (a
// warning on standard output, a note on standard error) or whether, under
// --strict, it fails the run instead.
enum class Found {
  none,
  padded_past_megacart, // padding makes the image larger than 1 MB
  over_megacart,        // the image is larger than 1 MB, padded or not
  under_board,          // the image is smaller than the smallest board
  program_too_large,    // the program is larger than its bank
  no_cartridge_header,  // the program bank does not begin with the header
};

struct Finding {
  Found what = Found::none;
  const char *path = nullptr; // the input it is about; nullptr for the image
  std::int64_t banks = 0;     // of the image
  std::int64_t bytes = 0;     // of the input
};
