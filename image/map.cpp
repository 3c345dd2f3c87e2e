#include "image/map.h"

#include "image/names.h"
#include "sys/report.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// Calls each with every part of the planned image, front to back.
template <typename Each>
void each_extent(const Plan &plan, std::span<const Input> data, const Input *program, Each each) {
  if (plan.padding_banks > 0)
    each(Extent{Part::padding, "", 0, plan.padding_banks, 0});
  std::int64_t bank = plan.padding_banks;
  for (const Input &input : data) {
    each(Extent{Part::data, input.path, bank, data_bank_count(input.size), input.size});
    bank += data_bank_count(input.size);
  }
  if (program != nullptr)
    each(Extent{Part::program, program->path, bank, 1,
                std::min(program->size, program_bank_capacity)});
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

// Each data file's first page, bank count and bytes, by its name.
template <typename Line>
void each_constant(const Plan &plan, std::span<const Input> data, Line line) {
  each_extent(plan, data, nullptr, [&](const Extent &extent) {
    if (extent.part != Part::data)
      return;
    const Name name = constant_name(extent.path);
    line(name.view(), page_of(plan, extent.first_bank), extent.banks, extent.bytes);
  });
}

void write_constants(std::FILE *out, const Plan &plan, std::span<const Input> data,
                     const Include &form) {
  each_constant(
      plan, data,
      [&](std::string_view name, std::int64_t page, std::int64_t banks, std::int64_t bytes) {
        const std::int64_t values[] = {page, banks, bytes};
        for (std::size_t i = 0; i < std::size(values); ++i)
          (void)std::fprintf(out, i == 0 ? "%s%.*s%s%s0x%04llX\n" : "%s%.*s%s%s%lld\n", form.before,
                             static_cast<int>(name.size()), name.data(), suffixes[i].data(),
                             form.between, static_cast<long long>(values[i]));
      });
}

} // namespace

void write_map(std::FILE *out, const Plan &plan, std::span<const Input> data,
               const Input &program) {
  // The stream keeps its first error, which closing it reports.
  (void)std::fprintf(out, "%.*s\tfree\n", static_cast<int>(map_columns.size()), map_columns.data());
  each_extent(plan, data, &program, [&](const Extent &extent) {
    // A part without banks names the bank where its banks would have begun.
    const std::int64_t last_bank = extent.first_bank + std::max<std::int64_t>(extent.banks - 1, 0);
    (void)std::fprintf(out, "%s\t", part_name(extent.part));
    put_field(out, extent.path);
    (void)std::fprintf(out,
                       "\t%" PRId64 "\t%" PRId64 "\t%04" PRIX64 "\t%04" PRIX64 "\t%" PRIX64
                       "\t%" PRIX64 "\t%" PRId64 "\t%" PRId64 "\n",
                       extent.first_bank, extent.banks, page_of(plan, extent.first_bank),
                       page_of(plan, last_bank), address_of(extent.first_bank),
                       address_of(extent.first_bank + extent.banks), extent.bytes,
                       free_bytes(extent));
  });
}

void write_includes(std::FILE *out, const Plan &plan, std::span<const Input> data,
                    const Include &form) {
  (void)std::fputs(form.comment, out);
  write_constants(out, plan, data, form);
}

void write_header(std::FILE *out, const char *header, const Plan &plan,
                  std::span<const Input> data) {
  const Name guard = constant_name(header);
  (void)std::fprintf(out, "%s#ifndef %s\n#define %s\n\n", c_header.comment, guard.text.data(),
                     guard.text.data());
  write_constants(out, plan, data, c_header);
  (void)std::fputs("\n#endif\n", out);
}

void write_summary(const Plan &plan, std::span<const Input> data) {
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
             static_cast<long long>(free_bytes(extent)));
  });
}
