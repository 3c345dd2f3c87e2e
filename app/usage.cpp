#include "app/usage.h"

#include "sys/report.h"

#include <cstdio>

namespace {

constexpr const char *reason_unknown = "unknown option";
constexpr const char *reason_valueless = "needs a value";
constexpr const char *reason_paths =
    "needs an outfile, a program and at least one data file; got %lld path%s";

// So many data files are named one by one; of more, the first few and the
// last.
constexpr std::size_t named_files = 5;

void name_data_files(std::span<char *const> data) {
  usage_words(data.size() == 1 ? ", data file " : ", data files ");
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data.size() > named_files && i == named_files - 2) {
      char skipped[48];
      (void)std::snprintf(skipped, sizeof skipped, "(and %lld more) ",
                          static_cast<long long>(data.size()) -
                              static_cast<long long>(named_files) + 1);
      usage_words(skipped);
      i = data.size() - 1;
    }
    usage_name(data[i]);
    if (i + 1 < data.size())
      usage_words(" ");
  }
}

} // namespace

void usage_lines() {
  report("romweld <outfile> <program> <data1> <data2> <data3> ...\n");
  report("Program is padded to 16k, then banks are appended.\n");
  report("MegaCart uses inverted bank order, program goes at the end.\n");
}

void help_lines() {
  usage_lines();
  report("  -h, --help         print this help and exit\n");
  report("      --version      print the version and exit\n");
  report("  -q, --quiet        print only warnings and failures\n");
  report("      --map FILE     write the bank map of the finished image to FILE\n");
  report("      --equ FILE     write the data files' page constants for Z80 assemblers\n");
  report("      --sdas FILE    write the data files' page constants for SDCC's sdasz80\n");
  report("      --header FILE  write the data files' page constants as a C header\n");
  report("      --plan         write only the map and includes, no image; the program\n");
  report("                     need not exist yet\n");
  report("      --pack         let small data files share banks\n");
  report("      --summary      print the banks used, the room left and every bank's fill\n");
  report("      --strict       fail where a warning would be printed\n");
  report("  -f, --force        replace a file that romweld did not make\n");
  report("      --banks N      make the image exactly N banks (a power of two)\n");
  report("      --min-banks N  make the image at least N banks (a power of two)\n");
  report("      --             end the options: every argument after it is a path\n");
}

void usage_reason(const Options &options) {
  if (options.unknown != nullptr) {
    explain(options.unknown, reason_unknown);
  } else if (options.valueless != nullptr) {
    explain(options.valueless, reason_valueless);
  } else {
    char text[96];
    (void)std::snprintf(text, sizeof text, reason_paths,
                        static_cast<long long>(options.paths.size()),
                        plural(static_cast<long long>(options.paths.size())));
    explain_usage(text);
  }
}

void report_hint(const Failure &failure, const Options &options) {
  if (failure.kind->hint == Hint::none)
    return;
  usage_begin();
  usage_words("read as outfile ");
  usage_name(options.paths[0]);
  usage_words(", program ");
  usage_name(options.paths[1]);
  name_data_files(options.paths.subspan(2));
  for (const auto &[name, value] : valued_options(options)) {
    if (value == nullptr)
      continue;
    usage_words(", ");
    usage_words(name);
    usage_words(" ");
    usage_name(value);
  }
  usage_end();
  if (failure.kind->hint == Hint::force) {
    usage_begin();
    usage_words("-f replaces ");
    usage_name(failure.path);
    usage_words(" all the same");
    usage_end();
  }
}
