#include "image_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

constexpr std::size_t bank = 16384;
constexpr std::size_t piece = 16128;

std::size_t pieces(std::size_t bytes) {
  return (bytes + piece - 1) / piece;
}

// Where each data file's first byte goes, as a data bank counted from the
// first bank after the padding and an offset in it; and how many data banks
// there are. Packed, by the rule as the man page states it, bank by bank from
// the front: a file of up to a bank's capacity goes whole into the first
// bank with room for it; a larger file starts new banks; an empty file stands
// right after the file before it.
struct Layout {
  std::vector<std::size_t> bank;
  std::vector<std::size_t> offset;
  std::vector<std::size_t> used; // bytes in each data bank
};

Layout layout_of(const std::vector<NamedBytes> &data, bool pack) {
  Layout layout;
  std::size_t end_bank = 0; // after the file before: its last bank, the offset after it
  std::size_t end_offset = 0;
  for (const NamedBytes &file : data) {
    const std::size_t size = file.bytes.size();
    std::size_t at = layout.used.size();
    std::size_t offset = 0;
    if (!pack || size > piece) {
      layout.used.resize(at + pieces(size), piece);
      if (size > 0)
        layout.used.back() = size - (pieces(size) - 1) * piece;
    } else if (size == 0) {
      at = end_bank;
      offset = end_offset;
    } else {
      at = 0;
      while (at < layout.used.size() && piece - layout.used[at] < size)
        ++at;
      if (at == layout.used.size())
        layout.used.push_back(0);
      offset = layout.used[at];
      layout.used[at] += size;
    }
    layout.bank.push_back(at);
    layout.offset.push_back(offset);
    if (size > 0) {
      end_bank = at + pieces(offset + size) - 1;
      end_offset = offset + size - (pieces(offset + size) - 1) * piece;
    }
  }
  return layout;
}

std::size_t power_of_two_from(std::size_t banks) {
  std::size_t power = 1;
  while (power < banks)
    power *= 2;
  return power;
}

std::size_t total_banks(const std::vector<NamedBytes> &data, std::size_t asked, bool pack) {
  return asked > 0 ? asked : power_of_two_from(layout_of(data, pack).used.size() + 1);
}

// A file's constant name: its base name, letters and digits upper-cased,
// anything else '_', and '_' before a leading digit.
std::string constant_name(const std::string &path) {
  const std::string base = path.substr(path.find_last_of('/') + 1);
  std::string name = !base.empty() && base[0] >= '0' && base[0] <= '9' ? "_" : "";
  for (const char c : base)
    name += std::isalnum(static_cast<unsigned char>(c)) != 0 && static_cast<unsigned char>(c) < 128
                ? static_cast<char>(std::toupper(static_cast<unsigned char>(c)))
                : '_';
  return name;
}

// Calls each with the name, first page, banks, size and offset of every data
// file.
template <typename Each>
void each_data_file(const std::vector<NamedBytes> &data, bool pack, Each each) {
  const Layout layout = layout_of(data, pack);
  const std::size_t first_page = 0x10000 - (layout.used.size() + 1);
  for (std::size_t i = 0; i < data.size(); ++i) {
    const std::size_t size = data[i].bytes.size();
    each(constant_name(data[i].name), first_page + layout.bank[i],
         size == 0 ? 0 : pieces(layout.offset[i] + size), size, layout.offset[i]);
  }
}

std::string line(const char *format, const std::string &text) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, text.c_str());
  return buffer;
}

std::string line(const char *format, std::size_t a, std::size_t b) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, format, a, b);
  return buffer;
}

} // namespace

std::size_t model_image_banks(const std::vector<NamedBytes> &data, bool pack) {
  return total_banks(data, 0, pack);
}

std::string model_image(const std::string &program, const std::vector<NamedBytes> &data,
                        std::size_t banks, bool pack) {
  const Layout layout = layout_of(data, pack);
  const std::size_t padding = total_banks(data, banks, pack) - layout.used.size() - 1;
  std::string image;
  for (std::size_t i = 0; i < padding * bank; ++i)
    image += model_credit_text[i % bank % model_credit_text.size()];
  std::string content(layout.used.size() * bank, '\0');
  for (std::size_t i = 0; i < data.size(); ++i)
    for (std::size_t at = 0; at < data[i].bytes.size(); ++at) {
      const std::size_t place = layout.offset[i] + at;
      content[(layout.bank[i] + place / piece) * bank + place % piece] = data[i].bytes[at];
    }
  const std::string kept = program.substr(0, bank);
  return image + content + kept + std::string(bank - kept.size(), '\0');
}

