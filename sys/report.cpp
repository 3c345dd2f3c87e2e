#include "sys/report.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

bool quiet = false;
std::FILE *report_stream = stdout;
int report_error = 0; // the first failed write's error number

void print(const char *format, va_list args) {
  if (std::vfprintf(report_stream, format, args) < 0 && report_error == 0)
    report_error = errno;
}

// Standard output may be a pipe, buffered: what it holds goes first, so that
// a log of both streams keeps their order.
void flush_before_stderr() {
  if (report_stream != stderr && std::fflush(report_stream) != 0 && report_error == 0)
    report_error = errno;
}

} // namespace

void report(const char *format, ...) {
  va_list args;
  va_start(args, format);
  print(format, args);
  va_end(args);
}

void progress(const char *format, ...) {
  if (quiet)
    return;
  va_list args;
  va_start(args, format);
  print(format, args);
  va_end(args);
}

void set_quiet(bool on) {
  quiet = on;
}

void divert_report() {
  if (std::fflush(stdout) != 0 && report_error == 0)
    report_error = errno;
  report_stream = stderr;
}

void explain(const char *path, const char *reason) {
  note(path, "%s", reason);
}

// The format attribute checks that every call passes a format after the path.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void note(const char *path, const char *format, ...) {
  flush_before_stderr();
  (void)std::fprintf(stderr, "romweld: %s: ", path);
  va_list args;
  va_start(args, format);
  (void)std::vfprintf(stderr, format, args);
  va_end(args);
  (void)std::fputc('\n', stderr);
}

void explain_usage(const char *text) {
  flush_before_stderr();
  (void)std::fprintf(stderr, "romweld: %s\n", text);
}

bool finish_report() {
  // A full disk or a closed pipe may show only when the buffer is written out.
  if (std::fflush(stdout) != 0 && report_error == 0)
    report_error = errno;
  if (std::fclose(stdout) != 0 && report_error == 0)
    report_error = errno;
  report_stream = stderr;
  if (report_error != 0)
    explain("standard output", std::strerror(report_error));
  return report_error == 0;
}
