#pragma once

// Every message of the tool goes to standard output through these routines,
// in order, so that a build log shows them as they happened. A failure also
// gets one line on standard error, in words, for the reader of a build log
// that keeps only that stream.

// Warnings and failures: always printed.
[[gnu::format(printf, 1, 2)]] void report(const char *format, ...);

// Where each file's banks went: dropped under --quiet.
[[gnu::format(printf, 1, 2)]] void progress(const char *format, ...);
void set_quiet(bool quiet);

// A failure: its line on standard output, then "romweld: <path>: <reason>" on
// standard error.
[[gnu::format(printf, 3, 4)]] void fail(const char *path, const char *reason, const char *format,
                                        ...);

// The system's words for an error number.
const char *reason_of(int code);
