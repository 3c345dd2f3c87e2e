#include "app/failure.h"

#include <cstring>

Failure failure_of(const Fault &fault, const char *outfile) {
  // The failures of the outfile name it; those of an input, the input.
  const FailureKind *kind = nullptr;
  switch (fault.what) {
  case What::none:
    return {};
  case What::size_input:
    kind = &fail::size_file;
    break;
  case What::too_many_banks:
    kind = &fail::plan_image;
    break;
  case What::more_than_asked:
    kind = &fail::fit_banks;
    break;
  case What::open_data:
    kind = &fail::open_data;
    break;
  case What::read_data:
    kind = &fail::read_data;
    break;
  case What::open_program:
    kind = &fail::open_program;
    break;
  case What::read_program:
    kind = &fail::read_program;
    break;
  case What::write_outfile:
    kind = &fail::write_outfile;
    break;
  }
  return {.kind = kind,
          .path = fault.path != nullptr ? fault.path : outfile,
          .code = fault.code,
          .reason = fault.reason,
          .banks = fault.banks,
          .limit = fault.limit};
}

void report_failure(const Failure &f) {
  if (f.kind->line != nullptr) {
    f.kind->line(f);
    report(", code %d\n", f.code);
  }
  if (f.kind->note != nullptr)
    f.kind->note(f);
  else
    explain(f.path, f.reason != nullptr ? f.reason : std::strerror(f.code));
}

void report_left_behind(const char *path, int code) {
  report("Failed to remove temporary file %s, code %d\n", path, code);
  explain(path, std::strerror(code));
}
