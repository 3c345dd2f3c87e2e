#pragma once

#include "app/failure.h"
#include "app/options.h"

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
