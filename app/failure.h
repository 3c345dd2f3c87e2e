#pragma once

#include "app/status.h"
#include "image/fault.h"
#include "image/names.h"
#include "sys/report.h"

#include <cstdint>
#include <string_view>

struct Failure;

// What a failure adds after its lines, for a mistake it may come of: how the
// command line was read, as paths given in another order or an option whose
// value was forgotten cause it; and that -f replaces the file all the same.
enum class Hint { none, reading, force };

// One way a run can fail: its exit status and the lines it prints. The line
// on standard output ends ", code N"; the line on standard error gives the
// failure's path and its reason: the tool's own words, or the system's for
// its code.
struct FailureKind {
  int status;
  // Prints the line on standard output, up to its ", code N"; nullptr for a
  // failure that a warning has told already.
  void (*line)(const Failure &) = nullptr;
  // Prints the line on standard error, for a reason worded from the
  // failure's numbers or names; nullptr for the usual one.
  void (*note)(const Failure &) = nullptr;
  Hint hint = Hint::none;
};

// What went wrong.
struct Failure {
  const FailureKind *kind = nullptr; // nullptr when nothing failed
  const char *path = nullptr;        // the file or option it is about, as typed
  int code = 0;                      // the error number
  const char *reason = nullptr;      // the tool's own words for code; nullptr for the system's
  const char *value = nullptr;       // the value of the option, as typed
  const char *first = nullptr;       // the file that gave a clashing name first
  std::string_view suffix = {};      // of a constant's name
  const char *folder =
      nullptr;         // the folder that could not take a new file, named on standard error
  long long banks = 0; // of the image
  long long limit = 0; // the most banks the image may have
  long long bytes = 0; // of the file
};

constexpr bool failed(const Failure &failure) {
  return failure.kind != nullptr;
}

// The failure of a step of the image, whose outfile is named outfile.
Failure failure_of(const Fault &fault, const char *outfile);

// The failure line on standard output, then its line on standard error.
void report_failure(const Failure &failure);

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

