#pragma once

#include "app/failure.h"
#include "image/made.h"
#include "image/plan.h"

#include <array>
#include <span>

// What the command line asks for. Options come before the outfile only: from
// the outfile on, every argument is a path, so that no file name is ever
// taken for an option.
enum class Request { run, help, version, usage };

struct Options {
  bool quiet;
  bool plan;    // only the plan, the map and the includes: no image
  bool summary; // the headroom block after the report
  bool strict;  // warnings are failures
  bool force;   // replace a file that romweld did not make
  bool pack;    // small data files share banks
  // The files the run writes, by form: the outfile, then the map and each
  // include asked for; nullptr for one not asked for.
  std::array<const char *, form_count> files;
  const char *banks;            // the image's bank count as typed, or nullptr
  const char *min_banks;        // its least bank count as typed, or nullptr
  std::span<char *const> paths; // outfile, program file, data files
  // Why the command line is not a run, for the usage: an unknown option as
  // typed, or the name of an option without its value.
  const char *unknown;
  const char *valueless;
};

Request parse_options(std::span<char *const> args, Options &options);

// The path of the file of the given form that the run writes, or nullptr.
const char *file_of(const Options &options, Form form);

// The bank counts asked for, each a power of two from 1 to 65,536, and at
// least no more than exactly.
Failure check_bank_counts(const Options &options, BankCount &asked);

// What the tool says of its command line: the usage, the help, why a command
// line is no run, and how it read one that failed.
void usage_lines();
void help_lines();

// What is wrong with the command line, on standard error after the usage.
void usage_reason(const Options &options);

// After a failure that paths in another order can cause: how the command
// line was read, which path is the outfile, the program and the data files,
// and each option's value; then, for a file that -f replaces, that it does.
void report_hint(const Failure &failure, const Options &options);
