#include "sys/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

bool quiet = false;

} // namespace

void report(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
}

void progress(const char *format, ...) {
  if (quiet)
    return;
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
}

void set_quiet(bool on) {
  quiet = on;
}

void fail(const char *path, const char *reason, const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  // Standard output may be a pipe, buffered: what it holds goes first, so
  // that a log of both streams keeps their order.
  (void)std::fflush(stdout);
  (void)std::fprintf(stderr, "romweld: %s: %s\n", path, reason);
}

const char *reason_of(int code) {
  return std::strerror(code);
}
