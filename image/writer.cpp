#include "image/writer.h"

#include "image/place.h"
#include "sys/report.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <tuple>

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

// The data banks in the staging area: the bank in its first slot, counted
// from the first data bank, and the bytes of content in each slot. A bank's
// content starts at its beginning, and zeros follow it.
struct Window {
  std::int64_t first = 0;
  std::array<std::int64_t, staging_banks> fill{};
};

// The data files by the place of their first byte in the image.
std::array<std::uint32_t, max_banks> image_order;

void report_at(const char *which, std::int64_t address, std::int64_t page) {
  progress("- %s address %llX (page >%04llX)\n", which, static_cast<unsigned long long>(address),
           static_cast<unsigned long long>(page));
}

void report_cursor(const Writer &writer, const char *which) {
  report_at(which, writer.address, writer.page);
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

// Writes the data banks before bank, content then zeros, and moves the
// cursor past them; what the staging area holds of bank, a bank that later
// files still fill, moves to its first slot.
Fault flush(Writer &writer, Window &window, std::int64_t bank) {
  const std::int64_t banks = bank - window.first;
  if (banks <= 0)
    return {};
  for (std::int64_t i = 0; i < banks; ++i)
    std::fill(slot(i) + window.fill[static_cast<std::size_t>(i)], slot(i + 1), 0);
  const Fault fault = write_content(writer, banks);
  const std::int64_t kept =
      banks < staging_banks ? window.fill[static_cast<std::size_t>(banks)] : 0;
  std::copy_n(slot(banks), kept, slot(0));
  window.fill.fill(0);
  window.fill[0] = kept;
  window.first = bank;
  return fault;
}

// The bank after the last that holds content.
std::int64_t content_end(const Window &window) {
  std::int64_t end = 0;
  for (std::int64_t i = 0; i < staging_banks; ++i)
    if (window.fill[static_cast<std::size_t>(i)] > 0)
      end = i + 1;
  return window.first + end;
}

// Reads a data file into its place, byte i at offset + i of the data banks,
// 16,128 bytes to a bank: packed, where the plan put it; else in the bank
// after the last written. Before a bank comes in that a full staging area
// cannot take, the banks there go out: no earlier bank gets content any more.
Fault read_into_place(Writer &writer, Window &window, const Input &input, Reader &reader) {
  std::int64_t bank = writer.plan.packed ? input.bank : window.first;
  for (std::int64_t at = input.offset; reader.left > 0 && reader.error == 0; ++bank, at = 0) {
    if (bank >= window.first + staging_banks)
      if (const Fault fault = flush(writer, window, bank); failed(fault))
        return fault;
    const auto index = static_cast<std::size_t>(bank - window.first);
    const std::size_t got =
        read_some(reader, slot(bank - window.first) + at, data_bank_capacity - at, writer.changed);
    if (got > 0)
      window.fill[index] = at + static_cast<std::int64_t>(got);
  }
  if (reader.left == 0 && reader.error == 0)
    check_end(reader, writer.changed);
  return {};
}

// Where a packed data file ends: the address after its last byte, in the
// bank that holds it.
void report_packed_end(const Plan &plan, const Input &input) {
  const std::int64_t last = std::max<std::int64_t>(banks_spanned(input) - 1, 0);
  report_at("ending",
            plan.first_address + (input.bank + last) * bank_size + input.offset + input.size -
                last * data_bank_capacity,
            plan.first_page + input.bank + last);
}

Fault write_data_file(Writer &writer, Window &window, const Input &input) {
  std::FILE *in = nullptr;
  if (const Fault fault = open_sized(input, What::open_data, in); failed(fault))
    return fault;
  const Plan &plan = writer.plan;
  progress("Opened data file '%s'\n", input.path);
  if (plan.packed)
    report_at("starting", plan.first_address + input.bank * bank_size + input.offset,
              plan.first_page + input.bank);
  else
    report_cursor(writer, "starting");
  Reader reader{in, input.size, 0};
  Fault fault = read_into_place(writer, window, input, reader);
  (void)std::fclose(in);
  // Its banks go out before its end is reported, all that hold content but
  // a last one that later packed files still fill; after a failed read, the
  // banks read before it.
  if (!failed(fault)) {
    const std::int64_t end = content_end(window);
    fault = flush(writer, window, plan.packed && reader.error == 0 ? end - 1 : end);
  }
  if (!failed(fault) && reader.error != 0)
    fault = {.what = What::read_data, .path = input.path, .code = reader.error};
  if (failed(fault))
    return fault;
  if (plan.packed)
    report_packed_end(plan, input);
  else
    report_cursor(writer, "ending");
  return {};
}

// The data files in the order their bytes stand in the image; an empty file
// comes before a file that begins where it stands.
std::span<const std::uint32_t> order_of(std::span<const Input> data) {
  const std::span<std::uint32_t> order = std::span(image_order).first(data.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = static_cast<std::uint32_t>(i);
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return std::tie(data[a].bank, data[a].offset, a) < std::tie(data[b].bank, data[b].offset, b);
  });
  return order;
}

} // namespace

Writer start_writing(std::FILE *outfile, const Plan &plan) {
  // Before the first write, as a stream requires.
  (void)std::setvbuf(outfile, nullptr, _IONBF, 0);
  // After the padding, the cursor stands where the plan says content begins.
  return {.outfile = outfile, .plan = plan, .address = plan.first_address, .page = plan.first_page};
}

Fault write_data_banks(Writer &writer, std::span<const Input> data) {
  if (writer.plan.padding_banks > 0)
    if (const Fault fault = write_padding(writer); failed(fault))
      return fault;
  Window window{};
  for (const std::uint32_t file : order_of(data))
    if (const Fault fault = write_data_file(writer, window, data[file]); failed(fault))
      return fault;
  // The last bank of packed files.
  return flush(writer, window, content_end(window));
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
