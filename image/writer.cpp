#include "image/writer.h"

#include "image/map.h"
#include "sys/report.h"

#include <algorithm>
#include <array>
#include <cerrno>

namespace {

// The one bank buffer of the run: inputs are streamed through it a bank at a
// time, so memory stays the same whatever the size of the image.
std::array<unsigned char, bank_size> bank;

// The streams' own buffers, fixed and static like the bank. The default of a
// few KiB splits every bank into several system calls, which made a large
// image several times slower to write; with sixteen banks per call the system
// calls no longer dominate. One input is open at a time, so one input buffer
// serves them all.
constexpr std::size_t stream_buffer_size = 16 * bank_size;
std::array<char, stream_buffer_size> outfile_buffer;
std::array<char, stream_buffer_size> input_buffer;

std::FILE *open_buffered_input(const char *path) {
  std::FILE *in = open_input(path);
  // Failing to set it only leaves the default buffer, which is slower.
  if (in != nullptr)
    (void)std::setvbuf(in, input_buffer.data(), _IOFBF, input_buffer.size());
  return in;
}

// The write pass as it goes: the outfile, the plan, and the next bank.
struct Pass {
  const Outfile &outfile;
  const Plan &plan;
  std::int64_t next_bank;
};

void report_bank(const Pass &pass, const char *which, std::int64_t bank_index) {
  progress("- %s address %llX (page >%04llX)\n", which,
           static_cast<unsigned long long>(address_of(bank_index)),
           static_cast<unsigned long long>(page_of(pass.plan, bank_index)));
}

bool write_bank(Pass &pass) {
  if (std::fwrite(bank.data(), 1, bank.size(), pass.outfile.stream) != bank.size()) {
    outfile_failed(pass.outfile);
    return false;
  }
  ++pass.next_bank;
  return true;
}

// Banks wait in the outfile's buffer until it fills. Flushing it before any
// line that reports banks as written keeps the report true when a write fails.
bool flush_banks(const Pass &pass) {
  if (std::fflush(pass.outfile.stream) == 0)
    return true;
  outfile_failed(pass.outfile);
  return false;
}

WriteFault write_data_file(Pass &pass, const char *path) {
  std::FILE *in = open_buffered_input(path);
  if (in == nullptr) {
    const int code = errno;
    fail(path, reason_of(code), "Failed to open data file %s, code %d\n", path, code);
    return WriteFault::data_file;
  }
  Extent extent{"data", path, pass.next_bank, 0, 0};
  progress("Opened data file '%s'\n", path);
  report_bank(pass, "starting", extent.first_bank);

  WriteFault fault = WriteFault::none;
  while (fault == WriteFault::none && std::feof(in) == 0) {
    const std::size_t got = std::fread(bank.data(), 1, data_bank_capacity, in);
    // Zeros after the piece, the reserved tail included: clearing only what
    // the read left is the same bank as clearing first, and cheaper.
    std::fill(bank.begin() + static_cast<std::ptrdiff_t>(got), bank.end(), 0);
    // A short read is the end of the file unless the stream says it failed.
    if (std::ferror(in) != 0) {
      const int code = errno;
      fail(path, reason_of(code), "Failed to read data file %s, code %d\n", path, code);
      fault = WriteFault::data_file;
    } else if (got == 0) {
      break;
    } else if (!write_bank(pass)) {
      fault = WriteFault::outfile;
    }
    extent.bytes += static_cast<std::int64_t>(got);
  }
  (void)std::fclose(in);
  if (fault == WriteFault::none && !flush_banks(pass))
    fault = WriteFault::outfile;
  if (fault == WriteFault::none) {
    extent.banks = pass.next_bank - extent.first_bank;
    report_bank(pass, "ending", pass.next_bank);
    map_extent(pass.plan, extent);
  }
  return fault;
}

WriteFault write_program_bank(Pass &pass, const char *path) {
  std::FILE *in = open_buffered_input(path);
  if (in == nullptr) {
    const int code = errno;
    fail(path, reason_of(code), "Failed to open program file, code %d\n", code);
    return WriteFault::program_file;
  }
  bank.fill(0);
  const std::size_t got = std::fread(bank.data(), 1, program_bank_capacity, in);
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

  const Extent extent{"program", path, pass.next_bank, 1, static_cast<std::int64_t>(got)};
  if (!write_bank(pass) || !flush_banks(pass))
    return WriteFault::outfile;
  progress("Opened program file '%s'\n", path);
  report_bank(pass, "starting", extent.first_bank);
  map_extent(pass.plan, extent);
  return WriteFault::none;
}

} // namespace

WriteResult write_image(const Outfile &outfile, const Plan &plan, const char *program,
                        std::span<char *const> data) {
  Pass pass{outfile, plan, 0};
  // Before the first write, as a stream requires.
  (void)std::setvbuf(outfile.stream, outfile_buffer.data(), _IOFBF, outfile_buffer.size());

  if (plan.padding_banks > 0) {
    for (std::size_t i = 0; i < bank.size(); ++i)
      bank[i] = static_cast<unsigned char>(credit_text[i % credit_text.size()]);
    for (std::int64_t i = 0; i < plan.padding_banks; ++i)
      if (!write_bank(pass))
        return {WriteFault::outfile, 0};
    if (!flush_banks(pass))
      return {WriteFault::outfile, 0};
    map_extent(plan, {"padding", "", 0, plan.padding_banks, 0});
  }

  for (const char *path : data) {
    const WriteFault fault = write_data_file(pass, path);
    if (fault != WriteFault::none)
      return {fault, 0};
  }

  // The program bank is the last one written; its page is the closing check.
  const std::int64_t program_bank = pass.next_bank;
  const WriteFault fault = write_program_bank(pass, program);
  return {fault, page_of(plan, program_bank)};
}

void outfile_failed(const Outfile &outfile) {
  const int code = errno;
  fail(outfile.path, reason_of(code), "Failed to write outfile, code %d\n", code);
}

void cut_to_whole_banks(const Outfile &outfile) {
  // What the failed write left in the buffer is lost; the flush may fail again.
  (void)std::fflush(outfile.stream);
  const std::int64_t size = open_file_size(outfile.stream);
  int code = size < 0 ? errno : 0;
  if (code == 0 && size % bank_size != 0)
    code = resize_open_file(outfile.stream, size - size % bank_size);
  if (code != 0) {
    errno = code;
    outfile_failed(outfile);
  }
}
