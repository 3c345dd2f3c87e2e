#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <utility>

// What the command line asks for. Options come before the outfile only: from
// the outfile on, every argument is a path, so that no file name is ever
// taken for an option.
enum class Request { run, help, version, usage };

struct Options {
  bool quiet;
  bool plan;                    // only the plan, the map and the includes: no image
  bool summary;                 // the headroom block after the report
  bool strict;                  // warnings are failures
  bool force;                   // replace a file that romweld did not make
  bool pack;                    // small data files share banks
  const char *map;              // the bank map's path, or nullptr
  const char *equ;              // the Z80 assemblers' include's path, or nullptr
  const char *sdas;             // sdasz80's include's path, or nullptr
  const char *header;           // the C header's path, or nullptr
  const char *banks;            // the image's bank count as typed, or nullptr
  const char *min_banks;        // its least bank count as typed, or nullptr
  std::span<char *const> paths; // outfile, program file, data files
  // Why the command line is not a run, for the usage: an unknown option as
  // typed, or the name of an option without its value.
  const char *unknown;
  const char *valueless;
};

Request parse_options(std::span<char *const> args, Options &options);

// Each option that takes a value, by its name, with its value or nullptr.
constexpr std::size_t valued_count = 6;
std::array<std::pair<const char *, const char *>, valued_count>
valued_options(const Options &options);

// A bank count as typed: a power of two from 1 to 65,536, in decimal.
bool bank_count(const char *text, std::int64_t &banks);
