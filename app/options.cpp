#include "app/options.h"

#include "image/layout.h"

#include <string_view>

namespace {

// An option that takes a value, as "--name VALUE" or "--name=VALUE".
struct Valued {
  std::string_view name;
  const char *Options::*value;
};

constexpr Valued valued[] = {{"--map", &Options::map},     {"--equ", &Options::equ},
                             {"--sdas", &Options::sdas},   {"--header", &Options::header},
                             {"--banks", &Options::banks}, {"--min-banks", &Options::min_banks}};

constexpr struct {
  std::string_view name;
  bool Options::*flag;
} flags[] = {{"--quiet", &Options::quiet},     {"--plan", &Options::plan},
             {"--summary", &Options::summary}, {"--strict", &Options::strict},
             {"--force", &Options::force},     {"--pack", &Options::pack}};

// Takes the value of a valued option at args[i], moving i past it; false if
// arg is none, or its value is missing or empty. The next argument is no
// value if it looks like an option: the value was forgotten, and the option
// would go unseen.
bool take_value(std::span<char *const> args, std::size_t &i, Options &options, bool &known) {
  const std::string_view arg = args[i];
  for (const Valued &option : valued) {
    const bool joined = arg.starts_with(option.name) && arg.size() > option.name.size() &&
                        arg[option.name.size()] == '=';
    if (arg != option.name && !joined)
      continue;
    known = true;
    // Names end where their literals do.
    options.valueless = option.name.data();
    if (arg == option.name && ++i == args.size())
      return false;
    const char *value = arg == option.name ? args[i] : args[i] + option.name.size() + 1;
    options.*option.value = value;
    if (*value == '\0' || (arg == option.name && value[0] == '-' && value[1] != '\0'))
      return false;
    options.valueless = nullptr;
    return true;
  }
  return false;
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
    if (arg == "--help")
      return Request::help;
    if (arg == "--version")
      return Request::version;
    bool known = false;
    for (const auto &option : flags)
      if (arg == option.name) {
        options.*option.flag = true;
        known = true;
      }
    if (known)
      continue;
    const char *typed = args[i];
    if (take_value(args, i, options, known))
      continue;
    if (known)
      return Request::usage;
    options.unknown = typed;
    if (arg.starts_with("--") || arg.size() == 1)
      return Request::usage;
    // Short options may be grouped, as in -qf.
    for (const char letter : arg.substr(1)) {
      if (letter == 'h')
        return Request::help;
      if (letter != 'q' && letter != 'f')
        return Request::usage;
      (letter == 'q' ? options.quiet : options.force) = true;
    }
    options.unknown = nullptr;
  }
  options.paths = args.subspan(i);
  return options.paths.size() < 3 ? Request::usage : Request::run;
}

std::array<std::pair<const char *, const char *>, valued_count>
valued_options(const Options &options) {
  static_assert(std::size(valued) == valued_count);
  std::array<std::pair<const char *, const char *>, valued_count> each{};
  for (std::size_t i = 0; i < valued_count; ++i)
    each[i] = {valued[i].name.data(), options.*valued[i].value};
  return each;
}

bool bank_count(const char *text, std::int64_t &banks) {
  banks = 0;
  const char *c = text;
  for (; *c >= '0' && *c <= '9' && banks <= max_banks; ++c)
    banks = banks * 10 + (*c - '0');
  return *c == '\0' && banks >= 1 && banks <= max_banks && (banks & (banks - 1)) == 0;
}
