#pragma once

#include "app/status.h"
#include "image/fault.h"

#include <array>

// How a run failed, told where the failure was found: its lines are printed
// then, and what is left is the exit status and what follows them.
struct Failure {
  int status = status_ok;
  // How the command line was read follows, as paths given in another order
  // or an option whose value was forgotten cause the failure.
  bool reading = false;
  const char *forced = nullptr; // then that -f replaces this file
};

constexpr bool failed(const Failure &failure) {
  return failure.status != status_ok;
}

// What a failure says on standard error, "romweld: <path>: <reason>": the
// file or option it is about, and its reason in the tool's own words or, if
// nullptr, the system's for the error number.
struct Cause {
  int code;
  const char *path;
  const char *reason = nullptr;
};

// Tells a failure: on standard output its line, from format and its
// arguments, and ", code N"; then its cause on standard error.
[[gnu::format(printf, 3, 4)]] Failure fail(int status, const Cause &cause, const char *format, ...);

// The failure, followed by how the command line was read.
Failure with_reading(Failure failure);

// A reason made from a format and its arguments.
struct Words {
  std::array<char, 40000> text;
};
[[gnu::format(printf, 1, 2)]] Words worded(const char *format, ...);

// Tells the failure of a step of the image, whose outfile is named outfile.
Failure failure_of(const Fault &fault, const char *outfile);

// The line that follows a failure, for a new file that could not be
// removed again.
void report_left_behind(const char *path, int code);

// "s" for a count that is not 1, so that "1 byte" reads right.
constexpr const char *plural(long long count) {
  return count == 1 ? "" : "s";
}
