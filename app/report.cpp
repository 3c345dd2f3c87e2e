#include "app/report.h"

#include <cstdarg>
#include <cstdio>

void report(const char *format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
}
