#include "image/map.h"

#include "image/names.h"
#include "image/place.h"
#include "sys/report.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// The bytes of content in each bank of the image: a data bank may hold
// several files, packed.
std::array<std::int64_t, max_banks> fill;

void fill_banks(const Plan &plan, std::span<const Input> data) {
  std::fill_n(fill.begin(), plan.image_banks, 0);
  for (const Input &input : data) {
    std::int64_t at = input.offset;
    for (std::int64_t left = input.size, bank = plan.padding_banks + input.bank; left > 0;
         ++bank, at = 0) {
      const std::int64_t piece = std::min(left, data_bank_capacity - at);
      fill[static_cast<std::size_t>(bank)] += piece;
      left -= piece;
    }
  }
}

// Calls each with every part of the planned image, front to back; fill must
// hold the banks' content.
template <typename Each>
void each_extent(const Plan &plan, std::span<const Input> data, const Input *program, Each each) {
  if (plan.padding_banks > 0)
    each(Extent{Part::padding, "", 0, plan.padding_banks, 0, 0, 0});
  for (const Input &input : data) {
    const std::int64_t first = plan.padding_banks + input.bank;
    const std::int64_t banks = banks_spanned(input);
    const std::int64_t room =
        banks == 0 ? 0 : data_bank_capacity - fill[static_cast<std::size_t>(first + banks - 1)];
    each(Extent{Part::data, input.path, first, banks, input.size, input.offset, room});
  }
  if (program != nullptr) {
    const std::int64_t bytes = std::min(program->size, program_bank_capacity);
    each(Extent{Part::program, program->path, plan.planned_banks + plan.padding_banks - 1, 1, bytes,
                0, program_bank_capacity - bytes});
  }
}

const char *part_name(Part part) {
  switch (part) {
  case Part::padding:
    return "padding";
  case Part::data:
    return "data";
  case Part::program:
    break;
  }
  return "program";
}

// A tab, line end or backslash in a path would break the row, so these are
// written as the escapes \t, \n, \r and \\.
const char *escape_of(char c) {
  switch (c) {
  case '\t':
    return "\\t";
  case '\n':
    return "\\n";
  case '\r':
    return "\\r";
  case '\\':
    return "\\\\";
  default:
    return nullptr;
  }
}

void put_field(std::FILE *out, const char *text) {
  for (const char *c = text; *c != '\0'; ++c) {
    if (const char *escape = escape_of(*c))
      (void)std::fputs(escape, out);
    else
      (void)std::fputc(*c, out);
  }
}

void write_constants(std::FILE *out, const Plan &plan, std::span<const Input> data,
                     const Include &form) {
  each_extent(plan, data, nullptr, [&](const Extent &extent) {
    if (extent.part != Part::data)
      return;
    const Name name = constant_name(extent.path);
    // In the order of suffixes: the page and the address in hexadecimal.
    const std::int64_t values[] = {page_of(plan, extent.first_bank), extent.banks, extent.bytes,
                                   window_address + extent.offset};
    static_assert(std::size(values) == std::size(suffixes));
    for (std::size_t i = 0; i < std::size(values); ++i)
      (void)std::fprintf(out, i == 0 || i == 3 ? "%s%s%s%s0x%04llX\n" : "%s%s%s%s%lld\n",
                         form.before, name.text.data(), suffixes[i].data(), form.between,
                         static_cast<long long>(values[i]));
  });
}

// A bank's fill as a bar of 32 marks, one for each 1/32 of its capacity;
// a bank with any content shows at least one.
void report_bank(const char *pages, int pages_width, const char *kind, std::int64_t used,
                 std::int64_t capacity, const char *each) {
  constexpr std::int64_t width = 32;
  std::array<char, width + 1> bar{};
  const std::int64_t marks = used == 0 ? 0 : std::max<std::int64_t>(used * width / capacity, 1);
  for (std::int64_t i = 0; i < width; ++i)
    bar[static_cast<std::size_t>(i)] = i < marks ? '#' : '.';
  report("- %-*s %-7s |%s| %5lld free%s\n", pages_width, pages, kind, bar.data(),
         static_cast<long long>(capacity - used), each);
}

