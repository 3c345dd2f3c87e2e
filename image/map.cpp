#include "image/map.h"

#include "sys/platform.h"
#include "sys/report.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cinttypes>
#include <string_view>

namespace {

// Calls each with every part of the planned image, front to back.
template <typename Each>
void each_extent(const Plan &plan, const char *program, std::span<char *const> data,
                 std::span<const Input> inputs, Each each) {
  if (plan.padding_banks > 0)
    each(Extent{Part::padding, "", 0, plan.padding_banks, 0});
  std::int64_t bank = plan.padding_banks;
  for (std::size_t i = 0; i < data.size(); ++i) {
    const std::int64_t size = inputs[i + 1].size;
    each(Extent{Part::data, data[i], bank, data_bank_count(size), size});
    bank += data_bank_count(size);
  }
  if (program != nullptr)
    each(Extent{Part::program, program, bank, 1, std::min(inputs[0].size, program_bank_capacity)});
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

// The name of a file's constants: its last path component, with ASCII letters
// and digits upper-cased and every other byte '_', and '_' before a leading
// digit, which no assembler or C compiler takes. Bytes, not characters, so
// that the name is the same in every locale and on every system.
struct Name {
  std::array<char, path_capacity + 2> text;
  std::string_view view() const {
    return text.data();
  }
};

Name name_of(const char *path) {
  Name name{};
  std::size_t length = 0;
  const char *component = path + folder_length(path);
  if (*component >= '0' && *component <= '9')
    name.text[length++] = '_';
  for (const char *c = component; *c != '\0' && length + 1 < name.text.size(); ++c) {
    const char up = *c >= 'a' && *c <= 'z' ? static_cast<char>(*c - 'a' + 'A') : *c;
    const bool kept = (up >= 'A' && up <= 'Z') || (up >= '0' && up <= '9');
    name.text[length++] = kept ? up : '_';
  }
  return name;
}

// The suffixes of a data file's three constants.
constexpr std::string_view suffixes[] = {"", "_BANKS", "_BYTES"};

// Whether a + a_suffix is b + b_suffix.
bool same_name(std::string_view a, std::string_view a_suffix, std::string_view b,
               std::string_view b_suffix) {
  if (a.size() + a_suffix.size() != b.size() + b_suffix.size())
    return false;
  for (std::size_t i = 0; i < a.size() + a_suffix.size(); ++i) {
    const char x = i < a.size() ? a[i] : a_suffix[i - a.size()];
    const char y = i < b.size() ? b[i] : b_suffix[i - b.size()];
    if (x != y)
      return false;
  }
  return true;
}

bool clash_failed(const char *path, const char *other, std::string_view name,
                  std::string_view suffix) {
  char reason[2 * path_capacity + 64];
  (void)std::snprintf(reason, sizeof reason, "same constant name %.*s%.*s as %s",
                      static_cast<int>(name.size()), name.data(), static_cast<int>(suffix.size()),
                      suffix.data(), other);
  fail(path, EINVAL, reason, "Failed to name data file %s, %s gives the same name %.*s%.*s", path,
       other, static_cast<int>(name.size()), name.data(), static_cast<int>(suffix.size()),
       suffix.data());
  return true;
}

// Each data file's first page, bank count and bytes, by its name.
template <typename Line>
void each_constant(const Plan &plan, std::span<char *const> data, std::span<const Input> inputs,
                   Line line) {
  each_extent(plan, nullptr, data, inputs, [&](const Extent &extent) {
    if (extent.part != Part::data)
      return;
    const Name name = name_of(extent.path);
    line(name.view(), page_of(plan, extent.first_bank), extent.banks, extent.bytes);
  });
}

} // namespace

void write_map(std::FILE *out, const Plan &plan, const char *program, std::span<char *const> data,
               std::span<const Input> inputs) {
  // The stream keeps its first error, which closing it reports.
  (void)std::fputs(
      "kind\tpath\tfirst_bank\tbanks\tfirst_page\tlast_page\tstart\tend\tbytes\tfree\n", out);
  each_extent(plan, program, data, inputs, [&](const Extent &extent) {
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

void write_equ(std::FILE *out, const Plan &plan, std::span<char *const> data,
               std::span<const Input> inputs) {
  // Pages in the report's hexadecimal, which TI assemblers write with '>'.
  (void)std::fputs("* Page constants of the data files, made by romweld.\n", out);
  each_constant(
      plan, data, inputs,
      [&](std::string_view name, std::int64_t page, std::int64_t banks, std::int64_t bytes) {
        const int length = static_cast<int>(name.size());
        (void)std::fprintf(
            out,
            "%.*s EQU >%04" PRIX64 "\n%.*s_BANKS EQU %" PRId64 "\n%.*s_BYTES EQU %" PRId64 "\n",
            length, name.data(), page, length, name.data(), banks, length, name.data(), bytes);
      });
}

void write_header(std::FILE *out, const char *header, const Plan &plan, std::span<char *const> data,
                  std::span<const Input> inputs) {
  const Name guard = name_of(header);
  (void)std::fprintf(out,
                     "/* Page constants of the data files, made by romweld. */\n"
                     "#ifndef %s\n#define %s\n\n",
                     guard.text.data(), guard.text.data());
  each_constant(
      plan, data, inputs,
      [&](std::string_view name, std::int64_t page, std::int64_t banks, std::int64_t bytes) {
        const int length = static_cast<int>(name.size());
        (void)std::fprintf(out,
                           "#define %.*s 0x%04" PRIX64 "\n#define %.*s_BANKS %" PRId64
                           "\n#define %.*s_BYTES %" PRId64 "\n",
                           length, name.data(), page, length, name.data(), banks, length,
                           name.data(), bytes);
      });
  (void)std::fputs("\n#endif\n", out);
}

bool names_clash(std::span<char *const> data, const char *header) {
  for (std::size_t j = 0; j < data.size(); ++j) {
    const Name later = name_of(data[j]);
    // The header's guard is one name more, without suffixes.
    if (header != nullptr) {
      const Name guard = name_of(header);
      for (const std::string_view suffix : suffixes)
        if (same_name(later.view(), suffix, guard.view(), ""))
          return clash_failed(data[j], header, later.view(), suffix);
    }
    for (std::size_t i = 0; i < j; ++i) {
      const Name earlier = name_of(data[i]);
      for (const std::string_view a : suffixes)
        for (const std::string_view b : suffixes)
          if (same_name(later.view(), a, earlier.view(), b))
            return clash_failed(data[j], data[i], later.view(), a);
    }
  }
  return false;
}

void write_summary(const Plan &plan, std::span<char *const> data, std::span<const Input> inputs) {
  report("Summary: %lld banks: %lld padding, %lld data, 1 program\n",
         static_cast<long long>(plan.image_banks), static_cast<long long>(plan.padding_banks),
         static_cast<long long>(plan.planned_banks - 1));
  // Data can take the padding's banks before the image must double.
  report("- free banks in the image: %lld\n", static_cast<long long>(plan.padding_banks));
  const std::int64_t to_limit = megacart_limit - plan.image_banks;
  report("- banks %s the 1MB of a MegaCart: %lld\n", to_limit < 0 ? "over" : "under",
         static_cast<long long>(to_limit < 0 ? -to_limit : to_limit));
  each_extent(plan, nullptr, data, inputs, [&](const Extent &extent) {
    if (extent.part != Part::data)
      return;
    if (extent.banks == 0)
      report("- free bytes in the last bank of %s: no bank\n", extent.path);
    else
      report("- free bytes in the last bank of %s: %lld\n", extent.path,
             static_cast<long long>(free_bytes(extent)));
  });
}
