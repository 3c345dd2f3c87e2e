#pragma once

#include <array>
#include <cstdarg>

// Every message of the tool goes to standard output through these routines,
// in order, so that a build log shows them as they happened. A failure also
// gets one line on standard error, in words, for the reader of a build log
// that keeps only that stream.

// Warnings and failures: always printed.
[[gnu::format(printf, 1, 2)]] void report(const char *format, ...);
void report_list(const char *format, va_list args);

// Where each file's banks went: dropped under --quiet.
[[gnu::format(printf, 1, 2)]] void progress(const char *format, ...);
void set_quiet(bool on);

// From now on the report goes to standard error: standard output is a file
// that the run writes.
void divert_report();

// From now on the report is lost: standard output was closed when the run
// began. Nothing is written to it, and anything the run would have printed
// there makes the report fail.
void lose_report();
bool report_lost();

// From now on the report and the notes keep off standard output and standard
// error where either is a file that the run must not change: the report goes
// to standard error, or nowhere, and the notes nowhere.
void keep_off(bool standard_output, bool standard_error);

// A name as standard error shows it: control characters, which would break
// the line or work on the terminal, as escapes such as \n or \x1B.
struct Escaped {
  std::array<char, 4 * 4096 + 1> text;
};
Escaped escaped(const char *name);

// The line on standard error that follows a failure line: "romweld: <path>:
// <reason>", in words, for the reader of a build log that keeps only that
// stream. The path is escaped.
void explain(const char *path, const char *reason);

// The same, with a reason made from format and its arguments.
[[gnu::format(printf, 2, 3)]] void note(const char *path, const char *format, ...);

// A line on standard error about the command line: "romweld: <text>".
void explain_usage(const char *text);

// Writes out what standard output still holds, and closes it. A report that
// could not be written gets a line on standard error, and false.
bool finish_report();
