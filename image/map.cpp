#include "image/map.h"

#include <algorithm>
#include <cinttypes>

namespace {

// Calls each with every part of the planned image, front to back.
template <typename Each>
void each_extent(const Plan &plan, const char *program, std::span<char *const> data,
                 std::span<const Input> inputs, Each each) {
  if (plan.padding_banks > 0)
    each(Extent{"padding", "", 0, plan.padding_banks, 0});
  std::int64_t bank = plan.padding_banks;
  for (std::size_t i = 0; i < data.size(); ++i) {
    const std::int64_t size = inputs[i + 1].size;
    each(Extent{"data", data[i], bank, data_bank_count(size), size});
    bank += data_bank_count(size);
  }
  each(Extent{"program", program, bank, 1, std::min(inputs[0].size, program_bank_capacity)});
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

} // namespace

void write_map(std::FILE *out, const Plan &plan, const char *program, std::span<char *const> data,
               std::span<const Input> inputs) {
  // The stream keeps its first error, which closing it reports.
  (void)std::fputs("kind\tpath\tfirst_bank\tbanks\tfirst_page\tlast_page\tstart\tend\tbytes\n",
                   out);
  each_extent(plan, program, data, inputs, [&](const Extent &extent) {
    // A part without banks names the bank where its banks would have begun.
    const std::int64_t last_bank = extent.first_bank + std::max<std::int64_t>(extent.banks - 1, 0);
    (void)std::fprintf(out, "%s\t", extent.kind);
    put_field(out, extent.path);
    (void)std::fprintf(out,
                       "\t%" PRId64 "\t%" PRId64 "\t%04" PRIX64 "\t%04" PRIX64 "\t%" PRIX64
                       "\t%" PRIX64 "\t%" PRId64 "\n",
                       extent.first_bank, extent.banks, page_of(plan, extent.first_bank),
                       page_of(plan, last_bank), address_of(extent.first_bank),
                       address_of(extent.first_bank + extent.banks), extent.bytes);
  });
}
