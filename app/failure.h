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

// The tool's own words for what went wrong, on standard error.
constexpr const char *reason_is_input = "is also an input file";
constexpr const char *reason_output_is_input = "is the outfile or an input file";
constexpr const char *reason_output_twice = "is another file this run writes";
constexpr const char *reason_appeared = "appeared while romweld ran";
constexpr const char *reason_too_many_files = "more data files than one image can take";
constexpr const char *reason_too_many_banks = "image would need %lld banks, at most %lld fit";
constexpr const char *reason_more_than_asked = "image would need %lld banks, --banks gives %lld";
constexpr const char *reason_clash = "same constant name %s%.*s as %s";
constexpr const char *reason_bank_count = "not a power of two from 1 to 65536";
constexpr const char *reason_least_banks = "more than --banks gives";
constexpr const char *reason_no_folder = "no such folder";
constexpr const char *reason_stdout_closed = "is standard output, which was closed";
constexpr const char *reason_reserved = "%s%.*s is %s, not a constant, to an assembler";
constexpr const char *reason_kept_by_c =
    "%s%.*s begins with _ and a capital or a second _, which C keeps for itself";
constexpr const char *reason_long_name =
    "%s%.*s has %lld characters; sdasz80 tells only %lld apart";
constexpr const char *reason_board =
    "no MegaCart board or openMSX takes an image under 128k; --min-banks 8 makes it 128k";
constexpr const char *reason_over_board =
    "no MegaCart board or openMSX takes an image over 1024k; pages below FFC0 select no bank";
constexpr const char *reason_header =
    "does not begin with AA 55 or 55 AA, the cartridge header the console needs to start it";
constexpr const char *reason_megacart = "larger than the 1MB of a MegaCart";
constexpr const char *reason_program_size = "larger than its bank of 16384 bytes";
constexpr const char *reason_changed = "an input changed size while romweld ran";
constexpr const char *reason_cut =
    "%lld bytes; its bank of %lld leaves %lld of them out of the image";
