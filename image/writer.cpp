#include "image/writer.h"

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

// The write pass as it goes: the outfile, the plan, and the write cursor,
// which names the next bank by its address and page.
struct Pass {
  std::FILE *outfile;
  const Plan &plan;
  std::int64_t address;
  std::int64_t page;
  bool changed;
  bool cartridge;
};

// An input as it is read: no more than what is left of the size it was
// sized at.
struct Reader {
  std::FILE *in;
  std::int64_t left;
  int error; // of a failed read
};

void report_cursor(const Pass &pass, const char *which) {
  progress("- %s address %llX (page >%04llX)\n", which,
           static_cast<unsigned long long>(pass.address),
           static_cast<unsigned long long>(pass.page));
}

// Writes the first banks of the staging area. With no buffer in between,
// they are in the outfile once this returns, so a line that reports them
// afterwards is true.
Fault write_banks(const Pass &pass, std::int64_t banks) {
  const auto bytes = static_cast<std::size_t>(banks * bank_size);
  if (std::fwrite(staging.data(), 1, bytes, pass.outfile) != bytes)
    return {What::write_outfile, nullptr, errno, nullptr, 0, 0};
  return {};
}

// Writes banks of content and moves the cursor past them.
Fault write_content(Pass &pass, std::int64_t banks) {
  const Fault fault = write_banks(pass, banks);
  pass.address += banks * bank_size;
  pass.page += banks;
  return fault;
}

Fault write_padding(const Pass &pass) {
  const std::int64_t group = std::min(staging_banks, pass.plan.padding_banks);
  for (std::int64_t i = 0; i < bank_size; ++i)
    slot(0)[i] =
        static_cast<unsigned char>(credit_text[static_cast<std::size_t>(i) % credit_text.size()]);
  for (std::int64_t i = 1; i < group; ++i)
    std::copy_n(slot(0), bank_size, slot(i));
  for (std::int64_t left = pass.plan.padding_banks; left > 0; left -= group)
    if (const Fault fault = write_banks(pass, std::min(group, left)); failed(fault))
      return fault;
  return {};
}

// Opens an input again, for the write pass; the file must be the one that
// was sized. Unbuffered: each read goes straight into the staging area.
Fault open_sized(const Input &input, What what, std::FILE *&in) {
  const Opened opened = open_regular(input.path, &input.id);
  in = opened.file;
  if (in == nullptr)
    return {what, input.path, opened.code, opened.reason, 0, 0};
  (void)std::setvbuf(in, nullptr, _IONBF, 0);
  return {};
}

// Reads up to want bytes. Fewer than were left means the input has shrunk.
std::size_t read_some(Reader &reader, unsigned char *to, std::int64_t want, bool &changed) {
  const auto asked = static_cast<std::size_t>(std::min(want, reader.left));
  const std::size_t got = std::fread(to, 1, asked, reader.in);
  if (std::ferror(reader.in) != 0) {
    reader.error = errno;
    return 0;
  }
  reader.left -= static_cast<std::int64_t>(got);
  if (got < asked) {
    changed = true;
    reader.left = 0;
  }
  return got;
}

// At the size it was sized at, an input that has not grown has ended.
void check_end(Reader &reader, bool &changed) {
  if (std::fgetc(reader.in) != EOF)
    changed = true;
  else if (std::ferror(reader.in) != 0)
    reader.error = errno;
}

// Reads pieces of a data file into the slots of the staging area, up to a
// full group or the end of the file, and returns the banks filled.
std::int64_t read_pieces(Reader &reader, bool &changed) {
  std::int64_t filled = 0;
  while (reader.left > 0 && reader.error == 0 && filled < staging_banks) {
    const std::size_t got = read_some(reader, slot(filled), data_bank_capacity, changed);
    if (got > 0) {
      // Zeros after the piece, the reserved tail included.
      std::fill(slot(filled) + got, slot(filled + 1), 0);
      ++filled;
    }
  }
  if (reader.left == 0 && reader.error == 0)
    check_end(reader, changed);
  return filled;
}

Fault write_data_file(Pass &pass, const Input &input) {
  std::FILE *in = nullptr;
  if (const Fault fault = open_sized(input, What::open_data, in); failed(fault))
    return fault;
  progress("Opened data file '%s'\n", input.path);
  report_cursor(pass, "starting");

  Reader reader{in, input.size, 0};
  Fault fault{};
  while (!failed(fault)) {
    const std::int64_t filled = read_pieces(reader, pass.changed);
    // The banks read before a failed read come first.
    if (filled > 0)
      fault = write_content(pass, filled);
    if (!failed(fault) && reader.error != 0)
      fault = {What::read_data, input.path, reader.error, nullptr, 0, 0};
    else if (reader.left == 0)
      break;
  }
  (void)std::fclose(in);
  if (!failed(fault))
    report_cursor(pass, "ending");
  return fault;
}

Fault write_program_bank(Pass &pass, const Input &input) {
  std::FILE *in = nullptr;
  if (const Fault fault = open_sized(input, What::open_program, in); failed(fault))
    return fault;
  Reader reader{in, input.size, 0};
  const std::size_t got = read_some(reader, slot(0), program_bank_capacity, pass.changed);
  // Bytes past the bank never reach the image; a program that fits it must
  // end where it did.
  const bool too_large = input.size > program_bank_capacity;
  if (!too_large && reader.error == 0)
    check_end(reader, pass.changed);
  (void)std::fclose(in);
  if (reader.error != 0)
    return {What::read_program, input.path, reader.error, nullptr, 0, 0};
  if (too_large) {
    report("Warning - program file may be too large - only %d bytes read!\n",
           static_cast<int>(program_bank_capacity));
    // What the warning leaves out: how much did not fit.
    char reason[128];
    (void)std::snprintf(reason, sizeof reason,
                        "%lld bytes, of which the %lld past its bank of %lld are not in the image",
                        static_cast<long long>(input.size),
                        static_cast<long long>(input.size - program_bank_capacity),
                        static_cast<long long>(program_bank_capacity));
    explain(input.path, reason);
  }
  std::fill(slot(0) + got, slot(1), 0);
  pass.cartridge = cartridge_header(slot(0));

  // The cursor is not moved past the program bank: it still names it at the end.
  if (const Fault fault = write_banks(pass, 1); failed(fault))
    return fault;
  progress("Opened program file '%s'\n", input.path);
  report_cursor(pass, "starting");
  return {};
}

} // namespace

Fault write_image(std::FILE *outfile, const Plan &plan, std::span<const Input> data,
                  const Input &program, Written &written) {
  // After the padding, the cursor stands where the plan says content begins.
  Pass pass{outfile, plan, plan.first_address, plan.first_page, false, false};
  // Before the first write, as a stream requires.
  (void)std::setvbuf(outfile, nullptr, _IONBF, 0);

  Fault fault = plan.padding_banks > 0 ? write_padding(pass) : Fault{};
  for (const Input &input : data)
    if (!failed(fault))
      fault = write_data_file(pass, input);
  // The program bank is the last one written; its page is the closing check.
  if (!failed(fault))
    fault = write_program_bank(pass, program);
  written = {pass.changed, pass.page, pass.cartridge};
  return fault;
}
