#pragma once

#include <string>
#include <string_view>
#include <vector>

// An independent model of what the tool must produce, written from the image
// format rather than from the tool's code: the image as one string of bytes
// and the report as one string of lines.

// The text that fills the padding banks, as the README and the man page give it.
constexpr std::string_view model_credit_text =
    "Made with romweld, MegaCart ROM welder by romweld maintainers ";

struct NamedBytes {
  std::string name; // the path as typed on the command line
  std::string bytes;
};

// The banks of the smallest image that holds the data files and the program.
std::size_t model_image_banks(const std::vector<NamedBytes> &data, bool pack = false);

// Each takes the image's bank count, when it is fixed (--banks); 0 for the
// smallest power of two that holds the inputs; and whether small data files
// share banks (--pack).
std::string model_image(const std::string &program, const std::vector<NamedBytes> &data,
                        std::size_t banks = 0, bool pack = false);

// The report of a successful run.
std::string model_report(const std::string &outfile, const NamedBytes &program,
                         const std::vector<NamedBytes> &data, std::size_t banks = 0,
                         bool pack = false);

// What a successful run says on standard error: that no MegaCart board takes
// an image under 128 KB or over 1 MB, how much of the program did not fit its bank, and
// that the program lacks the cartridge header.
std::string model_warnings(const std::string &outfile, const NamedBytes &program,
                           const std::vector<NamedBytes> &data, std::size_t banks = 0,
                           bool pack = false);

// The bank map of a successful run.
std::string model_map(const NamedBytes &program, const std::vector<NamedBytes> &data,
                      std::size_t banks = 0, bool pack = false);

// The page constants of the data files, as an include for the Z80
// assemblers or for sdasz80, and as a C header whose guard is named after
// its path.
std::string model_equ(const std::vector<NamedBytes> &data, bool sdas = false, bool pack = false);
std::string model_header(const std::string &header, const std::vector<NamedBytes> &data,
                         bool pack = false);

// Where an image first differs from the first `banks` banks of the wanted
// one, named by bank, page and offset; empty when they are the same.
std::string first_difference(const std::string &got, const std::string &want, std::size_t banks);
