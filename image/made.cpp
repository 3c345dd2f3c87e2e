#include "image/made.h"

#include "image/layout.h"
#include "image/map.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace {

// Reads count bytes at offset into to: false if the file holds fewer, and
// then error is set if a seek or a read failed.
bool read_at(std::FILE *file, std::int64_t offset, unsigned char *to, std::size_t count,
             int &error) {
  if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
    error = errno;
    return false;
  }
  if (std::fread(to, 1, count, file) == count)
    return true;
  if (std::ferror(file) != 0)
    error = errno;
  return false;
}

bool padding(std::FILE *file, std::int64_t bank, int &error) {
  std::array<unsigned char, credit_text.size()> head{};
  return read_at(file, bank * bank_size, head.data(), head.size(), error) &&
         std::memcmp(head.data(), credit_text.data(), head.size()) == 0;
}

bool zero_tail(std::FILE *file, std::int64_t bank, int &error) {
  std::array<unsigned char, bank_size - data_bank_capacity> tail{};
  return read_at(file, bank * bank_size + data_bank_capacity, tail.data(), tail.size(), error) &&
         std::all_of(tail.begin(), tail.end(), [](unsigned char byte) { return byte == 0; });
}

bool program_with_header(std::FILE *file, std::int64_t bank, int &error) {
  std::array<unsigned char, 2> head{};
  return read_at(file, bank * bank_size, head.data(), head.size(), error) &&
         cartridge_header(head.data());
}

// Every bank but the last is padding or data, and the image is one the
// console starts: it has padding, which only romweld writes, or its program
// bank begins with the cartridge header. Many files of a user's end their
// banks in zeros, but few have either.
const char *not_an_image(std::FILE *file, std::int64_t size, int &error) {
  const std::int64_t banks = size / bank_size;
  if (size % bank_size != 0 || banks == 0 || (banks & (banks - 1)) != 0 || banks > max_banks)
    return reason_image_size;
  if (banks == 1)
    return reason_one_bank;
  // Read in small pieces: no stream buffer fills around each one. The two
  // reads that tell most files of a user's come first.
  (void)std::setvbuf(file, nullptr, _IONBF, 0);
  if (!padding(file, 0, error) && (error != 0 || !program_with_header(file, banks - 1, error)))
    return error != 0 ? nullptr : reason_image_start;
  for (std::int64_t bank = 0; bank + 1 < banks; ++bank)
    if (!zero_tail(file, bank, error) && (error != 0 || !padding(file, bank, error)))
      return error != 0 ? nullptr : reason_image_banks;
  return nullptr;
}

// The file's first line, as much of it as text holds, without its line end,
// which an editor may have made CR LF.
std::string_view first_line(std::FILE *file, std::array<char, 128> &text, int &error) {
  const std::size_t got = std::fread(text.data(), 1, text.size(), file);
  if (std::ferror(file) != 0)
    error = errno;
  std::string_view line(text.data(), got);
  line = line.substr(0, line.find('\n'));
  return line.ends_with('\r') ? line.substr(0, line.size() - 1) : line;
}

} // namespace

const char *not_made(Form form, std::FILE *file, std::int64_t size, int &error) {
  error = 0;
  if (form == Form::image)
    return not_an_image(file, size, error);
  std::array<char, 128> text{};
  const std::string_view line = first_line(file, text, error);
  if (error != 0)
    return nullptr;
  if (form == Form::map)
    return line.starts_with(map_columns) ? nullptr : reason_map;
  for (const std::string_view made : include_first_lines)
    if (line == made)
      return nullptr;
  return reason_include;
}
