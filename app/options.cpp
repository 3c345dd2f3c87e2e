#include "app/options.h"

#include <string_view>

Request parse_options(std::span<char *const> args, Options &options) {
  options = {false, nullptr, {}};
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
    if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--map" || arg.starts_with("--map=")) {
      // The file is the next argument, or follows the '='.
      if (arg == "--map" && ++i == args.size())
        return Request::usage;
      options.map = arg == "--map" ? args[i] : args[i] + std::string_view("--map=").size();
      if (*options.map == '\0')
        return Request::usage;
    } else if (arg.starts_with("--") || arg.size() == 1) {
      return Request::usage;
    } else {
      // Short options may be grouped, as in -qh.
      for (const char letter : arg.substr(1)) {
        if (letter == 'h')
          return Request::help;
        if (letter != 'q')
          return Request::usage;
        options.quiet = true;
      }
    }
  }
  options.paths = args.subspan(i);
  return options.paths.size() < 3 ? Request::usage : Request::run;
}
