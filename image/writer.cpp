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
// memory stays the same whatever the size of the image. A group of 8 banks,
// 128 KiB, is as much as cat copies at a time: more would take no fewer
// calls to speak of, and only cost pages.
constexpr std::int64_t staging_banks = 8;
std::array<unsigned char, staging_banks * bank_size> staging;
// The slots that hold the padding pattern, which a run of padding banks then
// needs only once.
std::array<bool, staging_banks> patterned;

std::size_t index_of(const Writer &writer, std::int64_t bank) {
  return static_cast<std::size_t>(bank - writer.staged);
}

unsigned char *slot(const Writer &writer, std::int64_t bank) {
  return staging.data() + static_cast<std::int64_t>(index_of(writer, bank)) * bank_size;
}

void report_at(const char *which, Spot spot) {
  progress("- %s address %llX (page >%04llX)\n", which,
           static_cast<unsigned long long>(spot.address),
           static_cast<unsigned long long>(spot.page));
}

// Writes the staged banks before bank. With no buffer in between, they are in
// the outfile once this returns, so a line that reports them afterwards is
// true. The first kept bytes of bank, read already, move to the first slot.
Fault write_before(Writer &writer, std::int64_t bank, std::int64_t kept) {
  const std::int64_t banks = bank - writer.staged;
  if (banks <= 0)
    return {};
  const auto bytes = static_cast<std::size_t>(banks * bank_size);
  if (std::fwrite(staging.data(), 1, bytes, writer.outfile) != bytes)
    return {.what = What::write_outfile, .code = errno};
  if (kept > 0) {
    std::copy_n(slot(writer, bank), kept, staging.data());
    patterned[0] = false;
  }
  writer.staged = bank;
  return {};
}

void pad(const Writer &writer, std::int64_t bank) {
  if (patterned[index_of(writer, bank)])
    return;
  unsigned char *to = slot(writer, bank);
  for (std::int64_t i = 0; i < bank_size; ++i)
    to[i] =
        static_cast<unsigned char>(credit_text[static_cast<std::size_t>(i) % credit_text.size()]);
  patterned[index_of(writer, bank)] = true;
}

// Ends the reading of an input, with the fault that ended it, if any.
Fault stop_reading(Writer &writer, const Fault &fault) {
  if (writer.in != nullptr)
    (void)std::fclose(writer.in);
  writer.in = nullptr;
  return fault;
}

// Opens an input again, for the write pass; the file must be the one that was
// sized. Unbuffered: each read goes straight into the staging area.
Fault start_reading(Writer &writer, const Input &input, What what) {
  const Opened opened = open_regular(input.path, &input.id);
  if (opened.file == nullptr)
    return not_opened(opened, what, input.path);
  (void)std::setvbuf(opened.file, nullptr, _IONBF, 0);
  writer.in = opened.file;
  writer.left = input.size;
  return {};
}

// Reads want bytes of the input. Fewer than there should be left means it has
// shrunk, and its missing bytes are zeros.
Fault read_into(Writer &writer, unsigned char *to, std::int64_t want, const Fault &failure) {
  const auto asked = static_cast<std::size_t>(std::min(want, writer.left));
  const std::size_t got = std::fread(to, 1, asked, writer.in);
  if (std::ferror(writer.in) != 0)
    return stop_reading(writer, {failure.what, failure.path, errno});
  writer.left -= static_cast<std::int64_t>(got);
  if (static_cast<std::int64_t>(got) < want) {
    writer.changed = true;
    writer.left = 0;
    std::fill(to + got, to + want, 0);
  }
  return {};
}

// At the size it was sized at, an input that has not grown has ended.
Fault check_end(Writer &writer, const Fault &failure) {
  if (std::fgetc(writer.in) != EOF)
    writer.changed = true;
  else if (std::ferror(writer.in) != 0)
    return stop_reading(writer, {failure.what, failure.path, errno});
  return stop_reading(writer, {});
}

// A data file's first piece: the banks before its bank go out first.
Fault start_data(Writer &writer, std::int64_t bank, const Piece &piece, const Input &file) {
  if (const Fault fault = write_before(writer, bank, piece.at); failed(fault))
    return fault;
  if (const Fault fault = start_reading(writer, file, What::open_data); failed(fault))
    return fault;
  progress("Opened data file '%s'\n", file.path);
  report_at("starting", start_of(*writer.plan, file));
  return {};
}

// A data file's last piece: its banks go out before its end is reported, all
// but the one it ends in if later files still fill that one.
Fault end_data(Writer &writer, const Input &file, std::int64_t bank, std::int64_t kept) {
  if (const Fault fault = check_end(writer, {What::read_data, file.path}); failed(fault))
    return fault;
  if (const Fault fault = write_before(writer, bank, kept); failed(fault))
    return fault;
  report_at("ending", end_of(*writer.plan, file));
  return {};
}