std::string model_report(const std::string &outfile, const NamedBytes &program,
                         const std::vector<NamedBytes> &data, std::size_t banks, bool pack) {
  const Layout layout = layout_of(data, pack);
  const std::size_t used = layout.used.size() + 1;
  const std::size_t total = total_banks(data, banks, pack);
  std::string report;
  if (total > used) {
    report += "Padding for " + std::to_string(total * 16) + "k\n";
    if (total > 64)
      report += "* Warning - 1MB is max MegaCart so far.\n";
  }
  const std::size_t padding = total - used;
  // Packed, each file is reported where its bytes are, front to back: from
  // its first byte to the one after its last. Otherwise, in order, from its
  // first bank to the bank after its last.
  std::vector<std::size_t> order(data.size());
  for (std::size_t i = 0; i < order.size(); ++i)
    order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return std::pair(layout.bank[a], layout.offset[a]) <
           std::pair(layout.bank[b], layout.offset[b]);
  });
  for (const std::size_t i : order) {
    const std::size_t first = padding + layout.bank[i];
    const std::size_t size = data[i].bytes.size();
    const std::size_t spanned = size == 0 ? 0 : pieces(layout.offset[i] + size);
    const std::size_t start = first * bank + (pack ? layout.offset[i] : 0);
    std::size_t end = (first + spanned) * bank;
    std::size_t end_bank = first + spanned;
    if (pack) {
      end_bank = spanned == 0 ? first : first + spanned - 1;
      end =
          spanned == 0 ? start : end_bank * bank + layout.offset[i] + size - (spanned - 1) * piece;
    }
    report += line("Opened data file '%s'\n", data[i].name);
    report += line("- starting address %zX (page >%04zX)\n", start, 0x10000 - total + first);
    report += line("- ending address %zX (page >%04zX)\n", end, 0x10000 - total + end_bank);
  }
  if (program.bytes.size() > bank)
    report += "Warning - program file may be too large - only 16384 bytes read!\n";
  report += line("Opened program file '%s'\n", program.name);
  report += line("- starting address %zX (page >%04zX)\n", (total - 1) * bank, 0xFFFF);
  return report + line("Finished writing '%s'.\n", outfile);
}

std::string model_warnings(const std::string &outfile, const NamedBytes &program,
                           const std::vector<NamedBytes> &data, std::size_t banks, bool pack) {
  std::string lines;
  if (total_banks(data, banks, pack) > 64)
    lines += "romweld: " + outfile +
             ": no MegaCart board or openMSX takes an image over 1024k; pages below FFC0 select "
             "no bank\n";
  if (total_banks(data, banks, pack) < 8)
    lines += "romweld: " + outfile +
             ": no MegaCart board or openMSX takes an image under 128k; --min-banks 8 makes it "
             "128k\n";
  if (program.bytes.size() > bank)
    lines += "romweld: " + program.name + ": " + std::to_string(program.bytes.size()) +
             " bytes; its bank of 16384 leaves " + std::to_string(program.bytes.size() - bank) +
             " of them out of the image\n";
  const std::string start = program.bytes.substr(0, 2);
  if (start != "\xAA\x55" && start != "\x55\xAA")
    lines += "romweld: " + program.name +
             ": does not begin with AA 55 or 55 AA, the cartridge header the console needs to "
             "start it\n";
  return lines;
}

