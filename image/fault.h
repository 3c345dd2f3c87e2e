#pragma once

#include <cstdint>

// What stopped the image's work, and why. The run turns it into its line and
// its exit status: this layer knows neither, nor the outfile's name.
enum class What {
  none,
  size_input,      // an input cannot be sized
  too_many_banks,  // the image would need more banks than there are pages
  more_than_asked, // the inputs need more banks than were asked for
  open_data,       // a data file cannot be opened again in the write pass
  read_data,
  open_program,
  read_program,
  write_outfile,
  changed,       // an input changed size between the passes: the image is unlike its plan
  linked_record, // a line of an Intel HEX program is no record it may have
  linked_byte,   // a byte of it falls outside the banks, or on another
  linked_bank,   // a segment of it would share a bank with another, or with data
};

struct Fault {
  What what = What::none;
  const char *path = nullptr;   // the input that failed; nullptr for the outfile
  int code = 0;                 // the error number
  const char *reason = nullptr; // the tool's own words for code, or nullptr for the system's
  std::int64_t banks = 0;       // the banks the inputs need, when there are too many
  std::int64_t limit = 0;       // and the most there may be
  std::int64_t line = 0;        // of a refused record
  std::int64_t address = 0;     // of a refused byte
  std::int64_t segment = 0;     // that has no bank of its own
};

constexpr bool failed(const Fault &fault) {
  return fault.what != What::none;
}

// The tool's own words for what the system has no error number for.
constexpr const char *reason_directory = "is a directory";
constexpr const char *reason_not_regular = "not a regular file";
constexpr const char *reason_replaced = "replaced while romweld ran";