// Reads the pieces of a bank into its slot; a data bank's zeros follow them.
Fault fill_pieces(Writer &writer, std::int64_t bank) {
  const Bank &into = writer.plan->banks[static_cast<std::size_t>(bank)];
  for (std::uint32_t i = 0; i < into.pieces; ++i) {
    const Piece &piece = writer.plan->pieces[into.first + i];
    const Input &file = writer.data[piece.file];
    if (piece.from == 0)
      if (const Fault fault = start_data(writer, bank, piece, file); failed(fault))
        return fault;
    patterned[index_of(writer, bank)] = false;
    const std::int64_t end = piece.at + piece.bytes;
    if (const Fault fault = read_into(writer, slot(writer, bank) + piece.at, piece.bytes,
                                      {What::read_data, file.path});
        failed(fault))
      return fault;
    const bool ends_bank = i + 1 == into.pieces && into.fill == Fill::data;
    if (ends_bank)
      std::fill(slot(writer, bank) + end, slot(writer, bank) + bank_size, 0);
    if (piece.from + piece.bytes == file.size)
      if (const Fault fault =
              end_data(writer, file, ends_bank ? bank + 1 : bank, ends_bank ? 0 : end);
          failed(fault))
        return fault;
  }
  return {};
}

// Fills a bank from a segment of the linked program's records, zeros where
// they give no byte. A program that is no longer the records that were read
// makes the image unlike its plan.
Fault fill_linked(Writer &writer, std::int64_t bank) {
  // The program's bank is that of segment 0.
  const std::uint8_t segment = writer.plan->banks[static_cast<std::size_t>(bank)].segment;
  const Input &program = *writer.program;
  const Opened opened = open_regular(program.path, &program.id);
  if (opened.file == nullptr)
    return not_opened(opened, What::open_program, program.path);
  unsigned char *to = slot(writer, bank);
  patterned[index_of(writer, bank)] = false;
  std::fill(to, to + bank_size, 0);
  const int placed = place_segment(opened.file, *writer.linked, segment, to);
  (void)std::fclose(opened.file);
  if (placed > 0)
    return {.what = What::read_program, .path = program.path, .code = placed};
  writer.changed = writer.changed || placed != 0 || opened.info.size != program.size;
  if (segment != 0) {
    progress("Opened linked bank of program file '%s'\n", program.path);
    report_at("starting", {address_of(bank), page_of(*writer.plan, bank)});
  }
  return {};
}

// Makes room for a bank in the staging area: a full one goes out.
Fault stage(Writer &writer, std::int64_t bank) {
  return bank - writer.staged == staging_banks ? write_before(writer, bank, 0) : Fault{};
}

} // namespace

Writer start_writing(std::FILE *outfile, const Plan &plan, std::span<const Input> data,
                     const Input &program, const Linked *linked) {
  // Before the first write, as a stream requires.
  (void)std::setvbuf(outfile, nullptr, _IONBF, 0);
  patterned.fill(false);
  return {outfile, &plan, data, &program, linked, 0, nullptr, 0, false, false};
}

Fault write_banks(Writer &writer) {
  for (std::int64_t bank = 0; bank + 1 < writer.plan->image_banks; ++bank) {
    if (const Fault fault = stage(writer, bank); failed(fault))
      return fault;
    const Bank &into = writer.plan->banks[static_cast<std::size_t>(bank)];
    if (into.fill == Fill::padding)
      pad(writer, bank);
    else if (const Fault fault =
                 into.fill == Fill::linked ? fill_linked(writer, bank) : fill_pieces(writer, bank);
             failed(fault))
      return fault;
  }
  return {};
}

Fault read_program_bank(Writer &writer) {
  const std::int64_t bank = writer.plan->image_banks - 1;
  if (const Fault fault = stage(writer, bank); failed(fault))
    return fault;
  if (const Fault fault = fill_pieces(writer, bank); failed(fault))
    return fault;
  if (const Fault fault = write_before(writer, bank, 0); failed(fault))
    return fault;
  if (writer.linked != nullptr) {
    if (const Fault fault = fill_linked(writer, bank); failed(fault))
      return fault;
    writer.cartridge = cartridge_header(slot(writer, bank));
    return {};
  }
  const Input &program = *writer.program;
  if (const Fault fault = start_reading(writer, program, What::open_program); failed(fault))
    return fault;
  const std::int64_t bytes = std::min(program.size, program_bank_capacity);
  unsigned char *to = slot(writer, bank);
  patterned[0] = false;
  const Fault failure{What::read_program, program.path};
  if (const Fault fault = read_into(writer, to, bytes, failure); failed(fault))
    return fault;
  // A program that fits its bank must end where it did.
  if (const Fault fault = program.size <= program_bank_capacity ? check_end(writer, failure)
                                                                : stop_reading(writer, {});
      failed(fault))
    return fault;
  std::fill(to + bytes, to + bank_size, 0);
  writer.cartridge = cartridge_header(to);
  return {};
}

Fault write_program_bank(Writer &writer) {
  const std::int64_t bank = writer.plan->image_banks - 1;
  if (const Fault fault = write_before(writer, bank + 1, 0); failed(fault))
    return fault;
  progress("Opened program file '%s'\n", writer.program->path);
  report_at("starting", {address_of(bank), page_of(*writer.plan, bank)});
  return {};
}

Fault check_unchanged(const Writer &writer) {
  return writer.changed ? Fault{.what = What::changed} : Fault{};
}

Finding check_header(const Writer &writer) {
  if (writer.cartridge)
    return {};
  return {.what = Found::no_cartridge_header, .path = writer.program->path};
}
