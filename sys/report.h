#pragma once

// Every message of the tool goes to standard output through these routines,
// in order, so that a build log shows them as they happened. A failure also
// gets one line on standard error, in words, for the reader of a build log
// that keeps only that stream.

// Warnings and failures: always printed.
[[gnu::format(printf, 1, 2)]] void report(const char *format, ...);

// Where each file's banks went: dropped under --quiet.
[[gnu::format(printf, 1, 2)]] void progress(const char *format, ...);
void set_quiet(bool on);

// From now on the report goes to standard error: standard output is a file
// that the run writes.
void divert_report();

// A failure: its line on standard output, the format followed by ", code N"
// and a line end, then "romweld: <path>: <reason>" on standard error. Without
// a reason of the tool's own, the reason is the system's words for code.
[[gnu::format(printf, 4, 5)]] void fail(const char *path, int code, const char *reason,
                                        const char *format, ...);

// The line on standard error alone, for a failure whose line is a warning.
void explain(const char *path, const char *reason);

// Writes out what standard output still holds, and closes it. A report that
// could not be written gets a line on standard error, and false.
bool finish_report();
