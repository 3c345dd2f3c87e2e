#pragma once

#include <span>

// What the command line asks for. Options come before the outfile only: from
// the outfile on, every argument is a path, so that no file name is ever
// taken for an option.
enum class Request { run, help, version, usage };

struct Options {
  bool quiet;
  const char *map;              // the bank map's path, or nullptr
  std::span<char *const> paths; // outfile, program file, data files
};

Request parse_options(std::span<char *const> args, Options &options);