std::string model_map(const NamedBytes &program, const std::vector<NamedBytes> &data,
                      std::size_t banks, bool pack) {
  const Layout layout = layout_of(data, pack);
  const std::size_t used = layout.used.size() + 1;
  const std::size_t total = total_banks(data, banks, pack);
  const std::size_t padding = total - used;
  std::string map =
      "kind\tpath\tfirst_bank\tbanks\tfirst_page\tlast_page\tstart\tend\tbytes\tfree\toffset\n";
  const auto row = [&](const char *kind, const std::string &name, std::size_t first,
                       std::size_t count, std::size_t bytes, std::size_t free, std::size_t offset) {
    std::string path; // tabs, line ends and backslashes escaped
    for (char c : name)
      path += c == '\t'   ? "\\t"
              : c == '\n' ? "\\n"
              : c == '\r' ? "\\r"
              : c == '\\' ? "\\\\"
                          : std::string(1, c);
    const std::size_t last = count == 0 ? first : first + count - 1;
    char line[192];
    std::snprintf(line, sizeof line, "\t%zu\t%zu\t%04zX\t%04zX\t%zX\t%zX\t%zu\t%zu\t%zu\n", first,
                  count, 0x10000 - total + first, 0x10000 - total + last, first * bank,
                  (first + count) * bank, bytes, free, offset);
    map += kind + ("\t" + path) + line;
  };
  if (padding > 0)
    row("padding", "", 0, padding, 0, 0, 0);
  for (std::size_t i = 0; i < data.size(); ++i) {
    const std::size_t size = data[i].bytes.size();
    const std::size_t count = size == 0 ? 0 : pieces(layout.offset[i] + size);
    // free: what its last bank leaves of the 16,128 bytes a data bank holds.
    const std::size_t free = count == 0 ? 0 : piece - layout.used[layout.bank[i] + count - 1];
    row("data", data[i].name, padding + layout.bank[i], count, size, free, layout.offset[i]);
  }
  const std::size_t kept = std::min(program.bytes.size(), bank);
  row("program", program.name, total - 1, 1, kept, bank - kept, 0);
  return map;
}

std::string model_equ(const std::vector<NamedBytes> &data, bool sdas, bool pack) {
  // "NAME: EQU 0xFFFB" for the Z80 assemblers, "NAME = 0xFFFB" for sdasz80.
  const char *format =
      sdas ? "%s = 0x%04zX\n%s_BANKS = %zu\n%s_BYTES = %zu\n%s_ADDR = 0x%04zX\n"
           : "%s: EQU 0x%04zX\n%s_BANKS: EQU %zu\n%s_BYTES: EQU %zu\n%s_ADDR: EQU 0x%04zX\n";
  std::string equ = "; Page constants of the data files, made by romweld.\n";
  each_data_file(data, pack,
                 [&](const std::string &name, std::size_t page, std::size_t banks,
                     std::size_t bytes, std::size_t offset) {
                   char lines[4 * 600];
                   std::snprintf(lines, sizeof lines, format, name.c_str(), page, name.c_str(),
                                 banks, name.c_str(), bytes, name.c_str(), 0xC000 + offset);
                   equ += lines;
                 });
  return equ;
}

std::string model_header(const std::string &header, const std::vector<NamedBytes> &data,
                         bool pack) {
  const std::string guard = constant_name(header);
  std::string text = "/* Page constants of the data files, made by romweld. */\n#ifndef " + guard +
                     "\n#define " + guard + "\n\n";
  each_data_file(data, pack,
                 [&](const std::string &name, std::size_t page, std::size_t banks,
                     std::size_t bytes, std::size_t offset) {
                   char lines[4 * 600];
                   std::snprintf(lines, sizeof lines,
                                 "#define %s 0x%04zX\n#define %s_BANKS %zu\n#define %s_BYTES "
                                 "%zu\n#define %s_ADDR 0x%04zX\n",
                                 name.c_str(), page, name.c_str(), banks, name.c_str(), bytes,
                                 name.c_str(), 0xC000 + offset);
                   text += lines;
                 });
  return text + "\n#endif\n";
}

std::string first_difference(const std::string &got, const std::string &want, std::size_t banks) {
  const std::size_t total = want.size() / bank;
  const std::size_t size = banks * bank;
  for (std::size_t at = 0; at < got.size() && at < size; ++at)
    if (got[at] != want[at]) {
      char buffer[160];
      std::snprintf(buffer, sizeof buffer,
                    "bank %zu (page >%04zX) offset 0x%04zX: got 0x%02X, want 0x%02X", at / bank,
                    0x10000 - total + at / bank, at % bank, static_cast<unsigned char>(got[at]),
                    static_cast<unsigned char>(want[at]));
      return buffer;
    }
  if (got.size() != size)
    return "size " + std::to_string(got.size()) + ", want " + std::to_string(size);
  return "";
}
