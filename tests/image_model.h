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

std::string model_image(const std::string &program, const std::vector<NamedBytes> &data);

// The report of a successful run.
std::string model_report(const std::string &outfile, const NamedBytes &program,
                         const std::vector<NamedBytes> &data);

// The bank map of a successful run.
std::string model_map(const NamedBytes &program, const std::vector<NamedBytes> &data);

// Where an image first differs from the first `banks` banks of the wanted
// one, named by bank, page and offset; empty when they are the same.
std::string first_difference(const std::string &got, const std::string &want, std::size_t banks);
