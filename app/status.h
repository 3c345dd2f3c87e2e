#pragma once

// Exit statuses. Build scripts tell the failures apart by these numbers, so
// each kind of failure keeps its own and none is ever reused.
constexpr int status_ok = 0;
constexpr int status_usage = -1;    // fewer than three paths, or an unknown option; shells see 255
constexpr int status_outfile = 1;   // outfile cannot be created, written or closed, or is an input
constexpr int status_program = 2;   // program file cannot be opened or read in the write pass
constexpr int status_data = 3;      // a data file cannot be opened or read in the write pass
constexpr int status_sizing = 4;    // an input cannot be sized, or the image would be too large
constexpr int status_misplaced = 5; // an input changed size while romweld ran
constexpr int status_map = 6;       // the bank map cannot be written, or would replace an input
constexpr int status_report = 7;    // the report cannot be written to standard output
constexpr int status_include = 8;   // an include cannot be written, or would replace another file
constexpr int status_names = 9;     // a constant name clashes, or an assembler would misread it
constexpr int status_strict_program = 10; // --strict: the program is larger than its bank
constexpr int status_strict_image = 11;   // --strict: the image is larger than 1 MB
constexpr int status_banks = 12;          // the inputs need more banks than --banks gives
constexpr int status_option = 13;         // an option's value is not valid
constexpr int status_strict_board = 14;   // --strict: the image is smaller than any MegaCart board
constexpr int status_strict_header = 15;  // --strict: the program has no cartridge header
constexpr int status_not_made = 16;       // an output is a file romweld did not make: not replaced
constexpr int status_linked = 17;         // a linked program's records cannot make an image