// Every failure, by the file it is about and what went wrong.
namespace fail {

// clang-format off
inline constexpr FailureKind open_outfile{status_outfile, [](const Failure &) { report("Failed to open outfile"); }, nullptr, Hint::reading};
inline constexpr FailureKind outfile_is_input{status_outfile, [](const Failure &) { report("Failed to open outfile, it is also an input file"); }, nullptr, Hint::reading};
inline constexpr FailureKind write_outfile{status_outfile, [](const Failure &) { report("Failed to write outfile"); }};
inline constexpr FailureKind size_file{status_sizing, [](const Failure &f) { report("Failed to size file %s", f.path); }, nullptr, Hint::reading};
inline constexpr FailureKind plan_image{status_sizing,
    [](const Failure &f) { report("Failed to plan image of %lld banks", f.banks); },
    [](const Failure &f) { note(f.path, reason_too_many_banks, f.banks, f.limit); }};
inline constexpr FailureKind fit_banks{status_banks,
    [](const Failure &f) { report("Failed to fit image of %lld banks in %lld", f.banks, f.limit); },
    [](const Failure &f) { note(f.path, reason_more_than_asked, f.banks, f.limit); }};
inline constexpr FailureKind open_data{status_data, [](const Failure &f) { report("Failed to open data file %s", f.path); }};
inline constexpr FailureKind read_data{status_data, [](const Failure &f) { report("Failed to read data file %s", f.path); }};
inline constexpr FailureKind open_program{status_program, [](const Failure &) { report("Failed to open program file"); }};
inline constexpr FailureKind read_program{status_program, [](const Failure &) { report("Failed to read program file"); }};
// The banks written are unlike the plan: the warning that says so is its line.
inline constexpr FailureKind misplaced{status_misplaced};
inline constexpr FailureKind open_map{status_map, [](const Failure &f) { report("Failed to open map file %s", f.path); }, nullptr, Hint::reading};
inline constexpr FailureKind write_map{status_map, [](const Failure &f) { report("Failed to write map file %s", f.path); }};
inline constexpr FailureKind open_include{status_include, [](const Failure &f) { report("Failed to open include file %s", f.path); }, nullptr, Hint::reading};
inline constexpr FailureKind write_include{status_include, [](const Failure &f) { report("Failed to write include file %s", f.path); }};
inline constexpr FailureKind name_clash{status_names,
    [](const Failure &f) {
      report("Failed to name data file %s, %s gives the same name %s%.*s", f.path, f.first,
             constant_name(f.path).text.data(), static_cast<int>(f.suffix.size()), f.suffix.data());
    },
    [](const Failure &f) {
      note(f.path, reason_clash, constant_name(f.path).text.data(),
           static_cast<int>(f.suffix.size()), f.suffix.data(), escaped(f.first).text.data());
    }};
inline constexpr FailureKind reserved_name{status_names,
    [](const Failure &f) {
      report("Failed to name data file %s, an assembler reserves %s%.*s", f.path,
             constant_name(f.path).text.data(), static_cast<int>(f.suffix.size()), f.suffix.data());
    },
    [](const Failure &f) {
      note(f.path, reason_reserved, constant_name(f.path).text.data(),
           static_cast<int>(f.suffix.size()), f.suffix.data(), f.reason);
    }};
inline constexpr FailureKind kept_by_c{status_names,
    [](const Failure &f) {
      report("Failed to name %s, C keeps %s%.*s for itself", f.path, constant_name(f.path).text.data(),
             static_cast<int>(f.suffix.size()), f.suffix.data());
    },
    [](const Failure &f) {
      note(f.path, reason_kept_by_c, constant_name(f.path).text.data(),
           static_cast<int>(f.suffix.size()), f.suffix.data());
    }};
inline constexpr FailureKind long_name{status_names,
    [](const Failure &f) {
      report("Failed to name data file %s, %s%.*s is too long", f.path,
             constant_name(f.path).text.data(), static_cast<int>(f.suffix.size()), f.suffix.data());
    },
    [](const Failure &f) {
      const Name name = constant_name(f.path);
      note(f.path, reason_long_name, name.text.data(), static_cast<int>(f.suffix.size()),
           f.suffix.data(), static_cast<long long>(name.view().size()) + static_cast<long long>(f.suffix.size()),
           static_cast<long long>(sdas_name_limit));
    }};
inline constexpr FailureKind fit_program{status_strict_program, [](const Failure &f) { report("Failed to fit program file of %lld bytes in its bank", f.bytes); }};
inline constexpr FailureKind fit_megacart{status_strict_image, [](const Failure &f) { report("Failed to fit image of %lld banks in 1MB", f.banks); }};
inline constexpr FailureKind use_option{status_option, [](const Failure &f) { report("Failed to use %s %s", f.path, f.value); }};
inline constexpr FailureKind fit_board{status_strict_board, [](const Failure &f) { report("Failed to fit image of %lldk to a MegaCart board", f.banks * 16); }};
inline constexpr FailureKind find_header{status_strict_header, [](const Failure &) { report("Failed to find the cartridge header in program file"); }};
// A file that romweld did not make, where a file it writes goes: most likely
// paths in another order, or an option without its value.
inline constexpr FailureKind not_image{status_not_made,
    [](const Failure &f) { report("Failed to replace outfile %s of %lld byte%s", f.path, f.bytes, plural(f.bytes)); },
    nullptr, Hint::force};
inline constexpr FailureKind not_map{status_not_made,
    [](const Failure &f) { report("Failed to replace map file %s of %lld byte%s", f.path, f.bytes, plural(f.bytes)); },
    nullptr, Hint::force};
inline constexpr FailureKind not_include{status_not_made,
    [](const Failure &f) { report("Failed to replace include file %s of %lld byte%s", f.path, f.bytes, plural(f.bytes)); },
    nullptr, Hint::force};
// clang-format on

} // namespace fail
