#include "image/map.h"

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

// The suffixes of a data file's three constants, in the order they are
// checked and written.
constexpr std::string_view suffixes[] = {"", "_BANKS", "_BYTES"};

// One constant name of a data file, by the parts it is made of, so that
// names are compared without being built: a leading '_' or none, the
// file's last path component as the name maps it, then the suffix.
struct Key {
  const char *component;
  std::uint32_t length; // of the name before the suffix, the '_' included
  std::uint32_t file;   // index of the data file
  std::uint8_t lead;    // 1 for the '_' before a leading digit
  std::uint8_t suffix;  // index into suffixes
};

char name_char(const Key &key, std::size_t i) {
  if (i < key.length) {
    if (i < key.lead)
      return '_';
    const char c = key.component[i - key.lead];
    const char up = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    return (up >= 'A' && up <= 'Z') || (up >= '0' && up <= '9') ? up : '_';
  }
  return suffixes[key.suffix][i - key.length];
}

std::size_t key_length(const Key &key) {
  return key.length + suffixes[key.suffix].size();
}

Key key_of(const char *path, std::uint32_t file, std::uint8_t suffix) {
  const char *component = path + folder_length(path);
  const std::uint8_t lead = *component >= '0' && *component <= '9' ? 1 : 0;
  // As long as a Name holds.
  const std::size_t length = std::min(std::strlen(component) + lead, path_capacity + 1);
  return {component, static_cast<std::uint32_t>(length), file, lead, suffix};
}

// Compares two names as strings: below 0, 0 or above 0.
int compare_names(const Key &a, const Key &b) {
  const std::size_t length_a = key_length(a);
  const std::size_t length_b = key_length(b);
  for (std::size_t i = 0; i < length_a && i < length_b; ++i) {
    const char x = name_char(a, i);
    const char y = name_char(b, i);
    if (x != y)
      return x < y ? -1 : 1;
  }
  return length_a == length_b ? 0 : (length_a < length_b ? -1 : 1);
}

// Every constant name of the data files, to be sorted: three a file.
std::array<Key, max_banks * std::size(suffixes)> keys;

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
  (void)std::fputs(
      "kind\tpath\tfirst_bank\tbanks\tfirst_page\tlast_page\tstart\tend\tbytes\tfree\n", out);
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

Name constant_name(const char *path) {
  Name name{};
  const Key key = key_of(path, 0, 0);
  for (std::size_t i = 0; i < key.length; ++i)
    name.text[i] = name_char(key, i);
  return name;
}

Clash find_clash(std::span<const Input> data, const char *header) {
  // Sorted, equal names stand together, each group in command-line order.
  const std::size_t count = std::min(data.size(), keys.size() / std::size(suffixes));
  std::size_t used = 0;
  for (std::uint32_t file = 0; file < count; ++file)
    for (std::size_t suffix = 0; suffix < std::size(suffixes); ++suffix)
      keys[used++] = key_of(data[file].path, file, static_cast<std::uint8_t>(suffix));
  const std::span<Key> sorted(keys.data(), used);
  std::sort(sorted.begin(), sorted.end(), [](const Key &a, const Key &b) {
    const int order = compare_names(a, b);
    return order != 0 ? order < 0 : (a.file != b.file ? a.file < b.file : a.suffix < b.suffix);
  });
  // The clash reported is the one found first by going through the data
  // files in order, each against the header's guard first and then against
  // the files before it: the lowest later file, then the lowest earlier one,
  // then the later file's first suffix. In a group, the first file is the
  // earliest, and the next one the lowest that clashes with it.
  const Key *later = nullptr;
  const Key *earlier = nullptr;
  for (std::size_t at = 0; at < sorted.size();) {
    std::size_t end = at + 1;
    while (end < sorted.size() && compare_names(sorted[at], sorted[end]) == 0)
      ++end;
    if (end - at > 1) {
      const Key &first = sorted[at];
      const Key &next = sorted[at + 1];
      if (later == nullptr || next.file < later->file ||
          (next.file == later->file &&
           (first.file < earlier->file ||
            (first.file == earlier->file && next.suffix < later->suffix)))) {
        later = &next;
        earlier = &first;
      }
    }
    at = end;
  }
  // The header's guard is one name more, without suffixes: a file that
  // clashes with it is found before any file that clashes with the files
  // before it.
  if (header != nullptr) {
    const Key guard = key_of(header, 0, 0);
    const auto same = std::find_if(sorted.begin(), sorted.end(),
                                   [&](const Key &key) { return compare_names(key, guard) == 0; });
    if (same != sorted.end() && (later == nullptr || same->file <= later->file))
      return {data[same->file].path, header, suffixes[same->suffix]};
  }
  if (later == nullptr)
    return {};
  return {data[later->file].path, data[earlier->file].path, suffixes[later->suffix]};
}

void write_summary(const Plan &plan, std::span<const Input> data) {
  report("Summary: %lld banks: %lld padding, %lld data, 1 program\n",
         static_cast<long long>(plan.image_banks), static_cast<long long>(plan.padding_banks),
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
