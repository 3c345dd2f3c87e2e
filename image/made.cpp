#include "image/made.h"

#include "image/layout.h"
#include "image/map.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

// Reads count bytes at offset into to.
bool read_at(std::FILE *file, std::int64_t offset, unsigned char *to, std::size_t count) {
  return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
         std::fread(to, 1, count, file) == count;
}

// Whether the bank at offset is padding or a data bank.
bool padding_or_data(std::FILE *file, std::int64_t offset) {
  std::array<unsigned char, bank_size - data_bank_capacity> tail{};
  if (!read_at(file, offset + data_bank_capacity, tail.data(), tail.size()))
    return false;
  if (std::all_of(tail.begin(), tail.end(), [](unsigned char byte) { return byte == 0; }))
    return true;
  std::array<unsigned char, credit_text.size()> head{};
  return read_at(file, offset, head.data(), head.size()) &&
         std::memcmp(head.data(), credit_text.data(), head.size()) == 0;
}

const char *not_an_image(std::FILE *file, std::int64_t size) {
  const std::int64_t banks = size / bank_size;
  if (size % bank_size != 0 || banks == 0 || (banks & (banks - 1)) != 0)
    return reason_image_size;
  if (banks == 1)
    return reason_one_bank;
  // Read in small pieces: no stream buffer fills around each one.
  (void)std::setvbuf(file, nullptr, _IONBF, 0);
  for (std::int64_t bank = 0; bank + 1 < banks; ++bank)
    if (!padding_or_data(file, bank * bank_size))
      return reason_image_banks;
  return nullptr;
}

// The file's first line, as much of it as text holds, without its line end,
// which an editor may have made CR LF.
std::string_view first_line(std::FILE *file, std::array<char, 128> &text) {
  const std::size_t got = std::fread(text.data(), 1, text.size(), file);
  std::string_view line(text.data(), got);
  line = line.substr(0, line.find('\n'));
  return line.ends_with('\r') ? line.substr(0, line.size() - 1) : line;
}

} // namespace

const char *not_made(Form form, std::FILE *file, std::int64_t size) {
  if (form == Form::image)
    return not_an_image(file, size);
  std::array<char, 128> text{};
  const std::string_view line = first_line(file, text);
  if (form == Form::map)
    return line.starts_with(map_columns) ? nullptr : reason_map;
  for (const std::string_view made : include_first_lines)
    if (line == made)
      return nullptr;
  return reason_include;
}