// Every bank of the image, front to back; of an image of more than 64 banks,
// a run of banks alike as one line, and the bars of single banks in line
// with theirs.
void report_banks(const Plan &plan, const Input *program) {
  const bool grouped = plan.image_banks > megacart_limit;
  const auto kind_of = [&](std::int64_t bank) {
    return bank < plan.padding_banks     ? Part::padding
           : bank + 1 < plan.image_banks ? Part::data
                                         : Part::program;
  };
  const auto used_of = [&](std::int64_t bank) {
    return kind_of(bank) == Part::program
               ? std::min(program == nullptr ? 0 : program->size, program_bank_capacity)
               : fill[static_cast<std::size_t>(bank)];
  };
  for (std::int64_t bank = 0; bank < plan.image_banks;) {
    std::int64_t last = bank;
    while (grouped && last + 1 < plan.image_banks && kind_of(last + 1) == kind_of(bank) &&
           used_of(last + 1) == used_of(bank))
      ++last;
    char pages[32];
    (void)std::snprintf(pages, sizeof pages, last == bank ? ">%04llX" : ">%04llX to >%04llX",
                        static_cast<unsigned long long>(page_of(plan, bank)),
                        static_cast<unsigned long long>(page_of(plan, last)));
    const Part kind = kind_of(bank);
    report_bank(pages, grouped ? static_cast<int>(std::strlen(">FFFF to >FFFF")) : 0,
                part_name(kind), used_of(bank),
                kind == Part::program ? program_bank_capacity : data_bank_capacity,
                last == bank ? "" : " each");
    bank = last + 1;
  }
}

} // namespace

void write_map(std::FILE *out, const Plan &plan, std::span<const Input> data,
               const Input &program) {
  fill_banks(plan, data);
  // The stream keeps its first error, which closing it reports.
  (void)std::fprintf(out, "%.*s\tfree\toffset\n", static_cast<int>(map_columns.size()),
                     map_columns.data());
  each_extent(plan, data, &program, [&](const Extent &extent) {
    // A part without banks names the bank where its banks would have begun.
    const std::int64_t last_bank = extent.first_bank + std::max<std::int64_t>(extent.banks - 1, 0);
    (void)std::fprintf(out, "%s\t", part_name(extent.part));
    put_field(out, extent.path);
    (void)std::fprintf(out,
                       "\t%" PRId64 "\t%" PRId64 "\t%04" PRIX64 "\t%04" PRIX64 "\t%" PRIX64
                       "\t%" PRIX64 "\t%" PRId64 "\t%" PRId64 "\t%" PRId64 "\n",
                       extent.first_bank, extent.banks, page_of(plan, extent.first_bank),
                       page_of(plan, last_bank), address_of(extent.first_bank),
                       address_of(extent.first_bank + extent.banks), extent.bytes, extent.free,
                       extent.offset);
  });
}

void write_includes(std::FILE *out, const Plan &plan, std::span<const Input> data,
                    const Include &form) {
  fill_banks(plan, data);
  (void)std::fputs(form.comment, out);
  write_constants(out, plan, data, form);
}

void write_header(std::FILE *out, const char *header, const Plan &plan,
                  std::span<const Input> data) {
  fill_banks(plan, data);
  const Name guard = constant_name(header);
  (void)std::fprintf(out, "%s#ifndef %s\n#define %s\n\n", c_header.comment, guard.text.data(),
                     guard.text.data());
  write_constants(out, plan, data, c_header);
  (void)std::fputs("\n#endif\n", out);
}

void write_summary(const Plan &plan, std::span<const Input> data, const Input *program) {
  fill_banks(plan, data);
  report("Summary: %lld bank%s: %lld padding, %lld data, 1 program\n",
         static_cast<long long>(plan.image_banks), plan.image_banks == 1 ? "" : "s",
         static_cast<long long>(plan.padding_banks),
         static_cast<long long>(plan.planned_banks - 1));
  // Data can take the padding's banks before the image must double.
  report("- free banks in the image: %lld\n", static_cast<long long>(plan.padding_banks));
  const std::int64_t to_limit = megacart_limit - plan.image_banks;
  report("- banks %s the 1MB of a MegaCart: %lld\n", to_limit < 0 ? "over" : "under",
         static_cast<long long>(to_limit < 0 ? -to_limit : to_limit));
  each_extent(plan, data, nullptr, [&](const Extent &extent) {
    if (extent.part != Part::data)
      return;
    if (extent.banks == 0)
      report("- free bytes in the last bank of %s: no bank\n", extent.path);
    else
      report("- free bytes in the last bank of %s: %lld\n", extent.path,
             static_cast<long long>(extent.free));
  });
  report_banks(plan, program);
}
