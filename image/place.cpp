#include "image/place.h"

#include "image/layout.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>

namespace {

// The room left in each data bank, as a tree of maxima, so that the first
// bank with room enough is found in as many steps as the tree is deep: the
// banks are its leaves, and each node holds the most room below it. A bank
// not yet opened has none. A run uses only as many leaves as its files could
// open banks.
std::array<std::int32_t, 2 * max_banks> room;
std::size_t leaves = 1;

std::int32_t &room_of(std::int64_t bank) {
  return room[leaves + static_cast<std::size_t>(bank)];
}

// After a change to a bank's room, the nodes above it.
void update(std::int64_t bank) {
  for (std::size_t at = (leaves + static_cast<std::size_t>(bank)) / 2; at > 0; at /= 2)
    room[at] = std::max(room[2 * at], room[2 * at + 1]);
}

// The first bank with room for size bytes, or -1.
std::int64_t first_with_room(std::int64_t size) {
  if (room[1] < size)
    return -1;
  std::size_t at = 1;
  while (at < leaves)
    at = room[2 * at] >= size ? 2 * at : 2 * at + 1;
  return static_cast<std::int64_t>(at - leaves);
}

// Where the bytes after a placed file go: its last bank, after its last byte.
void place_after(const Input *before, Input &input) {
  input.bank = 0;
  input.offset = 0;
  if (before == nullptr)
    return;
  const std::int64_t end = before->offset + before->size;
  const std::int64_t pieces = before->size == 0 ? 0 : (end - 1) / data_bank_capacity;
  input.bank = static_cast<std::int32_t>(before->bank + pieces);
  input.offset = static_cast<std::int32_t>(end - pieces * data_bank_capacity);
}

// Packs the data files into banks; returns the count of data banks, which
// may be more than there are pages. No file opens more banks than it would
// unpacked, so those are leaves enough.
std::int64_t pack_files(std::span<Input> data, std::int64_t unpacked) {
  leaves =
      std::bit_ceil(static_cast<std::size_t>(std::clamp<std::int64_t>(unpacked, 1, max_banks)));
  std::fill_n(room.begin(), 2 * leaves, 0);
  std::int64_t banks = 0;
  const Input *before = nullptr;
  for (Input &input : data) {
    const std::int64_t bank =
        input.size > 0 && input.size <= data_bank_capacity ? first_with_room(input.size) : -1;
    if (input.size == 0) {
      place_after(before, input);
    } else if (bank >= 0) {
      input.bank = static_cast<std::int32_t>(bank);
      input.offset = static_cast<std::int32_t>(data_bank_capacity - room_of(bank));
      room_of(bank) -= static_cast<std::int32_t>(input.size);
      update(bank);
    } else {
      // New banks, the file from the start of the first; the room its last
      // piece leaves is open to later files, where the bank has a page.
      input.bank = static_cast<std::int32_t>(std::min(banks, max_banks));
      input.offset = 0;
      banks += data_bank_count(input.size);
      if (banks <= static_cast<std::int64_t>(leaves)) {
        room_of(banks - 1) =
            static_cast<std::int32_t>((banks - input.bank) * data_bank_capacity - input.size);
        update(banks - 1);
      }
    }
    before = &input;
  }
  return banks;
}

} // namespace

Fault place_files(std::span<Input> data, bool pack, std::int64_t &data_banks) {
  data_banks = 0;
  for (Input &input : data) {
    input.bank = static_cast<std::int32_t>(std::min(data_banks, max_banks));
    input.offset = 0;
    data_banks += data_bank_count(input.size);
  }
  if (pack)
    data_banks = pack_files(data, data_banks);
  // The program always takes exactly one bank, whatever its size.
  if (data_banks + 1 > max_banks)
    return {
        .what = What::too_many_banks, .code = EFBIG, .banks = data_banks + 1, .limit = max_banks};
  return {};
}

std::int64_t banks_spanned(const Input &input) {
  return input.size == 0 ? 0 : data_bank_count(input.offset + input.size);
}
