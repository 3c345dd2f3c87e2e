#include "sys/report.h"

#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

bool quiet = false;
bool lost = false;
bool errors_off = false; // standard error is a file the run must not change
std::FILE *report_stream = stdout;
int report_error = 0; // the first failed write's error number

void print(const char *format, va_list args) {
  if (errors_off && report_stream == stderr)
    return;
  if (lost && report_stream == stdout)
    report_error = EBADF;
  else if (std::vfprintf(report_stream, format, args) < 0 && report_error == 0)
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

void report_list(const char *format, va_list args) {
  print(format, args);
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

void lose_report() {
  lost = true;
}

bool report_lost() {
  return lost;
}

void keep_off(bool standard_output, bool standard_error) {
  errors_off = errors_off || standard_error;
  if (standard_output && standard_error)
    lose_report();
  else if (standard_output)
    divert_report();
}

Escaped escaped(const char *name) {
  Escaped out{};
  std::size_t at = 0;
  for (const char *c = name; *c != '\0' && at + 5 < out.text.size(); ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    const char *escape = byte == '\t'   ? "\\t"
                         : byte == '\n' ? "\\n"
                         : byte == '\r' ? "\\r"
                                        : nullptr;
    if (escape != nullptr)
      at += static_cast<std::size_t>(std::snprintf(out.text.data() + at, 3, "%s", escape));
    else if (byte < 0x20 || byte == 0x7F)
      at += static_cast<std::size_t>(std::snprintf(out.text.data() + at, 5, "\\x%02X", byte));
    else
      out.text[at++] = *c;
  }
  return out;
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
  if (errors_off)
    return;
  flush_before_stderr();
  (void)std::fprintf(stderr, "romweld: %s: ", escaped(path).text.data());
  va_list args;
  va_start(args, format);
  (void)std::vfprintf(stderr, format, args);
  va_end(args);
  (void)std::fputc('\n', stderr);
}

void explain_usage(const char *text) {
  if (errors_off)
    return;
  flush_before_stderr();
  (void)std::fprintf(stderr, "romweld: %s\n", text);
}

bool finish_report() {
  // A full disk or a closed pipe may show only when the buffer is written out.
  if (!lost && std::fflush(stdout) != 0 && report_error == 0)
    report_error = errno;
  if (std::fclose(stdout) != 0 && report_error == 0 && !lost)
    report_error = errno;
  report_stream = stderr;
  if (report_error != 0 && !errors_off)
    explain("standard output", std::strerror(report_error));
  return report_error == 0;
}
