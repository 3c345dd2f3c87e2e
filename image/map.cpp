#include "image/map.h"

#include "image/names.h"
#include "image/place.h"
#include "sys/report.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdint>
#include <cstring>

namespace {

// One part of the image, as the bank map gives it: a run of banks and what
// filled them.
struct Part {
  const char *kind;
  const char *path;        // as typed; empty for the padding
  std::int64_t first_bank; // counted from the start of the file
  std::int64_t banks;
  std::int64_t bytes;  // taken from the file
  std::int64_t free;   // bytes its last bank leaves unused
  std::int64_t offset; // of its first byte in its first bank
};

// The kind of a bank, by its fill, as the map and the summary name it.
constexpr const char *kinds[] = {"padding", "data", "program", "linked"};

const char *kind_of(Fill fill) {
  return kinds[static_cast<std::size_t>(fill)];
}

Part part_of(const Plan &plan, const Input &file) {
  const std::int64_t first = first_bank_of(plan, file);
  const std::int64_t banks = banks_spanned(file);
  const std::int64_t free =
      banks == 0
          ? 0
          : data_bank_capacity - plan.banks[static_cast<std::size_t>(first + banks - 1)].used;
  return {kind_of(Fill::data), file.path, first, banks, file.size, free, file.offset};
}

// Calls each with every part of the image, front to back: runs of padding,
// the data files in command-line order, the program.
template <typename Each>
void each_part(const Plan &plan, std::span<const Input> data, const Input &program, Each each) {
  const std::int64_t data_start = plan.image_banks - 1 - plan.data_banks;
  for (std::int64_t bank = 0; bank < plan.image_banks;) {
    if (bank == data_start)
      for (const Input &file : data)
        each(part_of(plan, file));
    const Bank &first = plan.banks[static_cast<std::size_t>(bank)];
    std::int64_t end = bank + 1;
    if (first.fill == Fill::padding) {
      while (plan.banks[static_cast<std::size_t>(end)].fill == Fill::padding)
        ++end;
      each(Part{kind_of(Fill::padding), "", bank, end - bank, 0, 0, 0});
    } else if (first.fill == Fill::linked) {
      each(Part{kind_of(Fill::linked), program.path, bank, 1, first.used,
                data_bank_capacity - first.used, 0});
    } else if (first.fill == Fill::program) {
      each(Part{kind_of(Fill::program), program.path, bank, 1, first.used,
                program_bank_capacity - first.used, 0});
    } else {
      // The data banks, which the files gave.
      end = plan.image_banks - 1;
    }
    bank = end;
  }
}

// A tab, line end or backslash in a path would break the row, so these are
// written as the escapes \t, \n, \r and \\.
void put_field(std::FILE *out, const char *text) {
  for (const char *c = text; *c != '\0'; ++c) {
    const char *escape = *c == '\t'   ? "\\t"
                         : *c == '\n' ? "\\n"
                         : *c == '\r' ? "\\r"
                         : *c == '\\' ? "\\\\"
                                      : nullptr;
    if (escape != nullptr)
      (void)std::fputs(escape, out);
    else
      (void)std::fputc(*c, out);
  }
}

void write_map(std::FILE *out, const Plan &plan, std::span<const Input> data,
               const Input &program) {
  // The stream keeps its first error, which closing it reports.
  (void)std::fprintf(out, "%.*s\tfree\toffset\n", static_cast<int>(map_columns.size()),
                     map_columns.data());
  each_part(plan, data, program, [&](const Part &part) {
    // A part without banks names the bank where its banks would have begun.
    const std::int64_t last_bank = part.first_bank + std::max<std::int64_t>(part.banks - 1, 0);
    (void)std::fprintf(out, "%s\t", part.kind);
    put_field(out, part.path);
    (void)std::fprintf(out,
                       "\t%" PRId64 "\t%" PRId64 "\t%04" PRIX64 "\t%04" PRIX64 "\t%" PRIX64
                       "\t%" PRIX64 "\t%" PRId64 "\t%" PRId64 "\t%" PRId64 "\n",
                       part.first_bank, part.banks, page_of(plan, part.first_bank),
                       page_of(plan, last_bank), address_of(part.first_bank),
                       address_of(part.first_bank + part.banks), part.bytes, part.free,
                       part.offset);
  });
}

// How a line of an include begins, and what stands between name and value.
struct Include {
  const char *before;
  const char *between;
};

void write_constants(std::FILE *out, const Plan &plan, std::span<const Input> data,
                     const Include &form) {
  for (const Input &file : data) {
    const Name name = constant_name(file.path);
    // In the order of suffixes: the page and the address in hexadecimal.
    const std::int64_t values[] = {page_of(plan, first_bank_of(plan, file)), banks_spanned(file),
                                   file.size, window_address + file.offset};
    static_assert(std::size(values) == std::size(suffixes));
    for (std::size_t i = 0; i < std::size(values); ++i)
      (void)std::fprintf(out, i == 0 || i == 3 ? "%s%s%s%s0x%04llX\n" : "%s%s%s%s%lld\n",
                         form.before, name.text.data(), suffixes[i].data(), form.between,
                         static_cast<long long>(values[i]));
  }
}

void write_header(std::FILE *out, const char *header, const Plan &plan,
                  std::span<const Input> data) {
  const Name guard = constant_name(header);
  (void)std::fprintf(out, "%.*s\n#ifndef %s\n#define %s\n\n",
                     static_cast<int>(include_first_lines[1].size()), include_first_lines[1].data(),
                     guard.text.data(), guard.text.data());
  write_constants(out, plan, data, {"#define ", " "});
  (void)std::fputs("\n#endif\n", out);
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
void report_banks(const Plan &plan) {
  const bool grouped = plan.image_banks > megacart_limit;
  const auto alike = [&](std::int64_t a, std::int64_t b) {
    const Bank &first = plan.banks[static_cast<std::size_t>(a)];
    const Bank &second = plan.banks[static_cast<std::size_t>(b)];
    return first.fill == second.fill && first.used == second.used;
  };
  for (std::int64_t bank = 0; bank < plan.image_banks;) {
    std::int64_t last = bank;
    while (grouped && last + 1 < plan.image_banks && alike(bank, last + 1))
      ++last;
    char pages[32];
    (void)std::snprintf(pages, sizeof pages, last == bank ? ">%04llX" : ">%04llX to >%04llX",
                        static_cast<unsigned long long>(page_of(plan, bank)),
                        static_cast<unsigned long long>(page_of(plan, last)));
    const Bank &first = plan.banks[static_cast<std::size_t>(bank)];
    report_bank(pages, grouped ? static_cast<int>(std::strlen(">FFFF to >FFFF")) : 0,
                kind_of(first.fill), first.used, capacity_of(first.fill),
                last == bank ? "" : " each");
    bank = last + 1;
  }
}

} // namespace

void write_side(std::FILE *out, Form form, const char *path, const Plan &plan,
                std::span<const Input> data, const Input &program) {
  switch (form) {
  case Form::image:
    break;
  case Form::map:
    write_map(out, plan, data, program);
    break;
  case Form::equ:
  case Form::sdas:
    (void)std::fprintf(out, "%.*s\n", static_cast<int>(include_first_lines[0].size()),
                       include_first_lines[0].data());
    write_constants(out, plan, data,
                    form == Form::equ ? Include{"", ": EQU "} : Include{"", " = "});
    break;
  case Form::header:
    write_header(out, path, plan, data);
    break;
  }
}

void write_summary(const Plan &plan, std::span<const Input> data) {
  char linked[32] = "";
  if (plan.linked_banks > 0)
    (void)std::snprintf(linked, sizeof linked, "%lld linked, ",
                        static_cast<long long>(plan.linked_banks));
  report("Summary: %lld bank%s: %lld padding, %s%lld data, 1 program\n",
         static_cast<long long>(plan.image_banks), plan.image_banks == 1 ? "" : "s",
         static_cast<long long>(plan.padding_banks), linked,
         static_cast<long long>(plan.data_banks));
  // Data can take the padding's banks right before its own before the image
  // must double: up to a linked bank, if one stands among them.
  std::int64_t free = 0;
  for (std::int64_t bank = plan.image_banks - 2 - plan.data_banks;
       bank >= 0 && plan.banks[static_cast<std::size_t>(bank)].fill == Fill::padding; --bank)
    ++free;
  report("- free banks in the image: %lld\n", static_cast<long long>(free));
  const std::int64_t to_limit = megacart_limit - plan.image_banks;
  report("- banks %s the 1MB of a MegaCart: %lld\n", to_limit < 0 ? "over" : "under",
         static_cast<long long>(to_limit < 0 ? -to_limit : to_limit));
  for (const Input &file : data) {
    const Part part = part_of(plan, file);
    if (part.banks == 0)
      report("- free bytes in the last bank of %s: no bank\n", file.path);
    else
      report("- free bytes in the last bank of %s: %lld\n", file.path,
             static_cast<long long>(part.free));
  }
  report_banks(plan);
}
