#include "image/writer.h"

#include "app/report.h"
#include "sys/platform.h"

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

// Address and page of the next bank to be written.
struct Cursor {
  std::int64_t address;
  std::int64_t page;
};

void report_cursor(const char *which, const Cursor &cursor) {
  report("- %s address %llX (page >%04llX)\n", which,
         static_cast<unsigned long long>(cursor.address),
         static_cast<unsigned long long>(cursor.page));
}

bool outfile_failed() {
  report("Failed to write outfile, code %d\n", errno);
  return false;
}

bool write_bank(std::FILE *outfile, Cursor &cursor) {
  if (std::fwrite(bank.data(), 1, bank.size(), outfile) != bank.size())
    return outfile_failed();
  cursor.address += bank_size;
  cursor.page += 1;
  return true;
}

// Banks wait in the outfile's buffer until it fills. Flushing it before any
// line that reports banks as written keeps the report true when a write fails.
bool flush_banks(std::FILE *outfile) {
  return std::fflush(outfile) == 0 || outfile_failed();
}

WriteFault write_data_file(std::FILE *outfile, const char *path, Cursor &cursor) {
  std::FILE *in = open_buffered_input(path);
  if (in == nullptr) {
    // GCOVR_EXCL_START: sized a moment ago, so only a file removed since fails here
    report("Failed to open data file %s, code %d\n", path, errno);
    return WriteFault::data_file;
  } // GCOVR_EXCL_STOP
  report("Opened data file '%s'\n", path);
  report_cursor("starting", cursor);

  WriteFault fault = WriteFault::none;
  while (fault == WriteFault::none && std::feof(in) == 0) {
    const std::size_t got = std::fread(bank.data(), 1, data_bank_capacity, in);
    // Zeros after the piece, the reserved tail included: clearing only what
    // the read left is the same bank as clearing first, and cheaper.
    std::fill(bank.begin() + static_cast<std::ptrdiff_t>(got), bank.end(), 0);
    // A short read is the end of the file unless the stream says it failed.
    if (std::ferror(in) != 0) {
      report("Failed to read data file %s, code %d\n", path, errno);
      fault = WriteFault::data_file;
    } else if (got == 0) {
      break;
    } else if (!write_bank(outfile, cursor)) {
      fault = WriteFault::outfile;
    }
  }
  (void)std::fclose(in);
  if (fault == WriteFault::none && !flush_banks(outfile))
    fault = WriteFault::outfile;
  if (fault == WriteFault::none)
    report_cursor("ending", cursor);
  return fault;
}

WriteFault write_program_bank(std::FILE *outfile, const char *path, const Cursor &cursor) {
  std::FILE *in = open_buffered_input(path);
  if (in == nullptr) {
    // GCOVR_EXCL_START: sized a moment ago, so only a file removed since fails here
    report("Failed to open program file, code %d\n", errno);
    return WriteFault::program_file;
  } // GCOVR_EXCL_STOP
  bank.fill(0);
  // A program shorter than its bank is the rule; errors show in ferror.
  (void)std::fread(bank.data(), 1, program_bank_capacity, in);
  // One byte more tells a program that fills its bank from one that overflows it.
  const bool too_large = std::ferror(in) == 0 && std::fgetc(in) != EOF;
  if (std::ferror(in) != 0) {
    report("Failed to read program file, code %d\n", errno);
    (void)std::fclose(in);
    return WriteFault::program_file;
  }
  if (too_large)
    report("Warning - program file may be too large - only %d bytes read!\n",
           static_cast<int>(program_bank_capacity));
  (void)std::fclose(in);

  // The caller's cursor stays on the program bank: run control checks its page.
  Cursor past_program = cursor;
  if (!write_bank(outfile, past_program) || !flush_banks(outfile))
    return WriteFault::outfile;
  report("Opened program file '%s'\n", path);
  report_cursor("starting", cursor);
  return WriteFault::none;
}

} // namespace

WriteResult write_image(std::FILE *outfile, const Plan &plan, const char *program,
                        std::span<char *const> data) {
  Cursor cursor{0, page_base - plan.image_banks};
  // Before the first write, as a stream requires.
  (void)std::setvbuf(outfile, outfile_buffer.data(), _IOFBF, outfile_buffer.size());

  if (plan.padding_banks > 0) {
    for (std::size_t i = 0; i < bank.size(); ++i)
      bank[i] = static_cast<unsigned char>(credit_text[i % credit_text.size()]);
    for (std::int64_t i = 0; i < plan.padding_banks; ++i)
      if (!write_bank(outfile, cursor))
        return {WriteFault::outfile, 0};
    if (!flush_banks(outfile))
      return {WriteFault::outfile, 0};
  }

  for (const char *path : data) {
    const WriteFault fault = write_data_file(outfile, path, cursor);
    if (fault != WriteFault::none)
      return {fault, 0};
  }

  const WriteFault fault = write_program_bank(outfile, program, cursor);
  return {fault, cursor.page};
}

void cut_to_whole_banks(std::FILE *outfile) {
  // What the failed write left in the buffer is lost; the flush may fail again.
  (void)std::fflush(outfile);
  const std::int64_t size = open_file_size(outfile);
  int code = size < 0 ? errno : 0;
  if (code == 0 && size % bank_size != 0)
    code = resize_open_file(outfile, size - size % bank_size);
  if (code != 0) {
    errno = code;
    (void)outfile_failed();
  }
}
