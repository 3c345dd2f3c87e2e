#include "app/failure.h"

#include "app/status.h"
#include "image/layout.h"
#include "image/map.h"
#include "sys/platform.h"
#include "sys/report.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>

Failure failure_of(const Fault &fault, const char *outfile) {
  switch (fault.what) {
  case What::none:
    break;
  case What::size_input:
    return {status_sizing, Line::size_file, fault.path, fault.code, fault.reason};
  case What::too_many_banks:
    return {status_sizing, Line::plan_image, outfile,     fault.code,
            nullptr,       nullptr,          fault.banks, fault.limit};
  case What::more_than_asked:
    return {status_banks, Line::fit_banks, outfile,     fault.code,
            nullptr,      nullptr,         fault.banks, fault.limit};
  case What::open_data:
    return {status_data, Line::open_data, fault.path, fault.code, fault.reason};
  case What::read_data:
    return {status_data, Line::read_data, fault.path, fault.code, fault.reason};
  case What::open_program:
    return {status_program, Line::open_program, fault.path, fault.code, fault.reason};
  case What::read_program:
    return {status_program, Line::read_program, fault.path, fault.code, fault.reason};
  case What::write_outfile:
    return {status_outfile, Line::write_outfile, outfile, fault.code, fault.reason};
  }
  return {status_ok, Line::none, nullptr, 0};
}

namespace {

// The words of each line and of the tool's own reasons, with marks for what
// a failure fills in: @p the path, @w the word, @n the number, @l the limit,
// @c the clashing constant's name.
constexpr std::pair<Line, std::string_view> lines[] = {
    {Line::open_outfile, "Failed to open outfile"},
    {Line::outfile_is_input, "Failed to open outfile, it is also an input file"},
    {Line::write_outfile, "Failed to write outfile"},
    {Line::size_file, "Failed to size file @p"},
    {Line::plan_image, "Failed to plan image of @n banks"},
    {Line::fit_banks, "Failed to fit image of @n banks in @l"},
    {Line::open_data, "Failed to open data file @p"},
    {Line::read_data, "Failed to read data file @p"},
    {Line::open_program, "Failed to open program file"},
    {Line::read_program, "Failed to read program file"},
    {Line::open_output, "Failed to open @w file @p"},
    {Line::write_output, "Failed to write @w file @p"},
    {Line::name_clash, "Failed to name data file @p, @w gives the same name @c"},
    {Line::fit_program, "Failed to fit program file of @n bytes in its bank"},
    {Line::fit_megacart, "Failed to fit image of @n banks in 1MB"},
    {Line::use_option, "Failed to use @p @w"},
    {Line::fit_board, "Failed to fit image of @nk to a MegaCart board"},
    {Line::find_header, "Failed to find the cartridge header in program file"},
    {Line::not_image, "Failed to replace outfile @p of @n bytes"},
};
constexpr std::pair<Line, std::string_view> reasons[] = {
    {Line::plan_image, "image would need @n banks, at most @l fit"},
    {Line::fit_banks, "image would need @n banks, --banks gives @l"},
    {Line::name_clash, "same constant name @c as @w"},
};

std::string_view words_of(std::span<const std::pair<Line, std::string_view>> table, Line line) {
  for (const auto &[each, words] : table)
    if (each == line)
      return words;
  return {};
}

// Calls put with each piece of words, the marks filled in from f.
template <typename Put> void fill_in(std::string_view words, const Failure &f, Put put) {
  while (!words.empty()) {
    const std::size_t mark = std::min(words.find('@'), words.size());
    put(words.substr(0, mark));
    if (mark + 1 >= words.size())
      break;
    const char what = words[mark + 1];
    words.remove_prefix(mark + 2);
    if (what == 'p' || what == 'w') {
      put(what == 'p' ? f.path : f.word);
    } else if (what == 'n' || what == 'l') {
      char number[24];
      (void)std::snprintf(number, sizeof number, "%lld",
                          static_cast<long long>(what == 'n' ? f.number : f.limit));
      put(number);
    } else {
      put(constant_name(f.path).view());
      put(f.suffix);
    }
  }
}

} // namespace

void report_failure(const Failure &f) {
  if (f.line == Line::misplaced) {
    report("* WARNING - program should be at 0xffff - internal error?\n");
    explain(f.path, f.reason);
    return;
  }
  fill_in(words_of(lines, f.line), f, [](std::string_view piece) {
    report("%.*s", static_cast<int>(piece.size()), piece.data());
  });
  report(", code %d\n", f.code);
  // A reason that carries numbers or names is made here, with the line; a
  // path in it has opened, so it fits.
  std::array<char, 2 * path_capacity + 64> reason{};
  std::size_t length = 0;
  fill_in(words_of(reasons, f.line), f, [&](std::string_view piece) {
    const std::size_t room = std::min(piece.size(), reason.size() - 1 - length);
    std::copy_n(piece.data(), room, reason.data() + length);
    length += room;
  });
  const char *words = f.reason != nullptr ? f.reason : std::strerror(f.code);
  explain(f.path, length > 0 ? reason.data() : words);
  // A file that is no image as the outfile is most likely the paths given
  // in another order.
  if (f.line == Line::not_image)
    explain("usage", "romweld <outfile> <program> <data...>; -f replaces the outfile all the same");
}
void report_left_behind(const char *path, int code) {
  report("Failed to remove temporary file %s, code %d\n", path, code);
  explain(path, std::strerror(code));
}
