#pragma once

#include "app/status.h"
#include "image/fault.h"
#include "image/names.h"
#include "sys/report.h"

#include <cstdint>
#include <string_view>

struct Failure;

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
};

// What went wrong.
struct Failure {
  const FailureKind *kind = nullptr; // nullptr when nothing failed
  const char *path = nullptr;        // the file or option it is about, as typed
  int code = 0;                      // the error number
  const char *reason = nullptr;      // the tool's own words for code; nullptr for the system's
  const char *value = nullptr;       // the value of the option, as typed
  const char *first = nullptr;       // the file that gave a clashing name first
  std::string_view suffix = {};      // of the clashing name
  long long banks = 0;               // of the image
  long long limit = 0;               // the most banks the image may have
  long long bytes = 0;               // of the file
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

// Every failure, by the file it is about and what went wrong.
namespace fail {

inline constexpr FailureKind open_outfile{
    .status = status_outfile, .line = [](const Failure &) { report("Failed to open outfile"); }};
inline constexpr FailureKind outfile_is_input{
    .status = status_outfile,
    .line = [](const Failure &) { report("Failed to open outfile, it is also an input file"); }};
inline constexpr FailureKind write_outfile{
    .status = status_outfile, .line = [](const Failure &) { report("Failed to write outfile"); }};
inline constexpr FailureKind size_file{.status = status_sizing, .line = [](const Failure &f) {
                                         report("Failed to size file %s", f.path);
                                       }};
inline constexpr FailureKind plan_image{
    .status = status_sizing,
    .line = [](const Failure &f) { report("Failed to plan image of %lld banks", f.banks); },
    .note =
        [](const Failure &f) {
          note(f.path, "image would need %lld banks, at most %lld fit", f.banks, f.limit);
        }};
inline constexpr FailureKind fit_banks{
    .status = status_banks,
    .line =
        [](const Failure &f) {
          report("Failed to fit image of %lld banks in %lld", f.banks, f.limit);
        },
    .note =
        [](const Failure &f) {
          note(f.path, "image would need %lld banks, --banks gives %lld", f.banks, f.limit);
        }};
inline constexpr FailureKind open_data{.status = status_data, .line = [](const Failure &f) {
                                         report("Failed to open data file %s", f.path);
                                       }};
inline constexpr FailureKind read_data{.status = status_data, .line = [](const Failure &f) {
                                         report("Failed to read data file %s", f.path);
                                       }};
inline constexpr FailureKind open_program{.status = status_program, .line = [](const Failure &) {
                                            report("Failed to open program file");
                                          }};
inline constexpr FailureKind read_program{.status = status_program, .line = [](const Failure &) {
                                            report("Failed to read program file");
                                          }};
// The banks written are unlike the plan: its warning has been printed.
inline constexpr FailureKind misplaced{.status = status_misplaced};
inline constexpr FailureKind open_map{.status = status_map, .line = [](const Failure &f) {
                                        report("Failed to open map file %s", f.path);
                                      }};
inline constexpr FailureKind write_map{.status = status_map, .line = [](const Failure &f) {
                                         report("Failed to write map file %s", f.path);
                                       }};
inline constexpr FailureKind open_include{.status = status_include, .line = [](const Failure &f) {
                                            report("Failed to open include file %s", f.path);
                                          }};
inline constexpr FailureKind write_include{.status = status_include, .line = [](const Failure &f) {
                                             report("Failed to write include file %s", f.path);
                                           }};
inline constexpr FailureKind name_clash{
    .status = status_names,
    .line =
        [](const Failure &f) {
          report("Failed to name data file %s, %s gives the same name %s%.*s", f.path, f.first,
                 constant_name(f.path).text.data(), static_cast<int>(f.suffix.size()),
                 f.suffix.data());
        },
    .note =
        [](const Failure &f) {
          note(f.path, "same constant name %s%.*s as %s", constant_name(f.path).text.data(),
               static_cast<int>(f.suffix.size()), f.suffix.data(), f.first);
        }};
inline constexpr FailureKind fit_program{
    .status = status_strict_program, .line = [](const Failure &f) {
      report("Failed to fit program file of %lld bytes in its bank", f.bytes);
    }};
inline constexpr FailureKind fit_megacart{
    .status = status_strict_image,
    .line = [](const Failure &f) { report("Failed to fit image of %lld banks in 1MB", f.banks); }};
inline constexpr FailureKind use_option{.status = status_option, .line = [](const Failure &f) {
                                          report("Failed to use %s %s", f.path, f.value);
                                        }};
inline constexpr FailureKind fit_board{.status = status_strict_board, .line = [](const Failure &f) {
                                         report("Failed to fit image of %lldk to a MegaCart board",
                                                f.banks * 16);
                                       }};
inline constexpr FailureKind find_header{
    .status = status_strict_header,
    .line = [](const Failure &) { report("Failed to find the cartridge header in program file"); }};
inline constexpr FailureKind not_image{
    .status = status_not_image,
    .line =
        [](const Failure &f) {
          report("Failed to replace outfile %s of %lld byte%s", f.path, f.bytes, plural(f.bytes));
        },
    // Most likely the paths in another order.
    .note =
        [](const Failure &f) {
          explain(f.path, f.reason);
          explain("usage",
                  "romweld <outfile> <program> <data...>; -f replaces the outfile all the same");
        }};

} // namespace fail
