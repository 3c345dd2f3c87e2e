#include "app/options.h"

#include "image/hex.h"
#include "image/layout.h"
#include "sys/report.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// One option: its names, what the help says of it, and where it goes: a flag,
// a value, or the path of a file the run writes.
struct Option {
  std::string_view name;
  char letter = 0;             // its short form, or none
  const char *value = nullptr; // the name of its value in the help; nullptr for a flag
  const char *help = "";       // a line of help, or two
  bool Options::*flag = nullptr;
  const char *Options::*text = nullptr;
  Form form = Form::image; // for a value that names a file of the run, its form
};

// clang-format off
constexpr Option table[] = {
    {.name = "--help", .letter = 'h', .help = "print this help and exit"},
    {.name = "--version", .help = "print the version and exit"},
    {.name = "--quiet", .letter = 'q', .help = "print only warnings and failures", .flag = &Options::quiet},
    {.name = "--map", .value = "FILE", .help = "write the bank map of the finished image to FILE", .form = Form::map},
    {.name = "--equ", .value = "FILE", .help = "write the data files' page constants for Z80 assemblers", .form = Form::equ},
    {.name = "--sdas", .value = "FILE", .help = "write the data files' page constants for SDCC's sdasz80", .form = Form::sdas},
    {.name = "--header", .value = "FILE", .help = "write the data files' page constants as a C header", .form = Form::header},
    {.name = "--plan", .help = "write only the map and includes, no image; the program\nneed not exist yet", .flag = &Options::plan},
    {.name = "--pack", .help = "let small data files share banks", .flag = &Options::pack},
    {.name = "--summary", .help = "print the banks used, the room left and every bank's fill", .flag = &Options::summary},
    {.name = "--strict", .help = "fail where a warning would be printed", .flag = &Options::strict},
    {.name = "--force", .letter = 'f', .help = "replace a file that romweld did not make", .flag = &Options::force},
    {.name = "--banks", .value = "N", .help = "make the image exactly N banks (a power of two)", .text = &Options::banks},
    {.name = "--min-banks", .value = "N", .help = "make the image at least N banks (a power of two)", .text = &Options::min_banks},
    {.name = "--", .help = "end the options: every argument after it is a path"},
};
// clang-format on

constexpr const char *reason_bank_count = "not a power of two from 1 to 65536";
constexpr const char *reason_least_banks = "more than --banks gives";
constexpr const char *reason_unknown = "unknown option";
constexpr const char *reason_valueless = "needs a value";
constexpr const char *reason_paths =
    "needs an outfile, a program and at least one data file; got %lld path%s";

// A valued option's value, or nullptr.
const char *value_of(const Option &option, const Options &options) {
  return option.text != nullptr ? options.*option.text : file_of(options, option.form);
}

// The row of a long option, and its value if joined to it by '='.
const Option *find_long(std::string_view arg, const char *&joined) {
  for (const Option &option : table) {
    if (arg == option.name)
      return &option;
    if (option.value != nullptr && arg.starts_with(option.name) &&
        arg.size() > option.name.size() && arg[option.name.size()] == '=') {
      joined = arg.data() + option.name.size() + 1;
      return &option;
    }
  }
  return nullptr;
}

// Takes the long option at args[i], and the next argument if that is its
// value; Request::run to go on. The next argument is no value if it looks
// like an option: the value was forgotten, and the option would go unseen.
Request take_long(std::span<char *const> args, std::size_t &i, Options &options) {
  const char *joined = nullptr;
  const Option *option = find_long(args[i], joined);
  if (option == nullptr) {
    options.unknown = args[i];
    return Request::usage;
  }
  if (option->name == "--help")
    return Request::help;
  if (option->name == "--version")
    return Request::version;
  if (option->flag != nullptr) {
    options.*option->flag = true;
    return Request::run;
  }
  const char *value = joined != nullptr ? joined : ++i < args.size() ? args[i] : nullptr;
  if (value == nullptr || *value == '\0' ||
      (joined == nullptr && value[0] == '-' && value[1] != '\0')) {
    // Names end where their literals do.
    options.valueless = option->name.data();
    return Request::usage;
  }
  if (option->text != nullptr)
    options.*option->text = value;
  else
    options.files[static_cast<std::size_t>(option->form)] = value;
  return Request::run;
}

// Short options, which may be grouped, as in -qf.
Request take_short(const char *arg, Options &options) {
  for (const char *letter = arg + 1; *letter != '\0'; ++letter) {
    const auto *option = std::find_if(std::begin(table), std::end(table),
                                      [&](const Option &row) { return row.letter == *letter; });
    if (option != std::end(table) && option->name == "--help")
      return Request::help;
    if (option == std::end(table)) {
      options.unknown = arg;
      return Request::usage;
    }
    options.*option->flag = true;
  }
  return Request::run;
}

// Whether an argument after the outfile, which is a path, was meant as an
// option: one of the table's, or a group of its letters.
bool is_option(const char *arg) {
  const char *joined = nullptr;
  if (std::string_view(arg).starts_with("--"))
    return find_long(arg, joined) != nullptr && std::string_view(arg) != "--";
  if (arg[0] != '-' || arg[1] == '\0')
    return false;
  for (const char *letter = arg + 1; *letter != '\0'; ++letter)
    if (std::none_of(std::begin(table), std::end(table),
                     [&](const Option &row) { return row.letter == *letter; }))
      return false;
  return true;
}

