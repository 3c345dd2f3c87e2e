#pragma once

#include "image/fault.h"

#include <cstdint>
#include <string_view>

// Every failure line the run can end with. A failure carries its line and
// its exit status, and the run prints it in one place (report_failure).
enum class Line {
  none,
  open_outfile,     // "Failed to open outfile"
  outfile_is_input, // "Failed to open outfile, it is also an input file"
  write_outfile,    // "Failed to write outfile"
  size_file,        // "Failed to size file <path>"
  plan_image,       // "Failed to plan image of <n> banks"
  fit_banks,        // "Failed to fit image of <n> banks in <m>"
  open_data,        // "Failed to open data file <path>"
  read_data,        // "Failed to read data file <path>"
  open_program,     // "Failed to open program file"
  read_program,     // "Failed to read program file"
  open_output,      // "Failed to open <kind> file <path>": the map or an include
  write_output,     // "Failed to write <kind> file <path>"
  name_clash,       // "Failed to name data file <path>, <other> gives the same name <NAME>"
  fit_program,      // "Failed to fit program file of <n> bytes in its bank"
  fit_megacart,     // "Failed to fit image of <n> banks in 1MB"
  use_option,       // "Failed to use <option> <value>"
  fit_board,        // "Failed to fit image of <n>k to a MegaCart board"
  find_header,      // "Failed to find the cartridge header in program file"
  not_image,        // "Failed to replace outfile <path> of <n> bytes"
  misplaced,        // the warning that the program bank is not at its page
};

// What went wrong, and all the line and standard error say of it.
struct Failure {
  int status;       // the exit status; status_ok when nothing failed
  Line line;        // Line::none when nothing failed
  const char *path; // the file named on standard error (and in the line, if it names one)
  int code;         // the error number
  const char *reason = nullptr; // the tool's own words for code, or nullptr for the system's
  const char *word = nullptr;   // open_output, write_output: "map" or "include";
                                // name_clash: the other file; use_option: the value
  std::int64_t number = 0;      // the banks or bytes the line gives
  std::int64_t limit = 0;       // plan_image, fit_banks: the most banks there may be
  std::string_view suffix = {}; // name_clash: of the name
};

constexpr bool failed(const Failure &failure) {
  return failure.line != Line::none;
}

// The failure of a step of the image, whose outfile is named outfile.
Failure failure_of(const Fault &fault, const char *outfile);

// The failure line on standard output, ending ", code N" but for the
// warning; then one line on standard error, "romweld: <path>: <reason>".
void report_failure(const Failure &failure);

// The line that follows a failure, for a new file that could not be
// removed again.
void report_left_behind(const char *path, int code);
