#include "app/failure.h"

#include <cstring>
#include <utility>

namespace {

// The failure of each fault of the image's work.
constexpr std::pair<What, const FailureKind *> kinds[] = {
    {What::size_input, &fail::size_file},      {What::too_many_banks, &fail::plan_image},
    {What::more_than_asked, &fail::fit_banks}, {What::open_data, &fail::open_data},
    {What::read_data, &fail::read_data},       {What::open_program, &fail::open_program},
    {What::read_program, &fail::read_program}, {What::write_outfile, &fail::write_outfile},
};

} // namespace

Failure failure_of(const Fault &fault, const char *outfile) {
  for (const auto &[what, kind] : kinds)
    if (what == fault.what)
      // The failures of the outfile name it; those of an input, the input.
      return {.kind = kind,
              .path = fault.path != nullptr ? fault.path : outfile,
              .code = fault.code,
              .reason = fault.reason,
              .banks = fault.banks,
              .limit = fault.limit};
  return {};
}

void report_failure(const Failure &f) {
  if (f.kind->line != nullptr) {
    f.kind->line(f);
    report(", code %d\n", f.code);
  }
  if (f.kind->note != nullptr)
    f.kind->note(f);
  else
    explain(f.folder != nullptr ? f.folder : f.path,
            f.reason != nullptr ? f.reason : std::strerror(f.code));
}

void report_left_behind(const char *path, int code) {
  report("Failed to remove temporary file %s, code %d\n", path, code);
  explain(path, std::strerror(code));
}
