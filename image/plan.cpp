#include "image/plan.h"

#include "image/place.h"
#include "sys/report.h"

#include <algorithm>
#include <cerrno>

namespace {

// The plan of the run. Every data file has a piece, and a file's further
// pieces each begin a bank of its own, so this is room for all of them.
std::array<Bank, max_banks> banks;
std::array<Piece, max_data_files + max_banks> pieces;

// Calls each with the bank and the piece of every part of a data file, in
// order: as many bytes as the room left in its bank holds, then 16,128 in
// each further bank.
template <typename Each> void each_piece(const Plan &plan, std::span<const Input> data, Each each) {
  for (std::size_t file = 0; file < data.size(); ++file) {
    const Input &input = data[file];
    std::int64_t bank = first_bank_of(plan, input);
    Piece piece{static_cast<std::uint32_t>(file), 0, 0, static_cast<std::int16_t>(input.offset)};
    do {
      piece.bytes = static_cast<std::int16_t>(
          std::min(input.size - piece.from, data_bank_capacity - piece.at));
      each(bank++, piece);
      piece.from += piece.bytes;
      piece.at = 0;
    } while (piece.from < input.size);
  }
}

// Cuts the data files into pieces, each bank's in the order they stand in
// it: a bank's pieces come from files in their command-line order, and each
// goes after the bytes already there, so counting them first gives every
// bank its place in the list.
std::size_t cut_pieces(const Plan &plan, std::span<const Input> data) {
  each_piece(plan, data, [](std::int64_t bank, const Piece &) {
    ++banks[static_cast<std::size_t>(bank)].pieces;
  });
  std::uint32_t count = 0;
  for (Bank &bank : std::span(banks).first(static_cast<std::size_t>(plan.image_banks))) {
    bank.first = count;
    count += bank.pieces;
    bank.pieces = 0;
  }
  each_piece(plan, data, [](std::int64_t bank, const Piece &piece) {
    Bank &into = banks[static_cast<std::size_t>(bank)];
    pieces[into.first + into.pieces++] = piece;
    into.used = static_cast<std::int16_t>(into.used + piece.bytes);
  });
  return count;
}

// The banks of the plan by what fills them: padding in front, so that no page
// of the content moves whatever the size of the image, then the data, the
// program last; the banks of a linked program's segments where they fall.
void lay_out_banks(Plan &plan, const Linked *linked, std::int64_t program_used) {
  const auto in_image = static_cast<std::size_t>(plan.image_banks);
  const std::int64_t data_start = plan.image_banks - 1 - plan.data_banks;
  for (std::size_t bank = 0; bank < in_image; ++bank)
    banks[bank] = {0, 0, 0,
                   static_cast<std::int64_t>(bank) < data_start ? Fill::padding : Fill::data, 0};
  banks[in_image - 1] = {0, 0, static_cast<std::int16_t>(program_used), Fill::program, 0};
  plan.linked_banks = 0;
  for (std::int64_t s = 1; linked != nullptr && s < max_segments; ++s)
    if (const Segment &segment = linked->segments[static_cast<std::size_t>(s)]; segment.used > 0) {
      banks[static_cast<std::size_t>(s % plan.image_banks)] = {
          0, 0, static_cast<std::int16_t>(segment.used), Fill::linked,
          static_cast<std::uint8_t>(s)};
      ++plan.linked_banks;
    }
  plan.padding_banks = plan.image_banks - 1 - plan.data_banks - plan.linked_banks;
  plan.banks = std::span(banks).first(in_image);
}

// The smallest image, from the least asked, in which every segment of a
// linked program has a bank of its own; or exactly the one asked.
Fault fit_image(const Linked &linked, std::span<const Input> data, std::int64_t data_banks,
                BankCount asked, std::int64_t &image_banks) {
  Fault fault = fit_segments(linked, data, image_banks, data_banks);
  while (failed(fault) && asked.exactly == 0 && image_banks < max_banks) {
    image_banks *= 2;
    fault = fit_segments(linked, data, image_banks, data_banks);
  }
  return fault;
}

} // namespace

std::int64_t image_bank_count(std::int64_t planned, BankCount asked) {
  // Flash chips come in powers of two, so the image does too.
  if (asked.exactly > 0)
    return asked.exactly;
  std::int64_t image_banks = std::max<std::int64_t>(asked.at_least, 1);
  while (image_banks < planned)
    image_banks *= 2;
  return image_banks;
}

Fault make_plan(std::span<Input> data, std::int64_t program_bytes, const Linked *linked,
                BankCount asked, bool pack, Plan &plan) {
  std::int64_t data_banks = 0;
  if (const Fault fault = place_files(data, pack, data_banks); failed(fault))
    return fault;
  std::int64_t segments = 0;
  for (std::int64_t s = 1; linked != nullptr && s < max_segments; ++s)
    segments += linked->segments[static_cast<std::size_t>(s)].used > 0 ? 1 : 0;
  const std::int64_t planned = data_banks + 1 + segments;
  if (planned > max_banks)
    return {.what = What::too_many_banks, .code = EFBIG, .banks = planned, .limit = max_banks};
  if (asked.exactly > 0 && planned > asked.exactly)
    return {.what = What::more_than_asked, .code = EFBIG, .banks = planned, .limit = asked.exactly};
  std::int64_t image_banks = image_bank_count(planned, asked);
  if (linked != nullptr)
    if (const Fault fault = fit_image(*linked, data, data_banks, asked, image_banks); failed(fault))
      return fault;
  plan = {image_banks, data_banks, 0, 0, pack, {}, {}};
  lay_out_banks(plan, linked,
                linked != nullptr ? linked->segments[0].used
                                  : std::min(program_bytes, program_bank_capacity));
  plan.pieces = std::span(pieces).first(cut_pieces(plan, data));
  return {};
}

Spot start_of(const Plan &plan, const Input &file) {
  const std::int64_t bank = first_bank_of(plan, file);
  return {address_of(bank) + file.offset, page_of(plan, bank)};
}

Spot end_of(const Plan &plan, const Input &file) {
  const std::int64_t first = first_bank_of(plan, file);
  const std::int64_t spanned = banks_spanned(file);
  if (!plan.packed)
    return {address_of(first + spanned), page_of(plan, first + spanned)};
  const std::int64_t last = std::max<std::int64_t>(spanned - 1, 0);
  return {address_of(first + last) + file.offset + file.size - last * data_bank_capacity,
          page_of(plan, first + last)};
}

void report_padding(const Plan &plan) {
  // The size of the whole image, not that of the padding.
  if (plan.padding_banks > 0)
    progress("Padding for %dk\n", static_cast<int>(plan.image_banks * bank_size / 1024));
}

std::array<Finding, 2> check_plan(const Plan &plan) {
  std::array<Finding, 2> found{};
  const bool over = plan.image_banks > megacart_limit;
  if (over && plan.padding_banks > 0)
    found[0] = {.what = Found::padded_past_megacart, .banks = plan.image_banks};
  if (over)
    found[1] = {.what = Found::over_megacart, .banks = plan.image_banks};
  else if (plan.image_banks < smallest_board)
    found[1] = {.what = Found::under_board, .banks = plan.image_banks};
  return found;
}

Finding check_program(const Input &program, const Linked *linked) {
  if (linked != nullptr || program.size <= program_bank_capacity)
    return {};
  return {.what = Found::program_too_large, .path = program.path, .bytes = program.size};
}
