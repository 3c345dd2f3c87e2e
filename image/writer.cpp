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

// An input as it is read: no more than what is left of the size it was
// sized at.
struct Reader {
  std::FILE *in;
  std::int64_t left;
  int error; // of a failed read
};

void report_cursor(const Writer &writer, const char *which) {
  progress("- %s address %llX (page >%04llX)\n", which,
           static_cast<unsigned long long>(writer.address),
           static_cast<unsigned long long>(writer.page));
}

// Writes the first banks of the staging area. With no buffer in between,
// they are in the outfile once this returns, so a line that reports them
// afterwards is true.
Fault write_banks(const Writer &writer, std::int64_t banks) {
  const auto bytes = static_cast<std::size_t>(banks * bank_size);
  if (std::fwrite(staging.data(), 1, bytes, writer.outfile) != bytes)
    return {.what = What::write_outfile, .code = errno};
  return {};
}

// Writes banks of content and moves the cursor past them.
Fault write_content(Writer &writer, std::int64_t banks) {
  const Fault fault = write_banks(writer, banks);
  writer.address += banks * bank_size;
  writer.page += banks;
  return fault;
}

Fault write_padding(const Writer &writer) {
  const std::int64_t group = std::min(staging_banks, writer.plan.padding_banks);
  for (std::int64_t i = 0; i < bank_size; ++i)
    slot(0)[i] =
        static_cast<unsigned char>(credit_text[static_cast<std::size_t>(i) % credit_text.size()]);
  for (std::int64_t i = 1; i < group; ++i)
    std::copy_n(slot(0), bank_size, slot(i));
  for (std::int64_t left = writer.plan.padding_banks; left > 0; left -= group)
    if (const Fault fault = write_banks(writer, std::min(group, left)); failed(fault))
      return fault;
  return {};
}

// Opens an input again, for the write pass; the file must be the one that
// was sized. Unbuffered: each read goes straight into the staging area.
Fault open_sized(const Input &input, What what, std::FILE *&in) {
  const Opened opened = open_regular(input.path, &input.id);
  in = opened.file;
  if (in == nullptr)
    return {.what = what, .path = input.path, .code = opened.code, .reason = opened.reason};
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

Fault write_data_file(Writer &writer, const Input &input) {
  std::FILE *in = nullptr;
  if (const Fault fault = open_sized(input, What::open_data, in); failed(fault))
    return fault;
  progress("Opened data file '%s'\n", input.path);
  report_cursor(writer, "starting");

  Reader reader{in, input.size, 0};
  Fault fault{};
  while (!failed(fault)) {
    const std::int64_t filled = read_pieces(reader, writer.changed);
    // The banks read before a failed read come first.
    if (filled > 0)
      fault = write_content(writer, filled);
    if (!failed(fault) && reader.error != 0)
      fault = {.what = What::read_data, .path = input.path, .code = reader.error};
    else if (reader.left == 0)
      break;
  }
  (void)std::fclose(in);
  if (!failed(fault))
    report_cursor(writer, "ending");
  return fault;
}

} // namespace

Writer start_writing(std::FILE *outfile, const Plan &plan) {
  // Before the first write, as a stream requires.
  (void)std::setvbuf(outfile, nullptr, _IONBF, 0);
  // After the padding, the cursor stands where the plan says content begins.
  return {.outfile = outfile, .plan = plan, .address = plan.first_address, .page = plan.first_page};
}

Fault write_data_banks(Writer &writer, std::span<const Input> data) {
  Fault fault = writer.plan.padding_banks > 0 ? write_padding(writer) : Fault{};
  for (const Input &input : data)
    if (!failed(fault))
      fault = write_data_file(writer, input);
  return fault;
}

Fault read_program_bank(Writer &writer, const Input &program) {
  std::FILE *in = nullptr;
  if (const Fault fault = open_sized(program, What::open_program, in); failed(fault))
    return fault;
  Reader reader{in, program.size, 0};
  const std::size_t got = read_some(reader, slot(0), program_bank_capacity, writer.changed);
  // A program that fits its bank must end where it did.
  if (program.size <= program_bank_capacity && reader.error == 0)
    check_end(reader, writer.changed);
  (void)std::fclose(in);
  if (reader.error != 0)
    return {.what = What::read_program, .path = program.path, .code = reader.error};
  std::fill(slot(0) + got, slot(1), 0);
  writer.cartridge = cartridge_header(slot(0));
  return {};
}

Fault write_program_bank(Writer &writer, const Input &program) {
  // The cursor is not moved past the program bank: it still names it at the end.
  if (const Fault fault = write_banks(writer, 1); failed(fault))
    return fault;
  progress("Opened program file '%s'\n", program.path);
  report_cursor(writer, "starting");
  return {};
}

Finding check_written(const Writer &writer, const Input &program) {
  // An input that changed between the two passes gives an image unlike the
  // plan; it can move the program bank, too.
  if (writer.changed || writer.page != program_page)
    return {.what = Found::unlike_plan};
  if (!writer.cartridge)
    return {.what = Found::no_cartridge_header, .path = program.path};
  return {};
}
