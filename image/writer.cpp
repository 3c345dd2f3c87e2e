#include "image/writer.h"

#include "image/map.h"
#include "sys/report.h"

#include <algorithm>
#include <array>
#include <cerrno>

namespace {

// Banks go to the outfile a group at a time from one fixed staging area: each
// piece is read straight into its bank's slot, only the rest of the slot is
// cleared, and the group is written with one call. The streams are
// unbuffered, so no stream buffer copies the bytes again on the way, and
// memory stays the same whatever the size of the image. A group of 64 banks,
// 1 MiB, takes few calls.
constexpr std::int64_t staging_banks = 64;
std::array<unsigned char, staging_banks * bank_size> staging;

unsigned char *slot(std::int64_t index) {
  return staging.data() + index * bank_size;
}

std::FILE *open_unbuffered_input(const char *path) {
  std::FILE *in = open_input(path);
  if (in != nullptr)
    (void)std::setvbuf(in, nullptr, _IONBF, 0);
  return in;
}

// The write pass as it goes: the outfile, the plan, and the write cursor,
// which names the next bank by its address and page.
struct Pass {
  const Outfile &outfile;
  const Plan &plan;
  std::int64_t address;
  std::int64_t page;
};

void report_cursor(const Pass &pass, const char *which) {
  progress("- %s address %llX (page >%04llX)\n", which,
           static_cast<unsigned long long>(pass.address),
           static_cast<unsigned long long>(pass.page));
}

// Writes the first banks of the staging area. With no buffer in between,
// they are in the outfile once this returns, so a line that reports them
// afterwards is true.
bool write_banks(const Pass &pass, std::int64_t banks) {
  const auto bytes = static_cast<std::size_t>(banks * bank_size);
  if (std::fwrite(staging.data(), 1, bytes, pass.outfile.stream) != bytes) {
    outfile_failed(pass.outfile);
    return false;
  }
  return true;
}

// Writes banks of content and moves the cursor past them.
bool write_content(Pass &pass, std::int64_t banks) {
  if (!write_banks(pass, banks))
    return false;
  pass.address += banks * bank_size;
  pass.page += banks;
  return true;
}

bool write_padding(const Pass &pass) {
  const std::int64_t group = std::min(staging_banks, pass.plan.padding_banks);
  for (std::int64_t i = 0; i < bank_size; ++i)
    slot(0)[i] =
        static_cast<unsigned char>(credit_text[static_cast<std::size_t>(i) % credit_text.size()]);
  for (std::int64_t i = 1; i < group; ++i)
    std::copy_n(slot(0), bank_size, slot(i));
  for (std::int64_t left = pass.plan.padding_banks; left > 0; left -= group)
    if (!write_banks(pass, std::min(group, left)))
      return false;
  return true;
}

// Reads pieces of a data file into the slots of the staging area, up to a
// full group or the end of the file, and returns the banks filled. A short
// read is the end of the file, unless the stream says it failed: then
// read_error is set.
std::int64_t read_pieces(std::FILE *in, bool &ended, int &read_error, Extent &extent) {
  std::int64_t filled = 0;
  while (!ended && filled < staging_banks) {
    const std::size_t got = std::fread(slot(filled), 1, data_bank_capacity, in);
    read_error = std::ferror(in) != 0 ? errno : 0;
    ended = read_error != 0 || got < data_bank_capacity;
    if (read_error == 0 && got > 0) {
      // Zeros after the piece, the reserved tail included.
      std::fill(slot(filled) + got, slot(filled + 1), 0);
      extent.bytes += static_cast<std::int64_t>(got);
      ++filled;
    }
  }
  return filled;
}

WriteFault write_data_file(Pass &pass, const char *path) {
  std::FILE *in = open_unbuffered_input(path);
  if (in == nullptr) {
    const int code = errno;
    fail(path, reason_of(code), "Failed to open data file %s, code %d\n", path, code);
    return WriteFault::data_file;
  }
  Extent extent{"data", path, pass.address / bank_size, 0, 0};
  progress("Opened data file '%s'\n", path);
  report_cursor(pass, "starting");

  WriteFault fault = WriteFault::none;
  bool ended = false;
  while (fault == WriteFault::none && !ended) {
    int read_error = 0;
    const std::int64_t filled = read_pieces(in, ended, read_error, extent);
    // The banks read before a failed read come first.
    if (filled > 0 && !write_content(pass, filled)) {
      fault = WriteFault::outfile;
    } else if (read_error != 0) {
      fail(path, reason_of(read_error), "Failed to read data file %s, code %d\n", path, read_error);
      fault = WriteFault::data_file;
    }
  }
  (void)std::fclose(in);
  if (fault == WriteFault::none) {
    extent.banks = pass.address / bank_size - extent.first_bank;
    report_cursor(pass, "ending");
    map_extent(pass.plan, extent);
  }
  return fault;
}

WriteFault write_program_bank(Pass &pass, const char *path) {
  std::FILE *in = open_unbuffered_input(path);
  if (in == nullptr) {
    const int code = errno;
    fail(path, reason_of(code), "Failed to open program file, code %d\n", code);
    return WriteFault::program_file;
  }
  const std::size_t got = std::fread(slot(0), 1, program_bank_capacity, in);
  // One byte more tells a program that fills its bank from one that overflows it.
  const bool too_large = std::ferror(in) == 0 && std::fgetc(in) != EOF;
  if (std::ferror(in) != 0) {
    const int code = errno;
    fail(path, reason_of(code), "Failed to read program file, code %d\n", code);
    (void)std::fclose(in);
    return WriteFault::program_file;
  }
  if (too_large)
    report("Warning - program file may be too large - only %d bytes read!\n",
           static_cast<int>(program_bank_capacity));
  (void)std::fclose(in);
  std::fill(slot(0) + got, slot(1), 0);

  // The cursor is not moved past the program bank: it still names it at the end.
  const Extent extent{"program", path, pass.address / bank_size, 1, static_cast<std::int64_t>(got)};
  if (!write_banks(pass, 1))
    return WriteFault::outfile;
  progress("Opened program file '%s'\n", path);
  report_cursor(pass, "starting");
  map_extent(pass.plan, extent);
  return WriteFault::none;
}

} // namespace

WriteResult write_image(const Outfile &outfile, const Plan &plan, const char *program,
                        std::span<char *const> data) {
  // After the padding, the cursor stands where the plan says content begins.
  Pass pass{outfile, plan, plan.first_address, plan.first_page};
  // Before the first write, as a stream requires.
  (void)std::setvbuf(outfile.stream, nullptr, _IONBF, 0);

  if (plan.padding_banks > 0) {
    if (!write_padding(pass))
      return {WriteFault::outfile, 0};
    map_extent(plan, {"padding", "", 0, plan.padding_banks, 0});
  }

  for (const char *path : data) {
    const WriteFault fault = write_data_file(pass, path);
    if (fault != WriteFault::none)
      return {fault, 0};
  }

  // The program bank is the last one written; its page is the closing check.
  const WriteFault fault = write_program_bank(pass, program);
  return {fault, pass.page};
}

void outfile_failed(const Outfile &outfile) {
  const int code = errno;
  fail(outfile.path, reason_of(code), "Failed to write outfile, code %d\n", code);
}

void cut_to_whole_banks(const Outfile &outfile) {
  const std::int64_t size = open_file_size(outfile.stream);
  int code = size < 0 ? errno : 0;
  if (code == 0 && size % bank_size != 0)
    code = resize_open_file(outfile.stream, size - size % bank_size);
  if (code != 0) {
    errno = code;
    outfile_failed(outfile);
  }
}
