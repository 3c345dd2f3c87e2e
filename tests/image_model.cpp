#include "image_model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

constexpr std::size_t bank = 16384;
constexpr std::size_t piece = 16128;

std::size_t pieces(const std::string &bytes) {
  return (bytes.size() + piece - 1) / piece;
}

std::size_t banks_needed(const std::vector<NamedBytes> &data) {
  std::size_t banks = 1;
  for (const NamedBytes &file : data)
    banks += pieces(file.bytes);
  return banks;
}

std::size_t power_of_two_from(std::size_t banks) {
  std::size_t power = 1;
  while (power < banks)
    power *= 2;
  return power;
}

std::size_t total_banks(const std::vector<NamedBytes> &data, std::size_t asked) {
  return asked > 0 ? asked : power_of_two_from(banks_needed(data));
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

// Calls each with the name, first page, banks and size of every data file.
template <typename Each> void each_data_file(const std::vector<NamedBytes> &data, Each each) {
  std::size_t page = 0x10000 - banks_needed(data);
  for (const NamedBytes &file : data) {
    each(constant_name(file.name), page, pieces(file.bytes), file.bytes.size());
    page += pieces(file.bytes);
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

std::size_t model_image_banks(const std::vector<NamedBytes> &data) {
  return power_of_two_from(banks_needed(data));
}

std::string model_image(const std::string &program, const std::vector<NamedBytes> &data,
                        std::size_t banks) {
  const std::size_t used = banks_needed(data);
  std::string image;
  for (std::size_t i = 0; i < (total_banks(data, banks) - used) * bank; ++i)
    image += model_credit_text[i % bank % model_credit_text.size()];
  for (const NamedBytes &file : data)
    for (std::size_t at = 0; at < file.bytes.size(); at += piece) {
      std::string chunk = file.bytes.substr(at, piece);
      image += chunk + std::string(bank - chunk.size(), '\0');
    }
  const std::string kept = program.substr(0, bank);
  return image + kept + std::string(bank - kept.size(), '\0');
}

std::string model_report(const std::string &outfile, const NamedBytes &program,
                         const std::vector<NamedBytes> &data, std::size_t banks) {
  const std::size_t used = banks_needed(data);
  const std::size_t total = total_banks(data, banks);
  std::string report;
  if (total > used) {
    report += "Padding for " + std::to_string(total * 16) + "k\n";
    if (total > 64)
      report += "* Warning - 1MB is max MegaCart so far.\n";
  }
  std::size_t index = total - used;
  for (const NamedBytes &file : data) {
    report += line("Opened data file '%s'\n", file.name);
    report += line("- starting address %zX (page >%04zX)\n", index * bank, 0x10000 - total + index);
    index += pieces(file.bytes);
    report += line("- ending address %zX (page >%04zX)\n", index * bank, 0x10000 - total + index);
  }
  if (program.bytes.size() > bank)
    report += "Warning - program file may be too large - only 16384 bytes read!\n";
  report += line("Opened program file '%s'\n", program.name);
  report += line("- starting address %zX (page >%04zX)\n", index * bank, 0x10000 - total + index);
  return report + line("Finished writing '%s'.\n", outfile);
}

std::string model_warnings(const std::string &outfile, const NamedBytes &program,
                           const std::vector<NamedBytes> &data, std::size_t banks) {
  std::string lines;
  if (total_banks(data, banks) > 64)
    lines += "romweld: " + outfile +
             ": no MegaCart board or openMSX takes an image over 1024k; pages below FFC0 select "
             "no bank\n";
  if (total_banks(data, banks) < 8)
    lines += "romweld: " + outfile +
             ": no MegaCart board or openMSX takes an image under 128k; --min-banks 8 makes it "
             "128k\n";
  if (program.bytes.size() > bank)
    lines += "romweld: " + program.name + ": " + std::to_string(program.bytes.size()) +
             " bytes, of which the " + std::to_string(program.bytes.size() - bank) +
             " past its bank of 16384 are not in the image\n";
  const std::string start = program.bytes.substr(0, 2);
  if (start != "\xAA\x55" && start != "\x55\xAA")
    lines += "romweld: " + program.name +
             ": does not begin with AA 55 or 55 AA, the cartridge header the console needs to "
             "start it\n";
  return lines;
}

std::string model_map(const NamedBytes &program, const std::vector<NamedBytes> &data,
                      std::size_t banks) {
  const std::size_t used = banks_needed(data);
  const std::size_t total = total_banks(data, banks);
  std::string map =
      "kind\tpath\tfirst_bank\tbanks\tfirst_page\tlast_page\tstart\tend\tbytes\tfree\n";
  // free: what the last bank leaves, of 16,128 bytes a data bank, 16,384 the
  // program's.
  const auto row = [&](const char *kind, const std::string &name, std::size_t first,
                       std::size_t count, std::size_t bytes, std::size_t capacity) {
    std::string path; // tabs, line ends and backslashes escaped
    for (char c : name)
      path += c == '\t'   ? "\\t"
              : c == '\n' ? "\\n"
              : c == '\r' ? "\\r"
              : c == '\\' ? "\\\\"
                          : std::string(1, c);
    const std::size_t last = count == 0 ? first : first + count - 1;
    char line[160];
    std::snprintf(line, sizeof line, "\t%zu\t%zu\t%04zX\t%04zX\t%zX\t%zX\t%zu\t%zu\n", first, count,
                  0x10000 - total + first, 0x10000 - total + last, first * bank,
                  (first + count) * bank, bytes, count * capacity - bytes);
    map += kind + ("\t" + path) + line;
  };
  if (total > used)
    row("padding", "", 0, total - used, 0, 0);
  std::size_t index = total - used;
  for (const NamedBytes &file : data) {
    row("data", file.name, index, pieces(file.bytes), file.bytes.size(), piece);
    index += pieces(file.bytes);
  }
  row("program", program.name, index, 1, std::min(program.bytes.size(), bank), bank);
  return map;
}

std::string model_equ(const std::vector<NamedBytes> &data, bool sdas) {
  // "NAME: EQU 0xFFFB" for the Z80 assemblers, "NAME = 0xFFFB" for sdasz80.
  const char *format = sdas ? "%s = 0x%04zX\n%s_BANKS = %zu\n%s_BYTES = %zu\n"
                            : "%s: EQU 0x%04zX\n%s_BANKS: EQU %zu\n%s_BYTES: EQU %zu\n";
  std::string equ = "; Page constants of the data files, made by romweld.\n";
  each_data_file(
      data, [&](const std::string &name, std::size_t page, std::size_t banks, std::size_t bytes) {
        char lines[3 * 600];
        std::snprintf(lines, sizeof lines, format, name.c_str(), page, name.c_str(), banks,
                      name.c_str(), bytes);
        equ += lines;
      });
  return equ;
}

std::string model_header(const std::string &header, const std::vector<NamedBytes> &data) {
  const std::string guard = constant_name(header);
  std::string text = "/* Page constants of the data files, made by romweld. */\n#ifndef " + guard +
                     "\n#define " + guard + "\n\n";
  each_data_file(
      data, [&](const std::string &name, std::size_t page, std::size_t banks, std::size_t bytes) {
        char lines[3 * 600];
        std::snprintf(lines, sizeof lines,
                      "#define %s 0x%04zX\n#define %s_BANKS %zu\n#define %s_BYTES %zu\n",
                      name.c_str(), page, name.c_str(), banks, name.c_str(), bytes);
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