// The line that says how the command line was read, built whole, then
// written at once. Of the names it holds, each escaped, none is over 16K.
std::array<char, std::size_t{256} * 1024> reading;
std::size_t reading_length = 0;

void add(const char *words) {
  const int length =
      std::snprintf(reading.data() + reading_length, reading.size() - reading_length, "%s", words);
  reading_length =
      std::min(reading_length + static_cast<std::size_t>(std::max(length, 0)), reading.size() - 1);
}

void add_name(const char *name) {
  add("'");
  add(escaped(name).text.data());
  add("'");
}

// So many data files are named one by one; of more, the first few and the
// last.
constexpr std::size_t named_files = 5;

void add_data_files(std::span<char *const> data) {
  if (data.empty())
    return;
  add(data.size() == 1 ? ", data file " : ", data files ");
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data.size() > named_files && i == named_files - 2) {
      char skipped[48];
      (void)std::snprintf(skipped, sizeof skipped, "(and %lld more) ",
                          static_cast<long long>(data.size()) -
                              static_cast<long long>(named_files) + 1);
      add(skipped);
      i = data.size() - 1;
    }
    add_name(data[i]);
    if (i + 1 < data.size())
      add(" ");
  }
}

bool bank_count(const char *text, std::int64_t &banks) {
  banks = 0;
  const char *c = text;
  for (; *c >= '0' && *c <= '9' && banks <= max_banks; ++c)
    banks = banks * 10 + (*c - '0');
  return *c == '\0' && banks >= 1 && banks <= max_banks && (banks & (banks - 1)) == 0;
}

} // namespace

Request parse_options(std::span<char *const> args, Options &options) {
  options = {};
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (!arg.starts_with('-'))
      break;
    const Request request = arg.starts_with("--") || arg.size() == 1 ? take_long(args, i, options)
                                                                     : take_short(args[i], options);
    if (request != Request::run)
      return request;
  }
  options.paths = args.subspan(i);
  if (!options.paths.empty())
    options.files[0] = options.paths[0];
  // A linked program may bring all the image needs.
  const std::size_t least = options.paths.size() >= 2 && linked_program(options.paths[1]) ? 2 : 3;
  return options.paths.size() < least ? Request::usage : Request::run;
}

const char *file_of(const Options &options, Form form) {
  const char *const *files = options.files.data();
  return files[static_cast<std::size_t>(form)];
}

Failure check_bank_counts(const Options &options, BankCount &asked) {
  asked = {};
  for (const Option &option : table) {
    if (option.text == nullptr || options.*option.text == nullptr)
      continue;
    std::int64_t &banks = option.text == &Options::banks ? asked.exactly : asked.at_least;
    if (!bank_count(options.*option.text, banks))
      return fail(status_option, {EINVAL, option.name.data(), reason_bank_count},
                  "Failed to use %s %s", option.name.data(), options.*option.text);
  }
  if (asked.exactly > 0 && asked.at_least > asked.exactly)
    return fail(status_option, {EINVAL, "--min-banks", reason_least_banks},
                "Failed to use --min-banks %s", options.min_banks);
  return {};
}

void usage_lines() {
  report("romweld <outfile> <program> <data1> <data2> <data3> ...\n");
  report("Program is padded to 16k, then banks are appended.\n");
  report("MegaCart uses inverted bank order, program goes at the end.\n");
}

void help_lines() {
  usage_lines();
  for (const Option &option : table) {
    char letter[8] = "";
    if (option.letter != 0)
      (void)std::snprintf(letter, sizeof letter, "-%c, ", option.letter);
    char name[32];
    (void)std::snprintf(name, sizeof name, "%s%s%s", option.name.data(),
                        option.value != nullptr ? " " : "",
                        option.value != nullptr ? option.value : "");
    const char *more = std::strchr(option.help, '\n');
    const int first = more != nullptr ? static_cast<int>(more - option.help) : -1;
    report("  %-4s%-15s%.*s\n", letter, name, first, option.help);
    if (more != nullptr)
      report("%21s%s\n", "", more + 1);
  }
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
  if (!failure.reading)
    return;
  reading_length = 0;
  add("read as outfile ");
  add_name(options.paths[0]);
  add(", program ");
  add_name(options.paths[1]);
  add_data_files(options.paths.subspan(2));
  for (const Option &option : table) {
    if (option.value == nullptr || value_of(option, options) == nullptr)
      continue;
    add(", ");
    add(option.name.data());
    add(" ");
    add_name(value_of(option, options));
  }
  if (std::any_of(options.paths.begin() + 1, options.paths.end(), is_option))
    add("; options come before the outfile");
  explain_usage(reading.data());
  if (failure.forced != nullptr) {
    reading_length = 0;
    add("-f replaces ");
    add_name(failure.forced);
    add(" all the same");
    explain_usage(reading.data());
  }
}
